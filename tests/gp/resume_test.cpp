// A program run continued from a checkpoint is the run that went on.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "gp_test_support.hpp"
#include "kx/core/run_state.hpp"
#include "kx/host/parallel_for.hpp"

namespace kx::testing {
namespace {

template <class Component>
void Configure(Component& Gp) {
  AddArithmetic(*Gp.Instructions());
  AddConstant(*Gp.Instructions(), "third", 1.0 / 3);
  Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    TKXGPContext<TGAFloat> context;
    double error = 0;
    for (double x = -1; x <= 1; x += 0.25) {
      context.Values().AddOrSetValue("x", x);
      error += std::fabs(static_cast<TKXGPIndividual<TGAFloat>*>(Item)->Execute(context) - x * x);
    }
    // The constant nodes' own values count too (constant mutation moves them), so a resumed
    // run that lost their last digits would diverge.
    for (const auto* node : static_cast<TKXGPIndividual<TGAFloat>*>(Item)->FlattenedDNA()) {
      if (node->Instruction()->Operation() == gpConstant) error += node->Value();
    }
    Fitness = std::isfinite(error) ? error : 1e30;
  });
  Gp.SetInitialPopulation(40);
  Gp.SetInitializationMethod(imRampedHalfAndHalf);
  Gp.SetBloatStrategy(bsTarpeianSize);  // draws while evaluating
}

// The variant component runs the same loop over a vocabulary without handlers: its fitness
// reads the programs' shapes, which is all the loop's state depends on.
void Configure(TKXGeneticProgrammingVariant& Gp) {
  auto* set = Gp.Instructions();
  for (const auto& [name, arity] : {std::pair{"add", 2}, {"neg", 1}, {"x", 0}, {"one", 0}}) {
    auto* instruction = set->Add();
    instruction->SetName(name);
    instruction->SetArity(arity);
    instruction->SetOperation(arity > 0 ? gpFunction : gpVariable);
  }
  Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    auto* dna = static_cast<TKXGPIndividual<TKXVariant>*>(Item)->DNA();
    Fitness = std::abs(dna->Size() - 12) + 0.1 * dna->Depth();
  });
  Gp.SetInitialPopulation(40);
  Gp.SetInitializationMethod(imRampedHalfAndHalf);
  Gp.SetBloatStrategy(bsTarpeianSize);
}

template <class Component>
std::int32_t EvolveFor(Component& Gp, std::int32_t Generations, int Threads) {
  if (Threads == 0) return Gp.Evolve(Generations);
  SetParallelThreads(Threads);
  return Gp.ParallelEvolve(Generations);
}

template <class Component>
std::vector<std::string> Programs(Component& Gp) {
  std::vector<std::string> texts;
  for (int i = 0; i < Gp.Population()->Count(); ++i) {
    auto* item = Gp.Population()->Items(i);
    std::ostringstream text;  // every digit: a resume that loses any would show
    text << item->DNA()->ToString() << ' ' << std::setprecision(17) << item->Fitness();
    texts.push_back(text.str());
  }
  texts.push_back(std::to_string(Gp.Generation()) + " " +
                  std::to_string(Gp.RunState().Evaluations()));
  return texts;
}

template <class Component>
void ExpectExactResume(int Threads) {
  Component whole;
  Configure(whole);
  RandSeed(9);
  whole.Initialize();
  EvolveFor(whole, 6, Threads);

  Component first;
  Configure(first);
  RandSeed(9);
  first.Initialize();
  EvolveFor(first, 2, Threads);
  std::stringstream document;
  first.SetIncludeRunState(true);
  first.SaveToStream(document);

  RandSeed(777);
  Component resumed;
  Configure(resumed);
  resumed.LoadFromStream(document);
  EvolveFor(resumed, 4, Threads);
  EXPECT_EQ(Programs(resumed), Programs(whole));
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
