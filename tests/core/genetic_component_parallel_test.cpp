#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Everything a run produces that later generations or the application could see: values,
// fitnesses (all evaluated), statistics, fittest index, generation, roulette index and table.
std::vector<std::vector<double>> ResultOf(TValueComponent& C) {
  const double best = C.FittestIndividual() ? C.FittestIndividual()->Index() : -1.0;
  std::vector<double> fitnesses,
      statistics{
          C.MaxFitness(),         C.MinFitness(),         C.FitnessSum(), C.MaxWeightedFitness(),
          C.MinWeightedFitness(), C.WeightedFitnessSum(), best,           C.Generation() + 0.0,
          C.RouletteIndex() + 0.0};
  for (int i = 0; i < C.Population()->Count(); ++i) {
    EXPECT_FALSE(C.At(i)->NeedFitness()) << i;
    fitnesses.push_back(C.At(i)->Fitness());
  }
  return {C.Values(), fitnesses, statistics, C.CumNormFitnesses()};
}

// Eight generations from seed 2024 on Threads threads, with the given selection and fitness
// methods, an odd population (the last pair breeds a single child) and a parent changed
// between generations (stale: it must be evaluated before the iterations read it).
std::vector<std::vector<double>> SeededRun(int Threads, TGASelectionMethod Selection,
                                           TGAFitnessMethod Method) {
  SetParallelThreads(Threads);
  RandSeed(2024);
  TRandomValueComponent c(true);
  SetAll(c, &TComp::SetFitnessMethod, Method, &TComp::SetSelectionMethod, Selection,
         &TComp::SetCrossoverProbability, 0.7, &TComp::SetMutationProbability, 0.4,
         &TComp::SetInversionProbability, 0.05, &TComp::SetElitistPct, 0.2,
         &TComp::SetInitialPopulation, 41, &TComp::SetTournamentField, 3);
  // A custom handler mixing built-in routines that read a table and a ranking no evaluation
  // prepares under smCustom: the loop must build them beforehand, the ranking from the
  // parents rather than from the population being bred.
  if (Selection == smCustom) {
    c.SetOnSelection([&c](TKXObject* S, TKXPopulation* P, TKXIndividual*& Parent) {
      using TRoutine = void (TComp::*)(TKXObject*, TKXPopulation*, TKXIndividual*&);
      static constexpr TRoutine kRoutines[] = {&TComp::SelectRoulette, &TComp::SelectElitist,
                                               &TComp::SelectTournament};
      (c.*kRoutines[RandomInt(3)])(S, P, Parent);
      EXPECT_EQ(Parent->Collection(), P);
    });
  }
  c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    Fitness = Item->Fitness() - AsValue(Item)->Value() / 8;
  });
  c.Initialize();
  c.At(3)->SetValue(50);
  EXPECT_EQ(c.ParallelEvolve(8), 8);
  SetParallelThreads(0);
  return ResultOf(c);
}

// The same seed gives the same run whatever the thread count, for every selection method.
TEST(ParallelReproducibilityTest, TheThreadCountChangesNothing) {
  // clang-format off
  for (const auto& [selection, method] :
       {std::pair{smRoulette, fmMaximize}, {smRoulette, fmMinimize}, {smRandom, fmMinimize},
        {smTournament, fmWeightedMaximize}, {smStochasticTournament, fmMaximize},
        {smElitist, fmMaximize}, {smElitist, fmWeightedMinimize}, {smCustom, fmMaximize}}) {
    // clang-format on
    SCOPED_TRACE(std::string(EnumName(selection)) + " " + std::string(EnumName(method)));
    const auto one = SeededRun(1, selection, method);
    EXPECT_EQ(SeededRun(2, selection, method), one);
    EXPECT_EQ(SeededRun(4, selection, method), one);
  }
}

// Each check runs with Evolve and with ParallelEvolve: counts stop at the generation limit
// (a finished run only fires OnEvolve) and after a Halt (reset by the next call); an empty
// population evolves nothing, asks for no handler and still fires OnEvolve; missing handlers
// raise before the generations are swapped; a handler's error reaches the caller with the
// update bracket closed and the generation not counted; an odd population breeds as pairs.
TEST(ParallelEvolveTest,
     CountsHaltFailuresAndBreedingAreTheSequentialOnesAndChangedChildrenAreEvaluated) {
  SetParallelThreads(4);
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    auto evolve = [parallel](TComp& C, int Generations) {
      return parallel ? C.ParallelEvolve(Generations) : C.Evolve(Generations);
    };
    TRandomValueComponent c;
    TComp empty;
    SetAll(c, &TComp::SetInitialPopulation, 8, &TComp::SetGenerationLimit, 4,
           &TComp::SetUseGenerationLimit, true);
    empty.SetInitialPopulation(0);
    int evolved = 0;
    for (TComp* counted : {static_cast<TComp*>(&c), &empty})
      counted->SetOnEvolve([&](TKXObject*) { ++evolved; });
    EXPECT_EQ(evolve(c, 10), 4);
    EXPECT_EQ(evolve(c, 10), 0);
    EXPECT_EQ(evolve(empty, 3), 0);
    EXPECT_EQ(std::tuple(evolved, c.Generation(), empty.Generation()), std::tuple(8, 4, 0));
    c.SetGenerationLimit(100);
    c.SetOnEvolve([&](TKXObject*) { c.SetHalt(true); });
    EXPECT_EQ(evolve(c, 5), 1);
    c.SetOnEvolve(nullptr);
    EXPECT_EQ(evolve(c, 2), 2);
    EXPECT_EQ(evolve(c, -3), 0);
    EXPECT_EQ(c.Generation(), 7);
    TKXPopulation* current = c.Population();
    c.SetSelectionMethod(smCustom);
    EXPECT_EQ(ErrorOf<EGAException>([&] { evolve(c, 1); }), "No custom selection function defined");
    c.SetSelectionMethod(smRoulette);
    c.SetOnEvaluateFitness(nullptr);
    EXPECT_EQ(ErrorOf<EGAException>([&] { evolve(c, 1); }), "No fitness function defined");
    EXPECT_EQ(c.Population(), current);
    c.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* Child) {
      if (Child->Index() == 5) throw std::runtime_error("breeding failed");
    });
    c.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness&) {});
    EXPECT_EQ(ErrorOf<std::runtime_error>([&] { evolve(c, 1); }), "breeding failed");
    EXPECT_EQ(std::pair(c.Population()->UpdateCount(), c.Generation()), std::pair(0, 7));
    // An odd population: the last pair number breeds the single last child. A vetoed
    // crossover leaves copies, which keep their cached fitness; a crossover switched off is
    // not offered; only the children an operator changed are evaluated.
    RandSeed(17);
    TRandomValueComponent o;
    SetAll(o, &TComp::SetCrossoverProbability, 1, &TComp::SetMutationProbability, 0.5,
           &TComp::SetInitialPopulation, 41, &TComp::SetOperations,
           TGAGeneticOperations{goCrossover});
    std::vector<std::atomic<int>> bred(41);
    std::atomic<int> changed{0}, vetoes{0};  // changed: the children left stale by breeding
    o.SetOnCrossover([&](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*, bool& Do) {
      vetoes += std::exchange(Do, false) ? 1 : 100;
    });
    o.SetOnReproduction([&](TKXObject*, TKXIndividual* Item, bool&) {
      ++bred[static_cast<std::size_t>(Item->Index())];
      changed += Item->NeedFitness();
    });
    o.Initialize();
    o.Evaluations = 0;
    evolve(o, 1);
    EXPECT_EQ(std::pair(vetoes.load(), o.Evaluations.load()), std::pair(21, 0));
    o.SetOperations({goMutate});
    evolve(o, 1);
    for (const auto& count : bred) EXPECT_EQ(count.load(), 2);
    EXPECT_EQ(std::pair(vetoes.load(), o.Evaluations.load()), std::pair(21, changed.load()));
    // The (parallel) statistics pass of the run equals a sequential one.
    const auto result = ResultOf(o);  // every child ends evaluated
    for (int i = 0; i < 41; ++i) o.At(i)->Modified();
    o.EvaluateFitness();
    EXPECT_EQ(ResultOf(o), result);
  }
  SetParallelThreads(0);
}

}  // namespace
}  // namespace kx::testing
