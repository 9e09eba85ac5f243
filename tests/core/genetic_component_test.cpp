#include <gtest/gtest.h>

#include <kx/core/genetic_component.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/random.hpp>
#include <kx/host/streaming.hpp>
#include <kx/host/string_list.hpp>
#include <limits>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/core_test_support.hpp"

namespace kx::testing {
namespace {

// Operators that change the value, and a log of every step and event in firing order.
class TLoggingComponent : public TValueComponent {
 public:
  TLoggingComponent() {
    SetOnInitializeChild([this](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C) {
      Log.push_back("initchild " + Slot(C));
    });
    SetOnCrossover([this](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual* C, bool&) {
      Log.push_back("crossover " + Slot(C));
    });
    SetOnMutation(
        [this](TKXObject*, TKXIndividual* I, bool&) { Log.push_back("mutation " + Slot(I)); });
    SetOnInversion(
        [this](TKXObject*, TKXIndividual* I, bool&) { Log.push_back("inversion " + Slot(I)); });
    SetOnReproduction(
        [this](TKXObject*, TKXIndividual* I, bool&) { Log.push_back("reproduction " + Slot(I)); });
    SetOnEvolve([this](TKXObject*) { Log.push_back("evolve"); });
  }

  std::string Slot(TKXIndividual* Item) const { return std::to_string(Item->Index()); }

  std::vector<std::string> Log;
  int CrossoverCalls = 0;
  std::vector<int> SingleChildren;  // slots bred as a single child
  std::vector<int> PairChildren;    // first slots of the pairs

  bool Reproduce(TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* C1) override {
    SingleChildren.push_back(C1->Index());
    return TValueComponent::Reproduce(P1, P2, C1);
  }
  bool Reproduce(TKXIndividual* P1, TKXIndividual* P2, TKXIndividual* C1,
                 TKXIndividual* C2) override {
    PairChildren.push_back(C1->Index());
    return TValueComponent::Reproduce(P1, P2, C1, C2);
  }

 protected:
  bool DoCrossover(TKXIndividual*, TKXIndividual* P2, TKXIndividual* C1,
                   TKXIndividual* C2) override {
    ++CrossoverCalls;
    AsValue(C1)->SetValue(AsValue(P2)->Value() + 0.5);
    if (C2 != nullptr) AsValue(C2)->SetValue(AsValue(P2)->Value() + 0.25);
    return true;
  }
  bool DoMutate(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(AsValue(Item)->Value() + 1);
    return true;
  }
  bool DoInvert(TKXIndividual* Item) override {
    AsValue(Item)->SetValue(-AsValue(Item)->Value());
    return true;
  }
};

TEST(GeneticComponentTest, ConstructionSetsTheDocumentedDefaults) {
  TKXCustomGeneticComponent c;
  EXPECT_FALSE(c.Initialized());
  EXPECT_EQ(c.TournamentField(), 2);
  EXPECT_EQ(c.DiversityLimit(), 0.02);
  EXPECT_EQ(c.ElitistPct(), 0.1);
  EXPECT_EQ(c.PreviousGeneration(), nullptr);
  EXPECT_EQ(c.FitnessCutoff(), 1.0);
  EXPECT_EQ(c.SelectionMethod(), smStochasticTournament);
  EXPECT_TRUE(static_cast<bool>(c.OnSelection()));
  EXPECT_EQ(c.InversionProbability(), 0.1);
  EXPECT_EQ(c.Operations(), (TGAGeneticOperations{goCrossover, goMutate, goInvert}));
  EXPECT_EQ(c.FitnessMethod(), fmMinimize);
  EXPECT_EQ(c.Generation(), 0);
  EXPECT_EQ(c.MutationProbability(), 0.01);
  EXPECT_EQ(c.CrossoverProbability(), 0.98);
  EXPECT_EQ(c.InitialPopulation(), 100);
  EXPECT_EQ(c.GenerationLimit(), 0);
  EXPECT_EQ(c.InitialDuplicatesRetries(), 10);
  EXPECT_FALSE(c.UseFitnessCutoff() || c.UseDiversityLimit() || c.UseGenerationLimit());
  EXPECT_EQ(c.FittestIndividual(), nullptr);
  EXPECT_EQ(c.Population()->Count(), 0);
  EXPECT_EQ(c.Population()->ItemClass()(nullptr)->ClassName(), "TKXIndividual");
}

TEST(GeneticComponentTest, SettersClampAndIgnoreUnchangedValues) {
  TKXCustomGeneticComponent c;
  c.SetTournamentField(1);
  EXPECT_EQ(c.TournamentField(), 2);
  c.SetGenerationLimit(0);  // equal to the initial 0: nothing happens
  EXPECT_EQ(c.GenerationLimit(), 0);
  c.SetGenerationLimit(-5);
  EXPECT_EQ(c.GenerationLimit(), 1);
  c.SetMutationProbability(1.5);
  EXPECT_EQ(c.MutationProbability(), 1);
  c.SetMutationProbability(-0.2);
  EXPECT_EQ(c.MutationProbability(), 0);
  c.SetCrossoverProbability(2);
  c.SetInversionProbability(-1);
  c.SetDiversityLimit(7);
  c.SetElitistPct(-3);
  EXPECT_EQ(c.CrossoverProbability(), 1);
  EXPECT_EQ(c.InversionProbability(), 0);
  EXPECT_EQ(c.DiversityLimit(), 1);
  EXPECT_EQ(c.ElitistPct(), 0);
  c.SetInitialPopulation(-4);
  c.SetInitialDuplicatesRetries(-1);
  EXPECT_EQ(c.InitialPopulation(), 0);
  EXPECT_EQ(c.InitialDuplicatesRetries(), 0);
  c.SetFitnessCutoff(-12.5);  // stored as given
  EXPECT_EQ(c.FitnessCutoff(), -12.5);
}

TEST(GeneticComponentTest, OneChildPairFiresItsEventsInOrder) {
  RandSeed(11);
  TLoggingComponent c;
  c.SetCrossoverProbability(1);
  c.SetMutationProbability(1);
  c.SetInversionProbability(1);
  c.SetInitialPopulation(2);
  c.Initialize();
  c.SetOnSelection([&](TKXObject*, TKXPopulation* P, TKXIndividual*& Parent) {
    c.Log.push_back("select");
    Parent = P->Items(0);
  });
  c.Log.clear();
  c.Evaluations = 0;
  c.Evolve();
  const std::vector<std::string> expected{
      "select",     "select",      "initchild 0", "initchild 1",    "crossover 0",    "mutation 0",
      "mutation 1", "inversion 0", "inversion 1", "reproduction 0", "reproduction 1", "evolve"};
  EXPECT_EQ(c.Log, expected);
  EXPECT_EQ(c.Evaluations, 2);  // both children changed: each evaluated once
  EXPECT_EQ(c.Generation(), 1);
}

TEST(GeneticComponentTest, FirstEvolveInitializesAndBreedsOneGeneration) {
  TValueComponent c;
  c.SetInitialPopulation(6);
  int evolved = 0;
  c.SetOnEvolve([&](TKXObject* Sender) {
    EXPECT_EQ(Sender, &c);
    ++evolved;
  });
  c.Evolve();
  EXPECT_TRUE(c.Initialized());
  EXPECT_EQ(c.Generation(), 1);
  EXPECT_EQ(evolved, 1);
  EXPECT_EQ(c.Population()->Count(), 6);
  ASSERT_NE(c.PreviousGeneration(), nullptr);
  EXPECT_EQ(c.PreviousGeneration()->Count(), 6);
}

TEST(GeneticComponentTest, GenerationsAlternateBetweenTwoPopulationObjects) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  c.Initialize();
  TKXPopulation* a = c.Population();
  TKXPopulation* b = c.PreviousGeneration();
  ASSERT_NE(a, b);
  c.Evolve();
  EXPECT_EQ(c.Population(), b);
  EXPECT_EQ(c.PreviousGeneration(), a);
  c.Evolve();
  EXPECT_EQ(c.Population(), a);
}

TEST(GeneticComponentTest, EvolveCountsStopAtTheGenerationLimit) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  c.SetUseGenerationLimit(true);
  c.SetGenerationLimit(10);
  EXPECT_EQ(c.Evolve(100), 10);
  EXPECT_EQ(c.Generation(), 10);
  EXPECT_TRUE(c.IsFinished());
  // A finished component only fires OnEvolve.
  int evolved = 0;
  c.SetOnEvolve([&](TKXObject*) { ++evolved; });
  c.Evolve();
  EXPECT_EQ(evolved, 1);
  EXPECT_EQ(c.Generation(), 10);
  EXPECT_EQ(c.Evolve(0), 0);
  EXPECT_EQ(c.Evolve(-3), 0);
}

TEST(GeneticComponentTest, HaltEndsTheRunAfterTheCurrentGeneration) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  int calls = 0;
  c.SetOnEvolve([&](TKXObject*) {
    if (++calls == 1) c.SetHalt(true);
  });
  EXPECT_EQ(c.Evolve(5), 1);
  EXPECT_TRUE(c.Halt());
  EXPECT_EQ(c.Evolve(5), 5);  // Halt is reset at the start
}

TEST(GeneticComponentTest, OddPopulationsBreedPairsAndASingleLastChild) {
  TLoggingComponent c;
  c.SetInitialPopulation(5);
  c.Evolve();
  EXPECT_EQ(c.PairChildren, (std::vector<int>{0, 2}));
  EXPECT_EQ(c.SingleChildren, (std::vector<int>{4}));
}

TEST(GeneticComponentTest, WithoutOperationsChildrenAreUnevaluatedCopiesOfTheFirstParent) {
  RandSeed(3);
  TLoggingComponent c;
  c.SetInitialPopulation(6);
  c.Initialize();
  for (int i = 0; i < 6; ++i) c.At(i)->SetValue(i + 1);
  c.EvaluateFitness();
  c.SetOperations({});
  std::vector<TKXIndividual*> firstParents;
  c.SetOnInitializeChild([&](TKXObject*, TKXIndividual* P1, TKXIndividual*, TKXIndividual*) {
    firstParents.push_back(P1);
  });
  bool anyChanged = false;
  c.SetOnReproduction([&](TKXObject*, TKXIndividual*, bool& Result) { anyChanged |= Result; });
  c.Evaluations = 0;
  c.Evolve();
  EXPECT_FALSE(anyChanged);
  EXPECT_EQ(c.Evaluations, 0);  // copies keep the cached fitness
  ASSERT_EQ(firstParents.size(), 6u);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(c.At(i)->Value(), AsValue(firstParents[i])->Value());
    EXPECT_FALSE(c.At(i)->NeedFitness());
  }
  EXPECT_EQ(c.CrossoverCalls, 0);
}

TEST(GeneticComponentTest, ACrossoverVetoKeepsDoCrossoverFromRunning) {
  TLoggingComponent c;
  c.SetInitialPopulation(6);
  c.SetCrossoverProbability(1);
  int vetoes = 0;
  c.SetOnCrossover([&](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*, bool& Do) {
    EXPECT_TRUE(Do);
    Do = false;
    ++vetoes;
  });
  c.Evolve(3);
  EXPECT_EQ(vetoes, 9);
  EXPECT_EQ(c.CrossoverCalls, 0);
}

TEST(GeneticComponentTest, ProbabilityZeroNeverFiresAndOneAlwaysDoes) {
  TLoggingComponent c;
  c.SetInitialPopulation(10);
  c.SetCrossoverProbability(0);
  c.SetMutationProbability(1);
  c.SetInversionProbability(0);
  c.Evolve(4);
  int crossovers = 0, mutations = 0, inversions = 0;
  for (const auto& entry : c.Log) {
    crossovers += entry.rfind("crossover", 0) == 0;
    mutations += entry.rfind("mutation", 0) == 0;
    inversions += entry.rfind("inversion", 0) == 0;
  }
  EXPECT_EQ(crossovers, 0);
  EXPECT_EQ(inversions, 0);
  EXPECT_EQ(mutations, 40);
}

TEST(GeneticComponentTest, AMissingFitnessHandlerIsReportedBeforeTheSwap) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  c.Initialize();
  c.SetOnEvaluateFitness(nullptr);
  TKXPopulation* current = c.Population();
  try {
    c.Evolve();
    FAIL() << "expected EGAException";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No fitness function defined");
  }
  EXPECT_EQ(c.Population(), current);
  EXPECT_EQ(c.Generation(), 0);
}

TEST(GeneticComponentTest, AnEmptyPopulationNeedsNoFitnessHandler) {
  TKXCustomGeneticComponent c;
  c.SetInitialPopulation(0);
  int evolved = 0;
  c.SetOnEvolve([&](TKXObject*) { ++evolved; });
  EXPECT_NO_THROW(c.Evolve());
  EXPECT_EQ(evolved, 1);
  EXPECT_EQ(c.Generation(), 0);
}

TEST(GeneticComponentTest, CustomSelectionWithoutAHandlerIsReported) {
  TValueComponent c;
  c.SetInitialPopulation(4);
  c.SetSelectionMethod(smCustom);
  EXPECT_FALSE(static_cast<bool>(c.OnSelection()));
  try {
    c.Evolve();
    FAIL() << "expected EGAException";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No custom selection function defined");
  }
}

TEST(GeneticComponentTest, AHandlerErrorClosesTheBracketAndKeepsTheGeneration) {
  TLoggingComponent c;
  c.SetInitialPopulation(4);
  c.Initialize();
  c.SetOnInitializeChild([](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*) {
    throw std::runtime_error("boom");
  });
  EXPECT_THROW(c.Evolve(), std::runtime_error);
  EXPECT_EQ(c.Population()->UpdateCount(), 0);
  EXPECT_EQ(c.Generation(), 0);
}

TEST(GeneticComponentTest, InitializeKeepsALargerPopulationAndHonoursTheHandler) {
  class TCountingInit : public TValueComponent {
   public:
    int Calls = 0;

   protected:
    std::int32_t DoInitialize() override {
      ++Calls;
      return 0;
    }
  } c;
  c.SetValues({1, 2, 3, 4});
  c.SetInitialPopulation(2);
  c.SetGeneration(7);
  c.Initialize();
  EXPECT_EQ(c.Population()->Count(), 4);
  EXPECT_EQ(c.At(3)->Value(), 4);
  EXPECT_EQ(c.Calls, 1);
  EXPECT_EQ(c.Generation(), 0);
  EXPECT_TRUE(c.Initialized());
  EXPECT_EQ(c.PreviousGeneration()->Count(), 4);

  bool seenFlag = true;
  c.SetOnInitialization([&](TKXObject*, bool& Initialized) {
    seenFlag = Initialized;
    Initialized = true;
  });
  c.Initialize();
  EXPECT_FALSE(seenFlag);  // the handler receives the reset flag
  EXPECT_EQ(c.Calls, 1);   // and setting it skips DoInitialize
}

TEST(GeneticComponentTest, FitnessCutoffUsesTheRawFitnessOfTheFittest) {
  TValueComponent c;
  c.SetValues({3, 0.5, 2});
  c.SetUseFitnessCutoff(true);
  c.SetFitnessCutoff(1);
  EXPECT_TRUE(c.IsFinished());  // minimizing: 1 >= 0.5
  c.SetFitnessCutoff(0.4);
  EXPECT_FALSE(c.IsFinished());

  c.SetFitnessMethod(fmMaximize);
  c.EvaluateFitness();
  c.SetFitnessCutoff(3);
  EXPECT_TRUE(c.IsFinished());  // maximizing: 3 >= 3
  c.SetFitnessCutoff(3.5);
  EXPECT_FALSE(c.IsFinished());

  // Weighted methods still compare the raw fitness.
  c.SetOnEvaluateWeightedFitness([](TKXObject*, TKXIndividual*, TGAFitness& F) { F = 100; });
  c.SetFitnessMethod(fmWeightedMaximize);
  c.EvaluateFitness();
  EXPECT_FALSE(c.IsFinished());
}

TEST(GeneticComponentTest, FitnessCutoffWithoutAFittestIndividualIsNotFinished) {
  TValueComponent c;
  c.SetUseFitnessCutoff(true);
  c.SetFitnessCutoff(std::numeric_limits<double>::max());
  EXPECT_FALSE(c.IsFinished());
  c.SetValues({1});
  EXPECT_TRUE(c.IsFinished());
  c.Population()->Delete(0);
  EXPECT_FALSE(c.IsFinished());
}

TEST(GeneticComponentTest, DiversityAndGenerationLimits) {
  TValueComponent c;
  c.SetValues({1, 1, 4});  // diversity 2 / 4
  c.SetUseDiversityLimit(true);
  c.SetDiversityLimit(0.5);
  EXPECT_FALSE(c.IsFinished());
  c.SetDiversityLimit(0.51);
  EXPECT_TRUE(c.IsFinished());
  c.SetValues({0, 0});  // diversity is infinite: the limit never ends the run
  EXPECT_FALSE(c.IsFinished());

  c.SetUseDiversityLimit(false);
  c.SetUseGenerationLimit(true);
  c.SetGenerationLimit(3);
  c.SetGeneration(2);
  EXPECT_FALSE(c.IsFinished());
  c.SetGeneration(3);
  EXPECT_TRUE(c.IsFinished());
}

TEST(GeneticComponentTest, AssignCopiesSettingsAndContentButKeepsEachComponentsObjects) {
  TValueComponent source;
  source.SetInitialPopulation(3);
  source.Initialize();
  for (int i = 0; i < 3; ++i) source.At(i)->SetValue(10 + i);
  source.EvaluateFitness();
  source.SetMutationProbability(0.3);
  source.SetTournamentField(5);
  source.SetUseGenerationLimit(true);
  source.SetGenerationLimit(40);
  source.SetGeneration(8);
  source.SetSelectionMethod(smElitist);
  source.SetOperations({goMutate});

  TValueComponent target;
  target.SetInitialPopulation(17);
  TKXPopulation* ownPopulation = target.Population();
  target.Assign(&source);
  EXPECT_EQ(target.Population(), ownPopulation);
  ASSERT_NE(target.PreviousGeneration(), nullptr);
  EXPECT_NE(target.PreviousGeneration(), source.PreviousGeneration());
  EXPECT_EQ(target.Population()->Count(), 3);
  EXPECT_EQ(target.At(2)->Value(), 12);
  EXPECT_EQ(target.PreviousGeneration()->Count(), 3);
  EXPECT_EQ(target.MutationProbability(), 0.3);
  EXPECT_EQ(target.TournamentField(), 5);
  EXPECT_TRUE(target.UseGenerationLimit());
  EXPECT_EQ(target.GenerationLimit(), 40);
  EXPECT_EQ(target.Generation(), 8);
  EXPECT_TRUE(target.Initialized());
  EXPECT_EQ(target.MinFitness(), 10);
  EXPECT_EQ(target.MaxFitness(), 12);
  EXPECT_EQ(target.SelectionMethod(), smElitist);
  EXPECT_EQ(target.FittestIndividual(), nullptr);
  EXPECT_EQ(target.InitialPopulation(), 17);  // not copied
  EXPECT_EQ(target.Operations(), (TGAGeneticOperations{goCrossover, goMutate, goInvert}));

  // A custom handler is not copied: the target installs its own routine.
  source.SetOnSelection(
      [](TKXObject*, TKXPopulation* P, TKXIndividual*& Parent) { Parent = P->Items(0); });
  TValueComponent other;
  other.Assign(&source);
  EXPECT_EQ(other.SelectionMethod(), smCustom);
  EXPECT_FALSE(static_cast<bool>(other.OnSelection()));

  TKXStringList notAComponent;
  EXPECT_THROW(target.Assign(&notAComponent), EConvertError);
}

// Records what DefineProperties declares.
class TRecordingFiler : public TKXFiler {
 public:
  std::vector<std::string> Properties;
  std::map<std::string, bool> PropertyStored;
  std::vector<std::string> Entries;
  std::map<std::string, double> Written;
  std::map<std::string, std::function<void(const std::string&)>> Setters;

  void Property(const std::string& Name, const std::function<std::string()>&,
                const std::function<void(const std::string&)>& Set, bool Stored) override {
    Properties.push_back(Name);
    PropertyStored[Name] = Stored;
    Setters[Name] = Set;
  }
  void DefineFloat(const std::string& Name, const std::function<void(double)>&,
                   const std::function<double()>& WriteData, bool HasData) override {
    Entries.push_back(Name);
    if (HasData) Written[Name] = WriteData();
  }
};

TEST(GeneticComponentTest, StreamingDeclaresTheFloatEntriesOnlyWhenTheyDifferFromDefaults) {
  TKXCustomGeneticComponent c;
  TRecordingFiler defaults;
  c.DefineProperties(defaults);
  EXPECT_EQ(defaults.Entries,
            (std::vector<std::string>{"FitnessCutoff", "DiversityLimit", "ElitistPct",
                                      "CrossoverProbability", "InversionProbability",
                                      "MutationProbability"}));
  EXPECT_TRUE(defaults.Written.empty());
  for (const auto& [name, stored] : defaults.PropertyStored) EXPECT_FALSE(stored) << name;

  c.SetMutationProbability(0);
  c.SetTournamentField(4);
  c.SetSelectionMethod(smElitist);
  TRecordingFiler changed;
  c.DefineProperties(changed);
  ASSERT_EQ(changed.Written.size(), 1u);
  EXPECT_EQ(changed.Written.at("MutationProbability"), 0);
  EXPECT_TRUE(changed.PropertyStored.at("TournamentField"));
  EXPECT_TRUE(changed.PropertyStored.at("SelectionMethod"));

  // Reading applies through the published setters, with their clamping.
  changed.Setters.at("TournamentField")("1");
  EXPECT_EQ(c.TournamentField(), 2);
  changed.Setters.at("SelectionMethod")("smRoulette");
  EXPECT_EQ(c.SelectionMethod(), smRoulette);
  changed.Setters.at("Operations")("[goCrossover, goInvert]");
  EXPECT_EQ(c.Operations(), (TGAGeneticOperations{goCrossover, goInvert}));
  EXPECT_THROW(changed.Setters.at("FitnessMethod")("fmSideways"), EConvertError);
}

}  // namespace
}  // namespace kx::testing
