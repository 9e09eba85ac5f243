#include "kx/gp_engine/batch_evaluator.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/variant.hpp"

namespace kx {

template <class T>
TKXGPBatchEvaluator<T>::TKXGPBatchEvaluator()
    : FScalarContext(std::make_unique<TKXGPContext<T>>()) {}

template <class T>
TKXGPBatchEvaluator<T>::~TKXGPBatchEvaluator() = default;

template <class T>
void TKXGPBatchEvaluator<T>::Execute(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context,
                                     std::span<T> Results) {
  if (FBusy) throw std::logic_error("A batch evaluator cannot execute two trees at once");
  if (Results.size() != Context.Count()) {
    throw std::invalid_argument("Batch execution of " + std::to_string(Context.Count()) +
                                " cases cannot write " + std::to_string(Results.size()) +
                                " results");
  }
  struct TBusy {
    bool& Flag;
    explicit TBusy(bool& aFlag) : Flag(aFlag) { Flag = true; }
    ~TBusy() { Flag = false; }
  } busy(FBusy);

  Compile(Tree, Context);
  if (FHasScalar) PrepareScalarContext(Context);
  FOperands.reserve(FMaxOperands);
  const std::size_t count = Context.Count();
  for (std::size_t first = 0; first < count; first += kBlockSize) {
    RunBlock(Context, first, std::min(kBlockSize, count - first), Results.data());
  }
}

namespace {

// True for a node that a single execution refuses outright (no instruction, too few
// arguments) or whose children cannot all be handed over (a vacant binary side).
template <class T>
bool Refuses(const TKXGPNode<T>& Node) {
  const TKXGPInstruction<T>* instruction = Node.Instruction();
  if (instruction == nullptr) return true;
  const int count = Node.ChildCount();
  if (instruction->Operation() == gpFunction && instruction->Arity() > count) return true;
  for (int i = 0; i < count; ++i) {
    if (Node.Child(i) == nullptr) return true;
  }
  return false;
}

template <class T>
bool ExecutesBlocks(const TKXGPNode<T>& Node) {
  return static_cast<bool>(Node.Instruction()->OnExecuteBatch());
}

}  // namespace

template <class T>
void RaiseArgumentIndex(const TKXGPNode<T>& Node, int Index) {
  // Reading that child raises the node's own list error...
  (void)Node.Child(Index);
  // ...except on a vacant side of a binary node, which reads as nullptr.
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

template <class T>
void TKXGPBatchEvaluator<T>::FindRefused(TKXGPNode<T>& Tree) {
  FRefused.clear();
  // Post-order over the nodes whose children the batch evaluates.
  FFrames.assign(1, {&Tree, 0, Refuses(Tree)});
  while (!FFrames.empty()) {
    const std::size_t top = FFrames.size() - 1;
    TKXGPNode<T>* node = FFrames[top].Node;
    if (!FFrames[top].Refused && ExecutesBlocks(*node) && FFrames[top].Next < node->ChildCount()) {
      TKXGPNode<T>* child = node->Child(FFrames[top].Next++);
      FFrames.push_back({child, 0, Refuses(*child)});
      continue;
    }
    const bool refused = FFrames[top].Refused;
    FFrames.pop_back();
    if (!refused) continue;
    FRefused.push_back(node);
    if (!FFrames.empty()) FFrames.back().Refused = true;
  }
  std::sort(FRefused.begin(), FRefused.end());
}

template <class T>
bool TKXGPBatchEvaluator<T>::Refused(const TKXGPNode<T>* Node) const noexcept {
  return !FRefused.empty() && std::binary_search(FRefused.begin(), FRefused.end(), Node);
}

template <class T>
bool TKXGPBatchEvaluator<T>::Walk(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context,
                                  bool Checking) {
  FSteps.clear();
  FPending.clear();
  FFreeBuffers.clear();
  FBufferCount = 0;
  FMaxOperands = 0;
  FHasScalar = false;
  // A node is pushed once to be classified and, when its children are evaluated by the
  // batch, once more to be emitted after them.
  FWalk.assign(1, {&Tree, false});
  while (!FWalk.empty()) {
    const auto [node, argumentsDone] = FWalk.back();
    FWalk.pop_back();
    TKXGPInstruction<T>* instruction = node->Instruction();
    if (Checking && !argumentsDone && instruction == nullptr) return false;
    const int children = argumentsDone || instruction == nullptr ? 0 : node->ChildCount();
    if (Checking && !argumentsDone && instruction->Operation() == gpFunction &&
        instruction->Arity() > children) {
      return false;
    }
    if (!argumentsDone && !Refused(node) && instruction->OnExecuteBatch() && children > 0) {
      node->PrefetchChildren();
      FWalk.emplace_back(node, true);
      for (int i = children - 1; i >= 0; --i) {
        TKXGPNode<T>* child = node->Child(i);
        if (Checking && child == nullptr) return false;
        FWalk.emplace_back(child, false);
      }
      continue;
    }
    if (Checking) {
      for (int i = 0; i < children; ++i) {
        if (node->Child(i) == nullptr) return false;
      }
    }
    if (argumentsDone || (!Refused(node) && instruction->OnExecuteBatch())) {
      AddStep(node, TStepKind::Batch, node->ChildCount());
      TStep& step = FSteps.back();
      // A terminal's handler starts from the built-in results.
      step.Prefill = instruction->Operation() != gpFunction;
      if (instruction->Operation() == gpVariable) step.Column = ColumnOf(*instruction, Context);
      continue;
    }
    if (Refused(node) || instruction->OnExecute()) {
      AddStep(node, TStepKind::Scalar, 0);
      continue;
    }
    if (instruction->Operation() == gpVariable) {
      if (const T* column = ColumnOf(*instruction, Context)) {
        AddStep(node, TStepKind::Column, 0);
        FSteps.back().Column = column;
        continue;
      }
    }
    AddStep(node, TStepKind::Constant, 0);
  }
  return true;
}

template <class T>
void TKXGPBatchEvaluator<T>::Compile(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context) {
  if (Tree.Instruction() == nullptr) throw EGPException(std::string(SNoInstructionAssigned.Text));
  if (!StillCompiled(Tree, Context)) {
    // Trees that hold no node a single execution refuses are the rule: compile them in one
    // walk that checks every node on the way, and look for the refused ones only when it
    // meets one.
    FReusable = false;
    FRefused.clear();
    if (!Walk(Tree, Context, true)) {
      FindRefused(Tree);
      Walk(Tree, Context, false);
    }
    // The root writes straight into the caller's results.
    if (FSteps.back().Kind == TStepKind::Batch || FSteps.back().Kind == TStepKind::Scalar) {
      FSteps.back().Buffer = kToResults;
    }
    const std::size_t size = static_cast<std::size_t>(FBufferCount) * kBlockSize;
    if (FBuffers.size() < size) FBuffers.resize(size);
    FReusable = !FHasScalar && FRefused.empty() &&
                std::all_of(FSteps.begin(), FSteps.end(), [](const TStep& Step) {
                  return Step.Kind == TStepKind::Batch || Step.Node->ChildCount() == 0;
                });
  }
  // Values are read afresh on every execution: setting one is not a change of the tree. A
  // constant's own value; the empty value for a missing variable or a bare function.
  const std::size_t filled = std::min(kBlockSize, Context.Count());
  for (const TStep& step : FSteps) {
    if (step.Kind != TStepKind::Constant) continue;
    std::fill_n(Buffer(step.Buffer), filled,
                step.Instruction->Operation() == gpConstant ? step.Node->Value() : T{});
  }
}

template <class T>
std::uint64_t TKXGPBatchEvaluator<T>::TraitsOf(const TKXGPInstruction<T>& Instruction) noexcept {
  return static_cast<std::uint64_t>(static_cast<std::uint32_t>(Instruction.Arity())) << 8 |
         static_cast<std::uint64_t>(Instruction.Operation()) << 2 |
         static_cast<std::uint64_t>(static_cast<bool>(Instruction.OnExecute())) << 1 |
         static_cast<std::uint64_t>(static_cast<bool>(Instruction.OnExecuteBatch()));
}

template <class T>
bool TKXGPBatchEvaluator<T>::StillCompiled(const TKXGPNode<T>& Tree,
                                           const TKXGPBatchContext<T>& Context) {
  if (!FReusable || FSteps.back().Node != &Tree) return false;
  // The steps backwards are the tree in pre-order with the children taken last first: each
  // step must be the node expected next, with the instruction and the children it had.
  FExpected.assign(1, &Tree);
  for (auto step = FSteps.rbegin(); step != FSteps.rend(); ++step) {
    if (FExpected.empty() || FExpected.back() != step->Node) return false;
    const TKXGPNode<T>* node = FExpected.back();
    FExpected.pop_back();
    // Reusable steps all hold an instruction, so an equal one is not nullptr.
    const TKXGPInstruction<T>* instruction = node->Instruction();
    if (instruction != step->Instruction || TraitsOf(*instruction) != step->Traits) return false;
    const int children = step->Kind == TStepKind::Batch ? step->Arguments : 0;
    if (node->ChildCount() != children) return false;
    for (int i = 0; i < children; ++i) FExpected.push_back(node->Child(i));
    if (instruction->Operation() != gpVariable) continue;
    // A column follows the context and the variable's name: a variable that lost its column
    // or found one compiles to another kind of step.
    const T* column = ColumnOf(*instruction, Context);
    if ((step->Kind == TStepKind::Column && column == nullptr) ||
        (step->Kind == TStepKind::Constant && column != nullptr)) {
      return false;
    }
    if (step->Kind != TStepKind::Constant) step->Column = column;
  }
  return FExpected.empty();
}

template <class T>
const T* TKXGPBatchEvaluator<T>::ColumnOf(const TKXGPInstruction<T>& Variable,
                                          const TKXGPBatchContext<T>& Context) {
  if (FColumnsVersion != Context.Version()) {
    FColumnSlots.assign(kColumnSlots, {0, nullptr});
    FColumnsVersion = Context.Version();
  }
  auto& [serial, column] = FColumnSlots[Variable.NameSerial() % kColumnSlots];
  if (serial != Variable.NameSerial()) {
    serial = Variable.NameSerial();
    column = Context.FindColumn(Variable.Name());
  }
  return column;
}

template <class T>
void TKXGPBatchEvaluator<T>::AddStep(TKXGPNode<T>* Node, TStepKind Kind, std::int32_t Arguments) {
  TStep& step = FSteps.emplace_back();
  step.Kind = Kind;
  step.Node = Node;
  step.Arguments = Arguments;
  step.Instruction = Node->Instruction();
  if (step.Instruction != nullptr) step.Traits = TraitsOf(*step.Instruction);
  // Constants keep their buffer for the whole execution; outputs take a free temporary
  // before the arguments' temporaries are released, so no handler writes over its input.
  if (Kind == TStepKind::Constant) {
    step.Buffer = FBufferCount++;
  } else if (Kind != TStepKind::Column) {
    if (FFreeBuffers.empty()) {
      step.Buffer = FBufferCount++;
    } else {
      step.Buffer = FFreeBuffers.back();
      FFreeBuffers.pop_back();
    }
  }
  for (std::int32_t i = 0; i < Arguments; ++i) {
    if (FPending.back() >= 0) FFreeBuffers.push_back(FPending.back());
    FPending.pop_back();
  }
  const bool temporary = Kind == TStepKind::Batch || Kind == TStepKind::Scalar;
  FPending.push_back(temporary ? step.Buffer : -1);
  FMaxOperands = std::max(FMaxOperands, FPending.size());
  FHasScalar = FHasScalar || Kind == TStepKind::Scalar;
}

template <class T>
void TKXGPBatchEvaluator<T>::PrepareScalarContext(const TKXGPBatchContext<T>& Context) {
  if (FScalarVersion == Context.Version()) return;
  TKXGPValues<T>& values = FScalarContext->Values();
  values.Clear();
  FScalarValues.clear();
  for (const std::string& name : Context.Names()) {
    values.AddOrSetValue(name, T{});
    FScalarValues.emplace_back(values.Find(name), Context.FindColumn(name));
  }
  FScalarVersion = Context.Version();
}

template <class T>
void TKXGPBatchEvaluator<T>::RunBlock(const TKXGPBatchContext<T>& Context, std::size_t First,
                                      std::size_t Count, T* Results) {
  FOperands.clear();
  for (const TStep& step : FSteps) {
    switch (step.Kind) {
      case TStepKind::Column:
        FOperands.push_back(step.Column + First);
        break;
      case TStepKind::Constant:
        FOperands.push_back(Buffer(step.Buffer));
        break;
      case TStepKind::Batch: {
        T* out = step.Buffer == kToResults ? Results + First : Buffer(step.Buffer);
        TKXGPInstruction<T>* instruction = step.Node->Instruction();
        if (step.Prefill) {
          if (step.Column != nullptr) {
            std::copy_n(step.Column + First, Count, out);
          } else {
            std::fill_n(out, Count,
                        instruction->Operation() == gpConstant ? step.Node->Value() : T{});
          }
        }
        const std::size_t base = FOperands.size() - static_cast<std::size_t>(step.Arguments);
        TKXGPBatch<T> batch(*step.Node, FOperands.data() + base, step.Arguments, out, First, Count,
                            Context);
        instruction->OnExecuteBatch()(instruction, step.Node, batch);
        FOperands.resize(base);
        FOperands.push_back(out);
        break;
      }
      case TStepKind::Scalar: {
        T* out = step.Buffer == kToResults ? Results + First : Buffer(step.Buffer);
        RunScalar(step, First, Count, out);
        FOperands.push_back(out);
        break;
      }
    }
  }
  if (FSteps.back().Buffer != kToResults) std::copy_n(FOperands.back(), Count, Results + First);
}

template <class T>
void TKXGPBatchEvaluator<T>::RunScalar(const TStep& Step, std::size_t First, std::size_t Count,
                                       T* Out) {
  for (std::size_t k = 0; k < Count; ++k) {
    for (const auto& [value, column] : FScalarValues) *value = column[First + k];
    Out[k] = Step.Node->Execute(FScalarContext.get());
  }
}

template void RaiseArgumentIndex(const TKXGPNode<TGAFloat>&, int);
template void RaiseArgumentIndex(const TKXGPNode<TKXVariant>&, int);
template class TKXGPBatchEvaluator<TGAFloat>;
template class TKXGPBatchEvaluator<TKXVariant>;

}  // namespace kx
