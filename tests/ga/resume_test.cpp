// A run continued from a checkpoint is the run that went on; the extra stopping rules.

#include <fstream>

#include "ga/ga_test_support.hpp"
#include "kx/core/run_log.hpp"
#include "kx/core/run_state.hpp"

namespace kx::test {
namespace {

void Configure(TKXGeneticAlgorithm& GA, TGASelectionMethod Method) {
  GA.SetGeneSize(64);
  GA.SetInitialPopulation(31);
  GA.SetFitnessMethod(fmMaximize);
  GA.SetSelectionMethod(Method);
  GA.SetCrossoverMethod(cmBitBoundary);
  GA.SetMutationProbability(0.05);
  CountOnesFitness(GA);
}

// Threads 0 evolves sequentially; otherwise in parallel with that many threads.
std::int32_t EvolveFor(TKXGeneticAlgorithm& GA, std::int32_t Generations, int Threads) {
  if (Threads == 0) return GA.Evolve(Generations);
  SetParallelThreads(Threads);
  return GA.ParallelEvolve(Generations);
}

struct Snapshot {
  std::vector<std::string> Bits;
  std::vector<double> Fitnesses;
  std::int32_t Generation;
  std::int64_t Evaluations;
  TKXRandom::TState Random;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(TKXGeneticAlgorithm& GA) {
  Snapshot s{
      BitTexts(GA.Population()), {}, GA.Generation(), GA.RunState().Evaluations(), RandomState()};
  for (int i = 0; i < GA.Population()->Count(); ++i)
    s.Fitnesses.push_back(GA.Population()->Items(i)->Fitness());
  return s;
}

class GAResumeTest : public ::testing::TestWithParam<std::tuple<int, TGASelectionMethod>> {
 protected:
  void TearDown() override { SetParallelThreads(0); }
};

TEST_P(GAResumeTest, ResumedRunEqualsUninterruptedOne) {
  const auto [threads, method] = GetParam();
  TKXGeneticAlgorithm whole, first, resumed;
  for (TKXGeneticAlgorithm* ga : {&whole, &first, &resumed}) Configure(*ga, method);
  for (auto [ga, generations] : {std::pair{&whole, 12}, std::pair{&first, 5}}) {
    RandSeed(5);
    ga->Initialize();
    EvolveFor(*ga, generations, threads);
  }
  std::stringstream document;
  first.SetIncludeRunState(true);
  first.SaveToStream(document);
  RandSeed(12345);  // a fresh process starts from another generator state
  resumed.LoadFromStream(document);
  EXPECT_EQ(resumed.Generation(), 5);
  EvolveFor(resumed, 7, threads);
  EXPECT_EQ(Take(resumed), Take(whole));
}

INSTANTIATE_TEST_SUITE_P(Parallel, GAResumeTest,
                         ::testing::Combine(::testing::Values(0, 1, 3),
                                            ::testing::Values(smTournament, smRoulette,
                                                              smElitist)));

TEST(GARunStateDocument, WrittenOnlyOnRequestAndRejectedWhenMalformed) {
  TKXGeneticAlgorithm ga;
  Configure(ga, smRoulette);
  RandSeed(3);
  ga.Initialize();
  std::stringstream plain;
  ga.SaveToStream(plain);
  EXPECT_EQ(plain.str().find("RunState"), std::string::npos);

  ga.SetIncludeRunState(true);
  std::stringstream withState;
  ga.SaveToStream(withState);
  std::string text = withState.str();
  ASSERT_NE(text.find("<RunState>"), std::string::npos);
  std::istringstream bad(text.insert(text.find("<Fitnesses>") + 11, "x"));
  EXPECT_THROW(ga.LoadFromStream(bad), EConvertError);
}

TEST(GAStopRules, EachRuleStopsTheRunAndNamesItself) {
  struct Case {
    const char* Name;
    void (*Set)(TKXGeneticAlgorithm&);
    TKXStopReason Expected;
  };
  const Case cases[] = {
      {"none", [](TKXGeneticAlgorithm&) {}, srGenerations},
      {"evaluations", [](TKXGeneticAlgorithm& GA) { GA.StopRules().SetMaxEvaluations(100); },
       srEvaluations},
      {"stall",
       [](TKXGeneticAlgorithm& GA) {
         GA.SetMutationProbability(0);
         GA.SetCrossoverProbability(0);
         GA.StopRules().SetStallGenerations(3);
       },
       srStall},
      {"time", [](TKXGeneticAlgorithm& GA) { GA.StopRules().SetTimeLimit(1e-9); }, srTimeLimit},
      {"cancel", [](TKXGeneticAlgorithm& GA) { GA.Cancel(); }, srCancelled},
      {"halt",
       [](TKXGeneticAlgorithm& GA) { GA.SetOnEvolve([&GA](TKXObject*) { GA.SetHalt(true); }); },
       srHalted},
      {"cutoff",
       [](TKXGeneticAlgorithm& GA) {
         GA.SetUseFitnessCutoff(true);
         GA.SetFitnessCutoff(1);
       },
       srFitnessCutoff},
      {"limit",
       [](TKXGeneticAlgorithm& GA) {
         GA.SetUseGenerationLimit(true);
         GA.SetGenerationLimit(2);
       },
       srGenerationLimit},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TKXGeneticAlgorithm ga;
    Configure(ga, smTournament);
    RandSeed(1);
    ga.Initialize();
    c.Set(ga);
    const std::int32_t evolved = ga.Evolve(20);
    EXPECT_EQ(ga.StopReason(), c.Expected);
    EXPECT_EQ(evolved < 20, c.Expected != srGenerations);
  }
}

TEST(GARunLog, HeaderThenOneRowPerGenerationAndAppendingContinues) {
  const std::string file = ::testing::TempDir() + "kx_run_log.csv";
  TKXGeneticAlgorithm ga;
  Configure(ga, smTournament);
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
