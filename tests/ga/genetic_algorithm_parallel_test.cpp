#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

// What a run leaves behind: every chromosome with its fitness, then the statistics.
using TGARun = std::vector<std::pair<std::string, TGAFitness>>;

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
    ga.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      // A random draw makes the evaluation streams part of the result too.
      Fitness = static_cast<TKXGAIndividual*>(Item)->Bits()->CountOnes() + RandomFloat() / 4096;
    });
    ga.Initialize();
    const std::string initial = ga.Population()->Items(0)->Bits()->ToBitString();
    EXPECT_EQ(ga.ParallelEvolve(6), 6);
    EXPECT_NE(ga.Population()->Items(0)->Bits()->ToBitString(), initial);
    TGARun run;
    for (int i = 0; i < ga.Population()->Count(); ++i) {
      TKXGAIndividual* item = ga.Population()->Items(i);
      run.emplace_back(item->Bits()->ToBitString(), item->Fitness());
    }
    for (TGAFitness v : {ga.MaxFitness(), ga.MinFitness(), ga.FitnessSum()}) {
      run.emplace_back("statistic", v);
    }
    return run;
  }
};

TEST_P(GeneticAlgorithmParallelTest, ChromosomesAndStatisticsDoNotDependOnTheThreadCount) {
  const TGARun one = Run(1);
  EXPECT_EQ(Run(2), one);
  EXPECT_EQ(Run(4), one);
}

INSTANTIATE_TEST_SUITE_P(Selection, GeneticAlgorithmParallelTest,
                         ::testing::Values(smRoulette, smTournament, smStochasticTournament,
                                           smElitist),
                         [](const ::testing::TestParamInfo<TGASelectionMethod>& Info) {
                           return std::string(EnumName(Info.param));
                         });

}  // namespace
}  // namespace kx
