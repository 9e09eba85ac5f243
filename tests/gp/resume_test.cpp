// A program run continued from a checkpoint is the run that went on.

#include <type_traits>

#include "gp_test_support.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::testing {
namespace {

template <class Component>
void Configure(Component& Gp) {
  Gp.SetInitialPopulation(40);
  Gp.SetInitializationMethod(imRampedHalfAndHalf);
  Gp.SetBloatStrategy(bsTarpeianSize);  // draws while evaluating
  if constexpr (std::is_same_v<Component, TKXGeneticProgrammingVariant>) {
    // A vocabulary without handlers: the fitness reads the programs' shapes, which is all
    // the loop's state depends on.
    for (const auto& [name, arity] : {std::pair{"add", 2}, {"neg", 1}, {"x", 0}, {"one", 0}}) {
      Gp.Instructions()->Add()->SetName(name);
      Gp.Instructions()->ItemByName(name)->SetArity(arity);
    }
    Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      auto* dna = static_cast<TKXGPIndividual<TKXVariant>*>(Item)->DNA();
      Fitness = std::abs(dna->Size() - 12) + 0.1 * dna->Depth();
    });
  } else {
    // A constant a resumed run must keep to its last written digit (documents keep 15), or the
    // fitness would differ.
    AddInstructions(*Gp.Instructions(), {"add", "sub", "mul", "x", "one"});
    Gp.Instructions()->Items(4)->SetValue(0.1);
    SetQuadraticFitness(Gp);
  }
}

// The outcome of Generations more generations from Start (a fresh seeded run when Start is
// empty), saving a checkpoint with the run state when asked. Each generation's report carries
// the program statistics.
template <class Component>
std::vector<std::string> Run(std::stringstream* Start, int Generations, int Threads,
                             std::stringstream* Checkpoint = nullptr) {
  Component gp;
  Configure(gp);
  TKXGenerationReport last;
  gp.SetOnGeneration([&](TKXObject*, const TKXGenerationReport& Report) { last = Report; });
  RandSeed(Start != nullptr ? 777 : 9);
  Start != nullptr ? gp.LoadFromStream(*Start) : gp.Initialize();
  SetParallelThreads(Threads);
  Threads == 0 ? gp.Evolve(Generations) : gp.ParallelEvolve(Generations);
  EXPECT_TRUE(last.HasPrograms);
  EXPECT_EQ(std::tuple(last.AvgProgramSize, last.AvgProgramDepth),
            std::tuple(double(gp.AvgProgramSize()), double(gp.AvgProgramDepth())));
  if (Checkpoint != nullptr) {
    gp.SetIncludeRunState(true);
    gp.SaveToStream(*Checkpoint);
  }
  return Snapshot(gp);
}

template <class Component>
void ExpectExactResume(int Threads) {
  std::stringstream checkpoint;
  Run<Component>(nullptr, 2, Threads, &checkpoint);
  EXPECT_EQ(Run<Component>(&checkpoint, 4, Threads), Run<Component>(nullptr, 6, Threads));
}

class GPResumeTest : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override { SetParallelThreads(0); }
};

TEST_P(GPResumeTest, ResumedRunEqualsUninterruptedOne) {
  ExpectExactResume<TKXGeneticProgramming>(GetParam());
  ExpectExactResume<TKXBinaryGeneticProgramming>(GetParam());
  ExpectExactResume<TKXGeneticProgrammingVariant>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Parallel, GPResumeTest, ::testing::Values(0, 1, 3));

}  // namespace
}  // namespace kx::testing
