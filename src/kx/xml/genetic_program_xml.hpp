#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kx/xml/genetic_document_xml.hpp"
#include "kx/xml/gp_domain_xml.hpp"

namespace kx {

// The wrappers of the genetic-programming document (root "GeneticProgram").

/// The weights of the six mutation methods, one integer child each.
class TXMLGPReproductionType_MutationWeights : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::int32_t MmSubtree() const { return ReadInt32("mmSubtree"); }
  void SetMmSubtree(std::int32_t Value) const { WriteInt32("mmSubtree", Value); }
  std::int32_t MmReplacement() const { return ReadInt32("mmReplacement"); }
  void SetMmReplacement(std::int32_t Value) const { WriteInt32("mmReplacement", Value); }
  std::int32_t MmConstant() const { return ReadInt32("mmConstant"); }
  void SetMmConstant(std::int32_t Value) const { WriteInt32("mmConstant", Value); }
  std::int32_t MmShrink() const { return ReadInt32("mmShrink"); }
  void SetMmShrink(std::int32_t Value) const { WriteInt32("mmShrink", Value); }
  std::int32_t MmHoist() const { return ReadInt32("mmHoist"); }
  void SetMmHoist(std::int32_t Value) const { WriteInt32("mmHoist", Value); }
  std::int32_t MmPoint() const { return ReadInt32("mmPoint"); }
  void SetMmPoint(std::int32_t Value) const { WriteInt32("mmPoint", Value); }
  ///@}
};

/// The genetic-programming reproduction element: the common members plus the GP settings.
/// Enumeration members hold value names; a missing or empty one reads as the name of the
/// enumeration's first value.
class TXMLGPReproductionType : public TXMLReproductionType {
 public:
  using TXMLReproductionType::TXMLReproductionType;

  ///@{
  /// Empty reads as "cmSubtree".
  std::string CrossoverMethod() const;
  void SetCrossoverMethod(std::string_view Value) const { WriteString("CrossoverMethod", Value); }
  ///@}
  ///@{
  /// Empty reads as "imFull".
  std::string InitializationMethod() const;
  void SetInitializationMethod(std::string_view Value) const {
    WriteString("InitializationMethod", Value);
  }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::int32_t InitializationDepth() const { return ReadInt32("InitializationDepth"); }
  void SetInitializationDepth(std::int32_t Value) const {
    WriteInt32("InitializationDepth", Value);
  }
  ///@}
  ///@{
  /// Empty reads as "mmSubtree".
  std::string MutationMethod() const;
  void SetMutationMethod(std::string_view Value) const { WriteString("MutationMethod", Value); }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  TXMLGPReproductionType_MutationWeights MutationWeights() const {
    return TXMLGPReproductionType_MutationWeights(ChildElement("MutationWeights"));
  }
  float SelectionNonterminalsProbability() const {
    return ReadSingle("SelectionNonterminalsProbability");
  }
  void SetSelectionNonterminalsProbability(float Value) const {
    WriteSingle("SelectionNonterminalsProbability", Value);
  }
  ///@}
  ///@{
  /// Empty reads as "pmmPerNode".
  std::string PointMutationMethod() const;
  void SetPointMutationMethod(std::string_view Value) const {
    WriteString("PointMutationMethod", Value);
  }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  float PointMutationProbability() const { return ReadSingle("PointMutationProbability"); }
  void SetPointMutationProbability(float Value) const {
    WriteSingle("PointMutationProbability", Value);
  }
  ///@}
};

/// The root: the common document header, then the reproduction settings and the domain.
class TXMLGeneticProgram : public TXMLGeneticDocumentType {
 public:
  using TXMLGeneticDocumentType::TXMLGeneticDocumentType;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  TXMLGPReproductionType Reproduction() const {
    return TXMLGPReproductionType(ChildElement("Reproduction"));
  }
  TXMLGPDomainType Domain() const { return TXMLGPDomainType(ChildElement("Domain")); }
  ///@}
};

/// Document functions of the root "GeneticProgram".
TXMLGeneticProgram GetGeneticProgram(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGeneticProgram> LoadGeneticProgram(const std::string& FileName);
TXMLDocumentBinding<TXMLGeneticProgram> NewGeneticProgram();

/// CheckGeneticDocumentValues, then the numbers of the program reproduction settings.
void CheckGeneticProgramValues(TKXXMLNode Root);

/// The interface names of the wrappers are the classes themselves.
using IXMLGeneticProgram = TXMLGeneticProgram;
using IXMLGPReproductionType = TXMLGPReproductionType;
using IXMLGPReproductionType_MutationWeights = TXMLGPReproductionType_MutationWeights;

}  // namespace kx
