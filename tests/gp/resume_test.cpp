// A program run is the same on any number of threads, and continued from a checkpoint it is the
// run that went on: every breeding iteration and evaluation draws from its own stream.

#include <type_traits>

#include "gp_test_support.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::testing {
namespace {

// The outcome of Generations more generations from Start (a fresh seeded run when Start is
// empty), saving a checkpoint with the run state when asked. Each component runs under another
// bloat strategy and selection method, all of which draw or read the population while evaluating
// or breeding; each generation's report carries the program statistics.
template <class Component>
std::string Run(std::stringstream* Start, int Generations, int Threads,
                std::stringstream* Checkpoint = nullptr) {
  Component gp;
  gp.SetInitialPopulation(40);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetMutationProbability(0.3);
  const bool binary = std::is_same_v<Component, TKXBinaryGeneticProgramming>;
  gp.SetBloatStrategy(binary ? bsSizeFairCrossover : bsTarpeianSize);
  gp.SetSelectionMethod(binary ? smElitist : smTournament);
  // A constant of more than 15 significant digits, which a resumed run must keep exactly, or the
  // fitness would differ. Several threads run the programs once over all the cases, and watch
  // every child start as a copy of its first parent, which keeps breeding from skipping the
  // copies a crossover overwrites: neither may change the run.
  AddArithmetic(*gp.Instructions());
  gp.Instructions()->Items(4)->SetValue(1.0 / 3);
  SetQuadraticFitness(gp, Threads > 1);
  if (Threads > 1) gp.SetOnInitializeChild([](auto...) {});
  TKXGenerationReport last;
  gp.SetOnGeneration([&](TKXObject*, const TKXGenerationReport& Report) { last = Report; });
  RandSeed(Start != nullptr ? 777 : 9);
  Start != nullptr ? gp.LoadFromStream(*Start) : gp.Initialize();
  SetParallelThreads(Threads);
  Threads == 0 ? gp.Evolve(Generations) : gp.ParallelEvolve(Generations);
  SetParallelThreads(0);
  EXPECT_EQ(std::tuple(last.HasPrograms, last.AvgProgramSize, last.AvgProgramDepth),
            std::tuple(true, double(gp.AvgProgramSize()), double(gp.AvgProgramDepth())));
  if (Checkpoint != nullptr) {
    gp.SetIncludeRunState(true);
    gp.SaveToStream(*Checkpoint);
  }
  return Snapshot(gp);
}

template <class Component>
void ExpectExactRuns() {
  std::string runs[3];
  for (int threads : {0, 1, 3}) {
    std::stringstream checkpoint;
    Run<Component>(nullptr, 2, threads, &checkpoint);
    runs[std::min(threads, 2)] = Run<Component>(nullptr, 6, threads);
    EXPECT_EQ(Run<Component>(&checkpoint, 4, threads), runs[std::min(threads, 2)]) << threads;
  }
  EXPECT_THAT(runs[1], ::testing::StartsWith("6 "));
  EXPECT_EQ(runs[1], runs[2]);
}

TEST(GPRunTest, SameRunOnAnyThreadsAndAfterAResume) {
  ExpectExactRuns<TKXGeneticProgramming>();
  ExpectExactRuns<TKXBinaryGeneticProgramming>();
}

}  // namespace
}  // namespace kx::testing
