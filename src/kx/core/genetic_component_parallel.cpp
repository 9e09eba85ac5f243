// The parallel evolution loop: child pairs bred and new individuals evaluated on the
// thread pool, with the rest of the generation on the calling thread.
//
// No iteration shares mutable state with another: each draws from its own generator stream
// (seeded from the loop's seed and the iteration's number, so the scheduling of iterations
// changes nothing), breeding iterations keep their roulette index and elitist draw count in
// a per-thread record instead of FRouletteIndex, and everything the selection routines and
// the fitness handlers would build lazily is built before the loop starts.

#include <cstdint>

#include "kx/core/genetic_component.hpp"
#include "kx/host/parallel_for.hpp"
#include "kx/host/priority_queue.hpp"
#include "kx/host/random.hpp"

namespace kx {

namespace {

// The seed of one parallel loop: drawn on the calling thread, so the run stays a function of
// the library generator's seed alone.
std::uint64_t DrawLoopSeed() noexcept {
  TKXRandom& random = CurrentRandom();
  const std::uint64_t high = random.Next();
  return (high << 32) | random.Next();
}

}  // namespace

void TKXCustomGeneticComponent::ParallelEvolve() {
  DoParallelEvolve();
  if (FOnEvolve) FOnEvolve(this);
}

std::int32_t TKXCustomGeneticComponent::ParallelEvolve(std::int32_t Generations) {
  return RunGenerations(Generations, [this] { ParallelEvolve(); });
}

void TKXCustomGeneticComponent::DoParallelEvolve() {
  RunGeneration([this] {
    PrepareParallelBreeding();
    DoBeforeParallelBreeding();
    FBreedingSeed = DrawLoopSeed();
    const std::int32_t pairs = (Population()->Count() + 1) / 2;
    ParallelFor(0, pairs, [this](std::int32_t Pair) { DoParallelEvolveOneStep(Pair); });
    ParallelEvaluateFitness();
  });
}

void TKXCustomGeneticComponent::DoParallelEvolveOneStep(std::int32_t Index) {
  TKXRandom random(FBreedingSeed, static_cast<std::uint64_t>(Index));
  TKXRandomScope randomScope(random);
  // Saved and restored rather than cleared: a pool thread waiting inside a handler's own
  // parallel loop may run another iteration nested in this one.
  struct TStepScope {
    TBreedingStep Saved = tBreedingStep;
    ~TStepScope() { tBreedingStep = Saved; }
  } stepScope;
  tBreedingStep = TBreedingStep{this, 2 * Index, 0, -1};

  DoEvolveOneStep(2 * Index);

  // The last pair draws the generation's last parents, so its last pick is where the
  // sequential loop leaves the counter. No other iteration touches FRouletteIndex.
  if (tBreedingStep.RouletteIndex >= 0 && 2 * Index + 2 >= Population()->Count()) {
    FRouletteIndex = tBreedingStep.RouletteIndex;
  }
}

void TKXCustomGeneticComponent::PrepareParallelBreeding() {
  // A parent read while stale would be evaluated by whichever iterations read it first,
  // several at a time. After a generation every member is evaluated; only individuals
  // changed by the application since then can be stale.
  TKXPopulation* previous = FPreviousGeneration.get();
  const std::int32_t count = previous->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    TKXIndividual* item = previous->ItemAt(i);
    if (item->NeedFitness()) item->Fitness();
  }

  // Roulette builds its table when empty and elitist selection its ranking when missing; a
  // custom handler may call either. The table is built from Population() as the first
  // roulette draw of the sequential loop would build it, before any child is bred.
  const bool custom = FSelectionMethod == smCustom;
  const bool roulette =
      FSelectionMethod == smRoulette || FSelectionMethod == smStochasticTournament || custom;
  if (roulette && FCumNormFitnesses.empty()) CalculateCumulativeNormalizedFitnesses();
  // The ranking holds individuals, not numbers: built lazily from Population() it would hand
  // out individuals the iterations are overwriting. So a missing ranking is built from the
  // parents, and a custom handler's ranking (which no evaluation renews) every generation.
  if (custom || (FSelectionMethod == smElitist && !FPriorityQueue)) {
    // Ranked through the overridable PrioritizePopulation, which ranks Population(); the
    // guard swaps back even when a weighted fitness handler throws.
    struct TParentsCurrent {
      TKXCustomGeneticComponent& Component;
      explicit TParentsCurrent(TKXCustomGeneticComponent& C) : Component(C) {
        Component.SwapGenerations();
      }
      ~TParentsCurrent() { Component.SwapGenerations(); }
    } parentsCurrent(*this);
    PrioritizePopulation();
  }
  // The queue sorts on its first read after a change; this read is that one.
  if (FPriorityQueue && FPriorityQueue->Count() > 0) FPriorityQueue->Items(0);
}

void TKXCustomGeneticComponent::DoBeforeParallelBreeding() {}

void TKXCustomGeneticComponent::DoBeforeParallelEvaluation() {}

void TKXCustomGeneticComponent::ParallelEvaluateFitness() {
  if (Population()->Count() == 0) {
    ClearStatistics();
    return;
  }
  DoParallelCalculateFitnessStatistics();
  DoCalculateWeightedFitnessStatistics();
  DoSelectionPreparation();
}

void TKXCustomGeneticComponent::DoParallelCalculateFitnessStatistics() {
  TKXPopulation* population = Population();
  DoBeforeParallelEvaluation();
  const std::uint64_t seed = DrawLoopSeed();
  BeginBatch(seed);
  struct TBatchScope {
    TKXCustomGeneticComponent& Component;
    ~TBatchScope() { Component.EndBatch(); }
  } batchScope{*this};
  ParallelFor(0, population->Count(), [population, seed](std::int32_t Index) {
    TKXIndividual* item = population->ItemAt(Index);
    if (!item->NeedFitness()) return;
    TKXRandom random(seed, EvaluationStream(Index));
    TKXRandomScope randomScope(random);
    item->Fitness();
  });
  DoCalculateFitnessStatistics();
}

}  // namespace kx
