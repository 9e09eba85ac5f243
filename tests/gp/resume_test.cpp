// A program run continued from a checkpoint is the run that went on.

#include <cstdlib>
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
    AddArithmetic(*Gp.Instructions());
    AddConstant(*Gp.Instructions(), "third", 1.0 / 3);
    Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      auto* individual = static_cast<TFloatIndividual*>(Item);
      TKXGPContext<TGAFloat> context;
      double error = 0;
      for (double x = -1; x <= 1; x += 0.25) {
        context.Values().AddOrSetValue("x", x);
        error += std::fabs(individual->Execute(context) - x * x);
      }
      // The constant nodes' own values count too (constant mutation moves them), so a
      // resumed run that lost their last digits would diverge.
      for (const auto* node : individual->FlattenedDNA()) {
        if (node->Instruction()->Operation() == gpConstant) error += node->Value();
      }
      Fitness = std::isfinite(error) ? error : 1e30;
    });
  }
}

// The outcome of Generations more generations from Start (a fresh seeded run when Start is
// empty), saving a checkpoint with the run state when asked.
template <class Component>
std::vector<std::string> Run(std::stringstream* Start, int Generations, int Threads,
                             std::stringstream* Checkpoint = nullptr) {
  Component gp;
  Configure(gp);
  RandSeed(Start != nullptr ? 777 : 9);
  if (Start != nullptr) {
    gp.LoadFromStream(*Start);
  } else {
    gp.Initialize();
  }
  SetParallelThreads(Threads);
  Threads == 0 ? gp.Evolve(Generations) : gp.ParallelEvolve(Generations);
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

TEST(GPGenerationReport, CarriesProgramSizeAndEveryGeneration) {
  TKXGeneticProgramming gp;
  Configure(gp);
  std::vector<TKXGenerationReport> reports;
  gp.SetOnGeneration([&](TKXObject*, const TKXGenerationReport& R) { reports.push_back(R); });
  RandSeed(4);
  gp.Initialize();
  gp.Evolve(3);
  ASSERT_EQ(reports.size(), 4u);
  for (std::size_t g = 0; g < reports.size(); ++g) {
    EXPECT_EQ(reports[g].Generation, static_cast<std::int32_t>(g));
    EXPECT_TRUE(reports[g].HasPrograms);
    EXPECT_LE(reports[g].Best, reports[g].Average);
    EXPECT_LE(reports[g].Average, reports[g].Worst);
  }
  EXPECT_EQ(reports.back().AvgProgramSize, gp.AvgProgramSize());
  EXPECT_EQ(reports.back().Evaluations, gp.RunState().Evaluations());
  EXPECT_GT(reports.back().Evaluations, reports.front().Evaluations);
}

}  // namespace
}  // namespace kx::testing
