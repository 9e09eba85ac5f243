// A run does not depend on the thread count, a run continued from a checkpoint is the run that
// went on, and the extra stopping rules and the run log.

#include <fstream>

#include "ga/ga_test_support.hpp"
#include "kx/core/run_log.hpp"
#include "kx/core/run_state.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::test {
namespace {

// A bare component gets only the fitness and the run state: the rest must come from a document.
void Configure(TKXGeneticAlgorithm& GA, TGASelectionMethod Method, bool Bare = false) {
  GA.SetIncludeRunState(true);
  CountOnesFitness(GA);
  if (Bare) return;
  for (std::int32_t size : {24, 30, 10}) AddGene(GA, "", gtInteger, size);
  SetAll(GA, &TGA::SetInitialPopulation, 31, &TGA::SetFitnessMethod, fmMaximize,
         &TGA::SetSelectionMethod, Method, &TGA::SetMutationProbability, 0.05);
}

// Seeds and initializes GA unless Seed is 0, evolves it and returns its saved document, which
// holds the chromosomes, fitnesses, statistics and run state (the generator's included).
std::string Evolved(TKXGeneticAlgorithm& GA, std::uint64_t Seed, std::int32_t Generations,
                    int Threads) {
  if (Seed != 0) RandSeed(Seed), GA.Initialize();
  SetParallelThreads(Threads);
  EXPECT_EQ(Threads == 0 ? GA.Evolve(Generations) : GA.ParallelEvolve(Generations), Generations);
  SetParallelThreads(0);
  return Saved(GA);
}

class GARuns : public ::testing::TestWithParam<TGASelectionMethod> {};

// The same seed gives the same parallel run on any thread count, and a bare component loading
// a checkpoint continues it into the document of the uninterrupted run.
TEST_P(GARuns, ThreadCountsAndCheckpointsChangeNothing) {
  std::string previous;
  for (int threads : {0, 1, 3}) {
    SCOPED_TRACE(threads);
    TKXGeneticAlgorithm whole, first, resumed;
    for (TKXGeneticAlgorithm* ga : {&whole, &first, &resumed})
      Configure(*ga, GetParam(), ga == &resumed);
    const std::string expected = WithoutClock(Evolved(whole, 5, 12, threads));
    EXPECT_EQ(expected, threads == 3 ? previous : expected);  // 3 threads: the run on one
    previous = expected;
    std::stringstream document(Evolved(first, 5, 5, threads));
    RandSeed(12345);  // a fresh process starts from another generator state
    resumed.LoadFromStream(document);
    EXPECT_EQ(WithoutClock(Evolved(resumed, 0, 7, threads)), expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Selection, GARuns,
                         ::testing::Values(smRoulette, smTournament, smStochasticTournament,
                                           smElitist));

// Each rule stops the run and names itself; the run log writes its header, then one row per
// generation (the first at initialization), and each later log appends to the file.
TEST(GAStopRules, EachRuleStopsTheRunNamesItselfAndTheRunLogRecordsIt) {
  const std::string file = ::testing::TempDir() + "kx_ga_run_log.csv";
  std::string expected = TKXRunLog::Header;
  for (TKXStopReason reason : {srGenerations, srEvaluations, srStall, srTimeLimit, srCancelled,
                               srHalted, srFitnessCutoff, srGenerationLimit}) {
    TKXGeneticAlgorithm ga;
    Configure(ga, smTournament);
    TKXRunLog log(file, reason != srGenerations);
    ga.SetOnGeneration(log.Observer());
    RandSeed(1);
    ga.Initialize();
    ga.StopRules().SetMaxEvaluations(reason == srEvaluations ? 100 : 0);
    ga.StopRules().SetStallGenerations(reason == srStall ? 3 : 0);
    ga.StopRules().SetTimeLimit(reason == srTimeLimit ? 1e-9 : 0);
    if (reason == srStall) ga.SetOperations({});
    if (reason == srCancelled) ga.Cancel();
    if (reason == srHalted) ga.SetOnEvolve([&ga](TKXObject*) { ga.SetHalt(true); });
    // At the default cutoff 1.
    SetAll(ga, &TGA::SetUseFitnessCutoff, reason == srFitnessCutoff, &TGA::SetUseGenerationLimit,
           reason == srGenerationLimit, &TGA::SetGenerationLimit, 2);
    EXPECT_EQ(ga.Evolve(20) < 20, reason != srGenerations) << reason;
    EXPECT_EQ(ga.StopReason(), reason);
    for (std::int32_t g = 0; g <= ga.Generation(); ++g)
      expected.append("|").append(std::to_string(g)).append(",,");
  }
  std::ifstream in(file);
  std::string text, line;
  for (std::getline(in, text); std::getline(in, line);)
    text.append("|").append(line, 0, line.find(',') + 1) += line.back();
  EXPECT_EQ(text, expected);  // no program columns
}

}  // namespace
}  // namespace kx::test
