#include <gtest/gtest.h>

#include <string>

#include "core/core_test_support.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/host/string_list.hpp"

namespace kx {
namespace {

using testing::TValueComponent;

const std::string kDefaultOperating =
    "Operating Conditions\n"
    "   Fitness Method = fmMinimize\n"
    "   Crossover Probability = 98.00%\n"
    "   Inversion Probability = 10.00%\n"
    "   Mutation Probability = 1.00%\n"
    "   Selection Method = smStochasticTournament\n"
    "Initial Conditions\n"
    "   Population = 100\n";

TEST(GeneticComponentReport, DefaultSettingsHaveNoTerminationConditions) {
  TKXCustomGeneticComponent component;
  EXPECT_EQ(component.ToString(), kDefaultOperating + "There are no Termination Conditions\n");
}

TEST(GeneticComponentReport, FitnessCutoffComparesByTheMethodsDirection) {
  TKXCustomGeneticComponent component;
  component.SetUseFitnessCutoff(true);
  component.SetFitnessMethod(fmMaximize);
  component.SetFitnessCutoff(0.5);
  const std::string maximizing =
      "Operating Conditions\n"
      "   Fitness Method = fmMaximize\n"
      "   Crossover Probability = 98.00%\n"
      "   Inversion Probability = 10.00%\n"
      "   Mutation Probability = 1.00%\n"
      "   Selection Method = smStochasticTournament\n"
      "Initial Conditions\n"
      "   Population = 100\n"
      "Termination Conditions\n"
      "   Fitness >= 0.5\n";
  EXPECT_EQ(component.ToString(), maximizing);

  component.SetFitnessMethod(fmWeightedMaximize);
  EXPECT_NE(component.ToString().find("   Fitness >= 0.5\n"), std::string::npos);
  component.SetFitnessMethod(fmWeightedMinimize);
  component.SetFitnessCutoff(1.0);
  EXPECT_NE(component.ToString().find("\n   Fitness <= 1\n"), std::string::npos);
  component.SetFitnessCutoff(0.1234567890123456);
  EXPECT_NE(component.ToString().find("\n   Fitness <= 0.123456789012346\n"), std::string::npos);
}

TEST(GeneticComponentReport, TerminationLinesFollowInTheirFixedOrder) {
  TKXCustomGeneticComponent component;
  component.SetUseGenerationLimit(true);
  component.SetGenerationLimit(50);
  component.SetUseDiversityLimit(true);
  component.SetUseFitnessCutoff(true);
  EXPECT_EQ(component.ToString(), kDefaultOperating +
                                      "Termination Conditions\n"
                                      "   Fitness <= 1\n"
                                      "   Diversity less than 2.00%\n"
                                      "   Maximum number of generations = 50\n");

  component.SetUseFitnessCutoff(false);
  component.SetUseDiversityLimit(false);
  EXPECT_EQ(component.ToString(), kDefaultOperating +
                                      "Termination Conditions\n"
                                      "   Maximum number of generations = 50\n");
}

TEST(GeneticComponentReport, PercentagesKeepTwoSignificantDigits) {
  TKXCustomGeneticComponent component;
  component.SetMutationProbability(0.123);
  component.SetCrossoverProbability(1.0 / 3.0);
  component.SetInversionProbability(0.005);
  component.SetUseDiversityLimit(true);
  component.SetDiversityLimit(0.0456);
  const std::string text = component.ToString();
  EXPECT_NE(text.find("\n   Mutation Probability = 12.00%\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n   Crossover Probability = 33.00%\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n   Inversion Probability = 0.50%\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n   Diversity less than 4.60%\n"), std::string::npos) << text;
}

TEST(GeneticComponentReport, PopulationLineShowsTheConfiguredSizeNotTheCount) {
  TValueComponent component;
  component.SetValues({1, 2, 3});
  component.SetInitialPopulation(7);
  component.SetSelectionMethod(smElitist);
  const std::string text = component.ToString();
  EXPECT_NE(text.find("\n   Population = 7\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\n   Selection Method = smElitist\n"), std::string::npos) << text;
}

TEST(GeneticComponentReport, DescribeAppendsWithTheCallersIndentOnIndentedLinesOnly) {
  TKXCustomGeneticComponent component;
  component.SetUseGenerationLimit(true);
  component.SetGenerationLimit(3);
  TKXStringList lines;
  lines.Add("Report");
  component.Describe(lines, "\t");
  ASSERT_EQ(lines.Count(), 11);
  EXPECT_EQ(lines.Strings(0), "Report");
  EXPECT_EQ(lines.Strings(1), "Operating Conditions");
  EXPECT_EQ(lines.Strings(2), "\tFitness Method = fmMinimize");
  EXPECT_EQ(lines.Strings(7), "Initial Conditions");
  EXPECT_EQ(lines.Strings(8), "\tPopulation = 100");
  EXPECT_EQ(lines.Strings(9), "Termination Conditions");
  EXPECT_EQ(lines.Strings(10), "\tMaximum number of generations = 3");
}

}  // namespace
}  // namespace kx
