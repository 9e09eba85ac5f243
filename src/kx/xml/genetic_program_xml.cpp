#include "kx/xml/genetic_program_xml.hpp"

#include "kx/xml/xml_check.hpp"

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

void CheckGeneticProgramValues(TKXXMLNode Root) {
  using enum TXMLValueKind;
  CheckGeneticDocumentValues(Root);
  CheckValues(Root, {{"Reproduction/InitializationDepth", vkInt32},
                     {"Reproduction/MutationWeights/mmSubtree", vkInt32},
                     {"Reproduction/MutationWeights/mmReplacement", vkInt32},
                     {"Reproduction/MutationWeights/mmConstant", vkInt32},
                     {"Reproduction/MutationWeights/mmShrink", vkInt32},
                     {"Reproduction/MutationWeights/mmHoist", vkInt32},
                     {"Reproduction/MutationWeights/mmPoint", vkInt32},
                     {"Reproduction/SelectionNonterminalsProbability", vkSingle},
                     {"Reproduction/PointMutationProbability", vkSingle}});
}

}  // namespace kx
