#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

using C = TComp;

// Values outside the bounds clamp to them (the generation limit, the diversity limit and the
// unclamped cutoff are pinned by the document tests, which load through the setters); float
// settings refuse NaN and infinities, keeping their values; counts clamp at their maxima.
TEST(GeneticComponentTest, SettersClampToTheirBoundsAndRefuseNonFiniteFloats) {
  C c;
  SetAll(c, &C::SetCrossoverProbability, -0.2, &C::SetElitistPct, -3, &C::SetInitialPopulation, -4,
         &C::SetInitialDuplicatesRetries, -1, &C::SetMutationProbability, 1.5,
         &C::SetTournamentField, 1);
  EXPECT_EQ(c.CrossoverProbability() + c.ElitistPct() + c.InitialPopulation() +
                c.InitialDuplicatesRetries() + c.MutationProbability() + c.TournamentField(),
            3);
  const std::string before = StreamText(c);
  for (auto set :
       {&C::SetCrossoverProbability, &C::SetMutationProbability, &C::SetInversionProbability,
        &C::SetElitistPct, &C::SetDiversityLimit, &C::SetFitnessCutoff})
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL})
      EXPECT_THROW((c.*set)(bad), EGAException);
  EXPECT_EQ(StreamText(c), before);
  SetAll(c, &C::SetTournamentField, INT32_MAX, &C::SetInitialPopulation, INT32_MAX,
         &C::SetInitialDuplicatesRetries, INT32_MAX);
  EXPECT_EQ(
      std::tuple(c.TournamentField(), c.InitialPopulation(), c.InitialDuplicatesRetries()),
      std::tuple(MAX_TOURNAMENT_FIELD, MAX_INITIAL_POPULATION, MAX_INITIAL_DUPLICATES_RETRIES));
}

// The first Evolve initializes, then fires the events of each pair in order; both populations
// come from the subclass's factory and alternate.
TEST(GeneticComponentTest, EventsFireInOrderAndTheGenerationsAlternate) {
  RandSeed(11);
  TRandomValueComponent c;
  std::vector<std::string> log;
  auto note = [&log](const char* Event, TKXIndividual* Item) {
    log.push_back(Event + std::to_string(Item->Index()));
  };
  c.SetOnInitializeChild(
      [=](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C) { note("child", C); });
  c.SetOnCrossover(
      [=](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C, bool&) { note("x", C); });
  c.SetOnMutation([=](TKXObject*, TKXIndividual* I, bool&) { note("mut", I); });
  c.SetOnInversion([=](TKXObject*, TKXIndividual* I, bool&) { note("inv", I); });
  c.SetOnReproduction([=](TKXObject*, TKXIndividual* I, bool&) { note("rep", I); });
  c.SetOnEvolve([&](TKXObject*) { log.push_back("evolve" + std::to_string(c.Generation())); });
  SetAll(c, &TComp::SetCrossoverProbability, 1, &TComp::SetMutationProbability, 1,
         &TComp::SetInversionProbability, 1, &TComp::SetInitialPopulation, 2);
  TKXPopulation* first = c.Population();
  c.SetOnSelection(
      [=](TKXObject*, TKXPopulation* P, TKXIndividual*& I) { note("sel", I = P->Items(0)); });
  c.Evolve();
  EXPECT_EQ(log, (std::vector<std::string>{"sel0", "sel0", "child0", "child1", "x0", "mut0", "mut1",
                                           "inv0", "inv1", "rep0", "rep1", "evolve1"}));
  // The two initial individuals, then the two changed children, are evaluated.
  EXPECT_EQ(std::pair(c.Evaluations.load(), c.PreviousGeneration()), std::pair(4, first));
  EXPECT_EQ(c.PreviousGeneration()->Items(1)->ClassName() + c.Population()->Items(1)->ClassName(),
            "TValueIndividualTValueIndividual");
  c.Evolve();
  EXPECT_EQ(c.Population(), first);
}

// A larger population keeps its individuals; the handler receives the reset flag, and setting
// it skips DoInitialize.
TEST(GeneticComponentTest, InitializeTerminationAndAssignFollowTheirRules) {
  TValueComponent c;
  c.SetValues({1, 2, 3, 4});
  SetAll(c, &TComp::SetInitialPopulation, 2, &TComp::SetGeneration, 7);
  c.Initialize();
  EXPECT_EQ(
      std::tuple(c.Values(), c.Initializations, c.Generation(), c.PreviousGeneration()->Count()),
      std::tuple(std::vector<double>{1, 2, 3, 4}, 1, 0, 4));
  bool seenFlag = true;
  c.SetOnInitialization([&](TKXObject*, bool& Done) { seenFlag = std::exchange(Done, true); });
  c.Initialize();
  EXPECT_EQ(std::pair(seenFlag, c.Initializations), std::pair(false, 1));
  // The cutoff compares the raw fitness (>= maximizing, <= minimizing) and needs a fittest
  // individual; the diversity must fall strictly below its limit, and infinite diversity never
  // ends a run (the generation limit is pinned where runs stop). A zero column is a test
  // switched off.
  constexpr double kMax = std::numeric_limits<double>::max();
  using V = std::vector<double>;
  // Method, values, cutoff, diversity limit, finished.
  const std::tuple<TGAFitnessMethod, V, double, double, bool> rows[] = {
      // clang-format off
      {fmMinimize, {}, kMax, 0, false},          {fmMinimize, {3, 0.5, 2}, 0.5, 0, true},
      {fmMinimize, {3, 0.5, 2}, 0.4, 0, false},  {fmMaximize, {3, 0.5, 2}, 3, 0, true},
      {fmMaximize, {3, 0.5, 2}, 3.5, 0, false},  {fmWeightedMaximize, {3, 0.5, 2}, 3.5, 0, false},
      {fmMinimize, {1, 1, 4}, 0, 0.5, false},    {fmMinimize, {1, 1, 4}, 0, 0.51, true},
      {fmMinimize, {0, 0}, 0, 0.51, false}};
  // clang-format on
  for (const auto& [method, values, cutoff, diversity, finished] : rows) {
    TValueComponent c;
    SetAll(c, &TComp::SetFitnessMethod, method, &TComp::SetDiversityLimit, diversity,
           &TComp::SetFitnessCutoff, cutoff, &TComp::SetUseFitnessCutoff, cutoff != 0,
           &TComp::SetUseDiversityLimit, diversity != 0);
    c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual*, TGAFitness& F) { F = 100; });
    c.SetValues(values);
    EXPECT_EQ(c.IsFinished(), finished) << cutoff << " " << diversity;
  }
  // Settings, statistics and both populations' content are copied, each component keeping its
  // own objects; the initial size, the operations and a custom handler are not.
  TValueComponent source, target;
  target.SetInitialPopulation(17);
  source.Initialize();
  source.SetValues({10, 11, 12});
  SetAll(source, &TComp::SetTournamentField, 5, &TComp::SetGeneration, 8, &TComp::SetOperations,
         TGAGeneticOperations{goMutate});
  source.SetOnSelection(
      [](TKXObject*, TKXPopulation* P, TKXIndividual*& Parent) { Parent = P->Items(0); });
  TKXPopulation* ownPopulation = target.Population();
  target.Assign(&source);
  EXPECT_EQ(std::tuple(target.Population() == ownPopulation,
                       target.PreviousGeneration() != source.PreviousGeneration(), target.Values(),
                       target.TournamentField(), target.Generation(), target.Initialized(),
                       target.MaxFitness(), target.FittestIndividual() == nullptr,
                       target.InitialPopulation(), target.Operations(), target.SelectionMethod(),
                       static_cast<bool>(target.OnSelection())),
            std::tuple(true, true, std::vector<double>{10, 11, 12}, 5, 8, true, 12.0, true, 17,
                       TGAGeneticOperations{goCrossover, goMutate, goInvert}, smCustom, false));
  EXPECT_THROW(target.Assign(target.Population()), EConvertError);
}

}  // namespace
}  // namespace kx::testing
