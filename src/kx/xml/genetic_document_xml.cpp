#include "kx/xml/genetic_document_xml.hpp"

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

}  // namespace kx
