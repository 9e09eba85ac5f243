#include "kx/xml/ga_domain_xml.hpp"

namespace kx {

bool TXMLGeneType::Supports(TKXXMLNode Node) noexcept {
  return TXMLBooleanGeneType::Supports(Node) || TXMLNumericGeneType::Supports(Node);
}

bool TXMLNumericGeneType::Supports(TKXXMLNode Node) noexcept {
  return TXMLIntegerGeneType::Supports(Node) || TXMLFloatGeneType::Supports(Node) ||
         TXMLEnumerationGeneType::Supports(Node);
}

bool TXMLChromosome::Supports(TKXXMLNode Node) noexcept {
  if (IsElement(Node, "Chromosome")) return true;
  if (!IsElement(Node, "FittestIndividual")) return false;
  TKXXMLNode Domain = Node.Parent();
  return IsElement(Domain, "GADomain") ||
         (IsElement(Domain, "Domain") && IsElement(Domain.Parent(), "GeneticAlgorithm"));
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
