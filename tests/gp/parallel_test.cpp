// ParallelEvolve of a GP component must give the same run whatever the number of threads:
// every breeding iteration and every evaluation draws from its own stream, and the trees of
// the parents are only read while children are bred.

#include <string>
#include <tuple>
#include <vector>

#include "gp_test_support.hpp"
#include "kx/host/parallel_for.hpp"
#include "kx/host/random.hpp"

namespace kx::testing {
namespace {

struct Snapshot {
  std::vector<std::string> Programs;
  std::vector<TGAFitness> Fitnesses;
  TGAFitness MinFitness = 0;
  TGAFitness MaxFitness = 0;
  std::int32_t Generation = 0;
  bool operator==(const Snapshot&) const = default;
};

using Setting = std::tuple<TGASelectionMethod, TGPBloatStrategy>;

// Observed: a handler watches every child start as a copy of its first parent, which keeps
// breeding from skipping the copies a crossover overwrites; the run must not change.
Snapshot RunWithThreads(const Setting& Config, int Threads, bool Batch = false,
                        bool Observed = false) {
  SetParallelThreads(Threads);
  RandSeed(2024);
  TKXGeneticProgramming gp;
  AddArithmetic(*gp.Instructions());
  // One context per evaluation, or shared cases and results per thread: safe either way.
  if (Batch) {
    SetBatchQuadraticFitness(gp);
  } else {
    SetQuadraticFitness(gp);
  }
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

  Snapshot snapshot;
  for (int i = 0; i < gp.Population()->Count(); ++i) {
    auto* individual = gp.Population()->Items(i);
    snapshot.Programs.push_back(individual->ToString());
    snapshot.Fitnesses.push_back(individual->Fitness());
  }
  snapshot.MinFitness = gp.MinFitness();
  snapshot.MaxFitness = gp.MaxFitness();
  snapshot.Generation = gp.Generation();
  return snapshot;
}

class GPParallelReproducibilityTest : public ::testing::TestWithParam<Setting> {};

TEST_P(GPParallelReproducibilityTest, SameRunForEveryThreadCount) {
  const Snapshot one = RunWithThreads(GetParam(), 1);
  EXPECT_EQ(one.Generation, 4);
  ASSERT_EQ(one.Programs.size(), 41u);
  EXPECT_EQ(RunWithThreads(GetParam(), 2), one);
  EXPECT_EQ(RunWithThreads(GetParam(), 4), one);
  EXPECT_EQ(RunWithThreads(GetParam(), 2, false, true), one);
}

// Batch execution computes the same fitness, so it gives the same run, on any number of
// threads.
TEST(GPParallelBatch, SameRunAsCaseByCaseExecution) {
  const Setting setting{smTournament, bsDepthLimit};
  const Snapshot single = RunWithThreads(setting, 1);
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
