#include "kx/xml/ga_domain_xml.hpp"

namespace kx {

bool TXMLGeneType::Supports(pugi::xml_node Node) noexcept {
  return TXMLBooleanGeneType::Supports(Node) || TXMLNumericGeneType::Supports(Node);
}

bool TXMLNumericGeneType::Supports(pugi::xml_node Node) noexcept {
  return TXMLIntegerGeneType::Supports(Node) || TXMLFloatGeneType::Supports(Node) ||
         TXMLEnumerationGeneType::Supports(Node);
}

bool TXMLChromosome::Supports(pugi::xml_node Node) noexcept {
  if (IsElement(Node, "Chromosome")) return true;
  if (!IsElement(Node, "FittestIndividual")) return false;
  pugi::xml_node Domain = Node.parent();
  return IsElement(Domain, "GADomain") ||
         (IsElement(Domain, "Domain") && IsElement(Domain.parent(), "GeneticAlgorithm"));
}

TXMLGADomainType GetGADomain(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGADomainType>(Doc, "GADomain");
}

TXMLDocumentBinding<TXMLGADomainType> LoadGADomain(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGADomainType>(FileName, "GADomain");
}

TXMLDocumentBinding<TXMLGADomainType> NewGADomain() {
  return NewDocumentRoot<TXMLGADomainType>("GADomain");
}

TXMLGenoType GetGenoType(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGenoType>(Doc, "GenoType");
}

TXMLDocumentBinding<TXMLGenoType> LoadGenoType(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGenoType>(FileName, "GenoType");
}

TXMLDocumentBinding<TXMLGenoType> NewGenoType() {
  return NewDocumentRoot<TXMLGenoType>("GenoType");
}

TXMLChromosomes GetChromosomes(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLChromosomes>(Doc, "Chromosomes");
}

TXMLDocumentBinding<TXMLChromosomes> LoadChromosomes(const std::string& FileName) {
  return LoadDocumentRoot<TXMLChromosomes>(FileName, "Chromosomes");
}

TXMLDocumentBinding<TXMLChromosomes> NewChromosomes() {
  return NewDocumentRoot<TXMLChromosomes>("Chromosomes");
}

}  // namespace kx
