#include <algorithm>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

using TSelect = void (TKXCustomGeneticComponent::*)(TKXObject*, TKXPopulation*, TKXIndividual*&);

// Expects each index to be chosen by Select with the given frequency (seeded draws).
void ExpectFrequencies(TValueComponent& C, TSelect Select, const std::vector<double>& Expected) {
  constexpr int kDraws = 8000;
  std::vector<double> counts(Expected.size(), 0);
  for (int i = 0; i < kDraws; ++i) {
    TKXIndividual* parent = nullptr;
    (C.*Select)(&C, C.Population(), parent);
    counts[static_cast<std::size_t>(parent->Index())] += 1.0 / kDraws;
  }
  for (std::size_t i = 0; i < Expected.size(); ++i) EXPECT_NEAR(counts[i], Expected[i], 0.02) << i;
}

TEST(SelectionTest, RouletteSearchFindsTheFirstEntryAboveTheDraw) {
  struct TRow {
    TGAFitnessArray Table;
    double R;
    int Expected;
  };
  const TGAFitnessArray t{0.25, 0.5, 1.0};
  const TGAFitnessArray gaps{0.0, 0.0, 0.5, 0.5, 1.0};  // zero-width entries are never chosen
  for (const TRow& row : std::vector<TRow>{{t, 0.0, 0},
                                           {t, 0.1, 0},
                                           {t, 0.25, 1},
                                           {t, 0.5, 2},
                                           {t, 0.999, 2},
                                           {{0.3, 0.6, 0.9999}, 0.99995, 2},  // short of 1
                                           {gaps, 0.0, 2},
                                           {gaps, 0.5, 4},
                                           {{}, 0.5, 0}}) {
    EXPECT_EQ(TKXCustomGeneticComponent::RouletteSearch(row.Table, row.R), row.Expected) << row.R;
  }
}

TEST(SelectionTest, RouletteIsProportionalToTheTable) {
  RandSeed(101);
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({1, 1, 2});
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectRoulette, {0.25, 0.25, 0.5});
  TKXIndividual* parent = nullptr;
  c.SelectRoulette(&c, c.Population(), parent);
  EXPECT_EQ(c.RouletteIndex(), parent->Index());

  // A missing table is built on demand.
  TValueComponent d;
  d.SetSelectionMethod(smTournament);  // evaluation prepares no table
  d.SetFitnessMethod(fmMaximize);
  d.SetValues({0, 0, 1});
  ASSERT_TRUE(d.CumNormFitnesses().empty());
  d.SelectRoulette(&d, d.Population(), parent);
  EXPECT_EQ(d.CumNormFitnesses().size(), 3u);
  EXPECT_EQ(parent, d.At(2));
}

TEST(SelectionTest, ATournamentDrawsOneEntrantPerFieldPlaceAndTiesKeepTheFirst) {
  TValueComponent c;
  c.SetValues({5, 3, 3, 1, 5, 2});  // minimizing
  for (int field : {2, 3}) {
    c.SetTournamentField(field);
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
      RandSeed(seed);
      int winner = RandomInt(6);
      for (int i = 1; i < field; ++i) {
        const int entrant = RandomInt(6);
        if (c.At(entrant)->Value() < c.At(winner)->Value()) winner = entrant;
      }
      const double next = RandomFloat();
      RandSeed(seed);
      TKXIndividual* parent = nullptr;
      c.SelectTournament(&c, c.Population(), parent);
      EXPECT_EQ(parent, c.At(winner)) << field << " " << seed;
      EXPECT_EQ(RandomFloat(), next) << "the tournament drew more numbers than its field";
    }
  }
}

TEST(SelectionTest, StochasticTournamentMeetsARouletteEntrant) {
  RandSeed(505);
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smStochasticTournament);
  c.SetValues({1, 3});  // roulette gives 1/4 and 3/4
  // The second entrant wins unless both are index 0: P(0) = 1/2 * 1/4.
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectStochasticTournament, {0.125, 0.875});
}

// Successive elitist draws walk the ranking positions 0 .. K (K = Count x Pct rounded half
// to even), never past the last position, and restart with each generation.
TEST(SelectionTest, ElitistCyclesThroughTheRoundedTopShare) {
  struct TRow {
    TGAFitnessMethod Method;
    int Count;
    double Pct;
    int K;
  };
  for (const TRow& row :
       {TRow{fmMaximize, 100, 0.1, 10}, TRow{fmMinimize, 20, 0.125, 2},
        TRow{fmMaximize, 28, 0.125, 4}, TRow{fmMinimize, 10, 0, 0}, TRow{fmMaximize, 10, 1, 10}}) {
    SCOPED_TRACE(row.Count);
    // The value's magnitude is the ranking position; the population holds them shuffled.
    std::vector<double> values;
    for (int i = 0; i < row.Count; ++i) {
      const int position = (i * 3 + 1) % row.Count;
      values.push_back(row.Method == fmMaximize ? -position : position);
    }
    TValueComponent c;
    c.SetFitnessMethod(row.Method);
    c.SetSelectionMethod(smElitist);
    c.SetElitistPct(row.Pct);
    c.SetValues(values);
    for (int generation = 0; generation < 2; ++generation) {
      c.DoStartEvolve();  // restarts the cycle; swap back to draw from the evaluated population
      c.SwapGenerations();
      for (int i = 0; i < 2 * row.K + 3; ++i) {
        TKXIndividual* parent = nullptr;
        c.SelectElitist(&c, c.Population(), parent);
        EXPECT_EQ(std::abs(AsValue(parent)->Value()), std::min(i % (row.K + 1), row.Count - 1))
            << i;
      }
    }
  }
}

TEST(SelectionTest, EqualFitnessesOfTheMethodsKindMakeRouletteAndElitistUniform) {
  RandSeed(77);
  TValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smElitist);
  c.SetValues({0, 0, 0, 0});  // a zero table would always give the last; K = 0 the first
  const std::vector<double> uniform(4, 0.25);
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectRoulette, uniform);
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectElitist, uniform);

  // Under a weighted method the weighted extremes decide: equal raw fitnesses do not.
  c.SetFitnessMethod(fmWeightedMaximize);
  c.SetOnEvaluateWeightedFitness(
      [](TKXObject*, TKXIndividual* Item, TGAFitness& F) { F = Item->Index() == 2 ? 9 : 1; });
  c.EvaluateFitness();
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectElitist, {0, 0, 1, 0});
  c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual*, TGAFitness& F) { F = 3; });
  c.SetValues({1, 2, 3, 4});
  ExpectFrequencies(c, &TKXCustomGeneticComponent::SelectElitist, uniform);
}

// The installed routines dispatch through the virtual members, so overrides run.
class TOverridingTournament : public TValueComponent {
 public:
  int Calls = 0;
  void SelectTournament(TKXObject* Sender, TKXPopulation* Population,
                        TKXIndividual*& Parent) override {
    ++Calls;
    TValueComponent::SelectTournament(Sender, Population, Parent);
  }
};

TEST(SelectionTest, AnApplicationHandlerSwitchesToCustomAndTheMethodInstallsItsRoutine) {
  TOverridingTournament c;
  c.SetValues({1, 2, 3});
  EXPECT_EQ(c.SelectionMethod(), smStochasticTournament);
  int calls = 0;
  c.SetOnSelection([&](TKXObject* Sender, TKXPopulation* P, TKXIndividual*& Parent) {
    EXPECT_EQ(Sender, &c);
    ++calls;
    Parent = P->Items(2);
  });
  EXPECT_EQ(c.SelectionMethod(), smCustom);
  EXPECT_EQ(c.SelectParent(c.Population()), c.At(2));
  c.SetSelectionMethod(smTournament);
  c.SelectParent(c.Population());
  EXPECT_EQ(calls, 1);  // the handler was replaced by the tournament
  EXPECT_EQ(c.Calls, 1);

  // Clearing the handler sets roulette; already on roulette, nothing is installed.
  c.SetOnSelection(nullptr);
  EXPECT_EQ(c.SelectionMethod(), smRoulette);
  EXPECT_TRUE(static_cast<bool>(c.OnSelection()));
  c.SetOnSelection(nullptr);
  EXPECT_FALSE(static_cast<bool>(c.OnSelection()));
  ExpectThrowWithMessage<EGAException>([&] { c.SelectParent(c.Population()); },
                                       "No custom selection function defined");
}

}  // namespace
}  // namespace kx::testing
