// A run does not depend on the thread count, a run continued from a checkpoint is the run that
// went on, and the extra stopping rules and the run log.

#include <fstream>

#include "ga/ga_test_support.hpp"
#include "kx/core/run_log.hpp"
#include "kx/core/run_state.hpp"

namespace kx::test {
namespace {

// Threads 0 evolves sequentially. A draw in the fitness puts the evaluation streams in the run.
void Configure(TKXGeneticAlgorithm& GA, TGASelectionMethod Method, int Threads, bool Noisy) {
  SetParallelThreads(Threads);
  for (std::int32_t size : {24, 30, 10}) AddGene(GA, "", gtInteger, size);
  GA.SetInitialPopulation(31);
  GA.SetFitnessMethod(fmMaximize);
  GA.SetSelectionMethod(Method);
  GA.SetMutationProbability(0.05);
  GA.SetOnEvaluateFitness([Noisy](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes() +
              (Noisy ? RandomFloat() / 4096 : 0);
  });
}

std::vector<std::string> Evolve(TKXGeneticAlgorithm& GA, std::int32_t Generations, int Threads) {
  EXPECT_EQ(Threads == 0 ? GA.Evolve(Generations) : GA.ParallelEvolve(Generations), Generations);
  std::vector<std::string> run = BitTexts(GA.Population());
  for (int i = 0; i < GA.Population()->Count(); ++i)
    run.push_back(std::to_string(GA.Population()->Items(i)->Fitness()));
  for (double v : {GA.MaxFitness(), GA.MinFitness(), GA.FitnessSum()})
    run.push_back(std::to_string(v));
  const TKXRandom::TState state = RandomState();
  run.push_back(std::to_string(GA.RunState().Evaluations()) + " " + std::to_string(state.State));
  return run;
}

class GARuns : public ::testing::TestWithParam<TGASelectionMethod> {
 protected:
  void TearDown() override { SetParallelThreads(0); }
};

TEST_P(GARuns, ThreadCountsAndCheckpointsChangeNothing) {
  std::vector<std::string> noisy;
  for (int threads : {0, 1, 3}) {
    SCOPED_TRACE(threads);
    TKXGeneticAlgorithm whole, first, resumed, parallel;
    for (TKXGeneticAlgorithm* ga : {&whole, &first, &resumed})
      Configure(*ga, GetParam(), threads, false);
    RandSeed(5);
    whole.Initialize();
    const std::vector<std::string> expected = Evolve(whole, 12, threads);
    RandSeed(5);
    first.Initialize();
    Evolve(first, 5, threads);
    std::stringstream document;
    first.SetIncludeRunState(true);
    first.SaveToStream(document);
    RandSeed(12345);  // a fresh process starts from another generator state
    resumed.LoadFromStream(document);
    EXPECT_EQ(resumed.Generation(), 5);
    EXPECT_EQ(Evolve(resumed, 7, threads), expected);
    if (threads == 0) continue;
    Configure(parallel, GetParam(), threads, true);
    RandSeed(31);
    parallel.Initialize();
    const std::vector<std::string> run = Evolve(parallel, 6, threads);
    if (noisy.empty()) noisy = run;
    EXPECT_EQ(run, noisy);
  }
}

INSTANTIATE_TEST_SUITE_P(Selection, GARuns,
                         ::testing::Values(smRoulette, smTournament, smStochasticTournament,
                                           smElitist));

TEST(GARunState, WrittenOnlyOnRequestAndRejectedWhenMalformed) {
  TKXGeneticAlgorithm ga;
  Configure(ga, smRoulette, 0, false);
  RandSeed(3);
  ga.Initialize();
  EXPECT_EQ(Saved(ga).find("RunState"), std::string::npos);
  ga.SetIncludeRunState(true);
  std::string text = Saved(ga);
  ASSERT_NE(text.find("<Fitnesses>"), std::string::npos);
  std::istringstream bad(text.insert(text.find("<Fitnesses>") + 11, "x"));
  EXPECT_THROW(ga.LoadFromStream(bad), EConvertError);
}

TEST(GAStopRules, EachRuleStopsTheRunAndNamesItself) {
  const std::pair<void (*)(TKXGeneticAlgorithm&), TKXStopReason> cases[] = {
      {[](TKXGeneticAlgorithm&) {}, srGenerations},
      {[](TKXGeneticAlgorithm& GA) { GA.StopRules().SetMaxEvaluations(100); }, srEvaluations},
      {[](TKXGeneticAlgorithm& GA) {
         GA.SetMutationProbability(0);
         GA.SetCrossoverProbability(0);
         GA.StopRules().SetStallGenerations(3);
       },
       srStall},
      {[](TKXGeneticAlgorithm& GA) { GA.StopRules().SetTimeLimit(1e-9); }, srTimeLimit},
      {[](TKXGeneticAlgorithm& GA) { GA.Cancel(); }, srCancelled},
      {[](TKXGeneticAlgorithm& GA) { GA.SetOnEvolve([&GA](TKXObject*) { GA.SetHalt(true); }); },
       srHalted},
      {[](TKXGeneticAlgorithm& GA) {
         GA.SetUseFitnessCutoff(true);
         GA.SetFitnessCutoff(1);
       },
       srFitnessCutoff},
      {[](TKXGeneticAlgorithm& GA) {
         GA.SetUseGenerationLimit(true);
         GA.SetGenerationLimit(2);
       },
       srGenerationLimit},
  };
  for (const auto& [set, expected] : cases) {
    TKXGeneticAlgorithm ga;
    Configure(ga, smTournament, 0, false);
    RandSeed(1);
    ga.Initialize();
    set(ga);
    const std::int32_t evolved = ga.Evolve(20);
    EXPECT_EQ(ga.StopReason(), expected);
    EXPECT_EQ(evolved < 20, expected != srGenerations) << expected;
  }
}

TEST(GARunLog, HeaderThenOneRowPerGenerationAndAppendingContinues) {
  const std::string file = ::testing::TempDir() + "kx_ga_run_log.csv";
  TKXGeneticAlgorithm ga;
  Configure(ga, smTournament, 0, false);
  {
    TKXRunLog log(file);
    ga.SetOnGeneration(log.Observer());
    RandSeed(2);
    ga.Initialize();
    ga.Evolve(2);
    TKXRunLog more(file, true);
    ga.SetOnGeneration(more.Observer());
    ga.Evolve(1);
    ga.SetOnGeneration(nullptr);
  }
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], TKXRunLog::Header);
  for (int g = 0; g <= 3; ++g) EXPECT_EQ(lines[g + 1].substr(0, 2), std::to_string(g) + ",");
  EXPECT_EQ(lines[4].back(), ',');  // no program columns for chromosomes
}

}  // namespace
}  // namespace kx::test
