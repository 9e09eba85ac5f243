#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "kx/ga/genetic_algorithm.hpp"
#include "kx/host/parallel_for.hpp"
#include "kx/host/random.hpp"

namespace kx {
namespace {

// What a run leaves behind: every chromosome, every fitness and the statistics.
struct TGARun {
  std::vector<std::string> Initial;
  std::vector<std::string> Chromosomes;
  std::vector<TGAFitness> Fitnesses;
  std::vector<TGAFitness> Statistics;
  int FitnessCalls = 0;
};

std::vector<std::string> ChromosomesOf(TKXGeneticAlgorithm& GA) {
  std::vector<std::string> bits;
  for (int i = 0; i < GA.Population()->Count(); ++i) {
    bits.push_back(GA.Population()->Items(i)->Bits()->ToBitString());
  }
  return bits;
}

class GeneticAlgorithmParallelTest : public ::testing::TestWithParam<TGASelectionMethod> {
 protected:
  void TearDown() override { SetParallelThreads(0); }

  static TGARun Run(int Threads) {
    SetParallelThreads(Threads);
    RandSeed(31);
    TKXGeneticAlgorithm ga;
    // Three genes so that gene-boundary crossover has cut points to draw.
    for (std::int32_t size : {24, 40, 32}) ga.Genes()->Add()->SetSize(size);
    ga.SetInitialPopulation(37);
    ga.SetFitnessMethod(fmMaximize);
    ga.SetSelectionMethod(GetParam());
    ga.SetCrossoverMethod(cmGeneBoundary);
    ga.SetCrossoverProbability(0.8);
    ga.SetMutationProbability(0.02);
    ga.SetInversionProbability(0.05);
    std::atomic<int> calls{0};
    ga.SetOnEvaluateFitness([&calls](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      ++calls;
      const TKXGABits* bits = static_cast<TKXGAIndividual*>(Item)->Bits();
      // Ones, with the middle gene's low byte as a tie-breaker; a random draw makes the
      // evaluation streams part of the result too.
      Fitness = bits->CountOnes() + bits->GetAsInteger(24, 8) / 256.0 + RandomFloat() / 4096;
    });
    ga.Initialize();
    TGARun run;
    run.Initial = ChromosomesOf(ga);
    EXPECT_EQ(ga.ParallelEvolve(6), 6);
    run.Chromosomes = ChromosomesOf(ga);
    for (int i = 0; i < ga.Population()->Count(); ++i) {
      run.Fitnesses.push_back(ga.Population()->Items(i)->Fitness());
    }
    run.Statistics = {ga.MaxFitness(), ga.MinFitness(), ga.FitnessSum(), ga.WeightedFitnessSum()};
    run.FitnessCalls = calls.load();
    return run;
  }
};

TEST_P(GeneticAlgorithmParallelTest, ChromosomesAndStatisticsDoNotDependOnTheThreadCount) {
  const TGARun one = Run(1);
  ASSERT_NE(one.Chromosomes, one.Initial);
  for (int threads : {2, 4}) {
    SCOPED_TRACE(threads);
    const TGARun other = Run(threads);
    EXPECT_EQ(other.Initial, one.Initial);
    EXPECT_EQ(other.Chromosomes, one.Chromosomes);
    EXPECT_EQ(other.Fitnesses, one.Fitnesses);
    EXPECT_EQ(other.Statistics, one.Statistics);
    EXPECT_EQ(other.FitnessCalls, one.FitnessCalls);
  }
}

INSTANTIATE_TEST_SUITE_P(Selection, GeneticAlgorithmParallelTest,
                         ::testing::Values(smRoulette, smTournament, smStochasticTournament,
                                           smElitist),
                         [](const ::testing::TestParamInfo<TGASelectionMethod>& Info) {
                           return std::string(EnumName(Info.param));
                         });

}  // namespace
}  // namespace kx
