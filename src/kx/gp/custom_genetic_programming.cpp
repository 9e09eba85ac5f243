// The generic program component: construction, the engine interface, settings, node
// factories, tree initialization and streaming. Variation and bloat control live in the
// .ipp files included at the end, so that one translation unit instantiates the whole class.

#include "kx/gp/custom_genetic_programming.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <unordered_set>
#include <utility>
#include <vector>

#include "kx/core/enum_property.hpp"
#include "kx/gp/detail/prefetch_nodes.hpp"
#include "kx/gp/genetic_programming.hpp"
#include "kx/gp/statistics.hpp"
#include "kx/gp_engine/tree_node.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"
#include "kx/host/streaming.hpp"
#include "kx/host/variant.hpp"

namespace kx::generics {

namespace {

// Hides the declarations of some names from a filer, so that a descendant can declare those
// properties again with its own default without the stream holding them twice.
class TMaskingFiler : public TKXFiler {
 public:
  TMaskingFiler(TKXFiler& Target, std::initializer_list<const char*> Hidden)
      : FTarget(Target), FHidden(Hidden.begin(), Hidden.end()) {}

  void Property(const std::string& Name, const std::function<std::string()>& Get,
                const std::function<void(const std::string&)>& Set, bool Stored) override {
    if (!IsHidden(Name)) FTarget.Property(Name, Get, Set, Stored);
  }
  void DefineFloat(const std::string& Name, const std::function<void(double)>& ReadData,
                   const std::function<double()>& WriteData, bool HasData) override {
    if (!IsHidden(Name)) FTarget.DefineFloat(Name, ReadData, WriteData, HasData);
  }
  void Collection(const std::string& Name, TKXCollection& Items, bool Stored) override {
    if (!IsHidden(Name)) FTarget.Collection(Name, Items, Stored);
  }

 private:
  bool IsHidden(const std::string& Name) const {
    return std::find(FHidden.begin(), FHidden.end(), Name) != FHidden.end();
  }

  TKXFiler& FTarget;
  std::vector<std::string> FHidden;
};

// Raised when a tree being grown passes kMaxGrownTreeSize nodes; DoInitialize tells it
// from the other errors of growth.
class ETreeTooLarge : public EGPException {
 public:
  using EGPException::EGPException;
};

// A probability setting's new value: NaN and infinities are refused (nullopt), the rest is
// clamped to [0, 1].
std::optional<double> AcceptedProbability(double Value) noexcept {
  if (!std::isfinite(Value)) return std::nullopt;
  return std::clamp(Value, 0.0, 1.0);
}

template <class List, class Item>
bool RemoveFrom(List& Items, Item* Value) {
  auto it = std::find(Items.begin(), Items.end(), Value);
  if (it == Items.end()) return false;
  Items.erase(it);
  return true;
}

}  // namespace

// --- Construction ---------------------------------------------------------------------------

template <class T>
TKXCustomGeneticProgramming<T>::TKXCustomGeneticProgramming(TKXComponent* AOwner)
    : TKXCustomGeneticComponent(AOwner) {
  // The members start at their own defaults; only the core's settings differ for programs.
  SetCrossoverProbability(GP_CROSSOVER_PROBABILITY);
  FInstructions = CreateInstructions(ItemClassOf<TKXGPInstruction<T>>());
  SetTournamentField(7);
}

template <class T>
TKXCustomGeneticProgramming<T>::~TKXCustomGeneticProgramming() {
  // Instruction notifications are ignored from here on; the trees go before the
  // instructions they refer to.
  BeginDestroy();
  ClearPopulations();
  FInstructions.reset();
}

template <class T>
void TKXCustomGeneticProgramming<T>::RecreateInstructions() {
  FFunctions.clear();
  FTerminals.clear();
  FInstructions = CreateInstructions(ItemClassOf<TKXGPInstruction<T>>());
}

template <class T>
std::unique_ptr<TKXPopulation> TKXCustomGeneticProgramming<T>::CreatePopulation(
    TKXItemClass /*ItemClass*/) {
  return std::make_unique<TPopulation>(ItemClassOf<TIndividual>(), this);
}

template <class T>
void TKXCustomGeneticProgramming<T>::Assign(TKXPersistent* Source) {
  if (auto* source = dynamic_cast<TKXCustomGeneticProgramming<T>*>(Source)) {
    if (source == this) return;
    FBloatStrategy = source->FBloatStrategy;
    FBloatLimit = source->FBloatLimit;
    FSelectionNonTerminalsProbability = source->FSelectionNonTerminalsProbability;
    FCrossoverMethod = source->FCrossoverMethod;
    FInitializationDepth = source->FInitializationDepth;
    FInitializationMethod = source->FInitializationMethod;
    FPointMutationMethod = source->FPointMutationMethod;
    FPointMutationProbability = source->FPointMutationProbability;
    FMutationWeights = source->FMutationWeights;
    FMutationWeightSum = source->FMutationWeightSum;
    FParsimonyCoefficient = source->FParsimonyCoefficient;
    FTarpeianProbability = source->FTarpeianProbability;
    SetInstructions(source->Instructions());
    TKXCustomGeneticComponent::Assign(Source);
    // The copied trees still name the source's instructions: point them at this
    // component's own, so they outlive the source.
    RebindPopulation(Population());
    RebindPopulation(PreviousGeneration());
    return;
  }
  TKXCustomGeneticComponent::Assign(Source);
}

template <class T>
void TKXCustomGeneticProgramming<T>::RebindPopulation(TPopulation* Target) {
  if (Target == nullptr) return;
  for (int i = 0; i < Target->Count(); ++i) {
    if (TNode* root = Target->Items(i)->DNA()) root->RebindInstructions(*FInstructions);
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::AssignAll(TKXPersistent* Source) {
  Assign(Source);
  if (auto* source = dynamic_cast<TKXCustomGeneticProgramming<T>*>(Source)) {
    if (source != this) FInstructions->AssignAll(source->Instructions());
  }
}

// --- Engine -----------------------------------------------------------------------------------

template <class T>
std::unique_ptr<TKXGPInstructions<T>> TKXCustomGeneticProgramming<T>::CreateInstructions(
    TKXItemClass InstructionClass) {
  return std::make_unique<TKXGPInstructions<T>>(this, InstructionClass, this);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::CreateNode(
    TKXGPInstruction<T>* Item) {
  return std::make_unique<TKXGPTreeNode<T>>(Item);
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::MaxNodeArity() const {
  return std::numeric_limits<std::int32_t>::max();
}

template <class T>
void TKXCustomGeneticProgramming<T>::ClearPopulations() {
  InvalidateProgramStats();
  TKXCustomGeneticComponent::Population()->Clear();
  if (TKXPopulation* previous = TKXCustomGeneticComponent::PreviousGeneration()) {
    previous->Clear();
  }
}

template <class T>
bool TKXCustomGeneticProgramming<T>::IsForeign(const TKXGPInstruction<T>* Item) const noexcept {
  return Item != nullptr && Item->Collection() != FInstructions.get();
}

template <class T>
void TKXCustomGeneticProgramming<T>::InstructionUpdate(TKXGPInstruction<T>* Item) {
  if (IsDestroying() || IsForeign(Item)) return;
  // An arity or kind change keeps the trees (the lists were updated already).
  if (Item != nullptr && Item->Reshaping()) return;
  ClearPopulations();
}

template <class T>
void TKXCustomGeneticProgramming<T>::InstructionNotify(TKXGPInstruction<T>* Item,
                                                       TCollectionNotification Action) {
  if (IsDestroying() || IsForeign(Item)) return;
  ClearPopulations();
  if (Item == nullptr) return;
  if (Action == TCollectionNotification::cnAdded) {
    FTerminals.push_back(Item);
  } else if (Item->Arity() < 1) {
    RemoveFrom(FTerminals, Item);
  } else {
    RemoveFrom(FFunctions, Item);
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::InstructionOperationUpdate(TKXGPInstruction<T>* Item) {
  if (IsDestroying() || Item == nullptr || IsForeign(Item)) return;
  if (!RemoveFrom(FTerminals, Item)) RemoveFrom(FFunctions, Item);
  (Item->Arity() < 1 ? FTerminals : FFunctions).push_back(Item);
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetInstructions(TKXGPInstructions<T>* Value) {
  if (Value == FInstructions.get()) return;
  FInstructions->Assign(Value);
}

// --- Populations --------------------------------------------------------------------------------

template <class T>
typename TKXCustomGeneticProgramming<T>::TPopulation* TKXCustomGeneticProgramming<T>::Population()
    const {
  return static_cast<TPopulation*>(TKXCustomGeneticComponent::Population());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TPopulation*
TKXCustomGeneticProgramming<T>::PreviousGeneration() const noexcept {
  return static_cast<TPopulation*>(TKXCustomGeneticComponent::PreviousGeneration());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TIndividual*
TKXCustomGeneticProgramming<T>::FittestIndividual() const noexcept {
  return dynamic_cast<TIndividual*>(TKXCustomGeneticComponent::FittestIndividual());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TIndividual* TKXCustomGeneticProgramming<T>::AsIndividual(
    TKXIndividual* Item) {
  // Breeding asks this a dozen times per child: the exact class first, without a cast.
  if (Item != nullptr && typeid(*Item) == typeid(TIndividual))
    return static_cast<TIndividual*>(Item);
  return dynamic_cast<TIndividual*>(Item);
}

// --- Settings ---------------------------------------------------------------------------------

template <class T>
void TKXCustomGeneticProgramming<T>::SetBloatLimit(std::int32_t Value) noexcept {
  if (Value == FBloatLimit) return;
  FBloatLimit = std::max<std::int32_t>(Value, 5);
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetInitializationDepth(std::int32_t Value) noexcept {
  if (Value == FInitializationDepth) return;
  FInitializationDepth = std::clamp<std::int32_t>(Value, 0, kMaxInitializationDepth);
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetPointMutationProbability(TGAProbability Value) noexcept {
  if (const auto accepted = AcceptedProbability(Value)) FPointMutationProbability = *accepted;
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetSelectionNonTerminalsProbability(
    TGAProbability Value) noexcept {
  if (const auto accepted = AcceptedProbability(Value)) {
    FSelectionNonTerminalsProbability = *accepted;
  }
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetTarpeianProbability(TGAFloat Value) noexcept {
  if (const auto accepted = AcceptedProbability(Value)) FTarpeianProbability = *accepted;
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetParsimonyCoefficient(TGAFloat Value) noexcept {
  if (std::isfinite(Value)) FParsimonyCoefficient = Value;
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetMutateWeights(TGPMutationMethod Method,
                                                      std::int32_t Value) noexcept {
  if (Value == FMutationWeights[Method]) return;
  // The weight is an 8-bit value: a larger one keeps its low byte, as a byte store would.
  FMutationWeights[Method] = static_cast<std::uint8_t>(std::max<std::int32_t>(Value, 0));
  FMutationWeightSum = SumOfWeights(FMutationWeights);
}

template <class T>
void TKXCustomGeneticProgramming<T>::SetMutationWeights(
    const TGPMutationMethodWeights& Value) noexcept {
  FMutationWeights = Value;
  FMutationWeightSum = SumOfWeights(FMutationWeights);
}

// --- Node factories -------------------------------------------------------------------------

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::NewNode(
    const std::vector<TInstruction*>& Candidates, const TKXMessage& Missing) {
  if (Candidates.empty()) throw EGPException(Missing.Text);
  return CreateNode(Candidates[RandomInt(static_cast<std::int32_t>(Candidates.size()))]);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr
TKXCustomGeneticProgramming<T>::GetOperationNode() {
  return NewNode(FFunctions, SNoOperationsFound);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr
TKXCustomGeneticProgramming<T>::GetTerminalNode() {
  return NewNode(FTerminals, SNoTerminalsFound);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::GetNode() {
  const int count = FInstructions->Count();
  if (count == 0) throw EGPException(SNoInstructionsFound.Text);
  return CreateNode(FInstructions->ItemAt(RandomInt(count)));
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::GetNode(
    const TNode* Node) {
  return CreateNode(GetSimilarInstruction(Node != nullptr ? Node->Instruction() : nullptr));
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::GetOperationNode(
    TNode* Parent, int Index) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return Parent->InsertChild(Index, GetOperationNode());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::GetTerminalNode(
    TNode* Parent, int Index) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return Parent->InsertChild(Index, GetTerminalNode());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::GetNode(
    TNode* Parent, int Index) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return Parent->InsertChild(Index, GetNode());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::GetNode(
    TNode* Parent, const TNode* Node, int Index) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return Parent->InsertChild(Index, GetNode(Node));
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TInstruction*
TKXCustomGeneticProgramming<T>::GetSimilarInstruction(const TInstruction* Instruction) const {
  const int count = FInstructions->Count();
  if (count == 0 || Instruction == nullptr) throw EGPException(SNoInstructionsFound.Text);
  // Counted first and picked in a second pass, so the choice allocates nothing.
  std::int32_t similar = 0;
  for (int i = 0; i < count; ++i) {
    const TInstruction* candidate = FInstructions->ItemAt(i);
    if (candidate->Operation() == Instruction->Operation() &&
        candidate->Arity() == Instruction->Arity()) {
      ++similar;
    }
  }
  if (similar == 0) throw EGPException(SNoInstructionsFound.Text);
  std::int32_t pick = RandomInt(similar);
  for (int i = 0; i < count; ++i) {
    TInstruction* candidate = FInstructions->ItemAt(i);
    if (candidate->Operation() == Instruction->Operation() &&
        candidate->Arity() == Instruction->Arity() && pick-- == 0) {
      return candidate;
    }
  }
  return nullptr;  // not reached: the second pass meets the same candidates
}

// --- Trees ----------------------------------------------------------------------------------

template <class T>
void TKXCustomGeneticProgramming<T>::CheckTerminal(const TNode* Node) {
  const TInstruction* instruction = Node->Instruction();
  if (Node->IsTerminal() && instruction != nullptr && instruction->Arity() > 0) {
    throw EGPException(SInvalidTerminalNode.Text);
  }
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::NewTreeNode(
    std::int32_t Depth, bool Full) {
  return Depth < 2 ? GetTerminalNode() : (Full ? GetOperationNode() : GetNode());
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::GrowTree(
    TNode* Node, std::int32_t Depth, bool Full) {
  CheckTerminal(Node);
  // Each frame is a node whose arguments are being built, its depth and the next argument.
  // Each argument joins its parent before it is checked and before its own arguments are
  // built (depth first, in argument order, as a recursive growth draws them), so a binary
  // node meets a third argument (and refuses it) as soon as it is drawn.
  struct TFrame {
    TNode* Node;
    std::int32_t Depth;
    std::int32_t Next;
  };
  std::vector<TFrame> frames{{Node, Depth, 0}};
  std::int32_t grown = 1;
  while (!frames.empty()) {
    TFrame& frame = frames.back();
    const TInstruction* instruction = frame.Node->Instruction();
    const std::int32_t arity = instruction != nullptr ? instruction->Arity() : 0;
    if (frame.Next >= arity) {
      frames.pop_back();
      continue;
    }
    if (++grown > kMaxGrownTreeSize) {
      throw ETreeTooLarge("A grown program tree may not exceed " +
                          std::to_string(kMaxGrownTreeSize) + " nodes");
    }
    const std::int32_t depth = frame.Depth - 1;
    TNode* child = frame.Node->InsertChild(frame.Next++, NewTreeNode(depth, Full));
    CheckTerminal(child);
    frames.push_back({child, depth, 0});
  }
  return Node;
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::DoInitializeFull(
    std::int32_t Depth) {
  TNodePtr node = NewTreeNode(Depth, true);
  GrowTree(node.get(), Depth, true);
  return node;
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::DoInitializeGrow(
    std::int32_t Depth) {
  TNodePtr node = NewTreeNode(Depth, false);
  GrowTree(node.get(), Depth, false);
  return node;
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::DoInitializeFull(
    TNode* Parent, int Index, std::int32_t Depth) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return GrowTree(Parent->InsertChild(Index, NewTreeNode(Depth, true)), Depth, true);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNode* TKXCustomGeneticProgramming<T>::DoInitializeGrow(
    TNode* Parent, int Index, std::int32_t Depth) {
  if (Parent == nullptr) throw std::invalid_argument("A parent is required");
  return GrowTree(Parent->InsertChild(Index, NewTreeNode(Depth, false)), Depth, false);
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::InitialTree(
    std::int32_t Index, std::int32_t Count, std::int32_t MaxDepth, std::int32_t MinDepth) {
  const std::int32_t fixed = std::max(MaxDepth, MinDepth);
  const auto ramped = static_cast<std::int32_t>(static_cast<double>(Index) / Count *
                                                static_cast<double>(MaxDepth - 1)) +
                      MinDepth;
  const bool odd = (Index % 2) != 0;
  switch (FInitializationMethod) {
    case imFull:
      return DoInitializeFull(fixed);
    case imGrow:
      return DoInitializeGrow(fixed);
    case imRampedFull:
      return DoInitializeFull(ramped);
    case imRampedGrow:
      return DoInitializeGrow(ramped);
    case imHalfAndHalf:
      return odd ? DoInitializeGrow(fixed) : DoInitializeFull(fixed);
    case imRampedHalfAndHalf:
      return odd ? DoInitializeGrow(ramped) : DoInitializeFull(ramped);
  }
  return DoInitializeFull(fixed);
}

template <class T>
std::int32_t TKXCustomGeneticProgramming<T>::DoInitialize() {
  InvalidateProgramStats();
  TPopulation* population = Population();
  const bool checkDuplicates = InitialDuplicatesRetries() > 0;
  std::unordered_set<std::string> programs;

  for (int i = 0; i < FInstructions->Count(); ++i) FInstructions->ItemAt(i)->Initialize();

  const std::int32_t maxDepth =
      FInitializationDepth != 0
          ? FInitializationDepth
          : std::clamp<std::int32_t>(FunctionsCount(), 1, kMaxInitializationDepth);
  std::int32_t minDepth = 2;
  std::int32_t minDepthCap = kMaxInitializationDepth;
  std::int32_t duplicates = 0;
  const std::int32_t count = population->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    TIndividual* individual = population->ItemAt(i);
    individual->AssignDNA(InitialTreeWithin(i, count, maxDepth, minDepth, minDepthCap));
    if (!checkDuplicates) continue;

    std::string text = individual->DNA()->ToString();
    std::int32_t retries = InitialDuplicatesRetries();
    std::int32_t raises = 0;
    while (programs.contains(text)) {
      ++duplicates;
      individual->AssignDNA(InitialTreeWithin(i, count, maxDepth, minDepth, minDepthCap));
      if (--retries == 0) {
        retries = InitialDuplicatesRetries();
        // The instruction set cannot make a new program even at greater depths: keep the
        // duplicate rather than search forever.
        if (minDepth >= minDepthCap) break;
        ++minDepth;
        if (++raises > kMaxDepthRaises) break;
      }
      text = individual->DNA()->ToString();
    }
    programs.insert(std::move(text));
  }
  return duplicates;
}

template <class T>
typename TKXCustomGeneticProgramming<T>::TNodePtr TKXCustomGeneticProgramming<T>::InitialTreeWithin(
    std::int32_t Index, std::int32_t Count, std::int32_t MaxDepth, std::int32_t& MinDepth,
    std::int32_t& MinDepthCap) {
  for (;;) {
    try {
      return InitialTree(Index, Count, MaxDepth, MinDepth);
    } catch (const ETreeTooLarge&) {
      // Too large at the configured depth itself: the settings ask for too much.
      if (MinDepth <= 2) throw;
      // The duplicate check raised the minimum depth beyond what trees can grow to.
      MinDepthCap = --MinDepth;
    }
  }
}

template <class T>
double TKXCustomGeneticProgramming<T>::SearchSpaceSize(std::int32_t Depth) const {
  // Level by level from depth 0; each level's base is the same for every function, so it
  // is computed once per level rather than once per function.
  double size = static_cast<double>(FFunctions.size());
  const double terminals = static_cast<double>(FTerminals.size());
  for (std::int32_t level = 1; level <= Depth; ++level) {
    const double base = size + terminals;
    size = 0;
    for (const TInstruction* function : FFunctions) size += std::pow(base, function->Arity());
    // Infinity stays infinity at every further level.
    if (std::isinf(size)) break;
  }
  return size;
}

// --- Streaming --------------------------------------------------------------------------------

template <class T>
void TKXCustomGeneticProgramming<T>::DefineProperties(TKXFiler& Filer) {
  // The published order, which is also the order a stream is applied in.
  TKXOrderedFiler ordered(Filer, {"BloatLimit",
                                  "BloatStrategy",
                                  "DiversityLimit",
                                  "CrossoverMethod",
                                  "ElitistPct",
                                  "FitnessCutoff",
                                  "FitnessMethod",
                                  "Generation",
                                  "GenerationLimit",
                                  "InitializationMethod",
                                  "InitializationDepth",
                                  "InitialPopulation",
                                  "InitialDuplicatesRetries",
                                  "Instructions",
                                  "CrossoverProbability",
                                  "InversionProbability",
                                  "MutateSubtreeWeight",
                                  "MutateReplacementWeight",
                                  "MutateConstantWeight",
                                  "MutateShrinkWeight",
                                  "MutateHoistWeight",
                                  "MutatePointWeight",
                                  "MutationProbability",
                                  "ParsimonyCoefficient",
                                  "PointMutationMethod",
                                  "PointMutationProbability",
                                  "SelectionMethod",
                                  "SelectionNonTerminalsProbability",
                                  "TournamentField",
                                  "UseFitnessCutoff",
                                  "UseDiversityLimit",
                                  "UseGenerationLimit"});
  {
    // The GP components publish SelectionMethod and TournamentField with defaults of their
    // own (smTournament, 7); the initial selection method stays the core's, so a new
    // component writes it. Operations and the population are not published here.
    TMaskingFiler core(ordered, {"SelectionMethod", "TournamentField", "Operations", "Population"});
    TKXCustomGeneticComponent::DefineProperties(core);
  }
  ordered.Collection("Instructions", *FInstructions, FInstructions->Count() > 0);
  EnumProperty<TGASelectionMethod>(
      ordered, "SelectionMethod", [this] { return SelectionMethod(); },
      [this](TGASelectionMethod v) { SetSelectionMethod(v); }, smTournament);
  ordered.IntProperty(
      "TournamentField", [this] { return TournamentField(); },
      [this](std::int32_t v) { SetTournamentField(v); }, 7);
  ordered.IntProperty(
      "BloatLimit", [this] { return FBloatLimit; }, [this](std::int32_t v) { SetBloatLimit(v); },
      10);
  EnumProperty<TGPBloatStrategy>(
      ordered, "BloatStrategy", [this] { return FBloatStrategy; },
      [this](TGPBloatStrategy v) { SetBloatStrategy(v); }, bsNone);
  EnumProperty<TGPCrossoverMethod>(
      ordered, "CrossoverMethod", [this] { return FCrossoverMethod; },
      [this](TGPCrossoverMethod v) { SetCrossoverMethod(v); }, cmSubtree);
  ordered.IntProperty(
      "InitializationDepth", [this] { return FInitializationDepth; },
      [this](std::int32_t v) { SetInitializationDepth(v); }, 0);
  EnumProperty<TGPInitializationMethod>(
      ordered, "InitializationMethod", [this] { return FInitializationMethod; },
      [this](TGPInitializationMethod v) { SetInitializationMethod(v); }, imFull);
  static constexpr const char* kWeightNames[] = {"MutateSubtreeWeight",  "MutateReplacementWeight",
                                                 "MutateConstantWeight", "MutateShrinkWeight",
                                                 "MutateHoistWeight",    "MutatePointWeight"};
  for (int m = mmSubtree; m <= mmPoint; ++m) {
    const auto method = static_cast<TGPMutationMethod>(m);
    ordered.IntProperty(
        kWeightNames[m], [this, method] { return GetMutateWeights(method); },
        [this, method](std::int32_t v) { SetMutateWeights(method, v); }, DefaultMutationWeights[m]);
  }
  ordered.FloatProperty(
      "ParsimonyCoefficient", [this] { return FParsimonyCoefficient; },
      [this](double v) { SetParsimonyCoefficient(v); }, false);
  EnumProperty<TGPPointMutationMethod>(
      ordered, "PointMutationMethod", [this] { return FPointMutationMethod; },
      [this](TGPPointMutationMethod v) { SetPointMutationMethod(v); }, pmmPerNode);
  ordered.FloatProperty(
      "PointMutationProbability", [this] { return FPointMutationProbability; },
      [this](double v) { SetPointMutationProbability(v); }, false);
  ordered.FloatProperty(
      "SelectionNonTerminalsProbability", [this] { return FSelectionNonTerminalsProbability; },
      [this](double v) { SetSelectionNonTerminalsProbability(v); }, false);

  // Written only when they differ from their defaults; "!(a == b)" so that NaN is written.
  ordered.DefineFloat(
      "SelectionNonTerminalsProbability",
      [this](double v) { SetSelectionNonTerminalsProbability(v); },
      [this] { return FSelectionNonTerminalsProbability; },
      !(FSelectionNonTerminalsProbability == NONTERMINALS_SELECTION_PROBABILITY));
  ordered.DefineFloat(
      "ParsimonyCoefficient", [this](double v) { SetParsimonyCoefficient(v); },
      [this] { return FParsimonyCoefficient; },
      !(FParsimonyCoefficient == DEFAULT_PARSIMONY_COEFFICIENT));
  ordered.DefineFloat(
      "PointMutationProbability", [this](double v) { SetPointMutationProbability(v); },
      [this] { return FPointMutationProbability; },
      !(FPointMutationProbability == INVERSION_PROBABILITY));
  ordered.DefineFloat(
      "TarpeianProbability", [this](double v) { SetTarpeianProbability(v); },
      [this] { return FTarpeianProbability; },
      !(FTarpeianProbability == DEFAULT_TARPEIAN_PROBABILITY));
  ordered.Flush();
}

}  // namespace kx::generics

#include "kx/gp/gp_bloat_control.ipp"
#include "kx/gp/gp_variation.ipp"

namespace kx::generics {

bool IsLibraryComponentClass(const std::type_info& Class) noexcept {
  return Class == typeid(kx::TKXGeneticProgramming) ||
         Class == typeid(kx::TKXCustomGeneticProgramming) ||
         Class == typeid(kx::TKXBinaryGeneticProgramming) ||
         Class == typeid(kx::TKXCustomBinaryGeneticProgramming) ||
         Class == typeid(kx::TKXGeneticProgrammingVariant) ||
         Class == typeid(kx::TKXCustomGeneticProgrammingVariant);
}

template class TKXCustomGeneticProgramming<TGAFloat>;
template class TKXCustomGeneticProgramming<TKXVariant>;

}  // namespace kx::generics
