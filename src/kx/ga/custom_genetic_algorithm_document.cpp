// The genetic algorithm's documents: GeneticAlgorithm (header, reproduction, domain) and
// its GADomain part.

#include <cstdint>
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
  SaveReproductionToXML(reproduction);
  SaveToXML(Doc.Domain());
  SaveRunStateToXML(Doc);
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGeneticAlgorithm& Doc) {
  TKXCustomGeneticComponent::LoadFromXML(Doc);
  const TXMLGAReproductionType reproduction = Doc.Reproduction();
  // Value names are matched without regard to letter case; anything else keeps the method.
  if (const std::optional<TGACrossoverMethod> method =
          EnumFromNameIgnoreCase<TGACrossoverMethod>(reproduction.CrossoverMethod())) {
    FCrossoverMethod = *method;
  }
  LoadReproductionFromXML(reproduction);
  LoadFromXML(Doc.Domain());
  LoadRunStateFromXML(Doc);
}

void TKXCustomGeneticAlgorithm::SaveToXML(const TXMLGADomainType& Domain) {
  Genes()->SaveToXML(Domain.GenoType());
  if (TKXGAIndividual* fittest = FittestIndividual())
    fittest->SaveToXML(Domain.FittestIndividual());
  Population()->SaveToXML(Domain.Chromosomes());
}

void TKXCustomGeneticAlgorithm::LoadFromXML(const TXMLGADomainType& Domain) {
  // A component that was never initialized is initialized over the individuals it already
  // has; only InitialPopulation is put back, so Generation restarts at 0 like any
  // initialization (unlike the program trees' loader, which keeps the header's Generation).
  if (!Initialized()) {
    const std::int32_t initialPopulation = InitialPopulation();
    SetInitialPopulation(0);
    try {
      Initialize();
    } catch (...) {
      SetInitialPopulation(initialPopulation);
      throw;
    }
    SetInitialPopulation(initialPopulation);
  }
  Genes()->LoadFromXML(Domain.GenoType());
  Population()->LoadFromXML(Domain.Chromosomes());
  SetPreviousGeneration(Population());
}

}  // namespace kx
