#include "kx/gp_engine/node.hpp"

#include <pthread.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "kx/gp_engine/batch_evaluator.hpp"
#include "kx/gp_engine/binary_node.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/detail/built_in_result.hpp"
#include "kx/gp_engine/detail/scratch_list.hpp"
#include "kx/gp_engine/float_node.hpp"
#include "kx/gp_engine/tree_node.hpp"
#include "kx/gp_engine/variant_node.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

std::atomic<std::int32_t> ExecutionDepthLimit{4096};

// This thread's node executions: their nesting, and where its stack lies. Handlers execute
// their arguments themselves, so the recursion is theirs; watching it lets a pathological
// tree fail with an error instead of overflowing the stack.
struct TNodeExecution {
  std::int32_t Nesting = 0;
  // The stack's lowest address (0 until the thread's first execution looked it up) and
  // the reserve kept above it for the frames of one more handler and for raising the error.
  // A frame outside the stack (a fiber's own stack, say) is never refused.
  std::uintptr_t StackLowest = 0;
  std::uintptr_t StackReserve = UINTPTR_MAX;
};
// Initial-exec: every node execution reads it, and the general model would look its
// address up through a call when the library is shared.
[[gnu::tls_model("initial-exec")]] thread_local TNodeExecution NodeExecution;

void FindStack(TNodeExecution& State) noexcept {
  // Looked up, even if nothing is found: then no frame is refused.
  State.StackLowest = 1;
  State.StackReserve = 0;
  pthread_attr_t attributes;
  if (pthread_getattr_np(pthread_self(), &attributes) != 0) return;
  void* lowest = nullptr;
  std::size_t size = 0;
  const int found = pthread_attr_getstack(&attributes, &lowest, &size);
  pthread_attr_destroy(&attributes);
  if (found != 0 || lowest == nullptr) return;
  State.StackLowest = reinterpret_cast<std::uintptr_t>(lowest);
  State.StackReserve = std::min<std::size_t>(size / 4, std::size_t{256} * 1024);
}

// The stack of a size or depth walk: kept per thread so that a warm walk allocates nothing.
template <class T>
std::vector<std::pair<const TKXGPNode<T>*, int>>& WalkStack() noexcept {
  thread_local std::vector<std::pair<const TKXGPNode<T>*, int>> stack;
  stack.clear();
  return stack;
}

[[noreturn]] void RaiseNoInstruction() {
  throw EGPException(std::string(SNoInstructionAssigned.Text));
}

[[noreturn]] void RaiseTooDeep() {
  throw EGPException("Program tree nested deeper than " +
                     std::to_string(ExecutionDepthLimit.load(std::memory_order_relaxed)) +
                     " levels or than the thread's stack holds cannot be executed");
}

}  // namespace

std::int32_t MaxExecutionDepth() noexcept {
  return ExecutionDepthLimit.load(std::memory_order_relaxed);
}

void SetMaxExecutionDepth(std::int32_t Value) noexcept {
  ExecutionDepthLimit.store(std::clamp<std::int32_t>(Value, 1, kMaxExecutionDepthLimit),
                            std::memory_order_relaxed);
}

template <class T>
bool TKXGPNode<T>::LibraryClass(const TKXGPNode<T>& Node) noexcept {
  // By the address of the class's type_info: no name comparison on a miss, and two
  // addresses for one class only cost the shortcut, never a wrong one.
  const std::type_info* type = &typeid(Node);
  if (type == &typeid(TKXGPTreeNode<T>) || type == &typeid(TKXGPBinaryNode<T>)) return true;
  if constexpr (std::is_same_v<T, TGAFloat>) {
    return type == &typeid(TKXGPFloatNode) || type == &typeid(TKXGPBinaryFloatNode);
  } else {
    return type == &typeid(TKXGPVariantNode);
  }
}

template <class T>
TKXGPNode<T>::TKXGPNode(TKXGPInstruction<T>* aInstruction) : FInstruction(aInstruction) {
  if (aInstruction != nullptr) FValue = aInstruction->Value();
}

template <class T>
TKXGPNode<T>::~TKXGPNode() {
  // Subclasses free their children; a node is destroyed only by its owner, which has
  // already detached it.
  FInstruction = nullptr;
}

template <class T>
typename TKXGPNode<T>::TNodePtr TKXGPNode<T>::SetParent(TKXGPNode<T>* Value) {
  if (Value == FParent) return nullptr;
  if (FParent == nullptr) {
    throw std::logic_error("A detached node joins a parent through AddChild or InsertChild");
  }
  TKXGPNode<T>* old = FParent;
  const int slot = old->IndexOf(this);
  TNodePtr self = old->ExtractChild(this);
  if (Value == nullptr) return self;
  try {
    Value->AddChild(std::move(self));
  } catch (...) {
    // The new parent refused: put the node back where it was.
    if (self) old->InsertChild(slot < 0 ? old->ChildCount() : slot, std::move(self));
    throw;
  }
  return nullptr;
}

template <class T>
void TKXGPNode<T>::RequireDetached(const TKXGPNode<T>* Node) {
  if (Node == nullptr) throw std::invalid_argument("A node is required");
  if (Node->Parent() != nullptr) {
    throw std::invalid_argument("A node with a parent moves through SetParent");
  }
}

template <class T>
void TKXGPNode<T>::Modified() noexcept {
  FSize = 0;
  FDepth = 0;
  // An ancestor whose caches are already clear has clear ancestors too (a cache is only
  // filled after the caches below it), so the walk may stop there.
  for (TKXGPNode<T>* node = FParent; node != nullptr; node = node->FParent) {
    if (node->FSize == 0 && node->FDepth == 0) break;
    node->FSize = 0;
    node->FDepth = 0;
  }
}

template <class T>
void TKXGPNode<T>::Flatten(std::vector<TKXGPNode<T>*>& Nodes) {
  // Pre-order with an explicit stack, so that a degenerate chain cannot exhaust the call
  // stack; the stack is per thread, so a warm walk allocates nothing.
  thread_local std::vector<TKXGPNode<T>*> stack;
  stack.clear();
  const std::size_t first = Nodes.size();
  // A copied tree knows its size already: the list then grows once, not step by step.
  if (FSize != 0) Nodes.reserve(first + static_cast<std::size_t>(FSize));
  stack.push_back(this);
  while (!stack.empty()) {
    TKXGPNode<T>* node = stack.back();
    stack.pop_back();
    Nodes.push_back(node);
    node->PushChildren(stack);
  }
  // Backwards, every node comes after its children: the caches below are known, and the
  // nodes were just read. A cache that is set is right (a change clears it upwards).
  for (std::size_t i = Nodes.size(); i-- > first;) {
    TKXGPNode<T>* node = Nodes[i];
    if (!node->Measured()) node->MeasureFromChildren();
  }
}

template <class T>
void TKXGPNode<T>::RemeasureAncestors() noexcept {
  for (TKXGPNode<T>* node = FParent; node != nullptr; node = node->FParent) {
    if (!node->MeasureFromChildren()) return;
  }
}

template <class T>
bool TKXGPNode<T>::MeasureFromChildren() noexcept {
  std::int32_t size = 1;
  std::int32_t depth = 0;
  for (int slot = 0; slot < FSlotCount; ++slot) {
    if (const TKXGPNode<T>* child = FSlots[slot].get()) {
      if (!child->Measured()) return false;
      size += child->FSize;
      depth = std::max(depth, child->FDepth + 1);
    }
  }
  FSize = size;
  FDepth = depth;
  return true;
}

template <class T>
std::int32_t TKXGPNode<T>::Size() const {
  if (FSize != 0) return FSize;
  // Post-order over the nodes whose size is unknown.
  auto& stack = WalkStack<T>();
  stack.emplace_back(this, 0);
  while (!stack.empty()) {
    auto& [node, slot] = stack.back();
    if (slot < node->GetChildSlots()) {
      const TKXGPNode<T>* child = node->ChildInSlot(slot++);
      if (child != nullptr && child->FSize == 0) stack.emplace_back(child, 0);
      continue;
    }
    std::int32_t size = 1;
    for (int i = 0; i < node->GetChildSlots(); ++i) {
      if (const TKXGPNode<T>* child = node->ChildInSlot(i)) size += child->FSize;
    }
    if (node->FSize != size) node->FSize = size;
    stack.pop_back();
  }
  return FSize;
}

template <class T>
std::int32_t TKXGPNode<T>::Depth() const {
  if (FDepth != 0) return FDepth;
  // A leaf's depth is 0, which reads as unknown: answer without writing, so that threads
  // reading the same parent tree never write to it.
  if (ChildCount() == 0) return 0;
  auto& stack = WalkStack<T>();
  stack.emplace_back(this, 0);
  while (!stack.empty()) {
    auto& [node, slot] = stack.back();
    if (slot < node->GetChildSlots()) {
      const TKXGPNode<T>* child = node->ChildInSlot(slot++);
      if (child != nullptr && child->FDepth == 0 && child->ChildCount() > 0) {
        stack.emplace_back(child, 0);
      }
      continue;
    }
    std::int32_t depth = 0;
    for (int i = 0; i < node->GetChildSlots(); ++i) {
      if (const TKXGPNode<T>* child = node->ChildInSlot(i)) {
        depth = std::max(depth, child->FDepth + 1);
      }
    }
    if (node->FDepth != depth) node->FDepth = depth;
    stack.pop_back();
  }
  return FDepth;
}

template <class T>
bool TKXGPNode<T>::IsTerminal() const noexcept {
  return FInstruction == nullptr || FInstruction->Operation() != gpFunction ||
         FInstruction->Arity() == 0;
}

template <class T>
int TKXGPNode<T>::IndexOf(const TKXGPNode<T>* Node) const {
  const int count = ChildCount();
  for (int i = 0; i < count; ++i) {
    if (ChildInSlot(i) == Node) return i;
  }
  // A binary node whose left side was vacated keeps its right child at index 1.
  for (int i = count; i < GetChildSlots(); ++i) {
    if (Node != nullptr && ChildInSlot(i) == Node) return i;
  }
  return -1;
}

template <class T>
IKXGeneticProgramEngine<T>* TKXGPNode<T>::EngineOf(const TKXGPInstruction<T>* aInstruction) {
  if (aInstruction == nullptr) return nullptr;
  TKXGPInstructions<T>* set = aInstruction->Collection();
  return set != nullptr ? set->Engine() : nullptr;
}

template <class T>
void TKXGPNode<T>::FreeNodes(std::vector<TNodePtr>& Stack) noexcept {
  while (!Stack.empty()) {
    TNodePtr node = std::move(Stack.back());
    Stack.pop_back();
    if (!node) continue;
    node->FParent = nullptr;
    node->ReleaseChildren(Stack);
    // node now has no children, so its destruction does not recurse.
  }
}

template <class T>
void TKXGPNode<T>::ClearOwn() {
  FInstruction = nullptr;
  FValue = T{};
}

template <class T>
void TKXGPNode<T>::Clear() {
  ClearOwn();
}

template <class T>
typename TKXGPNode<T>::TNodePtr TKXGPNode<T>::Clone() const {
  TNodePtr copy = CreateNode(FInstruction);
  copy->CopyFrom(*this);
  return copy;
}

template <class T>
TKXGPNode<T>* TKXGPNode<T>::Clone(TKXGPNode<T>* aParent) const {
  TNodePtr copy = Clone();
  if (aParent == nullptr) {
    throw std::invalid_argument("Clone with a parent needs a parent; use Clone() for a root");
  }
  return aParent->AddChild(std::move(copy));
}

template <class T>
void TKXGPNode<T>::RebindInstructions(const TKXGPInstructions<T>& Set) {
  std::vector<TKXGPNode<T>*> stack{this};
  while (!stack.empty()) {
    TKXGPNode<T>* node = stack.back();
    stack.pop_back();
    TKXGPInstruction<T>* instruction = node->FInstruction;
    if (instruction != nullptr && instruction->Collection() != &Set) {
      if (TKXGPInstruction<T>* own = Set.FindItemName(instruction->Name())) {
        node->FInstruction = own;
      }
    }
    for (int slot = 0; slot < node->GetChildSlots(); ++slot) {
      if (TKXGPNode<T>* child = node->ChildInSlot(slot)) stack.push_back(child);
    }
  }
}

template <class T>
void TKXGPNode<T>::AttachCopy(const TKXGPNode<T>* /*Source*/, int /*Slot*/, TNodePtr&& Copy) {
  AddChild(std::move(Copy));
}

template <class T>
void TKXGPNode<T>::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGPNode<T>*>(Source);
  if (source == nullptr) {
    TKXPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  // Clearing would free a source that lies inside this subtree: copy it out first.
  if (IsAncestorOf(*source)) {
    TNodePtr copy = source->Clone();
    CopyFrom(*copy);
    return;
  }
  CopyFrom(*source);
}

template <class T>
bool TKXGPNode<T>::IsAncestorOf(const TKXGPNode<T>& Node) const noexcept {
  for (const TKXGPNode<T>* node = Node.FParent; node != nullptr; node = node->FParent) {
    if (node == this) return true;
  }
  return false;
}

template <class T>
void TKXGPNode<T>::AssignFlattened(const TKXGPNode<T>& Source,
                                   std::vector<TKXGPNode<T>*>& PreOrder) {
  // The library's own classes keep the base's Assign, so they copy straight into the list;
  // anything else, and a source inside this subtree, goes through Assign and Flatten.
  if (&Source == this || !LibraryClass(*this) || IsAncestorOf(Source)) {
    Assign(const_cast<TKXGPNode<T>*>(&Source));
    Flatten(PreOrder);
    return;
  }
  CopyFrom(Source, &PreOrder);
}

template <class T>
void TKXGPNode<T>::CopyFrom(const TKXGPNode<T>& Source, std::vector<TKXGPNode<T>*>* PreOrder) {
  // The nodes below this one become spares that the copy reuses where the class it would
  // create matches: copying into a tree of similar shape (a child taking its parent's
  // program) then allocates and frees almost nothing. Spares are childless, so dropping the
  // ones left over frees no subtree. The list is per thread; a nested copy (from a node
  // factory) only touches the entries it added.
  thread_local std::vector<TNodePtr> spares;
  const std::size_t base = spares.size();
  struct TSparesGuard {
    std::vector<TNodePtr>& Nodes;
    std::size_t Base;
    ~TSparesGuard() { Nodes.resize(Base); }
  } guard{spares, base};
  ReleaseChildren(spares);
  for (std::size_t i = base; i < spares.size(); ++i) {
    // The old tree is cold; its nodes are listed a level ahead of their visit.
    constexpr std::size_t kAhead = 8;
    if (i + kAhead < spares.size()) __builtin_prefetch(spares[i + kAhead].get(), 1);
    TKXGPNode<T>* spare = spares[i].get();
    spare->FParent = nullptr;
    spare->ReleaseChildren(spares);
  }
  Clear();
  FInstruction = Source.FInstruction;
  FValue = Source.FValue;
  // The class CreateNode makes for a source class and instruction, learnt from the first
  // node made for them in this copy (a factory may choose by instruction), and whether a
  // spare of that class can stand for a new one. Classes are compared by the address of
  // their type_info: two addresses for one class only cost a reuse, never a wrong one.
  struct TMade {
    const std::type_info* Source;
    const TKXGPInstruction<T>* Instruction;
    const std::type_info* Made;
    bool Reusable;
  };
  std::array<TMade, 16> made{};
  std::size_t madeCount = 0;
  std::size_t next = base;
  auto copyOf = [&](const TKXGPNode<T>* child) -> TNodePtr {
    const std::type_info* source = &typeid(*child);
    const TMade* known = nullptr;
    for (std::size_t i = 0; i < madeCount; ++i) {
      if (made[i].Source == source && made[i].Instruction == child->FInstruction) {
        known = &made[i];
        break;
      }
    }
    // Spares go in the old tree's breadth-first order, so the first copies, near the root,
    // tend to get old inner nodes, whose child lists have room already.
    if (known != nullptr && known->Reusable && next < spares.size() &&
        &typeid(*spares[next]) == known->Made) {
      TNodePtr node = std::move(spares[next++]);
      node->FInstruction = child->FInstruction;
      node->FSize = 0;
      node->FDepth = 0;
      return node;
    }
    TNodePtr node = child->CreateNode(child->FInstruction);
    if (known == nullptr && madeCount < made.size()) {
      made[madeCount++] = {source, child->FInstruction, &typeid(*node), LibraryClass(*node)};
    }
    return node;
  };
  // Every pair is a source node and its copy, in the order they are visited.
  using TPair = std::pair<const TKXGPNode<T>*, TKXGPNode<T>*>;
  struct TVisited;
  detail::TScratchList<TPair, TVisited> visited;
  auto& pairs = *visited;
  // The pairs still to visit, next last: a node's children are copied when it is visited and
  // then visited first child first, so the visits, listed in pairs, are the copy's pre-order.
  struct TPending;
  detail::TScratchList<TPair, TPending> toVisit;
  auto& pending = *toVisit;
  const auto copyChildren = [&](const TKXGPNode<T>* from, TKXGPNode<T>* to) {
    const std::size_t first = pending.size();
    for (int i = 0; i < from->GetChildSlots(); ++i) {
      const TKXGPNode<T>* child = from->ChildInSlot(i);
      if (child == nullptr) continue;
      TNodePtr copy = copyOf(child);
      TKXGPNode<T>* node = copy.get();
      node->FValue = child->FValue;
      to->AttachCopy(from, i, std::move(copy));
      // Read when the child is visited, soon.
      child->PrefetchChildren();
      pending.emplace_back(child, node);
    }
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
  };
  pairs.emplace_back(&Source, this);
  copyChildren(&Source, this);
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    pairs.emplace_back(from, to);
    copyChildren(from, to);
  }
  // The copy's caches are clear (attaching clears them, or they were so already); it has
  // the source's shape.
  for (const auto& [from, to] : pairs) {
    to->FSize = from->FSize;
    to->FDepth = from->FDepth;
  }
  if (PreOrder != nullptr) {
    for (const auto& pair : pairs) PreOrder->push_back(pair.second);
  }
  if (FParent != nullptr) FParent->Modified();
}

namespace {

// The rare exits of an execution, kept out of line so that the per-node path stays short.
[[gnu::cold]] [[gnu::noinline]] void RefuseOrFindStack(TNodeExecution& State) {
  if (State.StackLowest == 0 &&
      State.Nesting < ExecutionDepthLimit.load(std::memory_order_relaxed)) {
    // The thread's first execution is only held to the nesting limit.
    FindStack(State);
    return;
  }
  RaiseTooDeep();
}

// True when an execution would nest deeper than the limit or come too near the end of
// the thread's stack. Unsigned: a frame below the stack's lowest address wraps around and
// is not refused. A thread's first execution finds its stack on the way out of this test
// (the reserve starts at the largest value, so the test fails once).
[[gnu::always_inline]] inline bool EntryRefused(std::uintptr_t Frame) noexcept {
  return NodeExecution.Nesting >= ExecutionDepthLimit.load(std::memory_order_relaxed) ||
         Frame - NodeExecution.StackLowest < NodeExecution.StackReserve;
}

}  // namespace

template <class T>
T TKXGPNode<T>::Execute(TKXGPContext<T>* Context) {
  // The common cases run the steps of the library instruction's own Execute and DoExecute
  // without their virtual calls, and on paths that make no call of their own: a node
  // without handler (half the nodes of a tree are leaves) runs nothing inside, so it needs
  // no nesting count and no frame; a node with a handler goes to ExecuteHandled. Every
  // other or rare case goes to ExecuteCounted, which handles them all.
  TKXGPInstruction<T>* instruction = FInstruction;
  if (instruction == nullptr || !instruction->KnownDirectExecution() ||
      instruction->Arity() > FChildCount ||
      EntryRefused(reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)))) {
    return ExecuteCounted(Context);
  }
  if (instruction->OnExecute()) return ExecuteHandled(*instruction, Context);
  switch (instruction->Operation()) {
    case gpVariable:
      if (const T* value = nullptr; Context->RememberedValue(*instruction, value)) {
        return value != nullptr ? *value : T{};
      }
      return ExecuteCounted(Context);
    case gpConstant:
      return FValue;
    case gpFunction:
      break;
  }
  return T{};
}

namespace {

// Runs one level deeper in the thread's nesting count. The count is restored by hand on both
// exits: a scope guard made every execution keep one more register saved.
template <class F>
[[gnu::always_inline]] inline void Nested(F&& Run) {
  const std::int32_t outer = NodeExecution.Nesting;
  NodeExecution.Nesting = outer + 1;
  try {
    Run();
  } catch (...) {
    NodeExecution.Nesting = outer;
    throw;
  }
  NodeExecution.Nesting = outer;
}

}  // namespace

template <class T>
T TKXGPNode<T>::ExecuteHandled(TKXGPInstruction<T>& Instruction, TKXGPContext<T>* Context) {
  T result = detail::BuiltInResult(Instruction, *this, Context);
  Nested([&] { Instruction.OnExecute()(&Instruction, this, Context, result); });
  return result;
}

template <class T>
T TKXGPNode<T>::ExecuteCounted(TKXGPContext<T>* Context) {
  TKXGPInstruction<T>* instruction = FInstruction;
  if (instruction == nullptr) RaiseNoInstruction();
  if (EntryRefused(reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)))) {
    RefuseOrFindStack(NodeExecution);
  }
  // Too few arguments: the instruction's Execute raises its error.
  if (instruction->DirectExecution() && instruction->Arity() <= FChildCount) {
    if (instruction->OnExecute()) return ExecuteHandled(*instruction, Context);
    return detail::BuiltInResult(*instruction, *this, Context);
  }
  T result{};
  Nested([&] { result = instruction->Execute(this, Context); });
  return result;
}

template <class T>
void TKXGPNode<T>::ExecuteBatch(const TKXGPBatchContext<T>& Context, std::span<T> Results) {
  thread_local TKXGPBatchEvaluator<T> evaluator;
  if (!evaluator.Busy()) {
    evaluator.Execute(*this, Context, Results);
    return;
  }
  // A handler executing another batch: the thread's evaluator is in use.
  TKXGPBatchEvaluator<T> nested;
  nested.Execute(*this, Context, Results);
}

template <class T>
std::string TKXGPNode<T>::ToString() const {
  std::string text;
  // Each entry is a node and the next child position to print; a node is opened when it
  // is pushed and closed when its children are done.
  std::vector<std::pair<const TKXGPNode<T>*, int>> stack;
  auto open = [&text, &stack](const TKXGPNode<T>* node) {
    const bool parent = node->ChildCount() > 0;
    if (parent) text += '(';
    if (node->FInstruction == nullptr) {
      text += "nil";
    } else if (node->FInstruction->Operation() == gpFunction) {
      text += node->FInstruction->DisplayName();
    } else {
      text += node->ValueToString();
    }
    stack.emplace_back(node, 0);
  };
  open(this);
  while (!stack.empty()) {
    auto& [node, slot] = stack.back();
    if (slot < node->GetChildSlots()) {
      const TKXGPNode<T>* child = node->ChildInSlot(slot++);
      if (child == nullptr) continue;
      text += ' ';
      open(child);
      continue;
    }
    if (node->ChildCount() > 0) text += ')';
    stack.pop_back();
  }
  return text;
}

template <class T>
std::string TKXGPNode<T>::ValueToString() const {
  return {};
}

template <class T>
void TKXGPNode<T>::LoadValueFromXML(std::string_view /*Value*/) {}

template <class T>
bool TKXGPNode<T>::SaveValueToXML(std::string& /*Value*/) const {
  return false;
}

template class TKXGPNode<TGAFloat>;
template class TKXGPNode<TKXVariant>;

}  // namespace kx
