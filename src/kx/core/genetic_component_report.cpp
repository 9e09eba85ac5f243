// The plain-text report of a component's operating, initial and termination conditions.

#include <string>

#include "kx/core/genetic_component.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/string_list.hpp"

namespace kx {

namespace {

std::string Percent(TGAProbability Value) { return FormatPercent(Value) + "%"; }

}  // namespace

void TKXCustomGeneticComponent::Describe(TKXStringList& Strings, const std::string& TabStr) const {
  Strings.Add("Operating Conditions");
  Strings.Add(TabStr + "Fitness Method = " + std::string(EnumName(FFitnessMethod)));
  Strings.Add(TabStr + "Crossover Probability = " + Percent(FCrossoverProbability));
  Strings.Add(TabStr + "Inversion Probability = " + Percent(FInversionProbability));
  Strings.Add(TabStr + "Mutation Probability = " + Percent(FMutationProbability));
  Strings.Add(TabStr + "Selection Method = " + std::string(EnumName(FSelectionMethod)));
  Strings.Add("Initial Conditions");
  Strings.Add(TabStr + "Population = " + std::to_string(FInitialPopulation));
  if (!FUseGenerationLimit && !FUseFitnessCutoff && !FUseDiversityLimit) {
    Strings.Add("There are no Termination Conditions");
    return;
  }
  Strings.Add("Termination Conditions");
  if (FUseFitnessCutoff) {
    const char* comparison = IsMinimizing(FFitnessMethod) ? "Fitness <= " : "Fitness >= ";
    Strings.Add(TabStr + comparison + FloatToStr(FFitnessCutoff));
  }
  if (FUseDiversityLimit) Strings.Add(TabStr + "Diversity less than " + Percent(FDiversityLimit));
  if (FUseGenerationLimit) {
    Strings.Add(TabStr + "Maximum number of generations = " + std::to_string(FGenerationLimit));
  }
}

std::string TKXCustomGeneticComponent::ToString() const {
  TKXStringList strings;
  Describe(strings, "   ");
  return strings.Text();
}

}  // namespace kx
