#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Everything a run produces that later generations or the application could see: values,
// fitnesses, statistics, roulette table, then fittest index, generation and roulette index.
std::vector<std::vector<double>> ResultOf(TValueComponent& C) {
  std::vector<double> fitnesses;
  for (int i = 0; i < C.Population()->Count(); ++i) {
    EXPECT_FALSE(C.At(i)->NeedFitness()) << i;
    fitnesses.push_back(C.At(i)->Fitness());
  }
  const TKXIndividual* fittest = C.FittestIndividual();
  return {C.Values(),
          fitnesses,
          {C.MaxFitness(), C.MinFitness(), C.FitnessSum(), C.MaxWeightedFitness(),
           C.MinWeightedFitness(), C.WeightedFitnessSum()},
          C.CumNormFitnesses(),
          {fittest != nullptr ? fittest->Index() + 0.0 : -1.0, C.Generation() + 0.0,
           C.RouletteIndex() + 0.0}};
}

struct TRunSettings {
  TGASelectionMethod Selection;
  TGAFitnessMethod Fitness;
  const char* Name;
};

class ParallelReproducibilityTest : public ::testing::TestWithParam<TRunSettings> {
 protected:
  void TearDown() override { SetParallelThreads(0); }

  // Eight generations on Threads threads.
  static std::vector<std::vector<double>> Run(int Threads) {
    SetParallelThreads(Threads);
    RandSeed(2024);
    TRandomValueComponent c(true);
    c.SetInitialPopulation(41);  // odd: the last pair breeds a single child
    c.SetFitnessMethod(GetParam().Fitness);
    c.SetSelectionMethod(GetParam().Selection);
    if (GetParam().Selection == smCustom) {
      // A handler mixing built-in routines that read a table and a ranking no evaluation
      // prepares under smCustom: the loop must build them beforehand, the ranking from the
      // parents rather than from the population being bred.
      c.SetOnSelection([&c](TKXObject* S, TKXPopulation* P, TKXIndividual*& Parent) {
        switch (RandomInt(3)) {
          case 0:
            c.SelectRoulette(S, P, Parent);
            break;
          case 1:
            c.SelectElitist(S, P, Parent);
            EXPECT_EQ(Parent->Collection(), P);
            break;
          default:
            c.SelectTournament(S, P, Parent);
        }
      });
    }
    if (IsWeighted(GetParam().Fitness)) {
      c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
        Fitness = Item->Fitness() - AsValue(Item)->Value() / 8;
      });
    }
    c.SetElitistPct(0.2);
    c.SetTournamentField(3);
    c.SetCrossoverProbability(0.7);
    c.SetMutationProbability(0.4);
    c.SetInversionProbability(0.05);
    c.Initialize();
    const std::vector<double> initial = c.Values();
    // A parent changed between generations is stale: it must be evaluated before the
    // iterations read it.
    c.At(3)->SetValue(50);
    EXPECT_EQ(c.ParallelEvolve(8), 8);
    EXPECT_NE(c.Values(), initial);  // the run did evolve something
    return ResultOf(c);
  }
};

TEST_P(ParallelReproducibilityTest, TheThreadCountChangesNothing) {
  const auto one = Run(1);
  EXPECT_EQ(Run(2), one);
  EXPECT_EQ(Run(4), one);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, ParallelReproducibilityTest,
    ::testing::Values(TRunSettings{smRoulette, fmMaximize, "Roulette"},
                      TRunSettings{smRoulette, fmMinimize, "RouletteMinimizing"},
                      TRunSettings{smRandom, fmMinimize, "Random"},
                      TRunSettings{smTournament, fmWeightedMaximize, "TournamentWeighted"},
                      TRunSettings{smStochasticTournament, fmMaximize, "StochasticTournament"},
                      TRunSettings{smElitist, fmMaximize, "Elitist"},
                      TRunSettings{smElitist, fmWeightedMinimize, "ElitistWeighted"},
                      TRunSettings{smCustom, fmMaximize, "CustomMixed"}),
    [](const ::testing::TestParamInfo<TRunSettings>& Info) { return Info.param.Name; });

// Runs on four threads and restores the default thread count. Tests that hold for both
// loops run each check with Parallel false (Evolve) and true (ParallelEvolve).
class ParallelEvolveTest : public ::testing::Test {
 protected:
  void SetUp() override { SetParallelThreads(4); }
  void TearDown() override { SetParallelThreads(0); }

  static void EvolveOnce(TKXCustomGeneticComponent& C, bool Parallel) {
    Parallel ? C.ParallelEvolve() : C.Evolve();
  }
  static std::int32_t Evolve(TKXCustomGeneticComponent& C, bool Parallel, int Generations) {
    return Parallel ? C.ParallelEvolve(Generations) : C.Evolve(Generations);
  }
};

TEST_F(ParallelEvolveTest, GenerationCountsStopAtTheLimitAndOnHalt) {
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    TRandomValueComponent c;
    c.SetInitialPopulation(8);
    c.SetUseGenerationLimit(true);
    c.SetGenerationLimit(4);
    int evolved = 0;
    c.SetOnEvolve([&](TKXObject*) { ++evolved; });
    EXPECT_EQ(Evolve(c, parallel, 10), 4);
    EXPECT_EQ(Evolve(c, parallel, 10), 0);  // finished: only OnEvolve fires
    EXPECT_EQ(evolved, 5);
    EXPECT_EQ(c.Generation(), 4);

    TRandomValueComponent h;
    h.SetInitialPopulation(8);
    h.SetOnEvolve([&](TKXObject*) { h.SetHalt(true); });
    EXPECT_EQ(Evolve(h, parallel, 5), 1);
    EXPECT_EQ(Evolve(h, parallel, 5), 1);  // Halt is reset at the start
    EXPECT_EQ(Evolve(h, parallel, -3), 0);
    EXPECT_EQ(h.Generation(), 2);
  }
}

TEST_F(ParallelEvolveTest, FailuresLeaveTheGenerationsAndTheBracketAsTheyWere) {
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    TKXCustomGeneticComponent empty;  // no fitness handler either: nothing asks for one
    empty.SetInitialPopulation(0);
    int evolved = 0;
    empty.SetOnEvolve([&](TKXObject*) { ++evolved; });
    EXPECT_EQ(Evolve(empty, parallel, 3), 0);
    EXPECT_EQ(evolved, 3);  // OnEvolve fires for every call all the same
    EXPECT_EQ(empty.Generation(), 0);

    // Missing handlers are reported before the generations are swapped.
    TRandomValueComponent c;
    c.SetInitialPopulation(20);
    c.Initialize();
    TKXPopulation* current = c.Population();
    c.SetSelectionMethod(smCustom);
    ExpectThrowWithMessage<EGAException>([&] { EvolveOnce(c, parallel); },
                                         "No custom selection function defined");
    c.SetSelectionMethod(smRoulette);
    c.SetOnEvaluateFitness(nullptr);
    ExpectThrowWithMessage<EGAException>([&] { EvolveOnce(c, parallel); },
                                         "No fitness function defined");
    EXPECT_EQ(c.Population(), current);

    // A handler's error reaches the caller with the update bracket closed.
    c.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* Child) {
      if (Child->Index() == 13) throw std::runtime_error("breeding failed");
    });
    c.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness&) {});
    ExpectThrowWithMessage<std::runtime_error>([&] { EvolveOnce(c, parallel); }, "breeding failed");
    EXPECT_EQ(c.Population()->UpdateCount(), 0);
    EXPECT_EQ(c.Generation(), 0);
  }
}

TEST_F(ParallelEvolveTest, TheElitistWalkIsTheSequentialOne) {
  // Without operators both children copy their first parent and nothing draws from the
  // generator, so sequential and parallel generations must match exactly.
  TRandomValueComponent sequential, parallel;
  for (TRandomValueComponent* c : {&sequential, &parallel}) {
    RandSeed(5);
    c->SetInitialPopulation(100);
    c->SetFitnessMethod(fmMaximize);
    c->SetSelectionMethod(smElitist);
    c->SetOperations({});
    c->Initialize();
  }
  sequential.Evolve(4);
  parallel.ParallelEvolve(4);
  EXPECT_EQ(ResultOf(parallel), ResultOf(sequential));
}

// An odd population: the last pair number breeds the single last child.
TEST_F(ParallelEvolveTest, EveryChildIsBredOnceAndOnlyChangedOnesAreEvaluated) {
  RandSeed(17);
  TRandomValueComponent c;
  c.SetInitialPopulation(41);
  c.SetOperations({goMutate});
  c.SetMutationProbability(0.5);
  std::vector<std::atomic<int>> bred(41);
  std::atomic<int> changed{0};  // the children left stale by breeding
  c.SetOnReproduction([&](TKXObject*, TKXIndividual* Item, bool&) {
    ++bred[static_cast<std::size_t>(Item->Index())];
    changed += Item->NeedFitness();
  });
  c.Initialize();
  c.Evaluations = 0;
  c.ParallelEvolve();
  for (const auto& count : bred) EXPECT_EQ(count.load(), 1);
  EXPECT_GT(changed.load(), 5);  // the test must see both kinds of children
  EXPECT_LT(changed.load(), 36);
  const auto result = ResultOf(c);  // every child ends evaluated
  EXPECT_EQ(c.Evaluations.load(), changed.load());

  // A parallel statistics pass equals the sequential one.
  for (int i = 0; i < 41; ++i) c.At(i)->Modified();
  c.ParallelEvaluateFitness();
  EXPECT_EQ(ResultOf(c), result);
}

}  // namespace
}  // namespace kx::testing
