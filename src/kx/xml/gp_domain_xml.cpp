#include "kx/xml/gp_domain_xml.hpp"

#include "kx/host/exceptions.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

std::uint8_t TXMLFunctionInstructionType::Arity() const {
  const std::string Text = ReadStringAttribute("Arity");
  if (XMLTextIsBlank(Text)) return 0;
  std::int32_t Value;
  try {
    Value = XMLTextToInt32(Text);
  } catch (const EConvertError& E) {
    throw EConvertError(std::string(E.what()) + " in attribute \"Arity\"");
  }
  if (Value < 0 || Value > 255) {
    throw EConvertError("\"" + Text + "\" is not a valid arity (0 to 255) in attribute \"Arity\"");
  }
  return static_cast<std::uint8_t>(Value);
}

bool TXMLIndividualType::Supports(TKXXMLNode Node) noexcept {
  if (IsElement(Node, "Individual")) return true;
  if (!IsElement(Node, "FittestIndividual")) return false;
  TKXXMLNode Domain = Node.Parent();
  return IsElement(Domain, "GPDomain") ||
         (IsElement(Domain, "Domain") && IsElement(Domain.Parent(), "GeneticProgram"));
}

TXMLGPDomainType GetGPDomain(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGPDomainType>(Doc, "GPDomain");
}

TXMLDocumentBinding<TXMLGPDomainType> LoadGPDomain(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGPDomainType>(FileName, "GPDomain");
}

TXMLDocumentBinding<TXMLGPDomainType> NewGPDomain() {
  return NewDocumentRoot<TXMLGPDomainType>("GPDomain");
}

TXMLGPInstructions GetGPInstructions(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGPInstructions>(Doc, "Instructions");
}

TXMLDocumentBinding<TXMLGPInstructions> LoadGPInstructions(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGPInstructions>(FileName, "GPDomain");
}

TXMLDocumentBinding<TXMLGPInstructions> NewGPInstructions() {
  return NewDocumentRoot<TXMLGPInstructions>("GPDomain");
}

TXMLGPPopulation GetGPPopulation(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGPPopulation>(Doc, "Population");
}

TXMLDocumentBinding<TXMLGPPopulation> LoadGPPopulation(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGPPopulation>(FileName, "GPDomain");
}

TXMLDocumentBinding<TXMLGPPopulation> NewGPPopulation() {
  return NewDocumentRoot<TXMLGPPopulation>("GPDomain");
}

}  // namespace kx
