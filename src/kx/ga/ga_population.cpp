#include "kx/ga/ga_population.hpp"

#include "kx/ga/custom_genetic_algorithm.hpp"

namespace kx {

TKXGAPopulation::TKXGAPopulation(TKXPersistent* Owner)
    : TKXOwnedCollection<TKXGAIndividual, TKXPopulation>(ItemClassOf<TKXGAIndividual>(), Owner) {}

TKXCustomGeneticAlgorithm* TKXGAPopulation::Owner() const noexcept {
  return dynamic_cast<TKXCustomGeneticAlgorithm*>(TKXPopulation::Owner());
}

}  // namespace kx
