// The program component's report of its operating, initial and termination conditions.

#include <string>

#include "kx/gp/custom_genetic_programming.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/string_list.hpp"
#include "kx/host/variant.hpp"

namespace kx::generics {

namespace {

std::string Percent(double Value) { return FormatPercent(Value) + "%"; }

// An instruction as the report lists it: its display name, then its comment in
// parentheses when it has one.
template <class T>
std::string Entry(const TKXGPInstruction<T>* Instruction) {
  std::string text = Instruction->DisplayName();
  if (!Instruction->Comment().empty()) text += " (" + Instruction->Comment() + ")";
  return text;
}

// The mutation methods in the order of their enumeration.
constexpr TGPMutationMethod kMutationMethods[] = {mmSubtree, mmReplacement, mmConstant,
                                                  mmShrink,  mmHoist,       mmPoint};

}  // namespace

template <class T>
void TKXCustomGeneticProgramming<T>::Describe(TKXStringList& Strings,
                                              const std::string& TabStr) const {
  Strings.Add("Operating Conditions");
  Strings.Add(TabStr + "Fitness Method = " + std::string(EnumName(FitnessMethod())));
  Strings.Add(TabStr + "Crossover Probability = " + Percent(CrossoverProbability()));
  Strings.Add(TabStr + "Inversion Probability = " + Percent(InversionProbability()));
  Strings.Add(TabStr + "Mutation Probability = " + Percent(MutationProbability()));

  std::string distribution;
  for (const TGPMutationMethod method : kMutationMethods) {
    if (!distribution.empty()) distribution += ", ";
    // With no weight at all every share is reported as 0 rather than as 0 / 0.
    const double share = FMutationWeightSum == 0
                             ? 0.0
                             : static_cast<double>(FMutationWeights[method]) / FMutationWeightSum;
    distribution += std::string(EnumName(method)) + "(" + Percent(share) + ")";
  }
  Strings.Add(TabStr + "Mutation Distribution = " + distribution);

  Strings.Add(TabStr + "Selection Method = " + std::string(EnumName(SelectionMethod())));
  Strings.Add(TabStr + "Selection Non-terminals Probability = " +
              Percent(FSelectionNonTerminalsProbability));
  if (FBloatStrategy != bsNone) {
    Strings.Add(TabStr + "Anti-Bloating Strategy = " + std::string(EnumName(FBloatStrategy)));
    Strings.Add(TabStr + "Anti-Bloating Limit = " + std::to_string(FBloatLimit));
  }

  Strings.Add(TabStr + "Terminals (" + std::to_string(FTerminals.size()) + ")");
  std::string terminals;
  for (const TInstruction* terminal : FTerminals) {
    if (!terminals.empty()) terminals += ", ";
    terminals += Entry(terminal);
  }
  Strings.Add(TabStr + TabStr + terminals);
  Strings.Add(TabStr + "Functions (" + std::to_string(FFunctions.size()) + ")");
  for (const TInstruction* function : FFunctions) Strings.Add(TabStr + TabStr + Entry(function));

  Strings.Add("Initial Conditions");
  Strings.Add(TabStr + "Population = " + std::to_string(InitialPopulation()));
  if (FInitializationDepth == 0) {
    Strings.Add(TabStr + "Initial Tree Depth is based on number of operations");
  } else {
    Strings.Add(TabStr + "Initial Tree Depth = Max of " + std::to_string(FInitializationDepth));
  }
  Strings.Add(TabStr + "Initialization Method = " + std::string(EnumName(FInitializationMethod)));

  if (!UseGenerationLimit() && !UseFitnessCutoff() && !UseDiversityLimit()) {
    Strings.Add("There are no Termination Conditions");
    return;
  }
  Strings.Add("Termination Conditions");
  if (UseFitnessCutoff()) {
    const char* comparison = IsMinimizing(FitnessMethod()) ? "Fitness <= " : "Fitness >= ";
    Strings.Add(TabStr + comparison + FloatToStr(FitnessCutoff()));
  }
  if (UseDiversityLimit()) Strings.Add(TabStr + "Diversity less than " + Percent(DiversityLimit()));
  if (UseGenerationLimit()) {
    Strings.Add(TabStr + "Maximum number of generations = " + std::to_string(GenerationLimit()));
  }
}

template void TKXCustomGeneticProgramming<TGAFloat>::Describe(TKXStringList&,
                                                              const std::string&) const;
template void TKXCustomGeneticProgramming<TKXVariant>::Describe(TKXStringList&,
                                                                const std::string&) const;

}  // namespace kx::generics
