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

  // Eight generations on Threads threads; 0 runs them sequentially.
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
    EXPECT_EQ(Threads == 0 ? c.Evolve(8) : c.ParallelEvolve(8), 8);
    EXPECT_NE(ValuesOf(c), initial);  // the run did evolve something
    return ResultOf(c);
  }
};

TEST_P(ParallelReproducibilityTest, TheThreadCountChangesNothing) {
  EXPECT_EQ(Run(0)[0].size(), 41u);
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

// Logs the breeding steps and reproductions per slot, from any thread.
class TSlotLoggingComponent : public TRandomValueComponent {
 public:
  explicit TSlotLoggingComponent(int Count) : Steps(Count), Reproduced(Count) {
    SetInitialPopulation(Count);
    SetOnReproduction(
        [this](TKXObject*, TKXIndividual* Item, bool&) { ++Reproduced[Index(Item)]; });
  }
  static std::size_t Index(TKXIndividual* Item) { return static_cast<std::size_t>(Item->Index()); }
  static std::vector<int> Counts(const std::vector<std::atomic<int>>& Counters) {
    std::vector<int> counts;
    for (const auto& c : Counters) counts.push_back(c.load());
    return counts;
  }

  std::vector<std::atomic<int>> Steps, Reproduced;

 protected:
  void DoEvolveOneStep(std::int32_t Index) override {
    ++Steps[static_cast<std::size_t>(Index)];
    TRandomValueComponent::DoEvolveOneStep(Index);
  }
};

TEST_F(ParallelEvolveTest, OddPopulationsBreedPairsAndASingleLastChild) {
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    TSlotLoggingComponent six(6);
    EvolveOnce(six, parallel);
    EXPECT_EQ(six.Counts(six.Steps), (std::vector<int>{1, 0, 1, 0, 1, 0}));
    EXPECT_EQ(six.Counts(six.Reproduced), (std::vector<int>(6, 1)));

    TSlotLoggingComponent five(5);
    EvolveOnce(five, parallel);
    EXPECT_EQ(five.Counts(five.Steps), (std::vector<int>{1, 0, 1, 0, 1}));
    EXPECT_EQ(five.Counts(five.Reproduced), (std::vector<int>(5, 1)));
    EXPECT_EQ(five.Generation(), 1);
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
    c.SetOnEvolve([&](TKXObject* Sender) {
      EXPECT_EQ(Sender, &c);
      ++evolved;
    });
    EXPECT_EQ(Evolve(c, parallel, 10), 4);
    EXPECT_EQ(c.Generation(), 4);
    EXPECT_EQ(evolved, 4);
    EXPECT_EQ(Evolve(c, parallel, 10), 0);  // finished: only OnEvolve fires
    EXPECT_EQ(evolved, 5);
    EXPECT_EQ(c.Generation(), 4);

    TRandomValueComponent h;
    h.SetInitialPopulation(8);
    h.SetOnEvolve([&](TKXObject*) { h.SetHalt(true); });
    EXPECT_EQ(Evolve(h, parallel, 5), 1);
    EXPECT_EQ(Evolve(h, parallel, 5), 1);  // Halt is reset at the start
    EXPECT_EQ(h.Generation(), 2);
    EXPECT_EQ(Evolve(h, parallel, 0), 0);
    EXPECT_EQ(Evolve(h, parallel, -3), 0);
  }
}

TEST_F(ParallelEvolveTest, NothingIsBredWithoutIndividualsOrHandlers) {
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    TKXCustomGeneticComponent empty;  // no fitness handler either: nothing asks for one
    empty.SetInitialPopulation(0);
    int evolved = 0;
    empty.SetOnEvolve([&](TKXObject*) { ++evolved; });
    EXPECT_EQ(Evolve(empty, parallel, 3), 0);
    EXPECT_EQ(evolved, 3);
    EXPECT_EQ(empty.Generation(), 0);

    // Missing handlers are reported before the generations are swapped.
    TValueComponent c;
    c.SetInitialPopulation(4);
    c.Initialize();
    TKXPopulation* current = c.Population();
    c.SetSelectionMethod(smCustom);
    ExpectThrowWithMessage<EGAException>([&] { EvolveOnce(c, parallel); },
                                         "No custom selection function defined");
    c.SetOnEvaluateFitness(nullptr);
    ExpectThrowWithMessage<EGAException>([&] { EvolveOnce(c, parallel); },
                                         "No fitness function defined");
    EXPECT_EQ(c.Population(), current);
    EXPECT_EQ(c.Generation(), 0);
  }
}

TEST_F(ParallelEvolveTest, HandlerErrorsReachTheCallerAndCloseTheBracket) {
  for (bool parallel : {false, true}) {
    SCOPED_TRACE(parallel);
    TRandomValueComponent c;
    c.SetInitialPopulation(20);
    c.SetMutationProbability(1);
    c.Initialize();
    c.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness&) {
      throw std::runtime_error("fitness failed");
    });
    ExpectThrowWithMessage<std::runtime_error>([&] { EvolveOnce(c, parallel); }, "fitness failed");
    EXPECT_EQ(c.Population()->UpdateCount(), 0);
    EXPECT_EQ(c.Generation(), 0);

    TRandomValueComponent b;
    b.SetInitialPopulation(20);
    b.Initialize();
    b.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* Child) {
      if (Child->Index() == 13) throw std::runtime_error("breeding failed");
    });
    EXPECT_THROW(EvolveOnce(b, parallel), std::runtime_error);
    EXPECT_EQ(b.Population()->UpdateCount(), 0);
    EXPECT_EQ(b.Generation(), 0);
  }
}

TEST_F(ParallelEvolveTest, TheElitistWalkIsTheSequentialOne) {
  // Without operators the children are copies of their first parent and nothing draws from
  // the generator, so sequential and parallel generations must match exactly. The parents
  // of every child are logged by slot (each slot is written by one iteration only).
  using TParents = std::vector<std::pair<double, double>>;
  auto make = [](TRandomValueComponent& C, TParents& Parents) {
    RandSeed(5);
    C.SetInitialPopulation(100);
    C.SetFitnessMethod(fmMaximize);
    C.SetSelectionMethod(smElitist);
    C.SetElitistPct(0.1);  // K = 10: ranks 0..10
    C.SetOperations({});
    C.Initialize();
    Parents.assign(100, {});
    C.SetOnInitializeChild(
        [&Parents](TKXObject*, TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* Child) {
          Parents[static_cast<std::size_t>(Child->Index())] = {AsValue(P1)->Value(),
                                                               AsValue(P2)->Value()};
        });
  };
  TRandomValueComponent sequential, parallel;
  TParents sequentialParents, parallelParents;
  make(sequential, sequentialParents);
  make(parallel, parallelParents);
  std::vector<double> ranking = ValuesOf(sequential);
  std::sort(ranking.begin(), ranking.end(), std::greater<>());

  sequential.Evolve();
  parallel.ParallelEvolve();
  for (std::size_t pair = 0; pair < 50; ++pair) {
    EXPECT_EQ(sequentialParents[2 * pair].first, ranking[(2 * pair) % 11]) << pair;
    EXPECT_EQ(sequentialParents[2 * pair].second, ranking[(2 * pair + 1) % 11]) << pair;
  }
  EXPECT_EQ(parallelParents, sequentialParents);
  EXPECT_EQ(parallel.RouletteIndex(), 99 % 11);
  EXPECT_EQ(sequential.RouletteIndex(), 99 % 11);

  sequential.Evolve(3);
  parallel.ParallelEvolve(3);
  EXPECT_EQ(parallelParents, sequentialParents);
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
    EXPECT_EQ(c.PreviousGeneration()->Items(3)->Fitness(), 1000);
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
  // Every child ends evaluated (ResultOf checks), with one call per changed child.
  ResultOf(c);
  EXPECT_EQ(c.Calls.load(), changed.load());
}

TEST_F(ParallelEvolveTest, ParallelEvaluateFitnessMatchesTheSequentialStatistics) {
  TRandomValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({3, 9, 1, 9, 4, 7});
  const auto sequential = ResultOf(c);
  for (int i = 0; i < 6; ++i) c.At(i)->Modified();
  c.Calls = 0;
  c.ParallelEvaluateFitness();
  EXPECT_EQ(c.Calls.load(), 6);
  EXPECT_EQ(ResultOf(c), sequential);
  EXPECT_EQ(c.FittestIndividual(), c.At(1));  // ties keep the lower index

  c.Population()->Clear();
  c.ParallelEvaluateFitness();
  EXPECT_EQ(c.MaxFitness(), 0);
  EXPECT_EQ(c.FitnessSum(), 0);
}

}  // namespace
}  // namespace kx::testing
