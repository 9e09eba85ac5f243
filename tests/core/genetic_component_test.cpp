#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Logs every event in firing order.
class TLoggingComponent : public TRandomValueComponent {
 public:
  TLoggingComponent() {
    auto log = [this](const char* Event, TKXIndividual* Item) {
      Log.push_back(Event + std::to_string(Item->Index()));
    };
    SetOnInitializeChild(
        [=](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C) { log("child", C); });
    SetOnCrossover(
        [=](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C, bool&) { log("x", C); });
    SetOnMutation([=](TKXObject*, TKXIndividual* I, bool&) { log("mut", I); });
    SetOnInversion([=](TKXObject*, TKXIndividual* I, bool&) { log("inv", I); });
    SetOnReproduction([=](TKXObject*, TKXIndividual* I, bool&) { log("rep", I); });
    SetOnEvolve([this](TKXObject*) { Log.push_back("evolve" + std::to_string(Generation())); });
  }
  std::vector<std::string> Log;
};

using C = TKXCustomGeneticComponent;

// Values below the bounds clamp to them (the tournament field, generation limit, mutation
// probability, diversity limit and the unclamped cutoff are pinned by the document and stream
// tests, which load through the setters); float settings refuse NaN and infinities, keeping
// their values; counts clamp at their maxima.
TEST(GeneticComponentTest, SettersClampToTheirBoundsAndRefuseNonFiniteFloats) {
  C c;
  c.SetCrossoverProbability(-0.2);
  c.SetElitistPct(-3);
  c.SetInitialPopulation(-4);
  c.SetInitialDuplicatesRetries(-1);
  EXPECT_EQ(c.CrossoverProbability() + c.ElitistPct() + c.InitialPopulation() +
                c.InitialDuplicatesRetries(),
            0);
  const std::string before = StreamText(c);
  for (auto set :
       {&C::SetCrossoverProbability, &C::SetMutationProbability, &C::SetInversionProbability,
        &C::SetElitistPct, &C::SetDiversityLimit, &C::SetFitnessCutoff}) {
    for (const double bad : {std::nan(""), HUGE_VAL, -HUGE_VAL}) {
      EXPECT_THROW((c.*set)(bad), EGAException);
    }
  }
  EXPECT_EQ(StreamText(c), before);
  for (auto set :
       {&C::SetTournamentField, &C::SetInitialPopulation, &C::SetInitialDuplicatesRetries}) {
    (c.*set)(std::numeric_limits<std::int32_t>::max());
  }
  EXPECT_EQ(
      std::tuple(c.TournamentField(), c.InitialPopulation(), c.InitialDuplicatesRetries()),
      std::tuple(MAX_TOURNAMENT_FIELD, MAX_INITIAL_POPULATION, MAX_INITIAL_DUPLICATES_RETRIES));
}

// Both populations come from the subclass's factory and alternate between generations.
TEST(GeneticComponentTest, TheFirstEvolveInitializesThenFiresTheEventsOfAPairInOrder) {
  RandSeed(11);
  TLoggingComponent c;
  c.SetCrossoverProbability(1);
  c.SetMutationProbability(1);
  c.SetInversionProbability(1);
  c.SetInitialPopulation(2);
  TKXPopulation* first = c.Population();
  c.SetOnSelection([&](TKXObject*, TKXPopulation* P, TKXIndividual*& Parent) {
    c.Log.push_back("select");
    Parent = P->Items(0);
  });
  c.Evolve();
  EXPECT_EQ(c.Log, (std::vector<std::string>{"select", "select", "child0", "child1", "x0", "mut0",
                                             "mut1", "inv0", "inv1", "rep0", "rep1", "evolve1"}));
  EXPECT_TRUE(c.Initialized());
  EXPECT_EQ(c.Evaluations, 4);  // the two initial individuals, then the two changed children
  EXPECT_EQ(c.PreviousGeneration(), first);
  EXPECT_EQ(c.PreviousGeneration()->Items(1)->ClassName(), "TValueIndividual");
  EXPECT_EQ(c.Population()->Items(1)->ClassName(), "TValueIndividual");
  c.Evolve();
  EXPECT_EQ(c.Population(), first);
  EXPECT_EQ(c.Generation(), 2);
}

// Five individuals breed as pairs at 0 and 2 and a single child at 4: one crossover veto
// each, none once the operations are off; no operator ran, so the copies keep the cached
// fitness without an evaluation.
TEST(GeneticComponentTest, VetoesAndMissingOperationsLeaveChildrenAsUnevaluatedCopies) {
  RandSeed(4);
  TLoggingComponent c;
  c.SetMutationProbability(0);
  c.SetInversionProbability(0);
  c.SetInitialPopulation(5);
  c.Initialize();
  int vetoes = 0;
  c.SetOnCrossover([&](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*, bool& Do) {
    vetoes += Do ? 1 : 100;
    Do = false;
  });
  c.SetCrossoverProbability(1);
  c.Evaluations = 0;
  c.Evolve(2);
  c.SetOperations({});
  c.SetMutationProbability(1);
  c.SetInversionProbability(1);
  c.Evolve();
  EXPECT_EQ(vetoes, 6);
  EXPECT_EQ(c.Evaluations, 0);
  for (int i = 0; i < 5; ++i) EXPECT_FALSE(c.At(i)->NeedFitness());
}

// A larger population keeps its individuals; the handler receives the reset flag, and setting
// it skips DoInitialize.
TEST(GeneticComponentTest, InitializeKeepsALargerPopulationAndHonoursTheHandler) {
  class TCountingInit : public TValueComponent {
   public:
    int Calls = 0;

   protected:
    std::int32_t DoInitialize() override { return ++Calls, 0; }
  } c;
  c.SetValues({1, 2, 3, 4});
  c.SetInitialPopulation(2);
  c.SetGeneration(7);
  c.Initialize();
  EXPECT_EQ(c.Values(), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(c.Calls, 1);
  EXPECT_EQ(c.Generation(), 0);
  EXPECT_EQ(c.PreviousGeneration()->Count(), 4);
  bool seenFlag = true;
  c.SetOnInitialization([&](TKXObject*, bool& Initialized) {
    seenFlag = Initialized;
    Initialized = true;
  });
  c.Initialize();
  EXPECT_FALSE(seenFlag);
  EXPECT_EQ(c.Calls, 1);
}

// The cutoff compares the raw fitness (>= maximizing, <= minimizing) and needs a fittest
// individual; the diversity must fall strictly below its limit, and infinite diversity never
// ends a run; the generation limit ends it when reached. A zero column is a test switched off.
TEST(GeneticComponentTest, TerminationTestsCutoffThenDiversityThenGenerations) {
  constexpr double kMax = std::numeric_limits<double>::max();
  const struct {
    TGAFitnessMethod Method;
    std::vector<double> Values;
    double Cutoff, Diversity;
    std::int32_t Generation;
    bool Finished;
  } rows[] = {{fmMinimize, {}, kMax, 0, 0, false},
              {fmMinimize, {3, 0.5, 2}, 0.5, 0, 0, true},
              {fmMinimize, {3, 0.5, 2}, 0.4, 0, 0, false},
              {fmMaximize, {3, 0.5, 2}, 3, 0, 0, true},
              {fmMaximize, {3, 0.5, 2}, 3.5, 0, 0, false},
              {fmWeightedMaximize, {3, 0.5, 2}, 3.5, 0, 0, false},
              {fmMinimize, {1, 1, 4}, 0, 0.5, 0, false},
              {fmMinimize, {1, 1, 4}, 0, 0.51, 0, true},
              {fmMinimize, {0, 0}, 0, 0.51, 0, false},
              {fmMinimize, {}, 0, 0, 2, false},
              {fmMinimize, {}, 0, 0, 3, true}};
  for (const auto& row : rows) {
    TValueComponent c;
    c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual*, TGAFitness& F) { F = 100; });
    c.SetFitnessMethod(row.Method);
    c.SetValues(row.Values);
    c.SetUseFitnessCutoff(row.Cutoff != 0);
    c.SetFitnessCutoff(row.Cutoff);
    c.SetUseDiversityLimit(row.Diversity != 0);
    c.SetDiversityLimit(row.Diversity);
    c.SetUseGenerationLimit(row.Generation != 0);
    c.SetGenerationLimit(3);
    c.SetGeneration(row.Generation);
    EXPECT_EQ(c.IsFinished(), row.Finished)
        << row.Cutoff << " " << row.Diversity << " " << row.Generation;
  }
}

// Settings, statistics and both populations' content are copied, each component keeping its
// own objects; the initial size, the operations and a custom handler are not.
TEST(GeneticComponentTest, AssignCopiesSettingsAndContentButKeepsEachComponentsObjects) {
  TValueComponent source, target;
  source.Initialize();
  source.SetValues({10, 11, 12});
  source.SetTournamentField(5);
  source.SetGeneration(8);
  source.SetOperations({goMutate});
  source.SetOnSelection(
      [](TKXObject*, TKXPopulation* P, TKXIndividual*& Parent) { Parent = P->Items(0); });
  target.SetInitialPopulation(17);
  TKXPopulation* ownPopulation = target.Population();
  target.Assign(&source);
  EXPECT_EQ(target.Population(), ownPopulation);
  EXPECT_NE(target.PreviousGeneration(), source.PreviousGeneration());
  EXPECT_EQ(target.Values(), (std::vector<double>{10, 11, 12}));
  EXPECT_EQ(target.TournamentField() + target.Generation(), 13);
  EXPECT_TRUE(target.Initialized());
  EXPECT_EQ(target.MaxFitness(), 12);
  EXPECT_EQ(target.FittestIndividual(), nullptr);
  EXPECT_EQ(target.InitialPopulation(), 17);
  EXPECT_EQ(target.Operations(), (TGAGeneticOperations{goCrossover, goMutate, goInvert}));
  EXPECT_EQ(target.SelectionMethod(), smCustom);
  EXPECT_FALSE(static_cast<bool>(target.OnSelection()));
  TKXStringList notAComponent;
  EXPECT_THROW(target.Assign(&notAComponent), EConvertError);
}

}  // namespace
}  // namespace kx::testing
