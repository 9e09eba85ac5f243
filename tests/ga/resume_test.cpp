// A run does not depend on the thread count, a run continued from a checkpoint is the run that
// went on, and the extra stopping rules and the run log.

#include <fstream>

#include "ga/ga_test_support.hpp"
#include "kx/core/run_log.hpp"
#include "kx/core/run_state.hpp"
#include "xml/xml_test_support.hpp"

namespace kx::test {
namespace {

// A draw in a noisy fitness puts the evaluation streams in the run too.
void Configure(TKXGeneticAlgorithm& GA, TGASelectionMethod Method, bool Noisy = false) {
  for (std::int32_t size : {24, 30, 10}) AddGene(GA, "", gtInteger, size);
  GA.SetInitialPopulation(31);
  GA.SetFitnessMethod(fmMaximize);
  GA.SetSelectionMethod(Method);
  GA.SetMutationProbability(0.05);
  GA.SetIncludeRunState(true);
  GA.SetOnEvaluateFitness([Noisy](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes() +
              (Noisy ? RandomFloat() / 4096 : 0);
  });
}

// Seeds and initializes GA unless Seed is 0, evolves it and returns its saved document, which
// holds the chromosomes, fitnesses, statistics and run state (the generator's included).
std::string Evolved(TKXGeneticAlgorithm& GA, std::uint64_t Seed, std::int32_t Generations,
                    int Threads) {
  if (Seed != 0) RandSeed(Seed);
  if (Seed != 0) GA.Initialize();
  SetParallelThreads(Threads);
  EXPECT_EQ(Threads == 0 ? GA.Evolve(Generations) : GA.ParallelEvolve(Generations), Generations);
  SetParallelThreads(0);
  return Saved(GA);
}

class GARuns : public ::testing::TestWithParam<TGASelectionMethod> {};

TEST_P(GARuns, ThreadCountsAndCheckpointsChangeNothing) {
  std::string noisy;
  for (int threads : {0, 1, 3}) {
    SCOPED_TRACE(threads);
    TKXGeneticAlgorithm whole, first, resumed, parallel;
    for (TKXGeneticAlgorithm* ga : {&whole, &first, &resumed, &parallel})
      Configure(*ga, GetParam(), ga == &parallel);
    const std::string expected = WithoutClock(Evolved(whole, 5, 12, threads));
    const std::string text = Evolved(first, 5, 5, threads);
    std::stringstream document(text),
        bad(std::string(text).insert(text.find("<Fitnesses>") + 11, "x"));
    EXPECT_THROW(parallel.LoadFromStream(bad), EConvertError);  // and changes nothing
    RandSeed(12345);  // a fresh process starts from another generator state
    resumed.LoadFromStream(document);
    EXPECT_EQ(WithoutClock(Evolved(resumed, 0, 7, threads)), expected);
    if (threads == 0) continue;
    const std::string run = WithoutClock(Evolved(parallel, 31, 6, threads));
    if (noisy.empty()) noisy = run;
    EXPECT_EQ(run, noisy);
  }
}

INSTANTIATE_TEST_SUITE_P(Selection, GARuns,
                         ::testing::Values(smRoulette, smTournament, smStochasticTournament,
                                           smElitist));

TEST(GAStopRules, EachRuleStopsTheRunAndNamesItself) {
  for (TKXStopReason reason : {srGenerations, srEvaluations, srStall, srTimeLimit, srCancelled,
                               srHalted, srFitnessCutoff, srGenerationLimit}) {
    TKXGeneticAlgorithm ga;
    Configure(ga, smTournament);
    RandSeed(1);
    ga.Initialize();
    ga.StopRules().SetMaxEvaluations(reason == srEvaluations ? 100 : 0);
    ga.StopRules().SetStallGenerations(reason == srStall ? 3 : 0);
    ga.StopRules().SetTimeLimit(reason == srTimeLimit ? 1e-9 : 0);
    if (reason == srStall) ga.SetOperations({});
    if (reason == srCancelled) ga.Cancel();
    if (reason == srHalted) ga.SetOnEvolve([&ga](TKXObject*) { ga.SetHalt(true); });
    ga.SetUseFitnessCutoff(reason == srFitnessCutoff);
    ga.SetFitnessCutoff(1);
    ga.SetUseGenerationLimit(reason == srGenerationLimit);
    ga.SetGenerationLimit(2);
    EXPECT_EQ(ga.Evolve(20) < 20, reason != srGenerations) << reason;
    EXPECT_EQ(ga.StopReason(), reason);
  }
}

TEST(GARunLog, HeaderThenOneRowPerGenerationAndAppendingContinues) {
  const std::string file = ::testing::TempDir() + "kx_ga_run_log.csv";
  TKXGeneticAlgorithm ga;
  Configure(ga, smTournament);
  {
    TKXRunLog log(file), more(file, true);
    ga.SetOnGeneration(log.Observer());
    ga.Initialize();
    ga.Evolve(2);
    ga.SetOnGeneration(more.Observer());
    ga.Evolve(1);
    ga.SetOnGeneration(nullptr);
  }
  std::ifstream in(file);
  std::string text, line;
  for (std::getline(in, text); std::getline(in, line);)
    text += "|" + line.substr(0, 2) + line.back();
  EXPECT_EQ(text, std::string(TKXRunLog::Header) + "|0,,|1,,|2,,|3,,");  // no program columns
}

}  // namespace
}  // namespace kx::test
