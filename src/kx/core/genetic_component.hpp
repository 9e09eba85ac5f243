#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "kx/core/consts.hpp"
#include "kx/core/genetic_events.hpp"
#include "kx/core/individual.hpp"
#include "kx/core/population.hpp"
#include "kx/core/run_observer.hpp"
#include "kx/core/stop_rules.hpp"
#include "kx/host/collection.hpp"
#include "kx/host/component.hpp"

namespace kx {

class TFloatPriorityQueue;
class TKXFiler;
class TKXRunState;
class TKXStringList;
class TXMLGeneticDocumentType;
class TXMLNode;
class TXMLReproductionType;

/// The abstract evolutionary component. It owns the current population and the previous
/// generation, holds the settings shared by every representation and runs the generational
/// loop: initialize, then per generation swap the two populations, breed a whole new
/// population from parents selected in the previous one, evaluate it and test the
/// termination conditions. Representations override the Do* steps (DoInitialize,
/// DoCrossover, DoMutate, DoInvert) and CreatePopulation; the application supplies the
/// fitness through OnEvaluateFitness and calls Evolve.
///
/// Choices where the behaviour is otherwise open:
/// - Populations are created on first use through the virtual CreatePopulation rather than
///   in the constructor: a C++ base constructor cannot reach a subclass's override, and the
///   subclass's population must see the subclass fully built (its PopulationNotify sizes
///   new individuals). Population() therefore always returns the subclass's population.
///   The previous generation is created on first need too (Initialize, Assign, its setter,
///   or the first generation of a population that was set up without Initialize).
/// - IsFinished with UseFitnessCutoff and no fittest individual (empty population, or the
///   fittest was removed) does not finish on the cutoff; the other tests still run.
/// - Assign copies the statistics but not the fittest individual, which can only refer to
///   the source's population: the copy's FittestIndividual is nullptr until its next
///   evaluation.
/// - The Fitness variable handed to OnEvaluateFitness and OnEvaluateWeightedFitness starts
///   at 0, so a handler that stores nothing yields 0.
/// - Roulette selection keeps its result inside the population: when rounding leaves the
///   draw at or above the last table entry, the last individual is chosen.
/// - Elitist selection ranks by the priority queue, whose ties keep insertion (index)
///   order; the rank cycle never goes past the last ranked individual.
/// - The parallel loop (ParallelEvolve) gives every breeding iteration (child pair) and every
///   evaluation (individual) its own generator stream, seeded from one draw of the calling
///   thread's generator and the iteration's number, so a seeded run gives the same
///   populations, fitnesses and statistics whatever the number of threads. The parent of
///   draw k of a generation (k = 2 x pair number + draw within the pair) takes the elitist
///   rank k mod (K + 1), the rank the sequential loop gives it; a custom handler that draws
///   more than two elitist parents per pair shifts the ranks of the following pairs. The
///   ranking elitist parents come from is always that of the previous generation: where the
///   sequential loop would build a missing ranking from the population being bred (and
///   never renew it under smCustom), the parallel loop ranks the parents before breeding,
///   every generation under smCustom.
class TKXCustomGeneticComponent : public TKXComponent {
 public:
  /// A component owned by AOwner (not owning it), with the default settings and no population yet.
  explicit TKXCustomGeneticComponent(TKXComponent* AOwner = nullptr);
  ~TKXCustomGeneticComponent() override;

  std::string ClassName() const override { return "TKXCustomGeneticComponent"; }

  /// Copies the settings, the statistics and both populations' contents from another
  /// genetic component; each component keeps its own population objects. Operations,
  /// InitialPopulation and the events are not copied; the selection routine installed is
  /// this component's own (a custom handler is not copied).
  void Assign(TKXPersistent* Source) override;

  /// Declares the published properties (the population always, as a collection of its
  /// individuals' names) and the six extra float entries ("FitnessCutoff",
  /// "DiversityLimit", "ElitistPct", "CrossoverProbability", "InversionProbability",
  /// "MutationProbability"), each written only when it differs from its default constant.
  void DefineProperties(TKXFiler& Filer) override;

  // --- Documents and report ---------------------------------------------------------------
  // The header every genetic document shares; representations extend the document with
  // their reproduction settings and populations and override the stream forms.

  /// Writes the header fields (settings and the last statistics) into Doc.
  virtual void SaveToXML(const TXMLGeneticDocumentType& Doc);
  /// Reads the header settings through their setters; unknown enumeration names leave the
  /// setting unchanged, the statistics are not read. A value that does not convert raises
  /// EConvertError after the fields before it were applied.
  virtual void LoadFromXML(const TXMLGeneticDocumentType& Doc);
  /// The component's document, written to Stream (here: an indented GeneticDocument).
  virtual void SaveToStream(std::ostream& Stream);
  /// SaveToStream into a temporary file that replaces FileName only once it is complete, so
  /// a failed save leaves an existing file intact (EXMLError naming the file).
  virtual void SaveToFile(const std::string& FileName);
  /// Parse the component's document, check all of it, then load it. Any error (malformed
  /// text, a missing file, a root of another tag, a value that does not convert, a part that
  /// cannot be loaded) is raised naming the element's path and the value, and leaves the
  ///@{
  /// component as it was: its saved document does not change (an application handler that
  /// raises while the document is applied makes the component load its previous document
  /// back, which it saves beforehand, evaluating stale fitnesses as any save does). Unlike
  /// the element loaders, these also restore the header's statistics and the fittest
  /// individual, so that the component saves the document it loaded.
  virtual void LoadFromStream(std::istream& Stream);
  virtual void LoadFromFile(const std::string& FileName);
  ///@}
  /// Appends the report of operating, initial and termination conditions, indenting the
  /// lines under each section with TabStr.
  virtual void Describe(TKXStringList& Strings, const std::string& TabStr) const;
  /// The report with an indent of three blanks, every line followed by a line break.
  std::string ToString() const;

  // --- The evolution loop -----------------------------------------------------------------

  /// Fills the population to InitialPopulation individuals, lets OnInitialization or
  /// DoInitialize set them up, evaluates them, copies them into the previous generation and
  /// resets Generation to 0.
  virtual void Initialize();
  /// One generation (DoEvolve), then OnEvolve, which fires even when nothing was bred.
  virtual void Evolve();
  /// Up to Generations calls of Evolve, stopping early when IsFinished or Halt holds (or one
  /// of the StopRules, or Cancel); resets Halt first. Returns the number of generations
  /// evolved; StopReason says why it returned.
  std::int32_t Evolve(std::int32_t Generations);
  /// The termination test: fitness cutoff, then diversity limit, then generation limit.
  virtual bool IsFinished();
  /// Exchanges the current population and the previous generation (no copying).
  void SwapGenerations() noexcept;

  // --- The parallel evolution loop ----------------------------------------------------------

  /// One generation whose child pairs are bred and whose new individuals are evaluated on the
  /// thread pool (DoParallelEvolve), then OnEvolve, which fires even when nothing was bred.
  /// Breeding runs selection, the operators and their events concurrently for different
  /// children; evaluation runs OnEvaluateFitness concurrently for different individuals (and
  /// a weighted method's OnEvaluateWeightedFitness when tournaments compare parents). The
  /// handlers must therefore be safe to run on several threads; their random draws come from
  /// the iteration's own generator (RandomInt, RandomFloat).
  virtual void ParallelEvolve();
  /// Evolve(Generations) with ParallelEvolve for each generation.
  std::int32_t ParallelEvolve(std::int32_t Generations);

  ///@{
  /// DoReproduce, then OnReproduction for the child (for each child in the two-child form),
  /// which may change the result.
  virtual bool Reproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1);
  virtual bool Reproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                         TKXIndividual* Child2);
  ///@}
  ///@{
  /// The operators with their probability test and veto event: each draws one uniform number,
  /// fires its event only when the test passed, and then runs its Do* step unless vetoed.
  virtual bool Crossover(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1);
  virtual bool Crossover(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                         TKXIndividual* Child2);
  ///@}
  /// Mutation of one individual: probability test, OnMutation veto, then DoMutate.
  virtual bool Mutate(TKXIndividual* Item);
  /// Inversion of one individual: probability test, OnInversion veto, then DoInvert.
  virtual bool Invert(TKXIndividual* Item);

  // --- Long runs: stopping rules, run state, observer, checkpoints -------------------------
  // All optional and off by default: without them a run, its termination test and its
  // documents are exactly as above.

  ///@{
  /// The stopping rules beyond IsFinished (stall, wall-clock limit, evaluation budget).
  TKXStopRules& StopRules() noexcept { return FStopRules; }
  const TKXStopRules& StopRules() const noexcept { return FStopRules; }
  ///@}
  /// Why the last Evolve(Generations) or ParallelEvolve(Generations) returned.
  TKXStopReason StopReason() const noexcept;
  /// Asks the running multi-generation call to stop after its current generation (or the
  /// next call, before it breeds anything). Safe from any thread and from a signal handler.
  void Cancel() noexcept;
  /// The counters a run carries between generations (evaluations, best fitness so far,
  /// elapsed time).
  const TKXRunState& RunState() const noexcept { return *FRunState; }
  /// The current generation at a glance (what OnGeneration receives).
  TKXGenerationReport GenerationReport();
  ///@{
  /// The per-generation observer: fires after Initialize (generation 0) and after every
  /// generation, sequential or parallel, before OnEvolve.
  const TKXGenerationEvent& OnGeneration() const noexcept { return FOnGeneration; }
  void SetOnGeneration(TKXGenerationEvent Value) { FOnGeneration = std::move(Value); }
  ///@}
  ///@{
  /// When true, the component's documents also carry its run state (a "RunState" element
  /// after everything else), so that loading one into a fresh component continues the run
  /// exactly as if it had never stopped. False by default: documents stay as they were.
  bool IncludeRunState() const noexcept { return FIncludeRunState; }
  void SetIncludeRunState(bool Value) noexcept { FIncludeRunState = Value; }
  ///@}
  /// SaveToFile with the run state whatever IncludeRunState says: the file is replaced
  /// atomically, so an interrupted checkpoint leaves the previous one intact.
  void SaveCheckpoint(const std::string& FileName);

  // --- Fitness and statistics -------------------------------------------------------------

  /// Evaluates the current population: statistics, then the selection preparation. An empty
  /// population zeroes the sums, minima and maxima and keeps the rest.
  virtual void EvaluateFitness();
  /// EvaluateFitness with the stale raw fitnesses computed on the thread pool; the
  /// statistics passes and the selection preparation still run on the calling thread.
  virtual void ParallelEvaluateFitness();
  /// The generator stream number of the evaluation of the individual at Index, in the
  /// parallel loop and in batches (breeding iterations use the streams below it).
  static constexpr std::uint64_t EvaluationStream(std::int32_t Index) noexcept {
    return (std::uint64_t{1} << 32) + static_cast<std::uint64_t>(Index);
  }
  /// One fitness, not cached: the weighted fitness (DoEvaluateWeightedFitness) or the raw one
  /// from OnEvaluateFitness (0 without a handler).
  virtual TGAFitness EvaluateFitness(TKXIndividual* Item, bool Weighted);
  /// Rebuilds the cumulative normalized fitness table of roulette selection.
  void CalculateCumulativeNormalizedFitnesses();
  /// -1 when Parent1 is fitter, +1 when Parent2 is, 0 when equal. Compares the weighted
  /// fitness under a weighted method unless UsePureFitness.
  std::int32_t CompareFitness(TKXIndividual* Parent1, TKXIndividual* Parent2, bool UsePureFitness);
  /// The fitter of the two; ties go to Parent1.
  virtual TKXIndividual* Fittest(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                 bool UsePureFitness);
  /// The fitness that marks an individual as worst without being infinite: the smallest
  /// positive normal float when maximizing, the largest finite float when minimizing.
  virtual TGAFitness UnfitFitness() const noexcept;

  /// Fitness over the last FitnessSum (0 when the sum is 0): the share roulette selection uses.
  TGAFitness GetNormalizedFitness(TGAFitness Fitness) const noexcept;
  /// Weighted fitness over the last WeightedFitnessSum (0 when the sum is 0).
  TGAFitness GetNormalizedWeightedFitness(TGAFitness Fitness) const noexcept;
  /// Turns a fitness into a larger-is-better value for normalization: 1 / (Fitness + 1) when
  /// minimizing, 1 / (MaxFitness - Fitness + 1) when maximizing.
  TGAFitness GetAdjustedFitness(TGAFitness Fitness) const noexcept;

  ///@{
  /// Statistics of the population as it was at the last EvaluateFitness.
  TKXIndividual* FittestIndividual() const noexcept { return FFittestIndividual; }
  TGAFitness MaxFitness() const noexcept { return FMaxFitness; }
  TGAFitness MinFitness() const noexcept { return FMinFitness; }
  TGAFitness FitnessSum() const noexcept { return FFitnessSum; }
  TGAFitness MaxWeightedFitness() const noexcept { return FMaxWeightedFitness; }
  TGAFitness MinWeightedFitness() const noexcept { return FMinWeightedFitness; }
  TGAFitness WeightedFitnessSum() const noexcept { return FWeightedFitnessSum; }
  TGAFitness AvgFitness() const { return GetAvgFitness(); }
  TGAFitness AvgWeightedFitness() const { return GetWeightedAvgFitness(); }
  ///@}
  /// AvgFitness / MaxFitness; +infinity when MaxFitness is 0.
  TGAFitness Diversity() const { return GetDiversity(); }
  /// The mean raw fitness of the last evaluation (0 for an empty population).
  TGAFitness GetAvgFitness() const;
  /// The mean weighted fitness of the last evaluation (0 for an empty population).
  TGAFitness GetWeightedAvgFitness() const;
  /// The computation behind Diversity.
  TGAFitness GetDiversity() const;
  /// The roulette table: one non-decreasing entry per individual, ending near 1.
  const TGAFitnessArray& CumNormFitnesses() const noexcept { return FCumNormFitnesses; }

  // --- Parent selection -------------------------------------------------------------------

  /// The installed routine or handler (OnSelection), or DoSelectParent when none is.
  virtual TKXIndividual* SelectParent(TKXPopulation* Population);
  ///@{
  /// The built-in routines; each stores its choice in Parent. Sender is not used.
  void SelectRandom(TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent);
  virtual void SelectRoulette(TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent);
  virtual void SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                                TKXIndividual*& Parent);
  virtual void SelectStochasticTournament(TKXObject* Sender, TKXPopulation* Population,
                                          TKXIndividual*& Parent);
  virtual void SelectElitist(TKXObject* Sender, TKXPopulation* Population, TKXIndividual*& Parent);
  ///@}
  /// The roulette search over a cumulative table: the smallest index i with R < Table[i],
  /// kept below Table's length (the last index when R is not below any entry); 0 for an
  /// empty table.
  static std::int32_t RouletteSearch(const TGAFitnessArray& Table, double R) noexcept;
  /// Last index picked by roulette; the elitist rank counter.
  std::int32_t RouletteIndex() const noexcept { return FRouletteIndex; }
  /// True while SelectionMethod is smCustom: OnSelection is then part of the settings.
  bool IsCustomSelection() const noexcept { return FSelectionMethod == smCustom; }

  // --- Populations ------------------------------------------------------------------------

  /// The current generation, created with the component's item class on first use.
  TKXPopulation* Population() const;
  /// Copies Value's individuals into the component's own population.
  void SetPopulation(TKXPopulation* Value);
  /// nullptr until first needed (Initialize, Assign or the setter create it).
  TKXPopulation* PreviousGeneration() const noexcept { return FPreviousGeneration.get(); }
  /// Copies Value's individuals into the previous generation, creating it with the current
  /// population's item class on first use.
  void SetPreviousGeneration(TKXPopulation* Value);

  // --- Settings ---------------------------------------------------------------------------

  /// True once Initialize has run.
  bool Initialized() const noexcept { return FInitialized; }
  ///@{
  /// Set by an event handler to stop Evolve(Generations) after the current generation.
  bool Halt() const noexcept { return FHalt; }
  void SetHalt(bool Value) noexcept { FHalt = Value; }
  ///@}

  ///@{
  /// Probabilities and fractions clamp to [0, 1]; every setter does nothing when the value
  /// is unchanged. The float settings refuse NaN and infinities with EGAException (and keep
  /// their value); the counts clamp to their documented bounds.
  TGAProbability CrossoverProbability() const noexcept { return FCrossoverProbability; }
  void SetCrossoverProbability(TGAProbability Value);
  ///@}
  ///@{
  /// The fitness level under which a population counts as uniform, when UseDiversityLimit.
  TGAProbability DiversityLimit() const noexcept { return FDiversityLimit; }
  void SetDiversityLimit(TGAProbability Value);
  ///@}
  ///@{
  /// The fraction of the population that elitist selection ranks as parents.
  TGAProbability ElitistPct() const noexcept { return FElitistPct; }
  void SetElitistPct(TGAProbability Value);
  ///@}
  ///@{
  /// The chance that a child is inverted.
  TGAProbability InversionProbability() const noexcept { return FInversionProbability; }
  void SetInversionProbability(TGAProbability Value);
  ///@}
  ///@{
  /// The chance that a child is mutated.
  TGAProbability MutationProbability() const noexcept { return FMutationProbability; }
  void SetMutationProbability(TGAProbability Value);
  ///@}
  ///@{
  /// The fitness that ends the run once the fittest individual reaches it, when UseFitnessCutoff.
  TGAFitness FitnessCutoff() const noexcept { return FFitnessCutoff; }
  void SetFitnessCutoff(TGAFitness Value);
  ///@}
  ///@{
  /// Whether larger or smaller fitness is better, and whether weighted fitness drives selection.
  TGAFitnessMethod FitnessMethod() const noexcept { return FFitnessMethod; }
  void SetFitnessMethod(TGAFitnessMethod Value) noexcept;
  ///@}
  ///@{
  /// The number of generations evolved since Initialize.
  std::int32_t Generation() const noexcept { return FGeneration; }
  void SetGeneration(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// At least 1 once set (a new component starts at 0).
  std::int32_t GenerationLimit() const noexcept { return FGenerationLimit; }
  void SetGenerationLimit(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// 0 .. MAX_INITIAL_DUPLICATES_RETRIES.
  std::int32_t InitialDuplicatesRetries() const noexcept { return FInitialDuplicatesRetries; }
  void SetInitialDuplicatesRetries(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// 0 .. MAX_INITIAL_POPULATION.
  std::int32_t InitialPopulation() const noexcept { return FInitialPopulation; }
  void SetInitialPopulation(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// Which operators reproduction applies (crossover, mutation, inversion).
  TGAGeneticOperations Operations() const noexcept { return FOperations; }
  void SetOperations(TGAGeneticOperations Value) noexcept;
  ///@}
  ///@{
  /// Installs the selection routine of the method (smCustom clears OnSelection).
  TGASelectionMethod SelectionMethod() const noexcept { return FSelectionMethod; }
  void SetSelectionMethod(TGASelectionMethod Value);
  ///@}
  ///@{
  /// 2 .. MAX_TOURNAMENT_FIELD.
  std::int32_t TournamentField() const noexcept { return FTournamentField; }
  void SetTournamentField(std::int32_t Value) noexcept;
  ///@}
  ///@{
  /// Turns the diversity test of IsFinished on.
  bool UseDiversityLimit() const noexcept { return FUseDiversityLimit; }
  void SetUseDiversityLimit(bool Value) noexcept { FUseDiversityLimit = Value; }
  ///@}
  ///@{
  /// Turns the fitness cutoff test of IsFinished on.
  bool UseFitnessCutoff() const noexcept { return FUseFitnessCutoff; }
  void SetUseFitnessCutoff(bool Value) noexcept { FUseFitnessCutoff = Value; }
  ///@}
  ///@{
  /// Turns the generation limit test of IsFinished on.
  bool UseGenerationLimit() const noexcept { return FUseGenerationLimit; }
  void SetUseGenerationLimit(bool Value) noexcept { FUseGenerationLimit = Value; }
  ///@}

  ///@{
  /// Stored tests of the float settings: true when the value differs from its default.
  bool IsCrossoverProbabilityStored() const noexcept;
  bool IsDiversityLimitStored() const noexcept;
  bool IsElitistPctStored() const noexcept;
  bool IsFitnessCutoffStored() const noexcept;
  bool IsInversionProbabilityStored() const noexcept;
  bool IsMutationProbabilityStored() const noexcept;
  ///@}

  // --- Events -----------------------------------------------------------------------------

  ///@{
  /// Computes an individual's raw fitness; without it every fitness is 0.
  const TKXFitnessEvent& OnEvaluateFitness() const noexcept { return FOnEvaluateFitness; }
  void SetOnEvaluateFitness(TKXFitnessEvent Value) { FOnEvaluateFitness = std::move(Value); }
  ///@}
  ///@{
  /// Hands the stale individuals of every population evaluation (at initialization and in
  /// each generation, sequential or parallel) to a handler that evaluates them all at once,
  /// elsewhere, before the statistics pass reads them; the pass then takes the handler's
  /// fitnesses where it would have called OnEvaluateFitness (which must still be assigned).
  /// Everything else (the GP unfit rules, counting, statistics) runs here as usual, so the
  /// run is the same as without the handler whenever OnEvaluateFitness draws no random
  /// numbers. The streams it must draw from are the parallel loop's per-index ones; the
  /// sequential loop seeds them from the generation number without drawing from the library
  /// generator.
  const TKXFitnessBatchEvent& OnEvaluateBatch() const noexcept { return FOnEvaluateBatch; }
  void SetOnEvaluateBatch(TKXFitnessBatchEvent Value) { FOnEvaluateBatch = std::move(Value); }
  ///@}
  ///@{
  /// Computes the weighted fitness a weighted fitness method selects by.
  const TKXFitnessEvent& OnEvaluateWeightedFitness() const noexcept {
    return FOnEvaluateWeightedFitness;
  }
  void SetOnEvaluateWeightedFitness(TKXFitnessEvent Value) {
    FOnEvaluateWeightedFitness = std::move(Value);
  }
  ///@}
  ///@{
  /// Fired after every generation.
  const TNotifyEvent& OnEvolve() const noexcept { return FOnEvolve; }
  void SetOnEvolve(TNotifyEvent Value) { FOnEvolve = std::move(Value); }
  ///@}
  ///@{
  /// Sets up the initial population instead of DoInitialize.
  const TKXInitializationEvent& OnInitialization() const noexcept { return FOnInitialization; }
  void SetOnInitialization(TKXInitializationEvent Value) { FOnInitialization = std::move(Value); }
  ///@}
  ///@{
  /// Fired after a child was copied from its first parent, before the operators run.
  const TKXParentChildEvent& OnInitializeChild() const noexcept { return FOnInitializeChild; }
  void SetOnInitializeChild(TKXParentChildEvent Value) { FOnInitializeChild = std::move(Value); }
  ///@}
  ///@{
  /// May veto a crossover that passed its probability test.
  const TKXCrossoverEvent& OnCrossover() const noexcept { return FOnCrossover; }
  void SetOnCrossover(TKXCrossoverEvent Value) { FOnCrossover = std::move(Value); }
  ///@}
  ///@{
  /// May veto a mutation that passed its probability test.
  const TKXMutationEvent& OnMutation() const noexcept { return FOnMutation; }
  void SetOnMutation(TKXMutationEvent Value) { FOnMutation = std::move(Value); }
  ///@}
  ///@{
  /// May veto an inversion that passed its probability test.
  const TKXMutationEvent& OnInversion() const noexcept { return FOnInversion; }
  void SetOnInversion(TKXMutationEvent Value) { FOnInversion = std::move(Value); }
  ///@}
  ///@{
  /// Fired for every child after reproduction, with whether it changed; may change that result.
  const TKXMutationEvent& OnReproduction() const noexcept { return FOnReproduction; }
  void SetOnReproduction(TKXMutationEvent Value) { FOnReproduction = std::move(Value); }
  ///@}
  ///@{
  /// The installed selection routine: a built-in one bound to this component, or the
  /// application's handler. Assigning a handler switches SelectionMethod to smCustom;
  /// assigning none sets SelectionMethod to smRoulette (nothing changes when it already
  /// is, which leaves no routine installed).
  const TKXSelectionEvent& OnSelection() const noexcept { return FOnSelection; }
  void SetOnSelection(TKXSelectionEvent Value);
  ///@}

 protected:
  friend class TKXPopulation;

  /// The population factory: a new population owned by this component building items of
  /// ItemClass. Overrides return their own population class (and may ignore ItemClass).
  virtual std::unique_ptr<TKXPopulation> CreatePopulation(TKXItemClass ItemClass);

  ///@{
  /// Told by the populations about their individuals. The base forgets the fittest
  /// individual when it is extracted or deleted.
  virtual void PopulationNotify(TKXIndividual* Item, TCollectionNotification Action);
  virtual void PopulationUpdate(TKXIndividual* Item);
  ///@}

  /// Recombines the parents into the children, which hold copies of Parent1; Child2 is
  /// nullptr when one child is wanted. Returns true when a child changed (and marks it
  /// modified). The base changes nothing.
  virtual bool DoCrossover(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                           TKXIndividual* Child2);
  /// One generation.
  virtual void DoEvolve();
  /// Breeds the child pair at Index and Index + 1, or the single child at the last slot of an
  /// odd-sized population.
  virtual void DoEvolveOneStep(std::int32_t Index);
  /// Increments Generation (which stays at the largest integer once there).
  virtual void DoFinishEvolve();
  /// Restarts the elitist rank counter and swaps the generations.
  virtual void DoStartEvolve();
  /// OnEvaluateWeightedFitness when assigned, else the cached raw fitness.
  virtual TGAFitness DoEvaluateWeightedFitness(TKXIndividual* Item);
  /// Asks the processor for the memory of Item's genome one step before it is used: the
  /// statistics pass calls it for the next individual to evaluate, breeding for the next
  /// pair's children (whose old genomes the copies reuse), so that it arrives while the
  /// current step runs. Nothing here; the GP component fetches the program's nodes.
  virtual void PrefetchIndividual(const TKXIndividual* /*Item*/) const noexcept {}
  ///@{
  /// The raw and the weighted statistics passes over a non-empty population.
  virtual void DoCalculateFitnessStatistics();
  virtual void DoCalculateWeightedFitnessStatistics();
  ///@}

  /// One parallel generation: the checks of DoEvolve, then the child pairs bred and the new
  /// population evaluated on the thread pool.
  virtual void DoParallelEvolve();
  /// Breeds child pair number Index (DoEvolveOneStep(2 x Index)) with the pair's own
  /// generator stream and elitist draw numbers.
  void DoParallelEvolveOneStep(std::int32_t Index);
  /// Evaluates every stale individual on the thread pool, then runs the raw statistics pass.
  virtual void DoParallelCalculateFitnessStatistics();
  ///@{
  /// Called on the calling thread before a parallel loop starts, once the structures shared
  /// by the iterations are built: before breeding (the previous generation holds the
  /// parents, all evaluated; the roulette table and the ranking exist and are sorted) and
  /// before evaluation (the population holds the new generation). Anything the iterations
  /// would otherwise fill in lazily must be filled in here: a lazily built cache read from
  /// several threads at once is a data race. The base does nothing.
  virtual void DoBeforeParallelBreeding();
  virtual void DoBeforeParallelEvaluation();
  ///@}
  /// Gives every individual random genetic material; the result is for subclasses (the base
  /// does nothing and returns 0).
  virtual std::int32_t DoInitialize();
  ///@{
  /// Change Item in place; true when it changed (and marked modified). The base: false.
  virtual bool DoInvert(TKXIndividual* Item);
  virtual bool DoMutate(TKXIndividual* Item);
  ///@}
  ///@{
  /// Child initialization from Parent1, then crossover, mutation and inversion as
  /// Operations allows; true when any operator changed a child.
  virtual bool DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1);
  virtual bool DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2, TKXIndividual* Child1,
                           TKXIndividual* Child2);
  ///@}
  /// Selection without an installed routine: raises "No custom selection function defined".
  virtual TKXIndividual* DoSelectParent(TKXPopulation* Population);
  /// The roulette table or the ranking, as the selection method needs.
  virtual void DoSelectionPreparation();
  /// Ranks the population (best first) in the priority queue.
  virtual void PrioritizePopulation();
  /// Child becomes a copy of Parent1 (with its cached fitness), then OnInitializeChild.
  virtual void InitializeChild(TKXIndividual* Parent1, TKXIndividual* Parent2,
                               TKXIndividual* Child);
  /// Asked by the two-child DoReproduce when crossover is enabled and neither
  /// OnInitializeChild nor OnCrossover is set: true when this representation's DoCrossover,
  /// given these individuals, overwrites Child2's genome with Parent2's, so that copying
  /// Parent1's genome into Child2 first would be wasted. Child2 then takes only the rest of
  /// Parent1 (InitializeChildExceptGenome) before DoCrossover runs, and the whole of Parent1
  /// (InitializeChild) when the crossover draw fails; the draws, their order and the
  /// children stay those of the full sequence. The default answers false.
  virtual bool CrossoverReplacesSecondGenome(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                             TKXIndividual* Child1, TKXIndividual* Child2);
  /// Child takes everything of Parent1 but its genome (the individual base's Assign).
  virtual void InitializeChildExceptGenome(TKXIndividual* Parent1, TKXIndividual* Child);

  ///@{
  /// The reproduction settings every representation's document shares (the three operator
  /// probabilities and the selection element); representations add their own around them.
  /// Loading goes through the setters; an unknown selection method name keeps the method.
  void SaveReproductionToXML(const TXMLReproductionType& Reproduction) const;
  void LoadReproductionFromXML(const TXMLReproductionType& Reproduction);
  ///@}
  /// For the whole-document loaders (LoadFromStream, LoadFromFile), after the document was
  /// applied: puts back the statistics its header recorded (which the element loaders do not
  /// read) and makes the individual at FittestIndex of the population the fittest (-1: none,
  /// as when the document holds no fittest individual; nullopt keeps it), so that the
  /// component saves again the document it was loaded from.
  void RestoreSavedStatistics(const TXMLGeneticDocumentType& Doc,
                              std::optional<std::int32_t> FittestIndex);
  /// Runs Load (which puts back a snapshot of the component after a failed load) with the
  /// initialization and fitness handlers detached: a handler that made the load fail would
  /// make its undo fail too. They are attached again afterwards, also after an error.
  void RestoreWithoutHandlers(const std::function<void()>& Load);
  /// Initialize without breeding individuals, for a document that brings its own: Generation,
  /// already read from the document's header, survives the reset. Nothing changes when the
  /// component is already initialized; a failed Initialize restores both settings.
  void InitializeForDocument();

  /// The run state inside a document's root: written after everything else when asked for,
  /// read when present (a document without it loads as before). Loading parses the whole
  /// element before applying it, then gives the loaded individuals their exact fitnesses,
  /// recomputes the statistics and the selection preparation, restores the roulette table,
  /// the elitist rank counter, Generation, the counters and, last, the generator's state.
  /// Representations call these at the end of their document's SaveToXML and LoadFromXML.
  void SaveRunStateToXML(const TXMLNode& Root);
  /// @copydoc SaveRunStateToXML
  void LoadRunStateFromXML(const TXMLNode& Root);
  /// Adds what a representation knows to the generation report (the base adds nothing).
  virtual void DescribeGeneration(TKXGenerationReport& Report);
  /// Tells a representation that its population was restored from a run state, so caches
  /// derived from the population are stale. The base has none.
  virtual void DoRunStateRestored();

  /// The checks before breeding a generation (initialization, termination, empty
  /// population, missing handlers); false when there is nothing to breed.
  bool PrepareGeneration();
  /// The frame of one generation, sequential or parallel: PrepareGeneration, DoStartEvolve,
  /// Breed (which breeds and evaluates the new population) inside an update bracket of the
  /// population, then DoFinishEvolve. An exception from Breed closes the bracket and
  /// propagates without finishing the generation.
  void RunGeneration(const std::function<void()>& Breed);
  /// Up to Generations calls of Step (one generation each), stopping early when IsFinished or
  /// Halt holds; resets Halt first. Returns the number of generations evolved.
  std::int32_t RunGenerations(std::int32_t Generations, const std::function<void()>& Step);
  /// The elitist rank of the next parent: cycles 0, 1, ..., K, 0, ... from the counter that
  /// DoStartEvolve restarts. The only place that derives the rank. Inside a parallel
  /// breeding iteration the rank comes from the iteration's draw number instead.
  std::int32_t NextElitistRank(std::int32_t K) noexcept;

 private:
  /// The installed routine of a built-in method, bound to this component's virtual member.
  TKXSelectionEvent SelectionRoutine(TGASelectionMethod Method);
  /// One uniform draw against Probability: 0 never passes, 1 always does.
  static bool Chance(TGAProbability Probability) noexcept;
  TKXPopulation& EnsurePreviousGeneration();
  /// The value the fitness comparisons use: raw, or weighted under a weighted method.
  TGAFitness ComparedFitness(TKXIndividual* Item, bool UsePureFitness);
  /// Hands the stale members of the population to OnEvaluateBatch, when assigned, and keeps
  /// their fitnesses for the pass that follows (until EndBatch).
  void BeginBatch(std::uint64_t Seed);
  void EndBatch() noexcept;
  /// The fitness of Item from the current batch; false when it has none.
  bool TakeBatchFitness(const TKXIndividual* Item, TGAFitness& Fitness) const;
  /// Zeroes the six sums, minima and maxima (the statistics of an empty population).
  void ClearStatistics() noexcept;
  /// True when the last evaluation found every compared fitness equal (exactly): roulette and
  /// elitist selection then degenerate to uniform random selection.
  bool AllFitnessesEqual() const noexcept;
  /// Stores the index a roulette or elitist draw picked: in the shared counter, or in the
  /// running parallel breeding iteration's own copy.
  void SetRouletteIndex(std::int32_t Value) noexcept;
  /// Builds, on the calling thread, what the selection routines would otherwise build
  /// lazily, and evaluates stale parents, so the breeding iterations only read them.
  void PrepareParallelBreeding();
  // After initialization and after each generation bred: the best fitness so far, then
  // OnGeneration (nothing for an empty population).
  void GenerationDone();
  // The first of the termination test's conditions that holds, or srNone (the base's
  // IsFinished); FinishedReason names why a finished run finished (srFinished when an
  // overridden IsFinished holds without one of the base's conditions).
  TKXStopReason TerminationReason();
  TKXStopReason FinishedReason();

  /// The parallel breeding iteration running on this thread. The iterations must not share
  /// FRouletteIndex, so each keeps its draw count and its last picked index here; Component
  /// is nullptr outside an iteration (and tells one component's iteration from another's).
  /// Value-initialized: every field starts at zero.
  struct TBreedingStep {
    const TKXCustomGeneticComponent* Component;
    /// The generation-wide number of the iteration's first parent: 2 x pair number.
    std::int32_t FirstDraw;
    /// Elitist ranks taken so far by the iteration.
    std::int32_t Draws;
    /// The last index picked by roulette or elitist selection, -1 when none yet.
    std::int32_t RouletteIndex;
  };
  static inline thread_local TBreedingStep tBreedingStep{};

  bool FInitialized = false;
  TNotifyEvent FOnEvolve;
  std::int32_t FTournamentField = 2;
  TGAProbability FDiversityLimit = DEFAULT_DIVERSITY_LIMIT;
  TGAProbability FElitistPct = DEFAULT_ELITIST_PCT;
  std::unique_ptr<TKXPopulation> FPreviousGeneration;
  bool FUseDiversityLimit = false;
  TGAFitness FFitnessCutoff = DEFAULT_FITNESS_CUTOFF;
  mutable std::unique_ptr<TKXPopulation> FPopulation;
  TGASelectionMethod FSelectionMethod = smRoulette;
  TGAProbability FInversionProbability = INVERSION_PROBABILITY;
  TGAGeneticOperations FOperations{goCrossover, goMutate, goInvert};
  bool FUseFitnessCutoff = false;
  TGAFitness FMaxFitness = 0;
  TKXMutationEvent FOnInversion;
  TKXSelectionEvent FOnSelection;
  TGAFitnessMethod FFitnessMethod = fmMinimize;
  std::int32_t FGeneration = 0;
  TGAProbability FMutationProbability = MUTATION_PROBABILITY;
  TKXIndividual* FFittestIndividual = nullptr;
  TGAFitness FMinFitness = 0;
  TKXParentChildEvent FOnInitializeChild;
  TKXMutationEvent FOnMutation;
  TKXMutationEvent FOnReproduction;
  TGAProbability FCrossoverProbability = CROSSOVER_PROBABILITY;
  TKXInitializationEvent FOnInitialization;
  TKXFitnessEvent FOnEvaluateFitness;
  TKXFitnessBatchEvent FOnEvaluateBatch;
  /// The fitnesses of the batch being evaluated, read (only) by the pass that follows it.
  TKXFitnessBatch FBatch;
  std::unordered_map<const TKXIndividual*, TGAFitness> FBatchFitness;
  TKXCrossoverEvent FOnCrossover;
  std::int32_t FInitialPopulation = 100;
  TGAFitnessArray FCumNormFitnesses;
  std::int32_t FRouletteIndex = 0;
  TGAFitness FFitnessSum = 0;
  std::unique_ptr<TFloatPriorityQueue> FPriorityQueue;
  std::int32_t FGenerationLimit = 0;
  bool FUseGenerationLimit = false;
  TGAFitness FWeightedFitnessSum = 0;
  TGAFitness FMinWeightedFitness = 0;
  TGAFitness FMaxWeightedFitness = 0;
  TKXFitnessEvent FOnEvaluateWeightedFitness;
  bool FHalt = false;
  std::int32_t FInitialDuplicatesRetries = 10;
  /// Seed of the breeding streams of the current parallel generation.
  std::uint64_t FBreedingSeed = 0;
  TKXStopRules FStopRules;
  std::unique_ptr<TKXRunState> FRunState;
  TKXGenerationEvent FOnGeneration;
  bool FIncludeRunState = false;
};

}  // namespace kx
