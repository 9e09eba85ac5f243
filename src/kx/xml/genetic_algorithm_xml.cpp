#include "kx/xml/genetic_algorithm_xml.hpp"

namespace kx {

std::string TXMLGAReproductionType::CrossoverMethod() const {
  std::string Name = ReadString("CrossoverMethod");
  return Name.empty() ? "cmGeneBoundary" : Name;
}

TXMLGeneticAlgorithm GetGeneticAlgorithm(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGeneticAlgorithm>(Doc, "GeneticAlgorithm");
}

TXMLDocumentBinding<TXMLGeneticAlgorithm> LoadGeneticAlgorithm(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGeneticAlgorithm>(FileName, "GeneticAlgorithm");
}

TXMLDocumentBinding<TXMLGeneticAlgorithm> NewGeneticAlgorithm() {
  return NewDocumentRoot<TXMLGeneticAlgorithm>("GeneticAlgorithm");
}

}  // namespace kx
