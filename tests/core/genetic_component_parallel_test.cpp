#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <kx/core/genetic_component.hpp>
#include <kx/host/parallel_for.hpp>
#include <kx/host/random.hpp>
#include <memory>
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

  using TKXCustomGeneticComponent::DoParallelEvolveOneStep;

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

// Everything a run produces that later generations or the application could see.
struct TRunResult {
  std::vector<double> InitialValues;
  std::vector<double> Values;
  std::vector<double> Fitnesses;
  std::vector<double> Statistics;  // max, min, sum, then the weighted three
  std::vector<double> Table;
  int Fittest = -1;
  int Generation = 0;
  int RouletteIndex = 0;
};

std::vector<double> ValuesOf(const TValueComponent& C) {
  std::vector<double> values;
  for (int i = 0; i < C.Population()->Count(); ++i) values.push_back(C.At(i)->Value());
  return values;
}

TRunResult ResultOf(TValueComponent& C, std::vector<double> InitialValues) {
  TRunResult r;
  r.InitialValues = std::move(InitialValues);
  r.Values = ValuesOf(C);
  for (int i = 0; i < C.Population()->Count(); ++i) {
    EXPECT_FALSE(C.At(i)->NeedFitness()) << i;
    r.Fitnesses.push_back(C.At(i)->Fitness());
  }
  r.Statistics = {C.MaxFitness(),         C.MinFitness(),         C.FitnessSum(),
                  C.MaxWeightedFitness(), C.MinWeightedFitness(), C.WeightedFitnessSum()};
  r.Table = C.CumNormFitnesses();
  r.Fittest = C.FittestIndividual() != nullptr ? C.FittestIndividual()->Index() : -1;
  r.Generation = C.Generation();
  r.RouletteIndex = C.RouletteIndex();
  return r;
}

void ExpectSameRun(const TRunResult& A, const TRunResult& B) {
  EXPECT_EQ(A.InitialValues, B.InitialValues);
  EXPECT_EQ(A.Values, B.Values);
  EXPECT_EQ(A.Fitnesses, B.Fitnesses);
  EXPECT_EQ(A.Statistics, B.Statistics);
  EXPECT_EQ(A.Table, B.Table);
  EXPECT_EQ(A.Fittest, B.Fittest);
  EXPECT_EQ(A.Generation, B.Generation);
  EXPECT_EQ(A.RouletteIndex, B.RouletteIndex);
}

// Restores the default thread count whatever a test set.
class ParallelEvolveTest : public ::testing::Test {
 protected:
  void TearDown() override { SetParallelThreads(0); }
};

struct TRunSettings {
  TGASelectionMethod Selection;
  TGAFitnessMethod Fitness;
  const char* Name;
};

void PrintTo(const TRunSettings& Settings, std::ostream* Out) { *Out << Settings.Name; }

class ParallelReproducibilityTest : public ::testing::TestWithParam<TRunSettings> {
 protected:
  void TearDown() override { SetParallelThreads(0); }

  static TRunResult Run(int Threads) {
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
    std::vector<double> initial = ValuesOf(c);
    EXPECT_EQ(c.ParallelEvolve(8), 8);
    return ResultOf(c, std::move(initial));
  }
};

TEST_P(ParallelReproducibilityTest, TheThreadCountChangesNothing) {
  const TRunResult one = Run(1);
  ASSERT_EQ(one.Generation, 8);
  ASSERT_NE(one.Values, one.InitialValues);  // the run did evolve something
  const TRunResult two = Run(2);
  const TRunResult four = Run(4);
  ExpectSameRun(one, two);
  ExpectSameRun(one, four);
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

TEST_F(ParallelEvolveTest, PairsBredInAnyOrderGiveTheSameGeneration) {
  // The iterations' results depend on their pair numbers only, not on the order they run.
  for (TGASelectionMethod method : {smElitist, smStochasticTournament}) {
    SCOPED_TRACE(std::string(EnumName(method)));
    std::vector<std::vector<double>> results;
    for (bool reversed : {false, true}) {
      RandSeed(99);
      TRandomValueComponent c;
      c.SetSelectionMethod(method);
      c.SetFitnessMethod(fmMaximize);
      c.SetInitialPopulation(15);
      c.SetCrossoverProbability(0.8);
      c.SetMutationProbability(0.5);
      c.Initialize();
      c.DoStartEvolve();
      for (int i = 0; i < 8; ++i) c.DoParallelEvolveOneStep(reversed ? 7 - i : i);
      results.push_back(ValuesOf(c));
    }
    EXPECT_EQ(results[0], results[1]);
  }
}

TEST_F(ParallelEvolveTest, TheElitistWalkIsTheSequentialOne) {
  SetParallelThreads(4);
  // Without operators the children are copies of their first parent and nothing draws from
  // the generator, so sequential and parallel generations must match exactly. The parents
  // of every child are logged by slot (each slot is written by one iteration only).
  struct TLoggedRun {
    std::unique_ptr<TRandomValueComponent> C = std::make_unique<TRandomValueComponent>();
    std::vector<std::pair<double, double>> Parents = std::vector<std::pair<double, double>>(100);
  };
  auto make = [](TLoggedRun& Run) {
    RandSeed(5);
    TRandomValueComponent& c = *Run.C;
    c.SetInitialPopulation(100);
    c.SetFitnessMethod(fmMaximize);
    c.SetSelectionMethod(smElitist);
    c.SetElitistPct(0.1);  // K = 10: ranks 0..10
    c.SetOperations({});
    c.Initialize();
    c.SetOnInitializeChild(
        [&Run](TKXObject*, TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* Child) {
          Run.Parents[static_cast<std::size_t>(Child->Index())] = {AsValue(P1)->Value(),
                                                                   AsValue(P2)->Value()};
        });
  };
  TLoggedRun sequential, parallel;
  make(sequential);
  make(parallel);
  std::vector<double> ranking = ValuesOf(*sequential.C);
  std::sort(ranking.begin(), ranking.end(), std::greater<>());

  sequential.C->Evolve();
  parallel.C->ParallelEvolve();
  for (int pair = 0; pair < 50; ++pair) {
    SCOPED_TRACE(pair);
    const auto& logged = sequential.Parents[static_cast<std::size_t>(2 * pair)];
    EXPECT_EQ(logged.first, ranking[static_cast<std::size_t>((2 * pair) % 11)]);
    EXPECT_EQ(logged.second, ranking[static_cast<std::size_t>((2 * pair + 1) % 11)]);
  }
  EXPECT_EQ(parallel.Parents, sequential.Parents);
  EXPECT_EQ(parallel.C->RouletteIndex(), sequential.C->RouletteIndex());
  EXPECT_EQ(parallel.C->RouletteIndex(), 99 % 11);

  sequential.C->Evolve(3);
  parallel.C->ParallelEvolve(3);
  EXPECT_EQ(ValuesOf(*parallel.C), ValuesOf(*sequential.C));
  EXPECT_EQ(parallel.Parents, sequential.Parents);
  EXPECT_EQ(parallel.C->MaxFitness(), sequential.C->MaxFitness());
  EXPECT_EQ(parallel.C->FitnessSum(), sequential.C->FitnessSum());
}

// Logs the breeding steps and reproductions per slot, from any thread.
class TSlotLoggingComponent : public TRandomValueComponent {
 public:
  explicit TSlotLoggingComponent(int Count) : Steps(Count), Singles(Count), Reproduced(Count) {
    SetInitialPopulation(Count);
    SetOnReproduction(
        [this](TKXObject*, TKXIndividual* Item, bool&) { ++Reproduced[Index(Item)]; });
  }
  static std::size_t Index(TKXIndividual* Item) { return static_cast<std::size_t>(Item->Index()); }

  std::vector<std::atomic<int>> Steps, Singles, Reproduced;

  bool Reproduce(TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* C1) override {
    ++Singles[Index(C1)];
    return TRandomValueComponent::Reproduce(P1, P2, C1);
  }
  using TRandomValueComponent::Reproduce;

 protected:
  void DoEvolveOneStep(std::int32_t Index) override {
    ++Steps[static_cast<std::size_t>(Index)];
    TRandomValueComponent::DoEvolveOneStep(Index);
  }
};

std::vector<int> Counts(const std::vector<std::atomic<int>>& Counters) {
  std::vector<int> counts;
  for (const auto& c : Counters) counts.push_back(c.load());
  return counts;
}

TEST_F(ParallelEvolveTest, PairNumbersCoverEvenAndOddPopulations) {
  SetParallelThreads(4);
  TSlotLoggingComponent six(6);
  six.Initialize();
  six.ParallelEvolve();
  EXPECT_EQ(Counts(six.Steps), (std::vector<int>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(Counts(six.Singles), (std::vector<int>(6, 0)));
  EXPECT_EQ(Counts(six.Reproduced), (std::vector<int>(6, 1)));

  TSlotLoggingComponent five(5);
  five.Initialize();
  five.ParallelEvolve();
  EXPECT_EQ(Counts(five.Steps), (std::vector<int>{1, 0, 1, 0, 1}));
  EXPECT_EQ(Counts(five.Singles), (std::vector<int>{0, 0, 0, 0, 1}));
  EXPECT_EQ(Counts(five.Reproduced), (std::vector<int>(5, 1)));
  EXPECT_EQ(five.Generation(), 1);
}

TEST_F(ParallelEvolveTest, GenerationCountsStopAtTheLimitAndOnHalt) {
  TRandomValueComponent c;
  c.SetInitialPopulation(8);
  c.SetUseGenerationLimit(true);
  c.SetGenerationLimit(4);
  int evolved = 0;
  c.SetOnEvolve([&](TKXObject* Sender) {
    EXPECT_EQ(Sender, &c);
    ++evolved;
  });
  EXPECT_EQ(c.ParallelEvolve(10), 4);
  EXPECT_EQ(c.Generation(), 4);
  EXPECT_EQ(evolved, 4);
  EXPECT_EQ(c.ParallelEvolve(10), 0);  // finished: only OnEvolve fires
  EXPECT_EQ(evolved, 5);

  TRandomValueComponent h;
  h.SetInitialPopulation(8);
  h.SetOnEvolve([&](TKXObject*) { h.SetHalt(true); });
  EXPECT_EQ(h.ParallelEvolve(5), 1);
  EXPECT_EQ(h.ParallelEvolve(5), 1);  // Halt is reset at the start
  EXPECT_EQ(h.Generation(), 2);
}

// Counts, per slot, the fitness calls of the parallel evaluation and notes which slots were
// stale when it started.
class TEvaluationLoggingComponent : public TRandomValueComponent {
 public:
  TEvaluationLoggingComponent() {
    SetOnEvaluateFitness([this](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      Calls.fetch_add(1);
      if (!PerSlot.empty()) ++PerSlot[static_cast<std::size_t>(Item->Index())];
      if (Item == Watched) {
        ++WatchedCalls;
        if (std::this_thread::get_id() != Caller) WatchedOffCaller = true;
      }
      Fitness = AsValue(Item)->Value();
    });
  }

  std::vector<std::atomic<int>> PerSlot;
  std::vector<bool> StaleAtStart;
  std::thread::id Caller = std::this_thread::get_id();
  TKXIndividual* Watched = nullptr;
  std::atomic<int> WatchedCalls{0};
  std::atomic<bool> WatchedOffCaller{false};
  int BreedingHooks = 0;
  bool TableReadyForBreeding = false;

 protected:
  void DoBeforeParallelBreeding() override {
    ++BreedingHooks;
    TableReadyForBreeding = !CumNormFitnesses().empty();
    for (int i = 0; i < PreviousGeneration()->Count(); ++i) {
      EXPECT_FALSE(PreviousGeneration()->Items(i)->NeedFitness()) << "stale parent " << i;
    }
  }
  void DoBeforeParallelEvaluation() override {
    StaleAtStart.clear();
    for (int i = 0; i < Population()->Count(); ++i) {
      StaleAtStart.push_back(At(i)->NeedFitness());
    }
    PerSlot = std::vector<std::atomic<int>>(static_cast<std::size_t>(Population()->Count()));
  }
};

TEST_F(ParallelEvolveTest, OnlyStaleIndividualsAreEvaluatedOnceEach) {
  SetParallelThreads(4);
  RandSeed(17);
  TEvaluationLoggingComponent c;
  c.SetInitialPopulation(40);
  c.SetOperations({goMutate});
  c.SetMutationProbability(0.5);
  c.Initialize();
  c.Calls = 0;
  c.ParallelEvolve();
  ASSERT_EQ(c.StaleAtStart.size(), 40u);
  int stale = 0;
  for (std::size_t i = 0; i < 40; ++i) {
    EXPECT_EQ(c.PerSlot[i].load(), c.StaleAtStart[i] ? 1 : 0) << i;
    stale += c.StaleAtStart[i];
  }
  EXPECT_GT(stale, 5);  // the test must see both kinds of children
  EXPECT_LT(stale, 35);
  EXPECT_EQ(c.Calls.load(), stale);
}

TEST_F(ParallelEvolveTest, PreparesSharedStructuresOnTheCallingThread) {
  SetParallelThreads(4);
  for (TGASelectionMethod method : {smRoulette, smElitist}) {
    SCOPED_TRACE(std::string(EnumName(method)));
    RandSeed(8);
    TEvaluationLoggingComponent c;
    c.SetInitialPopulation(30);
    c.SetSelectionMethod(smTournament);  // prepares neither the table nor the ranking
    c.Initialize();
    c.SetSelectionMethod(method);
    // An individual changed by the application between generations is a stale parent: it
    // is evaluated before breeding, by the calling thread, and only once.
    c.At(3)->SetValue(1000);
    c.Watched = c.At(3);
    c.ParallelEvolve();
    EXPECT_EQ(c.BreedingHooks, 1);
    EXPECT_EQ(c.TableReadyForBreeding, method == smRoulette);
    EXPECT_EQ(c.WatchedCalls.load(), 1);
    EXPECT_FALSE(c.WatchedOffCaller.load());
    EXPECT_EQ(c.PreviousGeneration()->Items(3)->Fitness(), 1000);
    EXPECT_EQ(c.Generation(), 1);
  }
}

TEST_F(ParallelEvolveTest, AnEmptyPopulationOnlyFiresOnEvolve) {
  TKXCustomGeneticComponent c;  // no fitness handler either: nothing asks for one
  c.SetInitialPopulation(0);
  c.Initialize();
  int evolved = 0;
  c.SetOnEvolve([&](TKXObject*) { ++evolved; });
  TKXPopulation* current = c.Population();
  TKXPopulation* previous = c.PreviousGeneration();
  EXPECT_NO_THROW(c.ParallelEvolve());
  EXPECT_EQ(evolved, 1);
  EXPECT_EQ(c.Generation(), 0);
  EXPECT_EQ(c.Population(), current);  // not even swapped
  EXPECT_EQ(c.PreviousGeneration(), previous);
  EXPECT_EQ(c.Population()->Count(), 0);
  EXPECT_EQ(c.ParallelEvolve(3), 0);  // three rounds, none of which breeds
  EXPECT_EQ(evolved, 4);
}

TEST_F(ParallelEvolveTest, MissingHandlersAreReportedBeforeTheSwap) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  c.Initialize();
  c.SetOnEvaluateFitness(nullptr);
  TKXPopulation* current = c.Population();
  try {
    c.ParallelEvolve();
    FAIL() << "expected EGAException";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No fitness function defined");
  }
  EXPECT_EQ(c.Population(), current);

  TValueComponent s;
  s.SetInitialPopulation(4);
  s.SetSelectionMethod(smCustom);
  s.Initialize();
  current = s.Population();
  try {
    s.ParallelEvolve();
    FAIL() << "expected EGAException";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No custom selection function defined");
  }
  EXPECT_EQ(s.Population(), current);
  EXPECT_EQ(s.Generation(), 0);
}

TEST_F(ParallelEvolveTest, ErrorsInsideTheLoopsReachTheCaller) {
  SetParallelThreads(4);
  TRandomValueComponent c;
  c.SetInitialPopulation(20);
  c.SetMutationProbability(1);
  c.Initialize();
  c.SetOnEvaluateFitness(
      [](TKXObject*, TKXIndividual*, TGAFitness&) { throw std::runtime_error("fitness failed"); });
  try {
    c.ParallelEvolve();
    FAIL() << "expected the handler's error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "fitness failed");
  }
  EXPECT_EQ(c.Population()->UpdateCount(), 0);
  EXPECT_EQ(c.Generation(), 0);

  TRandomValueComponent b;
  b.SetInitialPopulation(20);
  b.Initialize();
  b.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* Child) {
    if (Child->Index() == 13) throw std::runtime_error("breeding failed");
  });
  EXPECT_THROW(b.ParallelEvolve(), std::runtime_error);
  EXPECT_EQ(b.Population()->UpdateCount(), 0);
  EXPECT_EQ(b.Generation(), 0);
}

TEST_F(ParallelEvolveTest, ParallelEvaluateFitnessMatchesTheSequentialStatistics) {
  SetParallelThreads(4);
  TRandomValueComponent c;
  c.SetFitnessMethod(fmMaximize);
  c.SetSelectionMethod(smRoulette);
  c.SetValues({3, 9, 1, 9, 4, 7});
  const TRunResult sequential = ResultOf(c, {});
  for (int i = 0; i < 6; ++i) c.At(i)->Modified();
  c.Calls = 0;
  c.ParallelEvaluateFitness();
  EXPECT_EQ(c.Calls.load(), 6);
  ExpectSameRun(ResultOf(c, {}), sequential);
  EXPECT_EQ(c.FittestIndividual(), c.At(1));  // ties keep the lower index

  c.Population()->Clear();
  c.ParallelEvaluateFitness();
  EXPECT_EQ(c.MaxFitness(), 0);
  EXPECT_EQ(c.FitnessSum(), 0);
  EXPECT_EQ(c.MinWeightedFitness(), 0);
}

}  // namespace
}  // namespace kx::testing
