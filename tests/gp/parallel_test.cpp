// ParallelEvolve of a GP component must give the same run whatever the number of threads:
// every breeding iteration and every evaluation draws from its own stream, and the trees of
// the parents are only read while children are bred.

#include <tuple>

#include "gp_test_support.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::testing {
namespace {

using Setting = std::tuple<TGASelectionMethod, TGPBloatStrategy>;

// Observed: a handler watches every child start as a copy of its first parent, which keeps
// breeding from skipping the copies a crossover overwrites; the run must not change.
std::vector<std::string> RunWithThreads(const Setting& Config, int Threads, bool Batch = false,
                                        bool Observed = false) {
  SetParallelThreads(Threads);
  RandSeed(2024);
  TKXGeneticProgramming gp;
  AddArithmetic(*gp.Instructions());
  // One context per evaluation, or shared cases and results per thread: safe either way.
  Batch ? SetBatchQuadraticFitness(gp) : SetQuadraticFitness(gp);
  gp.SetInitialPopulation(41);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetSelectionMethod(std::get<0>(Config));
  gp.SetBloatStrategy(std::get<1>(Config));
  gp.SetBloatLimit(6);
  gp.SetMutationProbability(0.3);
  if (Observed) {
    gp.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*) {});
  }
  gp.ParallelEvolve(4);
  SetParallelThreads(0);
  return Snapshot(gp);
}

class GPParallelReproducibilityTest : public ::testing::TestWithParam<Setting> {};

TEST_P(GPParallelReproducibilityTest, SameRunForEveryThreadCount) {
  const std::vector<std::string> one = RunWithThreads(GetParam(), 1);
  ASSERT_EQ(one.size(), 42u);
  EXPECT_THAT(one.back(), ::testing::StartsWith("4 "));
  EXPECT_EQ(RunWithThreads(GetParam(), 2), one);
  EXPECT_EQ(RunWithThreads(GetParam(), 4), one);
  EXPECT_EQ(RunWithThreads(GetParam(), 2, false, true), one);
}

// Batch execution computes the same fitness, so it gives the same run, on any number of
// threads.
TEST(GPParallelBatch, SameRunAsCaseByCaseExecution) {
  const Setting setting{smTournament, bsDepthLimit};
  const std::vector<std::string> single = RunWithThreads(setting, 1);
  EXPECT_EQ(RunWithThreads(setting, 1, true), single);
  EXPECT_EQ(RunWithThreads(setting, 2, true), single);
}

INSTANTIATE_TEST_SUITE_P(Settings, GPParallelReproducibilityTest,
                         ::testing::Values(Setting{smTournament, bsDepthLimit},
                                           Setting{smStochasticTournament, bsSizeFairCrossover},
                                           Setting{smRoulette, bsCovariantSizeParsimonyPressure},
                                           Setting{smElitist, bsDepthFairCrossover}));

}  // namespace
}  // namespace kx::testing
