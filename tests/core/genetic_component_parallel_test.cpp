#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <kx/core/genetic_component.hpp>
#include <kx/host/parallel_for.hpp>
#include <kx/host/random.hpp>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Operators that draw from the generator, so that every breeding stream shows in the
// result, and a fitness handler that counts its calls safely from several threads (and,
// when Noisy, draws too, so that the evaluation streams show as well).
class TRandomValueComponent : public TValueComponent {
 public:
  explicit TRandomValueComponent(bool Noisy = false) {
    SetOnEvaluateFitness([this, Noisy](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Calls.fetch_add(1, std::memory_order_relaxed);
      Fitness = AsValue(Item)->Value();
      if (Noisy) Fitness += RandomFloat() / 1024;
    });
  }

  std::atomic<int> Calls{0};

 protected:
  std::int32_t DoInitialize() override {
    for (int i = 0; i < Population()->Count(); ++i) At(i)->SetValue(RandomFloat() * 100);
    return 0;
  }
  bool DoCrossover(TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* C1,
                   TKXIndividual* C2) override {
    const double a = RandomFloat();
    const double v1 = AsValue(P1)->Value();
    const double v2 = AsValue(P2)->Value();
    AsValue(C1)->SetValue(v1 + a * (v2 - v1));
    if (C2 != nullptr) AsValue(C2)->SetValue(v2 + a * (v1 - v2));
    return true;
  }
  bool DoMutate(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(AsValue(Item)->Value() + RandomFloat() - 0.5);
    return true;
  }
  bool DoInvert(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(100 - AsValue(Item)->Value());
    return true;
  }
};

std::vector<double> ValuesOf(const TValueComponent& C) {
  std::vector<double> values;
  for (int i = 0; i < C.Population()->Count(); ++i) values.push_back(C.At(i)->Value());
  return values;
}

// Everything a run produces that later generations or the application could see: values,
// fitnesses, statistics, roulette table, then fittest index, generation and roulette index.
std::vector<std::vector<double>> ResultOf(TValueComponent& C) {
  std::vector<double> fitnesses;
  for (int i = 0; i < C.Population()->Count(); ++i) {
    EXPECT_FALSE(C.At(i)->NeedFitness()) << i;
    fitnesses.push_back(C.At(i)->Fitness());
  }
  const TKXIndividual* fittest = C.FittestIndividual();
  return {ValuesOf(C),
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

void PrintTo(const TRunSettings& Settings, std::ostream* Out) { *Out << Settings.Name; }

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
      // A handler mixing two built-in routines, one of which writes the roulette index.
      c.SetOnSelection([&c](TKXObject* S, TKXPopulation* P, TKXIndividual*& Parent) {
        if (RandomInt(2) == 0) {
          c.SelectRoulette(S, P, Parent);
        } else {
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
    const std::vector<double> initial = ValuesOf(c);
    EXPECT_EQ(c.ParallelEvolve(8), 8);
    EXPECT_NE(ValuesOf(c), initial);  // the run did evolve something
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
                      TRunSettings{smCustom, fmMaximize, "CustomRouletteAndTournament"}),
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

TEST_F(ParallelEvolveTest, OddPopulationsBreedPairsAndASingleLastChild) {
  // Logs the breeding steps and reproductions per slot, from any thread.
  class TSlotLogging : public TRandomValueComponent {
   public:
    std::vector<std::atomic<int>> Steps = std::vector<std::atomic<int>>(5);
    std::vector<std::atomic<int>> Reproduced = std::vector<std::atomic<int>>(5);
    TSlotLogging() {
      SetInitialPopulation(5);
      SetOnReproduction([this](TKXObject*, TKXIndividual* Item, bool&) {
        ++Reproduced[static_cast<std::size_t>(Item->Index())];
      });
    }
    void DoEvolveOneStep(std::int32_t Index) override {
      ++Steps[static_cast<std::size_t>(Index)];
      TRandomValueComponent::DoEvolveOneStep(Index);
    }
  };
  const auto counts = [](const std::vector<std::atomic<int>>& Counters) {
    std::vector<int> values;
    for (const auto& c : Counters) values.push_back(c.load());
    return values;
  };
  for (bool parallel : {false, true}) {
    TSlotLogging c;
    EvolveOnce(c, parallel);
    EXPECT_EQ(counts(c.Steps), (std::vector<int>{1, 0, 1, 0, 1})) << parallel;
    EXPECT_EQ(counts(c.Reproduced), (std::vector<int>(5, 1))) << parallel;
  }
}

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
  auto make = [](TRandomValueComponent& C) {
    RandSeed(5);
    C.SetInitialPopulation(100);
    C.SetFitnessMethod(fmMaximize);
    C.SetSelectionMethod(smElitist);
    C.SetElitistPct(0.1);  // K = 10: ranks 0..10
    C.SetOperations({});
    C.Initialize();
  };
  TRandomValueComponent sequential, parallel;
  make(sequential);
  make(parallel);
  std::vector<double> ranking = ValuesOf(sequential);
  std::sort(ranking.begin(), ranking.end(), std::greater<>());
  sequential.Evolve();
  parallel.ParallelEvolve();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(sequential.At(i)->Value(), ranking[(i - i % 2) % 11]);
  EXPECT_EQ(sequential.RouletteIndex(), 99 % 11);
  EXPECT_EQ(ResultOf(parallel), ResultOf(sequential));
  sequential.Evolve(3);
  parallel.ParallelEvolve(3);
  EXPECT_EQ(ResultOf(parallel), ResultOf(sequential));
}

// Checks, when breeding starts, what the iterations will share, and notes the thread that
// evaluates Watched.
class TPreparationComponent : public TRandomValueComponent {
 public:
  TPreparationComponent() {
    SetOnEvaluateFitness([this](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Calls.fetch_add(1);
      if (Item == Watched) WatchedOn.push_back(std::this_thread::get_id());
      Fitness = AsValue(Item)->Value();
    });
  }
  TKXIndividual* Watched = nullptr;
  std::vector<std::thread::id> WatchedOn;  // written once only when the code is right
  int StaleParents = -1;
  bool TableReady = false;

 protected:
  void DoBeforeParallelBreeding() override {
    TableReady = !CumNormFitnesses().empty();
    StaleParents = 0;
    for (int i = 0; i < PreviousGeneration()->Count(); ++i) {
      StaleParents += PreviousGeneration()->Items(i)->NeedFitness();
    }
  }
};

TEST_F(ParallelEvolveTest, PreparesSharedStructuresAndStaleParentsOnTheCallingThread) {
  for (TGASelectionMethod method : {smRoulette, smElitist}) {
    SCOPED_TRACE(std::string(EnumName(method)));
    RandSeed(8);
    TPreparationComponent c;
    c.SetInitialPopulation(30);
    c.SetSelectionMethod(smTournament);  // prepares neither the table nor the ranking
    c.Initialize();
    c.SetSelectionMethod(method);
    // An individual changed by the application between generations is a stale parent.
    c.At(3)->SetValue(1000);
    c.Watched = c.At(3);
    c.ParallelEvolve();
    EXPECT_EQ(c.StaleParents, 0);
    EXPECT_EQ(c.TableReady, method == smRoulette);
    EXPECT_EQ(c.WatchedOn, std::vector<std::thread::id>{std::this_thread::get_id()});
  }
}

TEST_F(ParallelEvolveTest, OnlyChangedChildrenAreEvaluatedOnceEach) {
  RandSeed(17);
  TRandomValueComponent c;
  c.SetInitialPopulation(40);
  c.SetOperations({goMutate});
  c.SetMutationProbability(0.5);
  std::atomic<int> changed{0};  // the children left stale by breeding
  c.SetOnReproduction(
      [&](TKXObject*, TKXIndividual* Item, bool&) { changed += Item->NeedFitness(); });
  c.Initialize();
  c.Calls = 0;
  c.ParallelEvolve();
  EXPECT_GT(changed.load(), 5);  // the test must see both kinds of children
  EXPECT_LT(changed.load(), 35);
  ResultOf(c);  // every child ends evaluated
  EXPECT_EQ(c.Calls.load(), changed.load());

  // A parallel statistics pass equals the sequential one.
  const auto sequential = ResultOf(c);
  for (int i = 0; i < 40; ++i) c.At(i)->Modified();
  c.ParallelEvaluateFitness();
  EXPECT_EQ(ResultOf(c), sequential);
}

}  // namespace
}  // namespace kx::testing
