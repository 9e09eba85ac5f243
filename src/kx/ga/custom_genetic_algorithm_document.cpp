// The genetic algorithm's documents: GeneticAlgorithm (header, reproduction, domain) and
// its GADomain part.

#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_algorithm_xml.hpp"
#include "kx/xml/xml_document.hpp"

namespace kx {

void TKXCustomGeneticAlgorithm::SaveToStream(std::ostream& Stream) {
  TXMLDocumentBinding<TXMLGeneticAlgorithm> doc = NewGeneticAlgorithm();
  SaveToXML(doc.Root());
  doc.Document().SaveToStream(Stream);
}

void TKXCustomGeneticAlgorithm::LoadFromStream(std::istream& Stream) {
  TXMLDocumentBinding<TXMLGeneticAlgorithm> doc = NewGeneticAlgorithm();
  doc.Document().LoadFromStream(Stream);
  LoadFromXML(GetGeneticAlgorithm(doc.Document()));
}

void TKXCustomGeneticAlgorithm::LoadFromFile(const std::string& FileName) {
  TXMLDocumentBinding<TXMLGeneticAlgorithm> doc = LoadGeneticAlgorithm(FileName);
  LoadFromXML(doc.Root());
}

void TKXCustomGeneticAlgorithm::SaveToXML(const TXMLGeneticAlgorithm& Doc) {
  TKXCustomGeneticComponent::SaveToXML(Doc);
  const TXMLGAReproductionType reproduction = Doc.Reproduction();
  reproduction.SetCrossoverMethod(EnumName(FCrossoverMethod));
  reproduction.SetCrossoverProbability(static_cast<float>(CrossoverProbability()));
  reproduction.SetInversionProbability(static_cast<float>(InversionProbability()));
  reproduction.SetMutationProbability(static_cast<float>(MutationProbability()));
  const TXMLSelectionMethod selection = reproduction.SelectionMethod();
  selection.SetMethod(EnumName(SelectionMethod()));
  selection.SetElitistPercent(static_cast<float>(ElitistPct()));
  selection.SetTournamentField(TournamentField());
  SaveToXML(Doc.Domain());
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGeneticAlgorithm& Doc) {
  TKXCustomGeneticComponent::LoadFromXML(Doc);
  const TXMLGAReproductionType reproduction = Doc.Reproduction();
  // Value names are matched without regard to letter case; anything else keeps the method.
  if (const std::optional<TGACrossoverMethod> method =
          EnumFromNameIgnoreCase<TGACrossoverMethod>(reproduction.CrossoverMethod())) {
    FCrossoverMethod = *method;
  }
  SetCrossoverProbability(reproduction.CrossoverProbability());
  SetInversionProbability(reproduction.InversionProbability());
  SetMutationProbability(reproduction.MutationProbability());
  const TXMLSelectionMethod selection = reproduction.SelectionMethod();
  if (const std::optional<TGASelectionMethod> method =
          EnumFromNameIgnoreCase<TGASelectionMethod>(selection.Method())) {
    SetSelectionMethod(*method);
  }
  SetElitistPct(selection.ElitistPercent());
  SetTournamentField(selection.TournamentField());
  LoadFromXML(Doc.Domain());
}

void TKXCustomGeneticAlgorithm::SaveToXML(const TXMLGADomainType& Domain) {
  Genes()->SaveToXML(Domain.GenoType());
  if (TKXGAIndividual* fittest = FittestIndividual())
    fittest->SaveToXML(Domain.FittestIndividual());
  Population()->SaveToXML(Domain.Chromosomes());
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGADomainType& Domain) {
  if (!Initialized()) {
    // Initialize without breeding individuals: the document brings its own. The header read
    // before has set Generation, which Initialize resets.
    const std::int32_t initialPopulation = InitialPopulation();
    const std::int32_t generation = Generation();
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
  Genes()->LoadFromXML(Domain.GenoType());
  Population()->LoadFromXML(Domain.Chromosomes());
  SetPreviousGeneration(Population());
}

}  // namespace kx
