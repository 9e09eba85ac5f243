#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

void ExpectTable(const TGAFitnessArray& Actual, const std::vector<double>& Expected) {
  ASSERT_EQ(Actual.size(), Expected.size());
  for (std::size_t i = 0; i < Expected.size(); ++i) EXPECT_NEAR(Actual[i], Expected[i], 1e-12) << i;
}

// The statistics of a population: sum, average, extremes, diversity (infinite when the
// maximum is 0), the fittest (ties keep the lower index), the roulette table (shares of the
// fitness when maximizing, of the distance below the maximum when minimizing, equal shares
// when all distances are 0, and all 0 for a zero sum) and the first individual's normalized
// and adjusted fitness.
TEST(FitnessStatisticsTest, StatisticsTableAndMeasuresFollowTheFitnessMethod) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    TGAFitnessMethod Method;
    std::vector<double> Values;
    double Sum, Average, Min, Max, Diversity;
    int Fittest;
    std::vector<double> Table;
    double Normalized, Adjusted;
  } rows[] = {{fmMaximize, {1, 2, 3}, 6, 2, 1, 3, 2.0 / 3, 2, {1.0 / 6, 0.5, 1}, 1.0 / 6, 1.0 / 3},
              {fmMinimize, {1, 2, 3}, 6, 2, 1, 3, 2.0 / 3, 0, {2.0 / 3, 1, 1}, 1.0 / 6, 0.5},
              {fmMinimize, {5, 5, 5}, 15, 5, 5, 5, 1, 0, {1.0 / 3, 2.0 / 3, 1}, 1.0 / 3, 1.0 / 6},
              {fmMaximize, {4, 4, 0}, 8, 8.0 / 3, 0, 4, 2.0 / 3, 0, {0.5, 1, 1}, 0.5, 1},
              {fmMinimize, {2, 2, 1}, 5, 5.0 / 3, 1, 2, 5.0 / 6, 2, {0, 0, 1}, 0.4, 1.0 / 3},
              {fmMaximize, {0, 0}, 0, 0, 0, 0, inf, 0, {0, 0}, 0, 1}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Sum);
    TValueComponent c;
    c.SetFitnessMethod(row.Method);  // the default selection method reads the roulette table
    c.SetValues(row.Values);
    EXPECT_EQ(std::tuple(c.FitnessSum(), c.MinFitness(), c.MaxFitness(), c.FittestIndividual()),
              std::tuple(row.Sum, row.Min, row.Max, c.At(row.Fittest)));
    EXPECT_DOUBLE_EQ(c.AvgFitness(), row.Average);
    EXPECT_DOUBLE_EQ(c.Diversity(), row.Diversity);
    ExpectTable(c.CumNormFitnesses(), row.Table);
    EXPECT_DOUBLE_EQ(c.At(0)->NormalizedFitness(), row.Normalized);
    EXPECT_DOUBLE_EQ(c.At(0)->AdjustedFitness(), row.Adjusted);
  }
}

TEST(FitnessStatisticsTest, WeightedMethodsEvaluationCountsComparisonsAndEmptyPopulations) {
  TValueComponent c;
  SetAll(c, &TComp::SetFitnessMethod, fmWeightedMinimize, &TComp::SetSelectionMethod, smRoulette);
  // The weighted fitness reverses the order of the raw one.
  c.SetOnEvaluateWeightedFitness(
      [](TKXObject*, TKXIndividual* Item, TGAFitness& F) { F = 10 - Item->Fitness(); });
  c.SetValues({1, 2, 4});
  // The fittest individual is always chosen by the raw fitness.
  EXPECT_EQ(std::tuple(c.Fittest(c.At(0), c.At(2), false), c.Fittest(c.At(0), c.At(2), true),
                       c.FittestIndividual()),
            std::tuple(c.At(2), c.At(0), c.At(0)));
  EXPECT_EQ(std::tuple(c.MinWeightedFitness(), c.MaxWeightedFitness(), c.WeightedFitnessSum()),
            std::tuple(6.0, 9.0, 23.0));
  EXPECT_DOUBLE_EQ(c.AvgWeightedFitness(), 23.0 / 3);
  // Weighted roulette: distances below the worst weighted fitness 9 are 0, 1, 3.
  ExpectTable(c.CumNormFitnesses(), {0, 0.25, 1});
  c.SetFitnessMethod(fmWeightedMaximize);
  c.EvaluateFitness();
  ExpectTable(c.CumNormFitnesses(), {9.0 / 23, 17.0 / 23, 1});
  EXPECT_DOUBLE_EQ(c.At(0)->NormalizedWeigthedFitness(), 9.0 / 23);
  // A statistics pass evaluates each stale individual once and the weighted fitness on every
  // read; Compare gives the sign of the difference (negative: the first is fitter); without a
  // handler the fitness is 0; an emptied population zeroes the statistics but keeps the table.
  TValueComponent e;
  int weighted = 0;
  e.SetOnEvaluateWeightedFitness([&](TKXObject* Sender, TKXIndividual* Item, TGAFitness& F) {
    weighted += Sender == &e;
    F = Item->Fitness();
  });
  e.SetValues({3, 1, 2, 3});
  e.At(2)->SetValue(0);
  e.EvaluateFitness();
  EXPECT_EQ(std::tuple(e.Evaluations.load(), weighted, e.FittestIndividual()),
            std::tuple(5, 8, e.At(2)));
  auto compare = [&e](int A, int B) { return e.CompareFitness(e.At(A), e.At(B), true); };
  EXPECT_EQ(std::pair(compare(0, 2), compare(2, 0)), std::pair(1, -1));
  e.SetFitnessMethod(fmMaximize);
  EXPECT_EQ(std::pair(compare(0, 2), compare(0, 3)), std::pair(-1, 0));
  e.SetOnEvaluateFitness(nullptr);
  EXPECT_EQ(e.EvaluateFitness(e.At(0), false), 0);
  e.Population()->Clear();
  e.EvaluateFitness();
  EXPECT_EQ(
      e.MaxFitness() + e.MinFitness() + e.FitnessSum() + e.MaxWeightedFitness() + e.AvgFitness(),
      0);
  // The fittest was removed from the population; the table keeps its size.
  EXPECT_EQ(std::tuple(e.FittestIndividual() == nullptr, e.CumNormFitnesses().size(),
                       e.GetNormalizedFitness(3) + e.GetNormalizedWeightedFitness(3)),
            std::tuple(true, 4u, 0.0));
  e.SetFitnessMethod(fmWeightedMinimize);
  EXPECT_EQ(e.UnfitFitness(), 3.4028234663852886e+38);
  e.SetFitnessMethod(fmWeightedMaximize);
  EXPECT_EQ(e.UnfitFitness(), 1.1754943508222875e-38);
}

}  // namespace
}  // namespace kx::testing
