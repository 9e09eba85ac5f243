// Bloat strategies, program statistics, GP fitness and the statistics functions.

#include <tuple>

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

using GPBloatTest = GPTest;

// At the limit nothing happens; one over it, a changed child reverts to its first parent, or
// (without the flag) one shrink or hoist mutation applies: the same draws give the same program.
TEST_F(GPBloatTest, LimitsActJustOverTheirMeasure) {
  const std::tuple<TGPBloatStrategy, int, int> rows[] = {
      {bsSizeLimit, 10, -1},         {bsDepthLimit, 11, -1},     {bsShrinkSize, 10, mmShrink},
      {bsShrinkDepth, 11, mmShrink}, {bsHoistSize, 10, mmHoist}, {bsHoistDepth, 11, mmHoist}};
  TFloatIndividual *parent = NewIndividual(Chain(2)), *other = NewIndividual(Chain(3));
  for (auto [strategy, fits, mutation] : rows) {
    SCOPED_TRACE(int(strategy));
    gp.SetBloatStrategy(strategy);
    TFloatIndividual* fit = NewIndividual(Chain(fits));
    gp.DoAntiBloating(parent, other, fit, true);
    EXPECT_EQ(fit->DNA()->Size(), fits);
    TFloatIndividual *big = NewIndividual(Chain(fits + 1)),
                     *expected = NewIndividual(Chain(fits + 1));
    RandSeed(7);
    gp.DoAntiBloating(parent, other, big, false);
    if (mutation < 0) {
      EXPECT_EQ(big->DNA()->Size(), fits + 1);  // nothing reported changed: kept
      gp.DoAntiBloating(parent, other, big, true);
      expected->Assign(parent);
    } else {
      RandSeed(7);
      gp.Mutate(expected, static_cast<TGPMutationMethod>(mutation));
      EXPECT_LT(expected->DNA()->Size(), fits + 1);
    }
    EXPECT_EQ(big->DNA()->ToString(), expected->DNA()->ToString());
  }
}

// Raw fitness: the unfit and Tarpeian rules strike programs over the limit or (with their
// probability) over the average without running them; weighted fitness: parsimony pressure adds
// or subtracts coefficient 0.5 times size or depth. Programs of size 2, 6 and 8 (depth one less)
// all have fitness 10; the limit is 5, the averages 5.33 and 4.33.
TEST_F(GPBloatTest, FitnessRulesOfTheStrategies) {
  TFloatIndividual* programs[] = {NewIndividual(Chain(2), 10), NewIndividual(Chain(6), 10),
                                  NewIndividual(Chain(8), 10)};
  gp.SetBloatLimit(3);  // stored as the least limit, 5
  gp.SetParsimonyCoefficient(0.5);
  const double unfitMin = 3.4028234663852886e+38, unfitMax = 1.1754943508222875e-38;
  // The weighted fitness reads the cached raw one, 10: it is not judged again.
  for (auto* program : programs) EXPECT_EQ(program->Fitness(), 10);
  const std::tuple<TGPBloatStrategy, TGAFitnessMethod, double, int, double, double> rows[] = {
      {bsUnfitDepth, fmMinimize, 1, 1, 10, 10},
      {bsUnfitDepth, fmMinimize, 1, 2, unfitMin, 10},
      {bsUnfitSize, fmMaximize, 1, 1, unfitMax, 10},
      {bsUnfitSize, fmMaximize, 1, 0, 10, 10},
      {bsTarpeianSize, fmMinimize, 0, 2, 10, 10},
      {bsTarpeianSize, fmMinimize, 1, 1, unfitMin, 10},
      {bsTarpeianSize, fmMinimize, 1, 0, 10, 10},
      {bsTarpeianDepth, fmMinimize, 1, 1, unfitMin, 10},
      {bsSizeParsimonyPressure, fmMaximize, 1, 1, 10, 7},
      {bsSizeParsimonyPressure, fmMinimize, 1, 1, 10, 13},
      {bsCovariantSizeParsimonyPressure, fmWeightedMinimize, 1, 1, 10, 13},
      {bsDepthParsimonyPressure, fmMinimize, 1, 1, 10, 12.5},
      {bsCovariantDepthParsimonyPressure, fmWeightedMaximize, 1, 1, 10, 7.5},
      {bsNone, fmMinimize, 1, 2, 10, 10}};
  for (auto [strategy, method, tarpeian, index, raw, weighted] : rows) {
    gp.SetBloatStrategy(strategy);
    gp.SetFitnessMethod(method);
    gp.SetTarpeianProbability(tarpeian);
    const int before = evaluations;
    const double evaluated = gp.EvaluateFitness(programs[index], false);
    EXPECT_EQ(
        std::tuple(evaluated, evaluations - before, gp.EvaluateFitness(programs[index], true)),
        std::tuple(raw, raw == 10 ? 1 : 0, weighted))
        << int(strategy) << " " << index;
  }
  // An application's weighted fitness replaces the pressure.
  gp.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual*, TGAFitness& f) { f = -1; });
  EXPECT_EQ(programs[0]->WeightedFitness(), -1.0);
}

// Statistics are cached until the next generation starts, then complete before the evaluation
// pass: changing a program during the pass must not refill them.
TEST_F(GPBloatTest, ProgramStatisticsAreCachedPerGeneration) {
  auto stats = [this] {
    return std::tuple(gp.MinProgramSize(), gp.MaxProgramSize(), gp.AvgProgramSize(),
                      gp.MinProgramDepth(), gp.MaxProgramDepth(), gp.AvgProgramDepth());
  };
  EXPECT_EQ(stats(), std::tuple(0, 0, 0.0f, 0, 0, 0.0f));  // empty population
  for (int size : {3, 5, 10}) NewIndividual(Chain(size));
  gp.CalculateProgramStats();
  EXPECT_EQ(stats(), std::tuple(3, 10, 6.0f, 2, 9, 5.0f));
  gp.Population()->Items(0)->AssignDNA(Chain(20));
  EXPECT_EQ(gp.MaxProgramSize(), 10);
  gp.SetBloatStrategy(bsTarpeianSize);
  gp.SetTarpeianProbability(1);
  gp.SetOnEvaluateFitness([&](TKXObject*, TKXIndividual*, TGAFitness& Fitness) {
    gp.Population()->Items(0)->AssignDNA(Chain(40));
    Fitness = gp.AvgProgramSize();
  });
  gp.DoStartEvolve();  // swaps in the previous generation (empty here) and marks stale
  gp.SwapGenerations();
  gp.EvaluateFitness();
  EXPECT_EQ(stats(), std::tuple(5, 20, 35 / 3.0f, 4, 19, 32 / 3.0f));
  EXPECT_EQ(std::tuple(gp.Population()->Items(0)->Fitness(), gp.Population()->Items(2)->Fitness()),
            std::tuple(gp.UnfitFitness(), double(35 / 3.0f)));
}

// Equal fitness: the smaller program wins the tournament, only under the lexicographic strategy.
TEST_F(GPBloatTest, LexicographicTournamentBreaksTiesBySize) {
  gp.SetTournamentField(2);
  TFloatIndividual *seven = NewIndividual(Chain(7), 4.0), *five = NewIndividual(Chain(5), 4.0);
  for (bool lexicographic : {true, false}) {
    gp.SetBloatStrategy(lexicographic ? bsLexicographicParsimonyPressure : bsNone);
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
      RandSeed(seed);
      TKXIndividual *a = RandomInt(2) ? five : seven, *b = RandomInt(2) ? five : seven;
      RandSeed(seed);
      TKXIndividual* parent = nullptr;
      gp.SelectTournament(&gp, gp.Population(), parent);
      EXPECT_EQ(parent, lexicographic && (a == five || b == five) ? five : a) << seed;
    }
  }
}

}  // namespace
}  // namespace kx::testing
