// The concrete program components: their inherited overloads, and assignment of their settings.

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

// The core's overloads stay callable: a derived member of the same name must not hide them.
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

// Assign copies settings, instructions (handlers only with AssignAll) and populations, whose
// trees must not depend on the source afterwards.
TEST(GPComponentsTest, AssignCopiesSettingsInstructionsAndPopulations) {
  auto source = std::make_unique<TKXGeneticProgramming>();
  source->SetBloatStrategy(bsHoistSize);
  source->SetMutateWeights(mmConstant, 9);
  source->SetTarpeianProbability(0.7);
  EvolveQuadratic(*source, 31, 20, 2);
  TKXGeneticProgramming target;
  target.Assign(source.get());
  EXPECT_EQ(
      std::tuple(target.BloatStrategy(), target.MutationWeightSum(), target.TarpeianProbability(),
                 bool(target.Instructions()->Items(0)->OnExecute())),
      std::tuple(bsHoistSize, 84, 0.7, false));
  target.AssignAll(source.get());
  EXPECT_TRUE(target.Instructions()->Items(0)->OnExecute());
  target.Assign(source.get());
  const std::string before = Snapshot(*source), programs = before.substr(before.find('\n'));
  source.reset();  // the run's own counters are not settings
  EXPECT_THAT(Snapshot(target), ::testing::EndsWith(programs));
}

}  // namespace
}  // namespace kx::testing
