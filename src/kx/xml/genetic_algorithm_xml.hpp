#pragma once

#include <string>
#include <string_view>

#include "kx/xml/ga_domain_xml.hpp"
#include "kx/xml/genetic_document_xml.hpp"

namespace kx {

// The wrappers of the genetic-algorithm document (root "GeneticAlgorithm").

/// The selection settings of the genetic algorithm's reproduction element: the same members
/// as those of the common reproduction element.
using TXMLSelectionMethod = TXMLReproductionType_SelectionMethod;

/// The genetic algorithm's reproduction element: the common members plus the crossover
/// method. (The common reproduction element already has the name TXMLReproductionType.)
class TXMLGAReproductionType : public TXMLReproductionType {
 public:
  using TXMLReproductionType::TXMLReproductionType;

  ///@{
  /// A crossover method value name; a missing or empty element reads as "cmGeneBoundary".
  std::string CrossoverMethod() const;
  void SetCrossoverMethod(std::string_view Value) const { WriteString("CrossoverMethod", Value); }
  ///@}
};

/// The root: the common document header, then the reproduction settings and the domain.
class TXMLGeneticAlgorithm : public TXMLGeneticDocumentType {
 public:
  using TXMLGeneticDocumentType::TXMLGeneticDocumentType;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  TXMLGADomainType Domain() const { return TXMLGADomainType(ChildElement("Domain")); }
  TXMLGAReproductionType Reproduction() const {
    return TXMLGAReproductionType(ChildElement("Reproduction"));
  }
  ///@}
};

/// Document functions of the root "GeneticAlgorithm".
TXMLGeneticAlgorithm GetGeneticAlgorithm(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGeneticAlgorithm> LoadGeneticAlgorithm(const std::string& FileName);
TXMLDocumentBinding<TXMLGeneticAlgorithm> NewGeneticAlgorithm();

/// The interface names of the wrappers are the classes themselves.
using IXMLGeneticAlgorithm = TXMLGeneticAlgorithm;
using IXMLGAReproductionType = TXMLGAReproductionType;
using IXMLSelectionMethod = TXMLSelectionMethod;

}  // namespace kx
