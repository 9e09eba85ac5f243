#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/gp/gp_individual.hpp"
#include "kx/gp/gp_population.hpp"
#include "kx/gp_engine/engine.hpp"
#include "kx/gp_engine/instruction.hpp"
#include "kx/gp_engine/node.hpp"

namespace kx {

class TKXStringList;
/// Wrappers of the program documents (kx/xml/genetic_program_xml.hpp, gp_domain_xml.hpp).
class TKXXMLDocument;
class TXMLGeneticProgram;
class TXMLGPDomainType;
class TXMLGPInstructions;

/// Generic classes whose plain names the concrete classes take. The generic program
/// component is generics::TKXCustomGeneticProgramming<T>; kx::TKXCustomGeneticProgramming is
/// its float instantiation's concrete descendant (kx/gp/genetic_programming.hpp).
namespace generics {

/// The genetic-programming component: an evolutionary component whose individuals are
/// program trees built from an instruction set that it owns. It is the engine of its
/// instruction set and of its individuals' trees: it creates their nodes and is told of
/// every change of the set, which it sorts into function and terminal lists.
///
/// Settings and their defaults: crossover probability 0.9, tournament of 7, full
/// initialization with a derived depth, mutation weights 25/0/0/25/25/0 (subtree, replacement,
/// constant, shrink, hoist, point), no bloat strategy with a limit of 10.
///
/// Choices where the behaviour is otherwise open:
/// - Duplicate programs at initialization are regenerated; whenever an individual's retries
///   run out the minimum depth rises by one. When that happened kMaxDepthRaises times for one
///   individual without producing a new program (an instruction set that cannot make enough
///   distinct trees), the individual keeps its duplicate and initialization goes on. The
///   minimum depth never rises past kMaxInitializationDepth, nor past a depth whose trees
///   outgrew kMaxGrownTreeSize (it is lowered again, for the rest of the initialization).
/// - A pure change of an instruction's arity or kind keeps the population (the instruction
///   moves between functions and terminals); every other change of the set empties it.
/// - Subtree crossover recombines the two parents: when they differ, the second child first
///   takes the second parent's tree (it reverts to that parent under the limit strategies),
///   then the children swap subtrees. The fair crossovers graft copies of the second parent's
///   subtrees into each child, so both operators take the second parent's material.
/// - Crossover with one child grafts a copy of a subtree of the second parent into it.
/// - A fair crossover whose roulette has no usable weight (depth-fair with every smaller
///   donor node at depth 0 and none equal) chooses a new removal point, as when no donor
///   node qualifies.
/// - The covariant parsimony coefficient over a single individual (no sample variance) is 0.
/// - Instruction-set changes that empty the population empty the previous generation too:
///   both hold trees that refer to the instructions.
/// - Only the component's own instruction set feeds the function and terminal lists; other
///   sets made by CreateInstructions report here too but are ignored.
/// - The published stream default of each mutation weight is its initial value.
/// - The program statistics are computed before every fitness evaluation pass of a new
///   population, so evaluations (possibly parallel) only read them.
template <class T>
class TKXCustomGeneticProgramming : public TKXCustomGeneticComponent,
                                    public IKXGeneticProgramEngine<T> {
 public:
  ///@{
  /// Shorthands for the program types of value type T.
  using TNode = TKXGPNode<T>;
  /// @copydoc TNode
  using TNodePtr = std::unique_ptr<TNode>;
  /// @copydoc TNode
  using TIndividual = TKXGPIndividual<T>;
  /// @copydoc TNode
  using TPopulation = TKXGPPopulation<T>;
  /// @copydoc TNode
  using TInstruction = TKXGPInstruction<T>;
  /// @copydoc TNode
  using TInstructions = TKXGPInstructions<T>;
  ///@}

  /// How often one individual's minimum depth may rise without producing a new program
  /// before it keeps its duplicate.
  static constexpr std::int32_t kMaxDepthRaises = 4;
  /// The deepest initial tree: far beyond useful program depths (a few dozen levels), and a
  /// chain of that depth still executes within the default MaxExecutionDepth after crossover
  /// has stacked a few. The minimum depth raised by the duplicate check stops there too.
  static constexpr std::int32_t kMaxInitializationDepth = 1024;
  /// The most nodes one grown tree (an initial tree, or a subtree regrown by mutation) may
  /// have: growing more raises EGPException instead of exhausting memory, since depth and
  /// arity together can ask for exponentially many nodes.
  static constexpr std::int32_t kMaxGrownTreeSize = 1 << 20;

  /// A component owned by AOwner (not owning it), with an empty instruction set of its own.
  explicit TKXCustomGeneticProgramming(TKXComponent* AOwner = nullptr);
  ~TKXCustomGeneticProgramming() override;

  /// The class name.
  std::string ClassName() const override { return "TKXCustomGeneticProgramming"; }

  /// From another GP component of the same value type: the GP settings and the instruction
  /// set (data only), then the core's settings and populations.
  void Assign(TKXPersistent* Source) override;
  /// Assign, then the instruction set again with its handlers.
  virtual void AssignAll(TKXPersistent* Source);
  /// The core's published properties (but Operations and the population) and the GP ones,
  /// the Instructions among them, in the published order; then the extra float entries
  /// "SelectionNonTerminalsProbability", "ParsimonyCoefficient", "PointMutationProbability"
  /// and "TarpeianProbability", each written only when it differs from its default.
  void DefineProperties(TKXFiler& Filer) override;

  // --- Documents and report -----------------------------------------------------------------
  /// A program component saves and loads itself as a GeneticProgram document: the common
  /// header, the reproduction settings (crossover, initialization and mutation settings
  /// included) and the domain (instruction set, fittest individual, population).
  /// BloatStrategy, BloatLimit, ParsimonyCoefficient, TarpeianProbability and
  /// InitialPopulation are not part of it (component streaming carries them). Loading keeps
  /// the handlers of instructions that the document names (the set is merged, see
  /// TKXGPInstructions::LoadFromXML) and the component's own events; instructions that the
  /// document brings new have none, so an application attaches its handlers after loading.

  /// The core's header loader stays visible next to the program ones.
  using TKXCustomGeneticComponent::LoadFromXML;
  /// The core's header writer stays visible next to the program ones.
  using TKXCustomGeneticComponent::SaveToXML;
  /// The GeneticProgram document, indented (SaveToFile writes it through here).
  void SaveToStream(std::ostream& Stream) override;
  ///@{
  /// Parse a GeneticProgram document, check all of it (its instructions merged into a copy
  /// of the set, every program read against that copy) and load it; see the core's
  /// LoadFromStream for errors (nothing changes) and the restored statistics.
  void LoadFromStream(std::istream& Stream) override;
  /// @copydoc LoadFromStream
  void LoadFromFile(const std::string& FileName) override;
  ///@}
  /// The header, the reproduction settings in their document order, then the domain.
  virtual void SaveToXML(const TXMLGeneticProgram& Doc);
  /// The header, then the reproduction settings through the setters (the crossover method
  /// and the mutation weights stored directly, the weights' sum recomputed). Enumeration
  /// names are matched ignoring letter case; a name of no value keeps the setting, a missing
  /// element reads as the enumeration's first value. Then the domain.
  virtual void LoadFromXML(const TXMLGeneticProgram& Doc);
  /// The instruction set, the fittest individual when there is one, and the population.
  virtual void SaveToXML(const TXMLGPDomainType& Domain);
  /// A component that was never initialized is initialized with no individuals first
  /// (InitialPopulation and Generation are restored afterwards, also after an error). Then
  /// the instruction set is merged (and ordered as the document lists the instructions, so
  /// that a set saved in any order comes back in it), the population rebuilt from the
  /// document and copied into the previous generation. The fittest individual is not read,
  /// and the loaded individuals are not evaluated: their fitness is computed when first
  /// needed.
  virtual void LoadFromXML(const TXMLGPDomainType& Domain);
  ///@{
  /// The instruction set alone.
  virtual void SaveToXML(const TXMLGPInstructions& Instructions);
  /// @copydoc SaveToXML(const TXMLGPInstructions&)
  virtual void LoadFromXML(const TXMLGPInstructions& Instructions);
  ///@}
  /// The program component's report: operating conditions (with the mutation distribution,
  /// the bloat strategy, the terminals and the functions), initial and termination
  /// conditions. With all mutation weights 0 every method's share reads 0.00%.
  void Describe(TKXStringList& Strings, const std::string& TabStr) const override;

  // --- Engine ----------------------------------------------------------------------------

  /// A new instruction set owned by this component with items of InstructionClass.
  std::unique_ptr<TKXGPInstructions<T>> CreateInstructions(TKXItemClass InstructionClass) override;
  /// A new detached node of the component's node class (here TKXGPTreeNode<T>).
  TNodePtr CreateNode(TKXGPInstruction<T>* Item) override;
  /// No limit: 2147483647.
  std::int32_t MaxNodeArity() const override;
  /// Any change of an instruction other than its arity or kind (see
  /// TKXGPInstruction::Reshaping) empties the population: trees keep their nodes when only
  /// an arity changes, and a node with fewer children than its new arity raises the
  /// argument-count error when executed.
  void InstructionUpdate(TKXGPInstruction<T>* Item) override;
  /// Addition, extraction and deletion empty the population and update the two lists.
  void InstructionNotify(TKXGPInstruction<T>* Item, TCollectionNotification Action) override;
  /// A change of kind or arity moves the instruction between the two lists; the population
  /// stays.
  void InstructionOperationUpdate(TKXGPInstruction<T>* Item) override;
  /// The component's own instruction set (never nullptr).
  TKXGPInstructions<T>* GetInstructions() const override { return FInstructions.get(); }
  ///@{
  /// Copies Value's instructions (data only) into the component's own set.
  void SetInstructions(TKXGPInstructions<T>* Value) override;
  ///@}
  /// The component's own instruction set (never nullptr).
  TKXGPInstructions<T>* Instructions() const noexcept { return FInstructions.get(); }

  // --- Populations and instruction lists -----------------------------------------------------

  ///@{
  /// The core's populations and fittest individual, typed as program ones.
  TPopulation* Population() const;
  /// @copydoc Population
  TPopulation* PreviousGeneration() const noexcept;
  /// @copydoc Population
  TIndividual* FittestIndividual() const noexcept;
  ///@}

  ///@{
  /// The function instructions (arity 1 or more) and the terminals, in the order they were
  /// sorted in.
  TInstruction* Functions(int Index) const { return FFunctions.at(Index); }
  /// @copydoc Functions
  int FunctionsCount() const noexcept { return static_cast<int>(FFunctions.size()); }
  /// @copydoc Functions
  TInstruction* Terminals(int Index) const { return FTerminals.at(Index); }
  /// @copydoc Functions
  int TerminalsCount() const noexcept { return static_cast<int>(FTerminals.size()); }
  ///@}

  // --- Settings --------------------------------------------------------------------------

  ///@{
  /// How reproduction keeps program growth in check (none, a size or depth limit, parsimony
  /// pressure, Tarpeian culling).
  TGPBloatStrategy BloatStrategy() const noexcept { return FBloatStrategy; }
  /// @copydoc BloatStrategy
  void SetBloatStrategy(TGPBloatStrategy Value) noexcept { FBloatStrategy = Value; }
  ///@}
  /// Settings rules: integer settings are clamped into their range; probabilities are
  /// clamped to [0, 1]; a NaN or infinite value for a probability or the parsimony
  /// coefficient is refused and the setting keeps its value. Setters never raise.

  ///@{
  /// Never below 5.
  std::int32_t BloatLimit() const noexcept { return FBloatLimit; }
  /// @copydoc BloatLimit
  void SetBloatLimit(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// How two programs exchange subtrees.
  TGPCrossoverMethod CrossoverMethod() const noexcept { return FCrossoverMethod; }
  /// @copydoc CrossoverMethod
  void SetCrossoverMethod(TGPCrossoverMethod Value) noexcept { FCrossoverMethod = Value; }
  ///@}
  ///@{
  /// Maximum depth of initial trees; 0 derives it from the number of functions. Clamped to
  /// 0 .. kMaxInitializationDepth.
  std::int32_t InitializationDepth() const noexcept { return FInitializationDepth; }
  /// @copydoc InitializationDepth
  void SetInitializationDepth(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// How initial trees are grown (full, grow, or half and half).
  TGPInitializationMethod InitializationMethod() const noexcept { return FInitializationMethod; }
  /// @copydoc InitializationMethod
  void SetInitializationMethod(TGPInitializationMethod Value) noexcept {
    FInitializationMethod = Value;
  }
  ///@}
  ///@{
  /// Whether point mutation tests every node or the whole tree against PointMutationProbability.
  TGPPointMutationMethod PointMutationMethod() const noexcept { return FPointMutationMethod; }
  /// @copydoc PointMutationMethod
  void SetPointMutationMethod(TGPPointMutationMethod Value) noexcept {
    FPointMutationMethod = Value;
  }
  ///@}
  ///@{
  /// The chance with which point mutation changes a node (or the tree).
  TGAProbability PointMutationProbability() const noexcept { return FPointMutationProbability; }
  /// @copydoc PointMutationProbability
  void SetPointMutationProbability(TGAProbability Value) noexcept;
  ///@}
  ///@{
  /// The weight of program size or depth in the parsimony-penalized fitness.
  TGAFloat ParsimonyCoefficient() const noexcept { return FParsimonyCoefficient; }
  /// Any finite value.
  void SetParsimonyCoefficient(TGAFloat Value) noexcept;
  ///@}
  ///@{
  /// The bias towards nonterminals when crossover and mutation pick a node.
  TGAProbability SelectionNonTerminalsProbability() const noexcept {
    return FSelectionNonTerminalsProbability;
  }
  /// @copydoc SelectionNonTerminalsProbability
  void SetSelectionNonTerminalsProbability(TGAProbability Value) noexcept;
  ///@}
  ///@{
  /// The chance that a program larger (or deeper) than the average is made unfit.
  TGAFloat TarpeianProbability() const noexcept { return FTarpeianProbability; }
  /// @copydoc TarpeianProbability
  void SetTarpeianProbability(TGAFloat Value) noexcept;
  ///@}

  ///@{
  /// The six mutation weights (0 to 255) and their sum.
  const TGPMutationMethodWeights& MutationWeights() const noexcept { return FMutationWeights; }
  /// @copydoc MutationWeights
  void SetMutationWeights(const TGPMutationMethodWeights& Value) noexcept;
  ///@}
  /// The sum of the mutation weights, kept with them.
  std::int32_t MutationWeightSum() const noexcept { return FMutationWeightSum; }
  ///@{
  /// The weight of one mutation method, and its setter.
  std::int32_t GetMutateWeights(TGPMutationMethod Method) const noexcept {
    return FMutationWeights[Method];
  }
  /// A negative value stores 0; values above 255 keep their low eight bits.
  void SetMutateWeights(TGPMutationMethod Method, std::int32_t Value) noexcept;
  ///@}
  /// The sum of Weights.
  static constexpr std::int32_t SumOfWeights(const TGPMutationMethodWeights& Weights) noexcept {
    std::int32_t sum = 0;
    for (std::uint8_t weight : Weights) sum += weight;
    return sum;
  }

  ///@{
  /// Asked to change the value of a constant node under constant mutation.
  const TNodeNotifyEvent<T>& OnConstantMutation() const noexcept { return FOnConstantMutation; }
  /// @copydoc OnConstantMutation
  void SetOnConstantMutation(TNodeNotifyEvent<T> Value) { FOnConstantMutation = std::move(Value); }
  ///@}

  // --- Program statistics ------------------------------------------------------------------

  ///@{
  /// Minimum, average and maximum root Size and Depth over the population, computed at most
  /// once per generation.
  void CalculateProgramStats();
  /// @copydoc CalculateProgramStats
  std::int32_t MinProgramSize();
  /// @copydoc CalculateProgramStats
  float AvgProgramSize();
  /// @copydoc CalculateProgramStats
  std::int32_t MaxProgramSize();
  /// @copydoc CalculateProgramStats
  std::int32_t MinProgramDepth();
  /// @copydoc CalculateProgramStats
  float AvgProgramDepth();
  /// @copydoc CalculateProgramStats
  std::int32_t MaxProgramDepth();
  ///@}

  // --- Trees -----------------------------------------------------------------------------

  ///@{
  /// Node factories: a node for a uniformly chosen candidate instruction, detached, or
  /// inserted into Parent (required) at Index. Raise "No operations found", "No terminals
  /// found" or "No nodes found" without candidates.
  virtual TNodePtr GetOperationNode();
  /// @copydoc GetOperationNode
  virtual TNodePtr GetTerminalNode();
  /// @copydoc GetOperationNode
  virtual TNodePtr GetNode();
  /// A node for an instruction similar to Node's (same kind and arity, possibly the same).
  virtual TNodePtr GetNode(const TNode* Node);
  /// A node for a uniformly chosen function, inserted into Parent at Index.
  TNode* GetOperationNode(TNode* Parent, int Index);
  /// @copydoc GetOperationNode
  TNode* GetTerminalNode(TNode* Parent, int Index);
  /// @copydoc GetOperationNode
  TNode* GetNode(TNode* Parent, int Index);
  /// @copydoc GetOperationNode
  TNode* GetNode(TNode* Parent, const TNode* Node, int Index);
  ///@}
  /// A uniformly chosen instruction with the same kind and arity as Instruction; "No nodes
  /// found" with an empty set or no instruction.
  TInstruction* GetSimilarInstruction(const TInstruction* Instruction) const;

  ///@{
  /// Random subtrees: Full has every branch exactly Depth levels deep, Grow at most Depth
  /// (a depth below 2 gives one terminal). Detached, or inserted into Parent at Index. Built
  /// without recursion; more than kMaxGrownTreeSize nodes raise EGPException.
  TNodePtr DoInitializeFull(std::int32_t Depth);
  /// @copydoc DoInitializeFull
  TNodePtr DoInitializeGrow(std::int32_t Depth);
  /// A full random subtree, inserted into Parent at Index.
  TNode* DoInitializeFull(TNode* Parent, int Index, std::int32_t Depth);
  /// @copydoc DoInitializeFull
  TNode* DoInitializeGrow(TNode* Parent, int Index, std::int32_t Depth);
  ///@}

  /// The number of distinct trees of Depth levels of functions (a depth of 0 counts the
  /// functions).
  virtual double SearchSpaceSize(std::int32_t Depth) const;

  // --- Variation ---------------------------------------------------------------------------

  /// Size- or depth-fair crossover of Parent1's copy in Child with a subtree of Parent2;
  /// true when Child changed.
  bool DoFairCrossover(TIndividual* Parent1, TIndividual* Parent2, TIndividual* Child);
  /// Fills Roulette with the cumulative fair weights of the donor nodes for a removed
  /// subtree of measure Size (node Depth under depth-fair crossover, else Size).
  void CreateSizeFairRoulette(TGAFitnessArray& Roulette, const std::vector<TNode*>& DonorNodes,
                              std::int32_t Size, std::int32_t SmallerCount, std::int32_t EqualCount,
                              std::int32_t LargerCount, double SmallerMean,
                              double LargerMean) const;
  /// A node of Individual's flattened tree drawn from Roulette by binary search.
  TNode* SelectSizeFairNode(TIndividual* Individual, const TGAFitnessArray& Roulette) const;

  using TKXCustomGeneticComponent::Mutate;
  /// Applies one mutation method to Individual; the core's Mutate (which draws the method)
  /// stays callable beside it.
  void Mutate(TIndividual* Individual, TGPMutationMethod Method);
  ///@{
  /// The mutation methods; each changes Individual in place.
  virtual void DoSubtreeMutation(TIndividual* Individual);
  /// @copydoc DoSubtreeMutation
  virtual void DoReplacementMutation(TIndividual* Individual);
  /// @copydoc DoSubtreeMutation
  virtual void DoConstantMutation(TIndividual* Individual);
  /// @copydoc DoSubtreeMutation
  virtual void DoShrinkMutation(TIndividual* Individual);
  /// @copydoc DoSubtreeMutation
  virtual void DoHoistMutation(TIndividual* Individual);
  ///@}
  ///@{
  /// Point mutation from the root; true when a node changed.
  virtual bool DoPointMutation(TIndividual* Individual);
  /// Point mutation from Node down; true when a node changed.
  virtual bool DoPointMutation(TIndividual* Individual, TNode* Node);
  ///@}

  /// Bloat control after reproduction, for one child whose first parent is Parent.
  void DoAntiBloating(TIndividual* Parent, TIndividual* OtherParent, TIndividual* Child,
                      bool Reproduced);

  // --- Fitness and selection ------------------------------------------------------------

  /// Program statistics first (so evaluations only read them), then the core's pass.
  void EvaluateFitness() override;
  ///@{
  /// Raw fitness passes the Tarpeian and unfit rules first.
  TGAFitness EvaluateFitness(TKXIndividual* Item, bool Weighted) override;
  using TKXCustomGeneticComponent::EvaluateFitness;
  ///@}
  /// The nodes of Item's program.
  void PrefetchIndividual(const TKXIndividual* Item) const noexcept override;
  /// Tournament with the lexicographic tie-break on program size under that strategy.
  void SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                        TKXIndividual*& Parent) override;

  ///@{
  /// Overrides of the core's steps, public so that they can be driven step by step.
  bool DoCrossover(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                   TKXIndividual* Child2) override;
  /// @copydoc DoCrossover
  bool DoMutate(TKXIndividual* Item) override;
  /// @copydoc DoCrossover
  bool DoInvert(TKXIndividual* Item) override;
  /// @copydoc DoCrossover
  bool DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1) override;
  /// @copydoc DoCrossover
  bool DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                   TKXIndividual* Child2) override;
  /// True for a subtree crossover between distinct plain program individuals by one of the
  /// library's own component classes: DoCrossover then gives Child2 Parent2's program.
  bool CrossoverReplacesSecondGenome(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                     TKXIndividual* Child1, TKXIndividual* Child2) override;
  /// Random trees for every individual; returns the number of trees built again because
  /// they duplicated an earlier one.
  std::int32_t DoInitialize() override;
  /// @copydoc DoCrossover
  TGAFitness DoEvaluateWeightedFitness(TKXIndividual* Item) override;
  /// @copydoc DoCrossover
  void DoCalculateWeightedFitnessStatistics() override;
  /// @copydoc DoCrossover
  void DoStartEvolve() override;
  ///@}

 protected:
  /// A population of program individuals, whatever ItemClass says.
  std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass ItemClass) override;
  /// ParallelEvolve evaluates on several threads, where the Tarpeian rules read the program
  /// statistics: fill the cache on the calling thread first, as EvaluateFitness does.
  void DoBeforeParallelEvaluation() override { EnsureProgramStats(); }
  /// Breeding iterations read the size and depth of parents' subtrees, which trees cache on
  /// first read: fill those caches on the calling thread, so iterations only read them.
  void DoBeforeParallelBreeding() override;
  /// The average program size and depth of the population.
  void DescribeGeneration(TKXGenerationReport& Report) override {
    Report.HasPrograms = true;
    Report.AvgProgramSize = AvgProgramSize();
    Report.AvgProgramDepth = AvgProgramDepth();
  }
  /// The program statistics describe the population as it was before the restore.
  void DoRunStateRestored() override { InvalidateProgramStats(); }
  /// Replaces the (still empty) instruction set by one of the class the most derived
  /// CreateInstructions makes; descendants call it from their constructor.
  void RecreateInstructions();

 private:
  TNodePtr NewNode(const std::vector<TInstruction*>& Candidates, const TKXMessage& Missing);
  /// Raises when a terminal node's instruction asks for arguments.
  static void CheckTerminal(const TNode* Node);
  /// Checks Node (already in place) and grows its arguments below it, Depth levels deep in
  /// all (Full) or at most, in the order a recursive growth would; returns Node.
  TNode* GrowTree(TNode* Node, std::int32_t Depth, bool Full);
  /// InitialTree for DoInitialize: when trees at a minimum depth the duplicate check raised
  /// outgrow kMaxGrownTreeSize, lowers MinDepth again and caps it at MinDepthCap.
  TNodePtr InitialTreeWithin(std::int32_t Index, std::int32_t Count, std::int32_t MaxDepth,
                             std::int32_t& MinDepth, std::int32_t& MinDepthCap);
  TNodePtr NewTreeNode(std::int32_t Depth, bool Full);
  /// The tree an initialization method gives individual Index of Count at minimum depth
  /// MinDepth and maximum depth MaxDepth.
  TNodePtr InitialTree(std::int32_t Index, std::int32_t Count, std::int32_t MaxDepth,
                       std::int32_t MinDepth);
  /// The depth a subtree or replacement mutation regrows for a chosen node.
  std::int32_t RegrowDepth(const TNode* Node) const;
  void ClearPopulations();
  /// Points the trees of Target (may be nullptr) at this component's own instructions.
  void RebindPopulation(TPopulation* Target);
  /// True for an instruction of another set created through CreateInstructions: such sets
  /// also report to this component, but their instructions never enter its lists.
  bool IsForeign(const TKXGPInstruction<T>* Item) const noexcept;
  void InvalidateProgramStats() noexcept { FMaxProgramSize = 0; }
  void EnsureProgramStats() {
    if (FMaxProgramSize == 0) CalculateProgramStats();
  }
  static TIndividual* AsIndividual(TKXIndividual* Item);

  /// LoadFromStream and LoadFromFile once the document is parsed.
  void LoadCheckedDocument(TKXXMLDocument& Doc);

  std::unique_ptr<TKXGPInstructions<T>> FInstructions;
  TGPCrossoverMethod FCrossoverMethod = cmSubtree;
  TGAProbability FSelectionNonTerminalsProbability = NONTERMINALS_SELECTION_PROBABILITY;
  std::int32_t FInitializationDepth = 0;
  TGPInitializationMethod FInitializationMethod = imFull;
  std::vector<TInstruction*> FFunctions;
  std::vector<TInstruction*> FTerminals;
  TGPMutationMethodWeights FMutationWeights = DefaultMutationWeights;
  std::int32_t FMutationWeightSum = SumOfWeights(DefaultMutationWeights);
  TGPBloatStrategy FBloatStrategy = bsNone;
  std::int32_t FBloatLimit = 10;
  TGPPointMutationMethod FPointMutationMethod = pmmPerNode;
  TGAProbability FPointMutationProbability = INVERSION_PROBABILITY;
  TNodeNotifyEvent<T> FOnConstantMutation;
  TGAFloat FParsimonyCoefficient = DEFAULT_PARSIMONY_COEFFICIENT;
  std::int32_t FMinProgramSize = 0;
  float FAvgProgramSize = 0;
  std::int32_t FMaxProgramSize = 0;
  std::int32_t FMinProgramDepth = 0;
  float FAvgProgramDepth = 0;
  std::int32_t FMaxProgramDepth = 0;
  TGAFloat FTarpeianProbability = DEFAULT_TARPEIAN_PROBABILITY;
};

}  // namespace generics

}  // namespace kx
