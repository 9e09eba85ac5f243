// ParallelEvolve of a GP component must give the same run whatever the number of threads:
// every breeding iteration and every evaluation draws from its own stream, and the trees of
// the parents are only read while children are bred.

#include "gp_test_support.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::testing {
namespace {

// Batch: programs run once over all the cases, which computes the same fitness. Observed: a
// handler watches every child start as a copy of its first parent, which keeps breeding from
// skipping the copies a crossover overwrites. Neither may change the run.
std::vector<std::string> RunWithThreads(TGASelectionMethod Selection, TGPBloatStrategy Bloat,
                                        int Threads, bool Batch = false, bool Observed = false) {
  SetParallelThreads(Threads);
  RandSeed(2024);
  TKXGeneticProgramming gp;
  AddArithmetic(*gp.Instructions());
  SetQuadraticFitness(gp, Batch);
  gp.SetInitialPopulation(41);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetSelectionMethod(Selection);
  gp.SetBloatStrategy(Bloat);
  gp.SetBloatLimit(6);
  gp.SetMutationProbability(0.3);
  if (Observed) {
    gp.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*) {});
  }
  gp.ParallelEvolve(4);
  SetParallelThreads(0);
  return Snapshot(gp);
}

TEST(GPParallelTest, SameRunForEveryThreadCountAndExecutionPath) {
  const std::pair<TGASelectionMethod, TGPBloatStrategy> settings[] = {
      {smTournament, bsDepthLimit},
      {smStochasticTournament, bsSizeFairCrossover},
      {smRoulette, bsCovariantSizeParsimonyPressure},
      {smElitist, bsDepthFairCrossover},
      {smTournament, bsTarpeianSize}};
  for (auto [selection, bloat] : settings) {
    SCOPED_TRACE(int(bloat));
    const std::vector<std::string> one = RunWithThreads(selection, bloat, 1);
    ASSERT_THAT(one.back(), ::testing::StartsWith("4 "));
    EXPECT_EQ(RunWithThreads(selection, bloat, 2, true), one);
    EXPECT_EQ(RunWithThreads(selection, bloat, 4, false, true), one);
  }
  EXPECT_EQ(RunWithThreads(smTournament, bsDepthLimit, 1, true),
            RunWithThreads(smTournament, bsDepthLimit, 1));
}

}  // namespace
}  // namespace kx::testing
