// The component's own document: the header every genetic document shares, and its file and
// stream forms.

#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "kx/core/genetic_component.hpp"
#include "kx/xml/atomic_file.hpp"
#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/xml_check.hpp"
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

void TKXCustomGeneticComponent::RestoreSavedStatistics(const TXMLGeneticDocumentType& Doc,
                                                       std::optional<std::int32_t> FittestIndex) {
  FMaxFitness = Doc.MaxFitness();
  FMinFitness = Doc.MinFitness();
  // The average is derived from the sum; an empty population derives it from the extremes.
  const std::int32_t count = Population()->Count();
  FFitnessSum = count != 0 ? static_cast<TGAFitness>(Doc.AvgFitness()) * count : 0;
  if (FittestIndex) {
    FFittestIndividual =
        *FittestIndex >= 0 && *FittestIndex < count ? Population()->ItemAt(*FittestIndex) : nullptr;
  }
}

void TKXCustomGeneticComponent::RestoreWithoutHandlers(const std::function<void()>& Load) {
  TKXInitializationEvent initialization = std::exchange(FOnInitialization, nullptr);
  TKXFitnessEvent fitness = std::exchange(FOnEvaluateFitness, nullptr);
  TKXFitnessEvent weighted = std::exchange(FOnEvaluateWeightedFitness, nullptr);
  auto attach = [&] {
    FOnInitialization = std::move(initialization);
    FOnEvaluateFitness = std::move(fitness);
    FOnEvaluateWeightedFitness = std::move(weighted);
  };
  // The limit's setter never stores 0, the limit of a new component: from 0 every value a
  // snapshot holds comes back as it was.
  FGenerationLimit = 0;
  try {
    Load();
  } catch (...) {
    attach();
    throw;
  }
  attach();
}

namespace {

// Loads a GeneticDocument into Component: checked first, applied with a way back (Undo runs
// the load of the snapshot).
void LoadCheckedDocument(TKXCustomGeneticComponent& Component, TKXXMLDocument& Doc,
                         const std::function<void(const TXMLGeneticDocumentType&)>& Apply,
                         const std::function<void(const std::function<void()>&)>& Undo) {
  const TXMLGeneticDocumentType root = GetGeneticDocument(Doc);
  CheckGeneticDocumentValues(root.Node());
  ApplyWithRollback(
      [&Component] {
        TXMLDocumentBinding<TXMLGeneticDocumentType> snapshot = NewGeneticDocument();
        Component.SaveToXML(snapshot.Root());
        return snapshot.ReleaseDocument();
      },
      [&] { Apply(root); },
      [&](TKXXMLDocument& Snapshot) { Undo([&] { Apply(GetGeneticDocument(Snapshot)); }); });
}

}  // namespace

void TKXCustomGeneticComponent::LoadFromStream(std::istream& Stream) {
  TKXXMLDocument doc;
  doc.LoadFromStream(Stream);
  LoadCheckedDocument(
      *this, doc,
      [this](const TXMLGeneticDocumentType& Root) {
        LoadFromXML(Root);
        RestoreSavedStatistics(Root, std::nullopt);
      },
      [this](const std::function<void()>& Load) { RestoreWithoutHandlers(Load); });
}

void TKXCustomGeneticComponent::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticDocumentType> doc = LoadGeneticDocument(FileName);
  LoadCheckedDocument(
      *this, doc.Document(),
      [this](const TXMLGeneticDocumentType& Root) {
        LoadFromXML(Root);
        RestoreSavedStatistics(Root, std::nullopt);
      },
      [this](const std::function<void()>& Load) { RestoreWithoutHandlers(Load); });
}

}  // namespace kx
