#include "kx/core/genetic_component.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string_view>
#include <utility>

#include "kx/core/run_state.hpp"
#include "kx/host/priority_queue.hpp"
#include "kx/host/random.hpp"

namespace kx {

namespace {

TGAProbability ClampProbability(TGAProbability Value, std::string_view Name) {
  CheckFinite(Value, Name);
  return std::clamp(Value, TGAProbability{0}, TGAProbability{1});
}

}  // namespace

// The in-class initializers hold the initial settings; only the selection method goes
// through its setter here, because that is what installs the selection routine.
TKXCustomGeneticComponent::TKXCustomGeneticComponent(TKXComponent* AOwner)
    : TKXComponent(AOwner), FRunState(std::make_unique<TKXRunState>()) {
  SetSelectionMethod(smStochasticTournament);
}

TKXCustomGeneticComponent::~TKXCustomGeneticComponent() {
  BeginDestroy();
  FFittestIndividual = nullptr;
  FPriorityQueue.reset();
  FPopulation.reset();
  FPreviousGeneration.reset();
}

void TKXCustomGeneticComponent::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXCustomGeneticComponent*>(Source);
  if (source == nullptr) {
    TKXComponent::Assign(Source);
    return;
  }
  if (source == this) return;
  FGeneration = source->FGeneration;
  FFitnessCutoff = source->FFitnessCutoff;
  FMutationProbability = source->FMutationProbability;
  FInversionProbability = source->FInversionProbability;
  FCrossoverProbability = source->FCrossoverProbability;
  FElitistPct = source->FElitistPct;
  FFitnessMethod = source->FFitnessMethod;
  FMaxFitness = source->FMaxFitness;
  FMaxWeightedFitness = source->FMaxWeightedFitness;
  FMinFitness = source->FMinFitness;
  FMinWeightedFitness = source->FMinWeightedFitness;
  FFitnessSum = source->FFitnessSum;
  FWeightedFitnessSum = source->FWeightedFitnessSum;
  FDiversityLimit = source->FDiversityLimit;
  FGenerationLimit = source->FGenerationLimit;
  FTournamentField = source->FTournamentField;
  FInitialized = source->FInitialized;
  FUseFitnessCutoff = source->FUseFitnessCutoff;
  FUseDiversityLimit = source->FUseDiversityLimit;
  FUseGenerationLimit = source->FUseGenerationLimit;
  FInitialDuplicatesRetries = source->FInitialDuplicatesRetries;
  // The source's fittest individual belongs to the source; ours is recomputed by the next
  // evaluation.
  FFittestIndividual = nullptr;
  // A source that never bred has no previous generation to copy; ours is left as it is.
  if (source->FPreviousGeneration) SetPreviousGeneration(source->FPreviousGeneration.get());
  SetSelectionMethod(source->FSelectionMethod);
  SetPopulation(source->Population());
}

// --- Populations ------------------------------------------------------------------------

std::unique_ptr<TKXPopulation> TKXCustomGeneticComponent::CreatePopulation(TKXItemClass ItemClass) {
  return std::make_unique<TKXPopulation>(ItemClass, this);
}

TKXPopulation* TKXCustomGeneticComponent::Population() const {
  if (!FPopulation) {
    // Created on first use so that a subclass's factory is the one that runs.
    FPopulation = const_cast<TKXCustomGeneticComponent*>(this)->CreatePopulation(
        ItemClassOf<TKXIndividual>());
  }
  return FPopulation.get();
}

void TKXCustomGeneticComponent::SetPopulation(TKXPopulation* Value) {
  TKXPopulation* population = Population();
  if (Value == population) return;
  population->Assign(Value);
}

TKXPopulation& TKXCustomGeneticComponent::EnsurePreviousGeneration() {
  if (!FPreviousGeneration) FPreviousGeneration = CreatePopulation(Population()->ItemClass());
  return *FPreviousGeneration;
}

void TKXCustomGeneticComponent::SetPreviousGeneration(TKXPopulation* Value) {
  TKXPopulation& previous = EnsurePreviousGeneration();
  if (Value == &previous) return;
  previous.Assign(Value);
}

void TKXCustomGeneticComponent::SwapGenerations() noexcept {
  Population();
  std::swap(FPopulation, FPreviousGeneration);
}

void TKXCustomGeneticComponent::PopulationNotify(TKXIndividual* Item,
                                                 TCollectionNotification Action) {
  if (Item == nullptr || (Action != TCollectionNotification::cnExtracting &&
                          Action != TCollectionNotification::cnDeleting)) {
    return;
  }
  if (Item == FFittestIndividual) FFittestIndividual = nullptr;
  // The elitist ranking holds individuals of one population: one of them leaving drops the
  // ranking, which selection then builds again, rather than hand out the individual later.
  if (FPriorityQueue && FPriorityQueue->Count() > 0 &&
      static_cast<TKXIndividual*>(FPriorityQueue->Items(0))->Collection() == Item->Collection()) {
    FPriorityQueue.reset();
  }
}

void TKXCustomGeneticComponent::PopulationUpdate(TKXIndividual* /*Item*/) {}

// --- Settings -----------------------------------------------------------------------------

void TKXCustomGeneticComponent::SetCrossoverProbability(TGAProbability Value) {
  if (Value != FCrossoverProbability)
    FCrossoverProbability = ClampProbability(Value, "CrossoverProbability");
}

void TKXCustomGeneticComponent::SetDiversityLimit(TGAProbability Value) {
  if (Value != FDiversityLimit) FDiversityLimit = ClampProbability(Value, "DiversityLimit");
}

void TKXCustomGeneticComponent::SetElitistPct(TGAProbability Value) {
  if (Value != FElitistPct) FElitistPct = ClampProbability(Value, "ElitistPct");
}

void TKXCustomGeneticComponent::SetInversionProbability(TGAProbability Value) {
  if (Value != FInversionProbability)
    FInversionProbability = ClampProbability(Value, "InversionProbability");
}

void TKXCustomGeneticComponent::SetMutationProbability(TGAProbability Value) {
  if (Value != FMutationProbability)
    FMutationProbability = ClampProbability(Value, "MutationProbability");
}

void TKXCustomGeneticComponent::SetFitnessCutoff(TGAFitness Value) {
  CheckFinite(Value, "FitnessCutoff");
  FFitnessCutoff = Value;
}

void TKXCustomGeneticComponent::SetFitnessMethod(TGAFitnessMethod Value) noexcept {
  FFitnessMethod = Value;
}

void TKXCustomGeneticComponent::SetGeneration(std::int32_t Value) noexcept { FGeneration = Value; }

void TKXCustomGeneticComponent::SetGenerationLimit(std::int32_t Value) noexcept {
  if (Value != FGenerationLimit) FGenerationLimit = std::max(Value, std::int32_t{1});
}

void TKXCustomGeneticComponent::SetInitialDuplicatesRetries(std::int32_t Value) noexcept {
  if (Value != FInitialDuplicatesRetries)
    FInitialDuplicatesRetries = std::clamp(Value, 0, MAX_INITIAL_DUPLICATES_RETRIES);
}

void TKXCustomGeneticComponent::SetInitialPopulation(std::int32_t Value) noexcept {
  if (Value != FInitialPopulation)
    FInitialPopulation = std::clamp(Value, 0, MAX_INITIAL_POPULATION);
}

void TKXCustomGeneticComponent::SetOperations(TGAGeneticOperations Value) noexcept {
  FOperations = Value;
}

void TKXCustomGeneticComponent::SetTournamentField(std::int32_t Value) noexcept {
  if (Value != FTournamentField) FTournamentField = std::clamp(Value, 2, MAX_TOURNAMENT_FIELD);
}

bool TKXCustomGeneticComponent::IsCrossoverProbabilityStored() const noexcept {
  return FCrossoverProbability != CROSSOVER_PROBABILITY;
}

bool TKXCustomGeneticComponent::IsDiversityLimitStored() const noexcept {
  return FDiversityLimit != DEFAULT_DIVERSITY_LIMIT;
}

bool TKXCustomGeneticComponent::IsElitistPctStored() const noexcept {
  return FElitistPct != DEFAULT_ELITIST_PCT;
}

bool TKXCustomGeneticComponent::IsFitnessCutoffStored() const noexcept {
  return FFitnessCutoff != DEFAULT_FITNESS_CUTOFF;
}

bool TKXCustomGeneticComponent::IsInversionProbabilityStored() const noexcept {
  return FInversionProbability != INVERSION_PROBABILITY;
}

bool TKXCustomGeneticComponent::IsMutationProbabilityStored() const noexcept {
  return FMutationProbability != MUTATION_PROBABILITY;
}

// --- The evolution loop -------------------------------------------------------------------

void TKXCustomGeneticComponent::Initialize() {
  FInitialized = false;
  FRunState->Restart();
  TKXPopulation* population = Population();
  while (population->Count() < FInitialPopulation) population->Add();
  if (FOnInitialization) FOnInitialization(this, FInitialized);
  if (!FInitialized) DoInitialize();
  EvaluateFitness();
  SetPreviousGeneration(population);
  FInitialized = true;
  FGeneration = 0;
  GenerationDone();
}

void TKXCustomGeneticComponent::Evolve() {
  DoEvolve();
  if (FOnEvolve) FOnEvolve(this);
}

std::int32_t TKXCustomGeneticComponent::Evolve(std::int32_t Generations) {
  return RunGenerations(Generations, [this] { Evolve(); });
}

std::int32_t TKXCustomGeneticComponent::RunGenerations(std::int32_t Generations,
                                                       const std::function<void()>& Step) {
  FHalt = false;
  const std::int32_t start = FGeneration;
  FRunState->BeginSession();
  // The extra rules are also tested before the first generation: a run cancelled, out of
  // budget or stalled already breeds nothing.
  TKXStopReason reason = FRunState->Check(FStopRules, FGeneration);
  for (std::int32_t i = 0; reason == srNone && i < Generations; ++i) {
    Step();
    if (IsFinished()) {
      reason = FinishedReason();
    } else if (FHalt) {
      reason = srHalted;
    } else {
      reason = FRunState->Check(FStopRules, FGeneration);
    }
  }
  FRunState->SetStopReason(reason == srNone ? srGenerations : reason);
  // Handlers may set Generation to anything; the difference must not wrap.
  const std::int64_t evolved = std::int64_t{FGeneration} - start;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      evolved, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool TKXCustomGeneticComponent::IsFinished() { return TerminationReason() != srNone; }

TKXStopReason TKXCustomGeneticComponent::TerminationReason() {
  if (FUseFitnessCutoff && FFittestIndividual != nullptr) {
    const TGAFitness best = FFittestIndividual->Fitness();
    const bool reached =
        IsMaximizing(FFitnessMethod) ? best >= FFitnessCutoff : FFitnessCutoff >= best;
    if (reached) return srFitnessCutoff;
  }
  if (FUseDiversityLimit && FDiversityLimit > Diversity()) return srDiversity;
  if (FUseGenerationLimit && FGeneration >= FGenerationLimit) return srGenerationLimit;
  return srNone;
}

bool TKXCustomGeneticComponent::PrepareGeneration() {
  if (!FInitialized) Initialize();
  if (IsFinished()) return false;
  if (Population()->Count() == 0) return false;
  if (!FOnEvaluateFitness) throw EGAException(SNoFitnessFunction.Text);
  if (FSelectionMethod == smCustom && !FOnSelection) {
    throw EGAException(SNoSelectionFunction.Text);
  }
  return true;
}

void TKXCustomGeneticComponent::DoEvolve() {
  RunGeneration([this] {
    TKXPopulation* population = Population();
    const std::int32_t count = population->Count();
    for (std::int32_t index = 0; index < count; index += 2) {
      // The next pair's children, whose old genomes the copies into them will reuse; only
      // here, as on the thread pool another thread may be breeding them.
      for (std::int32_t next = index + 2; next < std::min(index + 4, count); ++next) {
        PrefetchIndividual(population->Items(next));
      }
      DoEvolveOneStep(index);
    }
    EvaluateFitness();
  });
}

void TKXCustomGeneticComponent::RunGeneration(const std::function<void()>& Breed) {
  if (!PrepareGeneration()) return;
  DoStartEvolve();
  TKXPopulation* population = Population();
  population->BeginUpdate();
  try {
    Breed();
  } catch (...) {
    population->EndUpdate();
    throw;
  }
  population->EndUpdate();
  DoFinishEvolve();
  GenerationDone();
}

void TKXCustomGeneticComponent::DoEvolveOneStep(std::int32_t Index) {
  TKXPopulation* previous = FPreviousGeneration.get();
  TKXIndividual* parent1 = SelectParent(previous);
  TKXIndividual* parent2 = SelectParent(previous);
  TKXPopulation* population = Population();
  if (Index >= population->Count() - 1) {
    Reproduce(parent1, parent2, population->Items(Index));
  } else {
    Reproduce(parent1, parent2, population->Items(Index), population->Items(Index + 1));
  }
}

void TKXCustomGeneticComponent::DoFinishEvolve() {
  // A loaded or assigned Generation may stand at the top of its range; it stays there.
  if (FGeneration < std::numeric_limits<std::int32_t>::max()) ++FGeneration;
}

void TKXCustomGeneticComponent::DoStartEvolve() {
  FRouletteIndex = -1;
  // A population set up outside Initialize (assigned, loaded) may not have a previous
  // generation yet; breeding needs one to swap in.
  EnsurePreviousGeneration();
  SwapGenerations();
}

std::int32_t TKXCustomGeneticComponent::DoInitialize() { return 0; }

// --- Reproduction -------------------------------------------------------------------------

bool TKXCustomGeneticComponent::Reproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                          TKXIndividual* Child1) {
  bool result = DoReproduce(Parent1, Parent2, Child1);
  if (FOnReproduction) FOnReproduction(this, Child1, result);
  return result;
}

bool TKXCustomGeneticComponent::Reproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                          TKXIndividual* Child1, TKXIndividual* Child2) {
  bool result = DoReproduce(Parent1, Parent2, Child1, Child2);
  if (FOnReproduction) {
    FOnReproduction(this, Child1, result);
    FOnReproduction(this, Child2, result);
  }
  return result;
}

bool TKXCustomGeneticComponent::DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                            TKXIndividual* Child1) {
  InitializeChild(Parent1, Parent2, Child1);
  bool result = false;
  if (FOperations.Contains(goCrossover)) result = Crossover(Parent1, Parent2, Child1);
  if (FOperations.Contains(goMutate) && Mutate(Child1)) result = true;
  if (FOperations.Contains(goInvert) && Invert(Child1)) result = true;
  return result;
}

bool TKXCustomGeneticComponent::DoReproduce(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                            TKXIndividual* Child1, TKXIndividual* Child2) {
  InitializeChild(Parent1, Parent2, Child1);
  const bool crossover = FOperations.Contains(goCrossover);
  bool result = false;
  if (crossover && !FOnInitializeChild && !FOnCrossover &&
      CrossoverReplacesSecondGenome(Parent1, Parent2, Child1, Child2)) {
    // No handler can see the second child between its initialization and the crossover,
    // so its genome is copied only when no crossover overwrites it.
    result = Chance(FCrossoverProbability);
    if (result) {
      InitializeChildExceptGenome(Parent1, Child2);
      result = DoCrossover(Parent1, Parent2, Child1, Child2);
    } else {
      InitializeChild(Parent1, Parent2, Child2);
    }
  } else {
    InitializeChild(Parent1, Parent2, Child2);
    if (crossover) result = Crossover(Parent1, Parent2, Child1, Child2);
  }
  if (FOperations.Contains(goMutate)) {
    // Both children always mutate; neither call may be skipped by short-circuiting.
    const bool first = Mutate(Child1);
    const bool second = Mutate(Child2);
    if (first || second) result = true;
  }
  if (FOperations.Contains(goInvert)) {
    const bool first = Invert(Child1);
    const bool second = Invert(Child2);
    if (first || second) result = true;
  }
  return result;
}

void TKXCustomGeneticComponent::InitializeChild(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                                TKXIndividual* Child) {
  Child->Assign(Parent1);
  if (FOnInitializeChild) FOnInitializeChild(this, Parent1, Parent2, Child);
}

bool TKXCustomGeneticComponent::CrossoverReplacesSecondGenome(TKXIndividual* /*Parent1*/,
                                                              TKXIndividual* /*Parent2*/,
                                                              TKXIndividual* /*Child1*/,
                                                              TKXIndividual* /*Child2*/) {
  return false;
}

void TKXCustomGeneticComponent::InitializeChildExceptGenome(TKXIndividual* Parent1,
                                                            TKXIndividual* Child) {
  Child->TKXIndividual::Assign(Parent1);
}

bool TKXCustomGeneticComponent::Chance(TGAProbability Probability) noexcept {
  return Probability > RandomFloat();
}

bool TKXCustomGeneticComponent::Crossover(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                          TKXIndividual* Child1) {
  return Crossover(Parent1, Parent2, Child1, nullptr);
}

bool TKXCustomGeneticComponent::Crossover(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                          TKXIndividual* Child1, TKXIndividual* Child2) {
  bool result = Chance(FCrossoverProbability);
  if (result && FOnCrossover) FOnCrossover(this, Parent1, Parent2, Child1, result);
  if (result) result = DoCrossover(Parent1, Parent2, Child1, Child2);
  return result;
}

bool TKXCustomGeneticComponent::Mutate(TKXIndividual* Item) {
  bool result = Chance(FMutationProbability);
  if (result && FOnMutation) FOnMutation(this, Item, result);
  if (result) result = DoMutate(Item);
  return result;
}

bool TKXCustomGeneticComponent::Invert(TKXIndividual* Item) {
  bool result = Chance(FInversionProbability);
  if (result && FOnInversion) FOnInversion(this, Item, result);
  if (result) result = DoInvert(Item);
  return result;
}

bool TKXCustomGeneticComponent::DoCrossover(TKXIndividual* /*Parent1*/, TKXIndividual* /*Parent2*/,
                                            TKXIndividual* /*Child1*/, TKXIndividual* /*Child2*/) {
  return false;
}

bool TKXCustomGeneticComponent::DoInvert(TKXIndividual* /*Item*/) { return false; }

bool TKXCustomGeneticComponent::DoMutate(TKXIndividual* /*Item*/) { return false; }

}  // namespace kx
