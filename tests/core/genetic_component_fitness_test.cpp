#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

void ExpectTable(const TGAFitnessArray& Actual, const std::vector<double>& Expected) {
  ASSERT_EQ(Actual.size(), Expected.size());
  for (std::size_t i = 0; i < Expected.size(); ++i) EXPECT_NEAR(Actual[i], Expected[i], 1e-12) << i;
}

TEST(FitnessStatisticsTest, OneTwoThreeMaximizingAndMinimizing) {
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({1, 2, 3});
  EXPECT_EQ(c.FitnessSum(), 6);
  EXPECT_EQ(c.AvgFitness(), 2);
  EXPECT_EQ(c.MinFitness(), 1);
  EXPECT_EQ(c.MaxFitness(), 3);
  EXPECT_DOUBLE_EQ(c.Diversity(), 2.0 / 3);
  EXPECT_EQ(c.FittestIndividual(), c.At(2));
  ExpectTable(c.CumNormFitnesses(), {1.0 / 6, 0.5, 1});
  EXPECT_DOUBLE_EQ(c.At(0)->NormalizedFitness(), 1.0 / 6);
  EXPECT_DOUBLE_EQ(c.At(0)->AdjustedFitness(), 1.0 / 3);  // 1 / (3 - 1 + 1)
  EXPECT_DOUBLE_EQ(c.At(2)->AdjustedFitness(), 1);

  c.SetFitnessMethod(fmMinimize);
  c.EvaluateFitness();
  ExpectTable(c.CumNormFitnesses(), {2.0 / 3, 1, 1});
  EXPECT_EQ(c.FittestIndividual(), c.At(0));
  EXPECT_DOUBLE_EQ(c.At(0)->AdjustedFitness(), 0.5);
}

TEST(FitnessStatisticsTest, TiesShareTheRouletteAndKeepTheLowerIndex) {
  TValueComponent c;
  c.SetSelectionMethod(smStochasticTournament);  // also prepares the table
  c.SetValues({5, 5, 5});
  ExpectTable(c.CumNormFitnesses(), {1.0 / 3, 2.0 / 3, 1});
  EXPECT_EQ(c.FittestIndividual(), c.At(0));

  c.SetValues({2, 2, 1});
  EXPECT_EQ(c.Fittest(c.At(1), c.At(0), true), c.At(1));
  EXPECT_EQ(c.CompareFitness(c.At(0), c.At(2), true), 1);
  EXPECT_EQ(c.CompareFitness(c.At(2), c.At(0), true), -1);
  c.SetFitnessMethod(fmMaximize);
  EXPECT_EQ(c.CompareFitness(c.At(0), c.At(2), true), -1);
  EXPECT_EQ(c.CompareFitness(c.At(0), c.At(1), true), 0);
}

TEST(FitnessStatisticsTest, ZeroSumsAndEmptyPopulations) {
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({0, 0});
  EXPECT_EQ(c.GetNormalizedFitness(3), 0);
  EXPECT_EQ(c.GetNormalizedWeightedFitness(3), 0);
  ExpectTable(c.CumNormFitnesses(), {0, 0});

  c.SetValues({4, 8});
  c.Population()->Clear();
  c.EvaluateFitness();
  EXPECT_EQ(c.MaxFitness(), 0);
  EXPECT_EQ(c.MaxWeightedFitness(), 0);
  EXPECT_EQ(c.AvgFitness(), 0);                // no division by zero
  EXPECT_EQ(c.FittestIndividual(), nullptr);   // it was removed from the population
  EXPECT_EQ(c.CumNormFitnesses().size(), 2u);  // the table is kept
}

TEST(FitnessStatisticsTest, WeightedMethodsCompareTheWeightedFitnessUnlessAskedForPure) {
  TValueComponent c;
  // The weighted fitness reverses the order of the raw one.
  c.SetOnEvaluateWeightedFitness(
      [](TKXObject*, TKXIndividual* Item, TGAFitness& F) { F = 10 - Item->Fitness(); });
  c.SetFitnessMethod(fmWeightedMinimize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({1, 2, 4});
  EXPECT_EQ(c.Fittest(c.At(0), c.At(2), false), c.At(2));
  EXPECT_EQ(c.Fittest(c.At(0), c.At(2), true), c.At(0));
  EXPECT_EQ(c.FittestIndividual(), c.At(0));  // always by the raw fitness
  EXPECT_EQ(c.MinWeightedFitness(), 6);
  EXPECT_EQ(c.MaxWeightedFitness(), 9);
  EXPECT_EQ(c.WeightedFitnessSum(), 23);
  EXPECT_DOUBLE_EQ(c.AvgWeightedFitness(), 23.0 / 3);
  // Weighted roulette: distances below the worst weighted fitness 9 are 0, 1, 3.
  ExpectTable(c.CumNormFitnesses(), {0, 0.25, 1});

  c.SetFitnessMethod(fmWeightedMaximize);
  c.EvaluateFitness();
  ExpectTable(c.CumNormFitnesses(), {9.0 / 23, 17.0 / 23, 1});
  EXPECT_DOUBLE_EQ(c.At(0)->NormalizedWeigthedFitness(), 9.0 / 23);
}

TEST(FitnessStatisticsTest, AStatisticsPassEvaluatesEachStaleIndividualOnceAndWeightsAlways) {
  TValueComponent c;
  int weighted = 0;
  c.SetOnEvaluateWeightedFitness([&](TKXObject* Sender, TKXIndividual* Item, TGAFitness& F) {
    EXPECT_EQ(Sender, &c);
    ++weighted;
    F = Item->Fitness();
  });
  c.SetSelectionMethod(smTournament);  // no preparation pass
  c.SetValues({3, 1, 2, 5});
  c.At(2)->SetValue(0);
  c.EvaluateFitness();
  EXPECT_EQ(c.Evaluations, 5);
  EXPECT_EQ(weighted, 8);  // the weighted fitness is never cached
  EXPECT_EQ(c.FittestIndividual(), c.At(2));
}

TEST(FitnessStatisticsTest, DefaultsOfTheFitnessAndTheUnfitSentinel) {
  TKXCustomGeneticComponent c;
  double seen = -1;
  c.SetOnEvaluateFitness([&](TKXObject*, TKXIndividual*, TGAFitness& F) { seen = F; });
  EXPECT_EQ(c.Population()->Add()->Fitness(), 0);
  EXPECT_EQ(seen, 0);  // the variable arrives as 0
  c.SetOnEvaluateFitness(nullptr);
  EXPECT_EQ(c.EvaluateFitness(c.Population()->Items(0), false), 0);

  c.SetFitnessMethod(fmWeightedMinimize);
  EXPECT_EQ(c.UnfitFitness(), 3.4028234663852886e+38);
  c.SetFitnessMethod(fmWeightedMaximize);
  EXPECT_EQ(c.UnfitFitness(), 1.1754943508222875e-38);
}

}  // namespace
}  // namespace kx::testing
