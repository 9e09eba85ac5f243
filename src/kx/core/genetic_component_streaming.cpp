// The component's published properties and extra float entries for component streams.

#include <string>
#include <string_view>

#include "kx/core/enum_property.hpp"
#include "kx/core/genetic_component.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

namespace {

std::string OperationsText(TGAGeneticOperations Value) {
  std::string text = "[";
  for (TGAGeneticOperation op : {goCrossover, goMutate, goInvert}) {
    if (!Value.Contains(op)) continue;
    if (text.size() > 1) text += ", ";
    text += EnumName(op);
  }
  return text + "]";
}

// "[name, name]" with any spacing around the names.
TGAGeneticOperations OperationsFromText(const std::string& Text) {
  std::string_view rest = Text;
  auto trim = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  rest = trim(rest);
  if (rest.size() < 2 || rest.front() != '[' || rest.back() != ']') {
    throw EConvertError("Invalid property value " + Text);
  }
  rest = rest.substr(1, rest.size() - 2);
  TGAGeneticOperations result;
  while (!trim(rest).empty()) {
    const std::size_t comma = rest.find(',');
    const std::string name(trim(rest.substr(0, comma)));
    result.Include(EnumFromStreamText<TGAGeneticOperation>(name));
    rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
  }
  return result;
}

}  // namespace

void TKXCustomGeneticComponent::DefineProperties(TKXFiler& Filer) {
  TKXComponent::DefineProperties(Filer);

  // The float settings are published but written through the extra entries below, which
  // are stored only when a value differs from its default constant.
  Filer.FloatProperty(
      "CrossoverProbability", [this] { return FCrossoverProbability; },
      [this](double v) { SetCrossoverProbability(v); }, false);
  Filer.FloatProperty(
      "DiversityLimit", [this] { return FDiversityLimit; },
      [this](double v) { SetDiversityLimit(v); }, false);
  Filer.FloatProperty(
      "ElitistPct", [this] { return FElitistPct; }, [this](double v) { SetElitistPct(v); }, false);
  Filer.FloatProperty(
      "FitnessCutoff", [this] { return FFitnessCutoff; }, [this](double v) { SetFitnessCutoff(v); },
      false);
  EnumProperty<TGAFitnessMethod>(
      Filer, "FitnessMethod", [this] { return FFitnessMethod; },
      [this](TGAFitnessMethod v) { SetFitnessMethod(v); }, fmMinimize);
  Filer.IntProperty(
      "Generation", [this] { return FGeneration; }, [this](std::int32_t v) { SetGeneration(v); },
      0);
  Filer.IntProperty(
      "GenerationLimit", [this] { return FGenerationLimit; },
      [this](std::int32_t v) { SetGenerationLimit(v); }, 0);
  Filer.IntProperty(
      "InitialDuplicatesRetries", [this] { return FInitialDuplicatesRetries; },
      [this](std::int32_t v) { SetInitialDuplicatesRetries(v); }, 10);
  Filer.IntProperty(
      "InitialPopulation", [this] { return FInitialPopulation; },
      [this](std::int32_t v) { SetInitialPopulation(v); }, 100);
  Filer.FloatProperty(
      "InversionProbability", [this] { return FInversionProbability; },
      [this](double v) { SetInversionProbability(v); }, false);
  Filer.FloatProperty(
      "MutationProbability", [this] { return FMutationProbability; },
      [this](double v) { SetMutationProbability(v); }, false);
  Filer.Property(
      "Operations", [this] { return OperationsText(FOperations); },
      [this](const std::string& s) { SetOperations(OperationsFromText(s)); },
      !(FOperations == TGAGeneticOperations{goCrossover, goMutate, goInvert}));
  Filer.Collection("Population", *Population(), true);
  EnumProperty<TGASelectionMethod>(
      Filer, "SelectionMethod", [this] { return FSelectionMethod; },
      [this](TGASelectionMethod v) { SetSelectionMethod(v); }, smStochasticTournament);
  Filer.IntProperty(
      "TournamentField", [this] { return FTournamentField; },
      [this](std::int32_t v) { SetTournamentField(v); }, 2);
  Filer.BoolProperty(
      "UseDiversityLimit", [this] { return FUseDiversityLimit; },
      [this](bool v) { SetUseDiversityLimit(v); }, false);
  Filer.BoolProperty(
      "UseFitnessCutoff", [this] { return FUseFitnessCutoff; },
      [this](bool v) { SetUseFitnessCutoff(v); }, false);
  Filer.BoolProperty(
      "UseGenerationLimit", [this] { return FUseGenerationLimit; },
      [this](bool v) { SetUseGenerationLimit(v); }, false);

  Filer.DefineFloat(
      "FitnessCutoff", [this](double v) { SetFitnessCutoff(v); }, [this] { return FFitnessCutoff; },
      IsFitnessCutoffStored());
  Filer.DefineFloat(
      "DiversityLimit", [this](double v) { SetDiversityLimit(v); },
      [this] { return FDiversityLimit; }, IsDiversityLimitStored());
  Filer.DefineFloat(
      "ElitistPct", [this](double v) { SetElitistPct(v); }, [this] { return FElitistPct; },
      IsElitistPctStored());
  Filer.DefineFloat(
      "CrossoverProbability", [this](double v) { SetCrossoverProbability(v); },
      [this] { return FCrossoverProbability; }, IsCrossoverProbabilityStored());
  Filer.DefineFloat(
      "InversionProbability", [this](double v) { SetInversionProbability(v); },
      [this] { return FInversionProbability; }, IsInversionProbabilityStored());
  Filer.DefineFloat(
      "MutationProbability", [this](double v) { SetMutationProbability(v); },
      [this] { return FMutationProbability; }, IsMutationProbabilityStored());
}

}  // namespace kx
