#pragma once

#include <string>

#include "kx/core/population.hpp"
#include "kx/ga/ga_individual.hpp"

namespace kx {

class TKXCustomGeneticAlgorithm;

// The population of a genetic algorithm: an owned collection of TKXGAIndividual.
//
// Persistence as a Chromosomes element is added by the XML layer.
class TKXGAPopulation : public TKXOwnedCollection<TKXGAIndividual, TKXPopulation> {
 public:
  // Owner is usually the genetic algorithm; the items are always TKXGAIndividual.
  explicit TKXGAPopulation(TKXPersistent* Owner = nullptr);

  std::string ClassName() const override { return "TKXGAPopulation"; }

  // The owning genetic algorithm, or nullptr when the owner is not one.
  TKXCustomGeneticAlgorithm* Owner() const noexcept;
};

}  // namespace kx
