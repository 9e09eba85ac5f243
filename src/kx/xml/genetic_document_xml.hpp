#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_node.hpp"

namespace kx {

// The wrappers of the common genetic document. Enumerations are stored as their value
// names; 32-bit float members are narrowed on writing and reading (float in the signatures).

/// The header that every genetic document shares (root "GeneticDocument").
class TXMLGeneticDocumentType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  float DiversityLimit() const { return ReadSingle("DiversityLimit"); }
  void SetDiversityLimit(float Value) const { WriteSingle("DiversityLimit", Value); }
  float AvgFitness() const { return ReadSingle("AvgFitness"); }
  void SetAvgFitness(float Value) const { WriteSingle("AvgFitness", Value); }
  float MaxFitness() const { return ReadSingle("MaxFitness"); }
  void SetMaxFitness(float Value) const { WriteSingle("MaxFitness", Value); }
  float MinFitness() const { return ReadSingle("MinFitness"); }
  void SetMinFitness(float Value) const { WriteSingle("MinFitness", Value); }
  float FitnessCutoff() const { return ReadSingle("FitnessCutoff"); }
  void SetFitnessCutoff(float Value) const { WriteSingle("FitnessCutoff", Value); }
  ///@}
  ///@{
  /// A fitness method value name.
  std::string FitnessMethod() const { return ReadString("FitnessMethod"); }
  void SetFitnessMethod(std::string_view Value) const { WriteString("FitnessMethod", Value); }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::int32_t Generation() const { return ReadInt32("Generation"); }
  void SetGeneration(std::int32_t Value) const { WriteInt32("Generation", Value); }
  bool UseDiversityLimit() const { return ReadBoolean("UseDiversityLimit"); }
  void SetUseDiversityLimit(bool Value) const { WriteBoolean("UseDiversityLimit", Value); }
  bool UseFitnessCutoff() const { return ReadBoolean("UseFitnessCutoff"); }
  void SetUseFitnessCutoff(bool Value) const { WriteBoolean("UseFitnessCutoff", Value); }
  ///@}
  ///@{
  /// Read as a 64-bit integer and truncated to 32 bits.
  std::uint32_t GenerationLimit() const { return ReadUInt32("GenerationLimit"); }
  void SetGenerationLimit(std::uint32_t Value) const { WriteUInt32("GenerationLimit", Value); }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  bool UseGenerationLimit() const { return ReadBoolean("UseGenerationLimit"); }
  void SetUseGenerationLimit(bool Value) const { WriteBoolean("UseGenerationLimit", Value); }
  ///@}
};

/// The selection settings inside a reproduction element.
class TXMLReproductionType_SelectionMethod : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// A selection method value name.
  std::string Method() const { return ReadString("Method"); }
  void SetMethod(std::string_view Value) const { WriteString("Method", Value); }
  ///@}
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  float ElitistPercent() const { return ReadSingle("ElitistPercent"); }
  void SetElitistPercent(float Value) const { WriteSingle("ElitistPercent", Value); }
  std::int32_t TournamentField() const { return ReadInt32("TournamentField"); }
  void SetTournamentField(std::int32_t Value) const { WriteInt32("TournamentField", Value); }
  ///@}
};

/// The common reproduction element; the genetic-programming reproduction element extends it.
class TXMLReproductionType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  float CrossoverProbability() const { return ReadSingle("CrossoverProbability"); }
  void SetCrossoverProbability(float Value) const { WriteSingle("CrossoverProbability", Value); }
  float InversionProbability() const { return ReadSingle("InversionProbability"); }
  void SetInversionProbability(float Value) const { WriteSingle("InversionProbability", Value); }
  float MutationProbability() const { return ReadSingle("MutationProbability"); }
  void SetMutationProbability(float Value) const { WriteSingle("MutationProbability", Value); }
  TXMLReproductionType_SelectionMethod SelectionMethod() const {
    return TXMLReproductionType_SelectionMethod(ChildElement("SelectionMethod"));
  }
  ///@}
};

/// Document functions of the root "GeneticDocument": Get binds the root of an existing
/// document (EXMLError when it has another tag), Load parses a file, New creates a document.
TXMLGeneticDocumentType GetGeneticDocument(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGeneticDocumentType> LoadGeneticDocument(const std::string& FileName);
TXMLDocumentBinding<TXMLGeneticDocumentType> NewGeneticDocument();

/// Convert every number of a genetic document's header and of the common reproduction
/// element below it (when present) as the getters would; EConvertError naming the value and
/// the element's path for the first that does not convert. The document is not changed.
void CheckGeneticDocumentValues(TKXXMLNode Root);

/// The interface names of the wrappers are the classes themselves.
using IXMLGeneticDocumentType = TXMLGeneticDocumentType;
using IXMLReproductionType = TXMLReproductionType;
using IXMLReproductionType_SelectionMethod = TXMLReproductionType_SelectionMethod;

}  // namespace kx
