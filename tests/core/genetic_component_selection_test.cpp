#include <algorithm>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

using C = TComp;
using TSelect = void (C::*)(TKXObject*, TKXPopulation*, TKXIndividual*&);

// The parent Select draws from V's population.
TValueIndividual* Pick(TValueComponent& V, TSelect Select) {
  TKXIndividual* parent = nullptr;
  (V.*Select)(&V, V.Population(), parent);
  return AsValue(parent);
}

// Expects each index to be chosen by Select with the given frequency (seeded draws).
void ExpectFrequencies(TValueComponent& V, TSelect Select, const std::vector<double>& Expected) {
  constexpr int kDraws = 8000;
  std::vector<double> counts(Expected.size(), 0);
  for (int i = 0; i < kDraws; ++i)
    counts[static_cast<std::size_t>(Pick(V, Select)->Index())] += 1.0 / kDraws;
  for (std::size_t i = 0; i < Expected.size(); ++i) EXPECT_NEAR(counts[i], Expected[i], 0.02) << i;
}

// The smallest index whose entry exceeds the draw; zero-width entries are never chosen, and a
// table ending short of 1 (or empty) keeps the result within the population.
TEST(SelectionTest, RouletteFindsTheFirstEntryAboveTheDrawAndFollowsTheTable) {
  const TGAFitnessArray t{0.25, 0.5, 1.0}, gaps{0.0, 0.0, 0.5, 0.5, 1.0};
  // clang-format off
  const std::tuple<TGAFitnessArray, double, int> rows[] = {
      {t, 0.0, 0}, {t, 0.1, 0}, {t, 0.25, 1}, {t, 0.5, 2}, {t, 0.999, 2}, {gaps, 0.0, 2},
      {gaps, 0.5, 4}, {{0.3, 0.6, 0.9999}, 0.99995, 2}, {{}, 0.5, 0}};
  // clang-format on
  for (const auto& [table, r, expected] : rows)
    EXPECT_EQ(C::RouletteSearch(table, r), expected) << r;
  // Roulette picks in proportion to the table (built on demand, when missing) and records its
  // index; a stochastic tournament's later entrants come from the roulette, so with shares 1/4
  // and 3/4 index 0 wins only when both entrants are index 0.
  RandSeed(101);
  TValueComponent c;
  SetAll(c, &C::SetFitnessMethod, fmMaximize, &C::SetSelectionMethod, smTournament);
  c.SetValues({1, 1, 2});  // the tournament needs no table
  ExpectFrequencies(c, &C::SelectRoulette, {0.25, 0.25, 0.5});
  const int picked = Pick(c, &C::SelectRoulette)->Index();
  EXPECT_EQ(c.RouletteIndex(), picked);
  c.SetSelectionMethod(smStochasticTournament);
  c.SetValues({1, 3});
  ExpectFrequencies(c, &C::SelectStochasticTournament, {0.125, 0.875});
}

// Against a replay of the draws: uniform entrants, one per field place, ties keeping the
// earlier entrant, and no draw more than the field needs.
TEST(SelectionTest, TournamentsAndTheElitistCycleDrawAsSpecified) {
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
      EXPECT_EQ(Pick(c, &C::SelectTournament), c.At(winner)) << field << " " << seed;
      EXPECT_EQ(RandomFloat(), next) << "the tournament drew more numbers than its field";
    }
  }
  // Successive elitist draws walk the ranking positions 0 .. K (K = Count x Pct rounded half
  // to even), never past the last position, and restart with each generation.
  // clang-format off
  const std::tuple<TGAFitnessMethod, int, double, int> rows[] = {
      {fmMaximize, 100, 0.1, 10}, {fmMinimize, 20, 0.125, 2}, {fmMaximize, 28, 0.125, 4},
      {fmMinimize, 10, 0, 0}, {fmMaximize, 10, 1, 10}};
  // clang-format on
  for (const auto& [method, count, pct, k] : rows) {
    SCOPED_TRACE(count);
    // The value's magnitude is the ranking position; the population holds them shuffled.
    std::vector<double> values;
    for (int i = 0; i < count; ++i)
      values.push_back(((i * 3 + 1) % count) * (method == fmMaximize ? -1.0 : 1.0));
    TValueComponent c;
    SetAll(c, &TComp::SetFitnessMethod, method, &TComp::SetSelectionMethod, smElitist,
           &TComp::SetElitistPct, pct);
    c.SetValues(values);
    for (int generation = 0; generation < 2; ++generation) {
      c.DoStartEvolve();  // restarts the cycle; swap back to draw from the evaluated population
      c.SwapGenerations();
      for (int i = 0; i < 2 * k + 3; ++i) {
        EXPECT_EQ(std::abs(Pick(c, &C::SelectElitist)->Value()), std::min(i % (k + 1), count - 1))
            << i;
      }
    }
  }
}

// Equal fitnesses of the method's kind make roulette and elitist uniform (a zero table would
// always give the last, K = 0 the first): raw ones under a raw method (whatever the weights),
// weighted ones under a weighted method (whatever the raw ones), where unequal weights rank.
TEST(SelectionTest, EqualFitnessesOfTheMethodsKindMakeRouletteAndElitistUniform) {
  using V = std::vector<double>;
  const V u(4, 0.25), zeros(4, 0), rising{1, 2, 3, 4};
  // Method, raw values, weighted fitness of index 2 and of the others, routine, frequencies.
  // clang-format off
  const std::tuple<TGAFitnessMethod, V, double, double, TSelect, V> rows[] = {
      {fmMaximize, zeros, 9, 1, &C::SelectRoulette, u}, {fmMaximize, zeros, 9, 1, &C::SelectElitist, u},
      {fmWeightedMaximize, zeros, 9, 1, &C::SelectElitist, {0, 0, 1, 0}},
      {fmWeightedMaximize, rising, 3, 3, &C::SelectElitist, u},
      {fmWeightedMinimize, rising, 3, 3, &C::SelectRoulette, u}};
  // clang-format on
  RandSeed(77);
  for (const auto& [method, values, two, others, select, expected] : rows) {
    TValueComponent c;
    SetAll(c, &C::SetFitnessMethod, method, &C::SetSelectionMethod, smElitist);
    c.SetOnEvaluateWeightedFitness([two, others](TKXObject*, TKXIndividual* Item, TGAFitness& F) {
      F = Item->Index() == 2 ? two : others;
    });
    c.SetValues(values);
    ExpectFrequencies(c, select, expected);
  }
}

// A handler switches to custom; a method replaces it; clearing it sets roulette, and with
// roulette already set nothing is installed, so selecting raises.
TEST(SelectionTest, AnApplicationHandlerSwitchesToCustomAndTheMethodInstallsItsRoutine) {
  TValueComponent c;
  c.SetValues({1, 2, 3});
  int calls = 0;
  c.SetOnSelection([&](TKXObject* Sender, TKXPopulation* P, TKXIndividual*& Parent) {
    calls += Sender == &c;
    Parent = P->Items(2);
  });
  EXPECT_EQ(c.SelectParent(c.Population()), c.At(2));
  c.SetSelectionMethod(smTournament);
  c.SelectParent(c.Population());
  EXPECT_EQ(calls, 1);
  c.SetOnSelection(nullptr);
  EXPECT_EQ(std::pair(c.SelectionMethod(), static_cast<bool>(c.OnSelection())),
            std::pair(smRoulette, true));
  c.SetOnSelection(nullptr);
  EXPECT_EQ(ErrorOf<EGAException>([&] { c.SelectParent(c.Population()); }),
            "No custom selection function defined");
}

}  // namespace
}  // namespace kx::testing
