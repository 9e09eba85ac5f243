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

TEST(GeneticComponentReport, TerminationLinesFollowInTheirFixedOrder) {
  TKXCustomGeneticComponent component;
  EXPECT_EQ(component.ToString(), kDefaultOperating + "There are no Termination Conditions\n");
  component.SetUseGenerationLimit(true);
  component.SetGenerationLimit(50);
  component.SetUseDiversityLimit(true);
  component.SetUseFitnessCutoff(true);
  EXPECT_EQ(component.ToString(), kDefaultOperating +
                                      "Termination Conditions\n"
                                      "   Fitness <= 1\n"
                                      "   Diversity less than 2.00%\n"
                                      "   Maximum number of generations = 50\n");
}

TEST(GeneticComponentReport, FitnessCutoffComparesByTheMethodsDirection) {
  TKXCustomGeneticComponent component;
  component.SetUseFitnessCutoff(true);
  component.SetFitnessCutoff(0.5);
  component.SetFitnessMethod(fmWeightedMaximize);
  EXPECT_NE(component.ToString().find("Termination Conditions\n   Fitness >= 0.5\n"),
            std::string::npos);
  component.SetFitnessMethod(fmWeightedMinimize);
  component.SetFitnessCutoff(0.1234567890123456);
  EXPECT_NE(component.ToString().find("\n   Fitness <= 0.123456789012346\n"), std::string::npos);
}

TEST(GeneticComponentReport, PercentagesKeepTwoSignificantDigitsAndPopulationIsTheSetting) {
  TValueComponent component;
  component.SetValues({1, 2, 3});
  component.SetInitialPopulation(7);
  component.SetSelectionMethod(smElitist);
  component.SetMutationProbability(0.123);
  component.SetCrossoverProbability(1.0 / 3.0);
  component.SetInversionProbability(0.005);
  component.SetUseDiversityLimit(true);
  component.SetDiversityLimit(0.0456);
  const std::string text = component.ToString();
  for (const char* line :
       {"\n   Mutation Probability = 12.00%\n", "\n   Crossover Probability = 33.00%\n",
        "\n   Inversion Probability = 0.50%\n", "\n   Diversity less than 4.60%\n",
        "\n   Population = 7\n", "\n   Selection Method = smElitist\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
}

TEST(GeneticComponentReport, DescribeAppendsWithTheCallersIndentOnIndentedLinesOnly) {
  TKXCustomGeneticComponent component;
  component.SetUseGenerationLimit(true);
  component.SetGenerationLimit(3);
  TKXStringList lines;
  lines.Add("Report");
  component.Describe(lines, "\t");
  EXPECT_EQ(lines.Text(),
            "Report\nOperating Conditions\n\tFitness Method = fmMinimize\n"
            "\tCrossover Probability = 98.00%\n\tInversion Probability = 10.00%\n"
            "\tMutation Probability = 1.00%\n\tSelection Method = smStochasticTournament\n"
            "Initial Conditions\n\tPopulation = 100\n"
            "Termination Conditions\n\tMaximum number of generations = 3\n");
}

}  // namespace
}  // namespace kx
