#pragma once

// The cached fitnesses of a population, taken before a whole-document load and put back after
// its undo: the undo runs without the application's fitness handler, so it cannot evaluate
// them again, and the saved document shows them.

#include <cstdint>
#include <vector>

#include "kx/core/individual.hpp"
#include "kx/core/population.hpp"

namespace kx::detail {

class TFitnessSnapshot {
 public:
  /// Remembers each individual's fitness, or that it was stale.
  void Take(TKXPopulation& Population) {
    FValues.clear();
    FStale.clear();
    for (std::int32_t i = 0; i < Population.Count(); ++i) {
      TKXIndividual* item = Population.ItemAt(i);
      FStale.push_back(item->NeedFitness());
      FValues.push_back(item->NeedFitness() ? 0 : item->Fitness());
    }
  }

  /// Gives the individuals of a population of the same size their remembered fitnesses.
  void PutBack(TKXPopulation& Population) const {
    if (static_cast<std::size_t>(Population.Count()) != FValues.size()) return;
    for (std::int32_t i = 0; i < Population.Count(); ++i) {
      TKXIndividual* item = Population.ItemAt(i);
      if (FStale[i]) {
        item->Modified();
      } else {
        item->RestoreFitness(FValues[i]);
      }
    }
  }

 private:
  std::vector<TGAFitness> FValues;
  std::vector<bool> FStale;
};

}  // namespace kx::detail
