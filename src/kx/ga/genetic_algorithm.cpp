#include "kx/ga/genetic_algorithm.hpp"

#include "kx/core/enum_property.hpp"
#include "kx/host/number_text.hpp"
#include "kx/host/streaming.hpp"

namespace kx {

void TKXGeneticAlgorithm::DefineProperties(TKXFiler& Filer) {
  // The published order, which is also the order a stream is applied in: the genes before
  // GeneSize, and both before the population whose individuals they size.
  TKXOrderedFiler ordered(Filer, {"DiversityLimit",
                                  "CrossoverMethod",
                                  "ElitistPct",
                                  "FitnessCutoff",
                                  "FitnessMethod",
                                  "Generation",
                                  "GenerationLimit",
                                  "UseGenerationLimit",
                                  "Genes",
                                  "GeneSize",
                                  "InitialPopulation",
                                  "InitialDuplicatesRetries",
                                  "Population",
                                  "CrossoverProbability",
                                  "InversionProbability",
                                  "MutationProbability",
                                  "Operations",
                                  "SelectionMethod",
                                  "TournamentField",
                                  "UseFitnessCutoff",
                                  "UseDiversityLimit"});
  TKXCustomGeneticAlgorithm::DefineProperties(ordered);
  EnumProperty<TGACrossoverMethod>(
      ordered, "CrossoverMethod", [this] { return CrossoverMethod(); },
      [this](TGACrossoverMethod v) { SetCrossoverMethod(v); }, cmGeneBoundary);
  ordered.Collection("Genes", *Genes(), Genes()->Count() > 0);
  ordered.Property(
      "GeneSize", [this] { return std::to_string(GeneSize()); },
      [this](const std::string& Text) { SetGeneSize(StrToInt(Text)); }, true);
  ordered.Flush();
}

}  // namespace kx
