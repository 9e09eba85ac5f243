#include "kx/xml/genetic_program_xml.hpp"

namespace kx {

namespace {

std::string OrDefault(std::string Name, const char* Default) {
  return Name.empty() ? std::string(Default) : Name;
}

}  // namespace

std::string TXMLGPReproductionType::CrossoverMethod() const {
  return OrDefault(ReadString("CrossoverMethod"), "cmSubtree");
}

std::string TXMLGPReproductionType::InitializationMethod() const {
  return OrDefault(ReadString("InitializationMethod"), "imFull");
}

std::string TXMLGPReproductionType::MutationMethod() const {
  return OrDefault(ReadString("MutationMethod"), "mmSubtree");
}

std::string TXMLGPReproductionType::PointMutationMethod() const {
  return OrDefault(ReadString("PointMutationMethod"), "pmmPerNode");
}

TXMLGeneticProgram GetGeneticProgram(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGeneticProgram>(Doc, "GeneticProgram");
}

TXMLDocumentBinding<TXMLGeneticProgram> LoadGeneticProgram(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGeneticProgram>(FileName, "GeneticProgram");
}

TXMLDocumentBinding<TXMLGeneticProgram> NewGeneticProgram() {
  return NewDocumentRoot<TXMLGeneticProgram>("GeneticProgram");
}

}  // namespace kx
