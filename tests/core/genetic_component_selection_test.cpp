#include <gtest/gtest.h>

#include <kx/core/genetic_component.hpp>
#include <kx/host/random.hpp>
#include <map>
#include <vector>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

constexpr int kDraws = 40000;

// How often each index is selected by Select over kDraws draws, as fractions.
template <class F>
std::vector<double> Frequencies(TValueComponent& C, F Select) {
  std::vector<double> counts(static_cast<std::size_t>(C.Population()->Count()), 0);
  for (int i = 0; i < kDraws; ++i) {
    TKXIndividual* parent = nullptr;
    Select(parent);
    counts[static_cast<std::size_t>(parent->Index())] += 1.0 / kDraws;
  }
  return counts;
}

void ExpectFrequencies(const std::vector<double>& Actual, const std::vector<double>& Expected) {
  ASSERT_EQ(Actual.size(), Expected.size());
  for (std::size_t i = 0; i < Expected.size(); ++i) EXPECT_NEAR(Actual[i], Expected[i], 0.01) << i;
}

TEST(SelectionTest, RouletteSearchFindsTheFirstEntryAboveTheDraw) {
  const TGAFitnessArray table{0.25, 0.5, 1.0};
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(table, 0.0), 0);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(table, 0.1), 0);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(table, 0.25), 1);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(table, 0.5), 2);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(table, 0.999), 2);
  // A table that rounding left short of 1 keeps the result on the last individual.
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch({0.3, 0.6, 0.9999}, 0.99995), 2);
  // Zero-width entries are never chosen.
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch({0.0, 0.0, 0.5, 0.5, 1.0}, 0.0), 2);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch({0.0, 0.0, 0.5, 0.5, 1.0}, 0.5), 4);
  EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch({}, 0.5), 0);
}

TEST(SelectionTest, RouletteIsProportionalToTheTable) {
  RandSeed(101);
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({1, 1, 2});
  auto freq = Frequencies(c, [&](TKXIndividual*& P) {
    c.SelectRoulette(&c, c.Population(), P);
    EXPECT_EQ(c.RouletteIndex(), P->Index());
  });
  ExpectFrequencies(freq, {0.25, 0.25, 0.5});

  // Minimizing: proportional to the distance below the worst (2, 1, 0 of 3).
  c.SetFitnessMethod(fmMinimize);
  c.SetValues({1, 2, 3});
  freq = Frequencies(c, [&](TKXIndividual*& P) { c.SelectRoulette(&c, c.Population(), P); });
  ExpectFrequencies(freq, {2.0 / 3, 1.0 / 3, 0});
}

TEST(SelectionTest, RouletteBuildsAMissingTable) {
  RandSeed(5);
  TValueComponent c;
  c.SetSelectionMethod(smTournament);  // evaluation prepares no table
  c.SetFitnessMethod(fmMaximize);
  c.SetValues({0, 0, 1});
  ASSERT_TRUE(c.CumNormFitnesses().empty());
  TKXIndividual* parent = nullptr;
  c.SelectRoulette(&c, c.Population(), parent);
  EXPECT_EQ(c.CumNormFitnesses().size(), 3u);
  EXPECT_EQ(parent, c.At(2));
}

TEST(SelectionTest, EqualFitnessesMakeRouletteAndElitistUniform) {
  RandSeed(202);
  TValueComponent c;
  c.SetSelectionMethod(smElitist);
  c.SetValues({3, 3, 3, 3});
  const std::vector<double> uniform(4, 0.25);
  ExpectFrequencies(
      Frequencies(c, [&](TKXIndividual*& P) { c.SelectElitist(&c, c.Population(), P); }), uniform);
  ExpectFrequencies(
      Frequencies(c, [&](TKXIndividual*& P) { c.SelectRoulette(&c, c.Population(), P); }), uniform);
}

TEST(SelectionTest, RandomIsUniform) {
  RandSeed(303);
  TValueComponent c;
  c.SetValues({9, 1, 4, 7, 2});
  ExpectFrequencies(
      Frequencies(c, [&](TKXIndividual*& P) { c.SelectRandom(&c, c.Population(), P); }),
      std::vector<double>(5, 0.2));
}

TEST(SelectionTest, ATournamentOfTwoDrawsExactlyTwoUniformEntrants) {
  TValueComponent c;
  c.SetValues({5, 3, 8, 1, 6, 2});
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    RandSeed(seed);
    const int a = RandomInt(6);
    const int b = RandomInt(6);
    const double next = RandomFloat();
    RandSeed(seed);
    TKXIndividual* parent = nullptr;
    c.SelectTournament(&c, c.Population(), parent);
    EXPECT_EQ(parent, c.Fittest(c.At(a), c.At(b), false));
    EXPECT_EQ(RandomFloat(), next) << "the tournament drew more than two numbers";
  }
}

TEST(SelectionTest, TournamentFavoursTheFitAsItsFieldPredicts) {
  RandSeed(404);
  TValueComponent c;
  c.SetValues({0, 1, 2, 3});  // minimizing: index 0 is the best
  // With two entrants drawn with replacement, rank i wins with ((n-i)^2 - (n-i-1)^2) / n^2.
  auto freq = Frequencies(c, [&](TKXIndividual*& P) { c.SelectTournament(&c, c.Population(), P); });
  ExpectFrequencies(freq, {7.0 / 16, 5.0 / 16, 3.0 / 16, 1.0 / 16});
  c.SetTournamentField(3);
  freq = Frequencies(c, [&](TKXIndividual*& P) { c.SelectTournament(&c, c.Population(), P); });
  ExpectFrequencies(freq, {37.0 / 64, 19.0 / 64, 7.0 / 64, 1.0 / 64});
}

TEST(SelectionTest, TournamentTiesKeepTheFirstEntrant) {
  TValueComponent c;
  c.SetValues({4, 4, 4, 4, 4});
  for (std::uint64_t seed = 1; seed <= 10; ++seed) {
    RandSeed(seed);
    const int first = RandomInt(5);
    RandSeed(seed);
    TKXIndividual* parent = nullptr;
    c.SelectTournament(&c, c.Population(), parent);
    EXPECT_EQ(parent->Index(), first);
  }
}

TEST(SelectionTest, StochasticTournamentMeetsARouletteEntrant) {
  RandSeed(505);
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smStochasticTournament);
  c.SetValues({1, 3});  // roulette gives 1/4 and 3/4
  // The second entrant wins unless both are index 0: P(0) = 1/2 * 1/4.
  auto freq = Frequencies(
      c, [&](TKXIndividual*& P) { c.SelectStochasticTournament(&c, c.Population(), P); });
  ExpectFrequencies(freq, {0.125, 0.875});
}

// Fitness equal to the index, maximizing: ranking position p holds index Count - 1 - p.
class ElitistTest : public ::testing::Test {
 protected:
  void Fill(int Count) {
    std::vector<double> values;
    for (int i = 0; i < Count; ++i) values.push_back(i);
    C.SetFitnessMethod(fmMaximize);
    C.SetSelectionMethod(smElitist);
    C.SetValues(values);
  }
  std::vector<int> Positions(int Draws) {
    std::vector<int> positions;
    const int count = C.Population()->Count();
    for (int i = 0; i < Draws; ++i) {
      TKXIndividual* parent = nullptr;
      C.SelectElitist(&C, C.Population(), parent);
      positions.push_back(count - 1 - parent->Index());
    }
    return positions;
  }
  static std::vector<int> Cycle(int K, int Draws) {
    std::vector<int> positions;
    for (int i = 0; i < Draws; ++i) positions.push_back(i % (K + 1));
    return positions;
  }
  TValueComponent C;
};

TEST_F(ElitistTest, CyclesThroughKPlusOnePositionsAndRestartsEachGeneration) {
  Fill(100);
  C.DoStartEvolve();  // swaps: parents come from the previous generation
  C.SwapGenerations();
  EXPECT_EQ(Positions(25), Cycle(10, 25));
  C.DoStartEvolve();
  C.SwapGenerations();
  EXPECT_EQ(Positions(3), Cycle(10, 3));
}

TEST_F(ElitistTest, KRoundsHalvesToEven) {
  Fill(20);
  C.SetElitistPct(0.125);  // 2.5 -> 2
  C.DoStartEvolve();
  C.SwapGenerations();
  EXPECT_EQ(Positions(7), Cycle(2, 7));
  Fill(28);  // 3.5 -> 4
  C.DoStartEvolve();
  C.SwapGenerations();
  EXPECT_EQ(Positions(11), Cycle(4, 11));
}

TEST_F(ElitistTest, ZeroPercentAlwaysPicksTheBestAndFullPercentStaysInRange) {
  Fill(10);
  C.SetElitistPct(0);
  C.DoStartEvolve();
  C.SwapGenerations();
  EXPECT_EQ(Positions(4), (std::vector<int>{0, 0, 0, 0}));
  C.SetElitistPct(1);  // K = 10: the cycle would pass the last of 10 positions
  C.DoStartEvolve();
  C.SwapGenerations();
  const std::vector<int> positions = Positions(12);
  EXPECT_EQ(positions[9], 9);
  EXPECT_EQ(positions[10], 9);
  EXPECT_EQ(positions[11], 0);
}

TEST_F(ElitistTest, MinimizingRanksTheSmallestFirst) {
  C.SetSelectionMethod(smElitist);
  C.SetValues({5, 2, 9, 1});
  C.SetElitistPct(0.5);  // K = 2
  C.DoStartEvolve();
  C.SwapGenerations();
  std::vector<double> picked;
  for (int i = 0; i < 4; ++i) {
    TKXIndividual* parent = nullptr;
    C.SelectElitist(&C, C.Population(), parent);
    picked.push_back(AsValue(parent)->Value());
  }
  EXPECT_EQ(picked, (std::vector<double>{1, 2, 5, 1}));
}

TEST(SelectionTest, AnApplicationHandlerSwitchesToCustomAndBack) {
  TValueComponent c;
  c.SetValues({1, 2, 3});
  int calls = 0;
  c.SetOnSelection([&](TKXObject* Sender, TKXPopulation* P, TKXIndividual*& Parent) {
    EXPECT_EQ(Sender, &c);
    ++calls;
    Parent = P->Items(2);
  });
  EXPECT_EQ(c.SelectionMethod(), smCustom);
  EXPECT_TRUE(c.IsCustomSelection());
  EXPECT_EQ(c.SelectParent(c.Population()), c.At(2));
  EXPECT_EQ(calls, 1);

  c.SetSelectionMethod(smTournament);
  EXPECT_FALSE(c.IsCustomSelection());
  c.SelectParent(c.Population());
  EXPECT_EQ(calls, 1);  // the handler was replaced by the tournament

  // Clearing the handler sets roulette; already on roulette, nothing is installed.
  c.SetOnSelection(nullptr);
  EXPECT_EQ(c.SelectionMethod(), smRoulette);
  EXPECT_TRUE(static_cast<bool>(c.OnSelection()));
  c.SetOnSelection(nullptr);
  EXPECT_FALSE(static_cast<bool>(c.OnSelection()));
  try {
    c.SelectParent(c.Population());
    FAIL() << "expected EGAException";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No custom selection function defined");
  }
}

// A subclass's tournament is what the installed routine runs.
class TOverridingTournament : public TValueComponent {
 public:
  int Calls = 0;
  void SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                        TKXIndividual*& Parent) override {
    ++Calls;
    TValueComponent::SelectTournament(Sender, Population, Parent);
  }
};

TEST(SelectionTest, InstalledRoutinesDispatchToOverrides) {
  TOverridingTournament c;
  c.SetSelectionMethod(smTournament);
  c.SetInitialPopulation(6);
  c.Evolve();
  EXPECT_EQ(c.Calls, 6);  // two parents for each of three pairs
}

TEST(SelectionTest, EveryMethodBreedsAFullGeneration) {
  for (TGASelectionMethod method :
       {smRoulette, smRandom, smTournament, smStochasticTournament, smElitist}) {
    RandSeed(9);
    TValueComponent c;
    c.SetSelectionMethod(method);
    c.SetFitnessMethod(fmMaximize);
    c.SetInitialPopulation(7);
    c.Initialize();
    for (int i = 0; i < 7; ++i) c.At(i)->SetValue(i + 1);
    c.EvaluateFitness();
    c.SetPreviousGeneration(c.Population());
    EXPECT_EQ(c.Evolve(3), 3) << static_cast<int>(method);
    EXPECT_EQ(c.Population()->Count(), 7);
  }
}

}  // namespace
}  // namespace kx::testing
