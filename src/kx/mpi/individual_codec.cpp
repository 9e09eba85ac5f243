// Chromosomes travel as words; programs as pre-order instruction indices, walked with an
// explicit stack so that deep trees cannot overflow the call stack on either end.

#include "kx/mpi/individual_codec.hpp"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_individual.hpp"
#include "kx/gp/custom_genetic_programming.hpp"
#include "kx/gp/gp_individual.hpp"
#include "kx/host/variant.hpp"
#include "kx/mpi/byte_buffer.hpp"

namespace kx {

namespace {

class TChromosomeCodec final : public TKXIndividualCodec {
 public:
  void Encode(TKXIndividual& Item, TKXByteWriter& Out) override {
    const TKXGABits& bits = *static_cast<TKXGAIndividual&>(Item).Bits();
    Out.Put(static_cast<std::int32_t>(bits.Size()));
    Out.PutSpan(bits.Words());
  }
  void Decode(TKXByteReader& In, TKXIndividual& Item) override {
    const auto size = In.Get<std::int32_t>();
    if (size < 0) throw EGAException("Malformed message");
    In.GetSpan((static_cast<std::size_t>(size) + 63) / 64, FWords);
    auto& individual = static_cast<TKXGAIndividual&>(Item);
    individual.Bits()->SetWords(size, FWords);
    individual.Modified();
  }

 private:
  std::vector<std::uint64_t> FWords;
};

void PutValue(TKXByteWriter& Out, double Value) { Out.Put(Value); }
void GetValue(TKXByteReader& In, double& Value) { Value = In.Get<double>(); }

void PutValue(TKXByteWriter& Out, const TKXVariant& Value) {
  const TKXVarType type = Value.VarType();
  Out.Put(type);
  switch (type) {
    case TKXVarType::varBoolean:
      Out.Put(static_cast<std::uint8_t>(Value.ToBool()));
      break;
    case TKXVarType::varInteger:
      Out.Put(Value.ToInt32());
      break;
    case TKXVarType::varInt64:
      Out.Put(Value.ToInt64());
      break;
    case TKXVarType::varDouble:
      Out.Put(Value.ToFloat());
      break;
    case TKXVarType::varString:
      Out.PutText(*Value.AsString());
      break;
    default:
      break;
  }
}

void GetValue(TKXByteReader& In, TKXVariant& Value) {
  switch (In.Get<TKXVarType>()) {
    case TKXVarType::varEmpty:
      Value = TKXVariant();
      break;
    case TKXVarType::varNull:
      Value = TKXVariant(TKXVariant::Null);
      break;
    case TKXVarType::varBoolean:
      Value = TKXVariant(In.Get<std::uint8_t>() != 0);
      break;
    case TKXVarType::varInteger:
      Value = TKXVariant(In.Get<std::int32_t>());
      break;
    case TKXVarType::varInt64:
      Value = TKXVariant(In.Get<std::int64_t>());
      break;
    case TKXVarType::varDouble:
      Value = TKXVariant(In.Get<double>());
      break;
    case TKXVarType::varString:
      Value = TKXVariant(In.GetText());
      break;
    default:
      throw EGAException("Malformed message");
  }
}

template <class T>
class TProgramCodec final : public TKXIndividualCodec {
  using TComponent = generics::TKXCustomGeneticProgramming<T>;
  using TIndividual = TKXGPIndividual<T>;
  using TNode = TKXGPNode<T>;
  using TInstruction = TKXGPInstruction<T>;

 public:
  explicit TProgramCodec(TComponent& Component) noexcept : FComponent(Component) {}

  void Encode(TKXIndividual& Item, TKXByteWriter& Out) override {
    const TNode* root = static_cast<TIndividual&>(Item).DNA();
    const std::size_t countAt = Out.Size();
    Out.Put(std::uint32_t{0});
    if (root == nullptr) return;
    RefreshIndices();
    std::uint32_t nodes = 0;
    FStack.assign(1, root);
    while (!FStack.empty()) {
      const TNode* node = FStack.back();
      FStack.pop_back();
      ++nodes;
      TInstruction* instruction = node->Instruction();
      Out.Put(IndexOf(instruction));
      const int children = node->ChildCount();
      Out.Put(static_cast<std::uint32_t>(children));
      if (instruction != nullptr && instruction->Operation() == gpConstant)
        PutValue(Out, node->Value());
      node->PushChildren(FStack);
    }
    Out.Patch(countAt, nodes);
  }

  void Decode(TKXByteReader& In, TKXIndividual& Item) override {
    auto& individual = static_cast<TIndividual&>(Item);
    const auto nodes = In.Get<std::uint32_t>();
    if (nodes == 0) {
      individual.AssignDNA(individual.CreateDNA());
      return;
    }
    typename TNode::TNodePtr root;
    // Parents still waiting for children, with how many they wait for.
    std::vector<std::pair<TNode*, std::uint32_t>> open;
    for (std::uint32_t n = 0; n < nodes; ++n) {
      TInstruction* instruction = InstructionAt(In.Get<std::int32_t>());
      const auto children = In.Get<std::uint32_t>();
      TNode* node = nullptr;
      if (n == 0) {
        root = individual.CreateDNA();
        root->SetInstruction(instruction);
        node = root.get();
      } else {
        if (open.empty()) throw EGAException("Malformed message");
        TNode* parent = open.back().first;
        node = parent->AddChild(parent->CreateNode(instruction));
        if (--open.back().second == 0) open.pop_back();
      }
      if (instruction != nullptr && instruction->Operation() == gpConstant) {
        GetValue(In, FValue);
        node->SetValue(FValue);
      }
      if (children > nodes - n - 1) throw EGAException("Malformed message");
      if (children > 0) open.emplace_back(node, children);
    }
    if (!open.empty()) throw EGAException("Malformed message");
    individual.AssignDNA(std::move(root));
  }

 private:
  void RefreshIndices() {
    TKXGPInstructions<T>* set = FComponent.Instructions();
    if (static_cast<std::size_t>(set->Count()) == FIndices.size()) return;
    FIndices.clear();
    for (int i = 0; i < set->Count(); ++i) FIndices.emplace(set->ItemAt(i), i);
  }
  std::int32_t IndexOf(const TInstruction* Instruction) {
    if (Instruction == nullptr) return -1;
    auto found = FIndices.find(Instruction);
    if (found == FIndices.end()) {
      FIndices.clear();
      RefreshIndices();
      found = FIndices.find(Instruction);
      if (found == FIndices.end()) throw EGPException("Instruction not in the component's set");
    }
    return found->second;
  }
  TInstruction* InstructionAt(std::int32_t Index) const {
    if (Index == -1) return nullptr;
    TKXGPInstructions<T>* set = FComponent.Instructions();
    if (Index < 0 || Index >= set->Count())
      throw EGPException("Instruction index " + std::to_string(Index) + " outside the set");
    return set->ItemAt(Index);
  }

  TComponent& FComponent;
  std::unordered_map<const TInstruction*, std::int32_t> FIndices;
  std::vector<const TNode*> FStack;
  T FValue{};
};

template <class T>
std::unique_ptr<TKXIndividualCodec> ProgramCodec(TKXCustomGeneticComponent& Component) {
  auto* gp = dynamic_cast<generics::TKXCustomGeneticProgramming<T>*>(&Component);
  if (gp == nullptr) return nullptr;
  return std::make_unique<TProgramCodec<T>>(*gp);
}

}  // namespace

std::unique_ptr<TKXIndividualCodec> CreateIndividualCodec(TKXCustomGeneticComponent& Component) {
  if (dynamic_cast<TKXCustomGeneticAlgorithm*>(&Component) != nullptr)
    return std::make_unique<TChromosomeCodec>();
  if (auto codec = ProgramCodec<TGAFloat>(Component)) return codec;
  if (auto codec = ProgramCodec<TKXVariant>(Component)) return codec;
  throw EGAException("No compact form for the individuals of " + Component.ClassName());
}

}  // namespace kx
