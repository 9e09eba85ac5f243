// The component's own document: the header every genetic document shares, and its file and
// stream forms.

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "kx/core/genetic_component.hpp"
#include "kx/xml/atomic_file.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx {

void TKXCustomGeneticComponent::SaveToXML(const TXMLGeneticDocumentType& Doc) {
  Doc.SetDiversityLimit(static_cast<float>(FDiversityLimit));
  Doc.SetFitnessCutoff(static_cast<float>(FFitnessCutoff));
  Doc.SetFitnessMethod(EnumName(FFitnessMethod));
  Doc.SetGeneration(FGeneration);
  Doc.SetUseDiversityLimit(FUseDiversityLimit);
  Doc.SetUseFitnessCutoff(FUseFitnessCutoff);
  Doc.SetGenerationLimit(static_cast<std::uint32_t>(FGenerationLimit));
  Doc.SetUseGenerationLimit(FUseGenerationLimit);
  Doc.SetAvgFitness(static_cast<float>(GetAvgFitness()));
  Doc.SetMaxFitness(static_cast<float>(FMaxFitness));
  Doc.SetMinFitness(static_cast<float>(FMinFitness));
}

void TKXCustomGeneticComponent::LoadFromXML(const TXMLGeneticDocumentType& Doc) {
  SetDiversityLimit(Doc.DiversityLimit());
  SetFitnessCutoff(Doc.FitnessCutoff());
  // Value names are matched without regard to letter case; anything else keeps the method.
  if (const std::optional<TGAFitnessMethod> method =
          EnumFromNameIgnoreCase<TGAFitnessMethod>(Doc.FitnessMethod())) {
    SetFitnessMethod(*method);
  }
  SetGeneration(Doc.Generation());
  FUseDiversityLimit = Doc.UseDiversityLimit();
  FUseFitnessCutoff = Doc.UseFitnessCutoff();
  // The document's unsigned limit is stored in the signed setting bit for bit.
  SetGenerationLimit(static_cast<std::int32_t>(Doc.GenerationLimit()));
  FUseGenerationLimit = Doc.UseGenerationLimit();
}

void TKXCustomGeneticComponent::SaveReproductionToXML(
    const TXMLReproductionType& Reproduction) const {
  Reproduction.SetCrossoverProbability(static_cast<float>(FCrossoverProbability));
  Reproduction.SetInversionProbability(static_cast<float>(FInversionProbability));
  Reproduction.SetMutationProbability(static_cast<float>(FMutationProbability));
  const TXMLReproductionType_SelectionMethod selection = Reproduction.SelectionMethod();
  selection.SetMethod(EnumName(FSelectionMethod));
  selection.SetElitistPercent(static_cast<float>(FElitistPct));
  selection.SetTournamentField(FTournamentField);
}

void TKXCustomGeneticComponent::LoadReproductionFromXML(const TXMLReproductionType& Reproduction) {
  SetCrossoverProbability(Reproduction.CrossoverProbability());
  SetInversionProbability(Reproduction.InversionProbability());
  SetMutationProbability(Reproduction.MutationProbability());
  const TXMLReproductionType_SelectionMethod selection = Reproduction.SelectionMethod();
  if (const std::optional<TGASelectionMethod> method =
          EnumFromNameIgnoreCase<TGASelectionMethod>(selection.Method())) {
    SetSelectionMethod(*method);
  }
  SetElitistPct(selection.ElitistPercent());
  SetTournamentField(selection.TournamentField());
}

void TKXCustomGeneticComponent::InitializeForDocument() {
  if (FInitialized) return;
  const std::int32_t initialPopulation = FInitialPopulation;
  const std::int32_t generation = FGeneration;
  SetInitialPopulation(0);
  try {
    Initialize();
  } catch (...) {
    SetInitialPopulation(initialPopulation);
    SetGeneration(generation);
    throw;
  }
  SetInitialPopulation(initialPopulation);
  SetGeneration(generation);
}

void TKXCustomGeneticComponent::SaveToStream(std::ostream& Stream) {
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = NewGeneticDocument();
  doc.Document().SetAutoIndent(true);
  SaveToXML(doc.Root());
  doc.Document().SaveToStream(Stream);
}

void TKXCustomGeneticComponent::SaveToFile(const std::string& FileName) {
  SaveToFileAtomically(FileName, [this](std::ostream& Stream) { SaveToStream(Stream); });
}

void TKXCustomGeneticComponent::LoadFromStream(std::istream& Stream) {
  TKXXMLDocument doc;
  doc.LoadFromStream(Stream);
  LoadFromXML(GetGeneticDocument(doc));
}

void TKXCustomGeneticComponent::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = LoadGeneticDocument(FileName);
  LoadFromXML(doc.Root());
}

}  // namespace kx
