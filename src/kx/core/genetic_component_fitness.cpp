// Fitness evaluation, population statistics and the preparation of selection.

#include <cstdint>
#include <limits>
#include <string>

#include "kx/core/genetic_component.hpp"
#include "kx/core/run_state.hpp"
#include "kx/host/priority_queue.hpp"

namespace kx {

void TKXCustomGeneticComponent::EvaluateFitness() {
  if (Population()->Count() == 0) {
    ClearStatistics();
    return;
  }
  BeginBatch(static_cast<std::uint64_t>(FGeneration));
  struct TBatchScope {
    TKXCustomGeneticComponent& Component;
    ~TBatchScope() { Component.EndBatch(); }
  } batchScope{*this};
  DoCalculateFitnessStatistics();
  EndBatch();
  DoCalculateWeightedFitnessStatistics();
  DoSelectionPreparation();
}

void TKXCustomGeneticComponent::BeginBatch(std::uint64_t Seed) {
  if (!FOnEvaluateBatch || !FOnEvaluateFitness) return;
  TKXPopulation* population = Population();
  FBatch.Items.clear();
  FBatch.Indices.clear();
  const std::int32_t count = population->Count();
  for (std::int32_t i = 0; i < count; ++i) {
    TKXIndividual* item = population->ItemAt(i);
    if (!item->NeedFitness()) continue;
    FBatch.Items.push_back(item);
    FBatch.Indices.push_back(i);
  }
  if (FBatch.Items.empty()) return;
  FBatch.Seed = Seed;
  FBatch.Fitnesses.assign(FBatch.Items.size(), 0);
  FOnEvaluateBatch(this, FBatch);
  if (FBatch.Fitnesses.size() != FBatch.Items.size())
    throw EGAException("The batch evaluation returned " + std::to_string(FBatch.Fitnesses.size()) +
                       " fitnesses for " + std::to_string(FBatch.Items.size()) + " individuals");
  FBatchFitness.reserve(FBatch.Items.size());
  for (std::size_t i = 0; i < FBatch.Items.size(); ++i)
    FBatchFitness.emplace(FBatch.Items[i], FBatch.Fitnesses[i]);
}

void TKXCustomGeneticComponent::EndBatch() noexcept { FBatchFitness.clear(); }

bool TKXCustomGeneticComponent::TakeBatchFitness(const TKXIndividual* Item,
                                                 TGAFitness& Fitness) const {
  if (FBatchFitness.empty()) return false;
  const auto found = FBatchFitness.find(Item);
  if (found == FBatchFitness.end()) return false;
  Fitness = found->second;
  return true;
}

void TKXCustomGeneticComponent::ClearStatistics() noexcept {
  FMaxFitness = 0;
  FMaxWeightedFitness = 0;
  FMinFitness = 0;
  FMinWeightedFitness = 0;
  FFitnessSum = 0;
  FWeightedFitnessSum = 0;
}

TGAFitness TKXCustomGeneticComponent::EvaluateFitness(TKXIndividual* Item, bool Weighted) {
  if (Weighted) return DoEvaluateWeightedFitness(Item);
  TGAFitness fitness = 0;
  if (FOnEvaluateFitness) {
    FRunState->CountEvaluation();
    if (!TakeBatchFitness(Item, fitness)) FOnEvaluateFitness(this, Item, fitness);
  }
  return fitness;
}

TGAFitness TKXCustomGeneticComponent::DoEvaluateWeightedFitness(TKXIndividual* Item) {
  if (!FOnEvaluateWeightedFitness) return Item->Fitness();
  TGAFitness fitness = 0;
  FOnEvaluateWeightedFitness(this, Item, fitness);
  return fitness;
}

void TKXCustomGeneticComponent::DoCalculateFitnessStatistics() {
  TKXPopulation* population = Population();
  TKXIndividual* first = population->ItemAt(0);
  const std::int32_t count = population->Count();
  // The next individual to evaluate, one step ahead.
  const auto prefetch = [this, population](std::int32_t Index) {
    if (const TKXIndividual* next = population->ItemAt(Index); next->NeedFitness()) {
      PrefetchIndividual(next);
    }
  };
  if (count > 1) prefetch(1);
  FFittestIndividual = first;
  FMaxFitness = FMinFitness = FFitnessSum = first->Fitness();
  for (std::int32_t i = 1; i < count; ++i) {
    TKXIndividual* item = population->ItemAt(i);
    if (i + 1 < count) prefetch(i + 1);
    const TGAFitness f = item->Fitness();
    FFitnessSum += f;
    FFittestIndividual = Fittest(FFittestIndividual, item, true);
    if (FMinFitness > f) {
      FMinFitness = f;
    } else if (f > FMaxFitness) {
      FMaxFitness = f;
    }
  }
}

// The members are this component's own, so the weighted fitness is asked of this component
// directly rather than through each individual's lookup of its owner.
void TKXCustomGeneticComponent::DoCalculateWeightedFitnessStatistics() {
  TKXPopulation* population = Population();
  FMaxWeightedFitness = FMinWeightedFitness = FWeightedFitnessSum =
      EvaluateFitness(population->ItemAt(0), true);
  const std::int32_t count = population->Count();
  for (std::int32_t i = 1; i < count; ++i) {
    const TGAFitness w = EvaluateFitness(population->ItemAt(i), true);
    FWeightedFitnessSum += w;
    if (FMinWeightedFitness > w) {
      FMinWeightedFitness = w;
    } else if (w > FMaxWeightedFitness) {
      FMaxWeightedFitness = w;
    }
  }
}

void TKXCustomGeneticComponent::DoSelectionPreparation() {
  switch (FSelectionMethod) {
    case smRoulette:
    case smStochasticTournament:
      CalculateCumulativeNormalizedFitnesses();
      break;
    case smElitist:
      PrioritizePopulation();
      break;
    default:
      break;
  }
}

void TKXCustomGeneticComponent::CalculateCumulativeNormalizedFitnesses() {
  TKXPopulation* population = Population();
  const std::int32_t n = population->Count();
  FCumNormFitnesses.resize(static_cast<std::size_t>(n));
  if (n == 0) return;
  TGAFitnessArray& c = FCumNormFitnesses;
  const bool weighted = IsWeighted(FFitnessMethod);
  auto value = [&](std::int32_t i) {
    TKXIndividual* item = population->ItemAt(i);
    return weighted ? EvaluateFitness(item, true) : item->Fitness();
  };

  if (IsMaximizing(FFitnessMethod)) {
    auto normalized = [&](TGAFitness f) {
      return weighted ? GetNormalizedWeightedFitness(f) : GetNormalizedFitness(f);
    };
    c[0] = normalized(value(0));
    for (std::int32_t i = 1; i < n; ++i) c[i] = c[i - 1] + normalized(value(i));
    return;
  }

  // Minimizing: an individual's share is its distance below the worst fitness. The
  // distances are kept in the table itself before they are accumulated.
  const TGAFitness worst = weighted ? FMaxWeightedFitness : FMaxFitness;
  TGAFitness total = 0;
  for (std::int32_t i = 0; i < n; ++i) {
    c[i] = worst - value(i);
    total += c[i];
  }
  if (total == 0) {
    c[0] = 1.0 / n;
    for (std::int32_t i = 1; i < n; ++i) c[i] = c[i - 1] + c[0];
    return;
  }
  c[0] = c[0] / total;
  for (std::int32_t i = 1; i < n; ++i) c[i] = c[i - 1] + c[i] / total;
}

void TKXCustomGeneticComponent::PrioritizePopulation() {
  if (!FPriorityQueue) FPriorityQueue = std::make_unique<TFloatPriorityQueue>();
  FPriorityQueue->Clear();
  FPriorityQueue->SetLargestFirst(IsMaximizing(FFitnessMethod));
  TKXPopulation* population = Population();
  const std::int32_t count = population->Count();
  FPriorityQueue->Reserve(count);
  const bool weighted = IsWeighted(FFitnessMethod);
  for (std::int32_t i = 0; i < count; ++i) {
    TKXIndividual* item = population->ItemAt(i);
    const TGAFitness f = weighted ? EvaluateFitness(item, true) : item->Fitness();
    FPriorityQueue->Push(item, static_cast<float>(f));
  }
}

TGAFitness TKXCustomGeneticComponent::GetAvgFitness() const {
  const std::int32_t count = Population()->Count();
  if (count != 0) return FFitnessSum / count;
  return FMinFitness + (FMaxFitness - FMinFitness) / 2;
}

TGAFitness TKXCustomGeneticComponent::GetWeightedAvgFitness() const {
  const std::int32_t count = Population()->Count();
  if (count != 0) return FWeightedFitnessSum / count;
  return FMinWeightedFitness + (FMaxWeightedFitness - FMinWeightedFitness) / 2;
}

TGAFitness TKXCustomGeneticComponent::GetDiversity() const {
  if (FMaxFitness == 0) return std::numeric_limits<TGAFitness>::infinity();
  return GetAvgFitness() / FMaxFitness;
}

TGAFitness TKXCustomGeneticComponent::GetNormalizedFitness(TGAFitness Fitness) const noexcept {
  return FFitnessSum == 0 ? 0 : Fitness / FFitnessSum;
}

TGAFitness TKXCustomGeneticComponent::GetNormalizedWeightedFitness(
    TGAFitness Fitness) const noexcept {
  return FWeightedFitnessSum == 0 ? 0 : Fitness / FWeightedFitnessSum;
}

TGAFitness TKXCustomGeneticComponent::GetAdjustedFitness(TGAFitness Fitness) const noexcept {
  if (IsMinimizing(FFitnessMethod)) return 1 / (Fitness + 1);
  return 1 / (FMaxFitness - Fitness + 1);
}

TGAFitness TKXCustomGeneticComponent::ComparedFitness(TKXIndividual* Item, bool UsePureFitness) {
  if (UsePureFitness || !IsWeighted(FFitnessMethod)) return Item->Fitness();
  return Item->WeightedFitness();
}

std::int32_t TKXCustomGeneticComponent::CompareFitness(TKXIndividual* Parent1,
                                                       TKXIndividual* Parent2,
                                                       bool UsePureFitness) {
  const TGAFitness a = ComparedFitness(Parent1, UsePureFitness);
  const TGAFitness b = ComparedFitness(Parent2, UsePureFitness);
  const TGAFitness difference = IsMinimizing(FFitnessMethod) ? a - b : b - a;
  return (difference > 0) - (difference < 0);
}

TKXIndividual* TKXCustomGeneticComponent::Fittest(TKXIndividual* Parent1, TKXIndividual* Parent2,
                                                  bool UsePureFitness) {
  return CompareFitness(Parent1, Parent2, UsePureFitness) < 1 ? Parent1 : Parent2;
}

TGAFitness TKXCustomGeneticComponent::UnfitFitness() const noexcept {
  if (IsMaximizing(FFitnessMethod)) return std::numeric_limits<float>::min();
  return std::numeric_limits<float>::max();
}

}  // namespace kx
