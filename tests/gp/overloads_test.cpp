// The core's overloads stay callable on the program components: a derived
// member of the same name must not hide them.

#include "kx/core/population.hpp"
#include "kx/gp/genetic_programming.hpp"

namespace kx {
namespace {

template <class TGP>
concept ReachesCoreOverloads = requires(TGP& gp, TKXIndividual* item,
                                        typename TGP::TIndividual* own, TKXPopulation* pop) {
  gp.Mutate(item);
  gp.Mutate(own, mmSubtree);
  gp.Crossover(item, item, item);
  gp.Crossover(item, item, item, item);
  gp.SetPopulation(pop);
  gp.SetPreviousGeneration(pop);
};
static_assert(ReachesCoreOverloads<TKXGeneticProgramming>);
static_assert(ReachesCoreOverloads<TKXGeneticProgrammingVariant>);

}  // namespace
}  // namespace kx
