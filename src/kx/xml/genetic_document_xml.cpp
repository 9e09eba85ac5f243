#include "kx/xml/genetic_document_xml.hpp"

#include "kx/xml/xml_check.hpp"

namespace kx {

namespace {
constexpr const char* RootTag = "GeneticDocument";
}

TXMLGeneticDocumentType GetGeneticDocument(TKXXMLDocument& Doc) {
  return GetDocumentRoot<TXMLGeneticDocumentType>(Doc, RootTag);
}

TXMLDocumentBinding<TXMLGeneticDocumentType> LoadGeneticDocument(const std::string& FileName) {
  return LoadDocumentRoot<TXMLGeneticDocumentType>(FileName, RootTag);
}

TXMLDocumentBinding<TXMLGeneticDocumentType> NewGeneticDocument() {
  return NewDocumentRoot<TXMLGeneticDocumentType>(RootTag);
}

void CheckGeneticDocumentValues(TKXXMLNode Root) {
  using enum TXMLValueKind;
  CheckValues(Root, {{"DiversityLimit", vkSingle},
                     {"AvgFitness", vkSingle},
                     {"MaxFitness", vkSingle},
                     {"MinFitness", vkSingle},
                     {"FitnessCutoff", vkSingle},
                     {"Generation", vkInt32},
                     {"GenerationLimit", vkUInt32},
                     {"Reproduction/CrossoverProbability", vkSingle},
                     {"Reproduction/InversionProbability", vkSingle},
                     {"Reproduction/MutationProbability", vkSingle},
                     {"Reproduction/SelectionMethod/ElitistPercent", vkSingle},
                     {"Reproduction/SelectionMethod/TournamentField", vkInt32}});
}

}  // namespace kx
