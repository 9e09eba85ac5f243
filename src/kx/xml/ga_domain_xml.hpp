#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_lists.hpp"
#include "kx/xml/xml_node.hpp"

namespace kx {

// The wrappers of the genetic-algorithm domain: genotype, chromosomes and the fittest
// individual.

/// Members every gene element has.
class TXMLGeneType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "gene element";
  /// True for the four gene elements.
  static bool Supports(TKXXMLNode Node) noexcept;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Name() const { return ReadString("Name"); }
  void SetName(std::string_view Value) const { WriteString("Name", Value); }
  ///@}
  ///@{
  /// The width in bits.
  std::int32_t Size() const { return ReadInt32("Size"); }
  void SetSize(std::int32_t Value) const { WriteInt32("Size", Value); }
  ///@}
};

/// A "BooleanGene" element.
class TXMLBooleanGeneType : public TXMLGeneType {
 public:
  using TXMLGeneType::TXMLGeneType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "BooleanGene element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "BooleanGene"); }
};

/// Members of the integer, float and enumeration gene elements.
class TXMLNumericGeneType : public TXMLGeneType {
 public:
  using TXMLGeneType::TXMLGeneType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "numeric gene element";
  /// True for "IntegerGene", "FloatGene" and "EnumerationGene".
  static bool Supports(TKXXMLNode Node) noexcept;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  double MinValue() const { return ReadDouble("MinValue"); }
  void SetMinValue(double Value) const { WriteDouble("MinValue", Value); }
  double MaxValue() const { return ReadDouble("MaxValue"); }
  void SetMaxValue(double Value) const { WriteDouble("MaxValue", Value); }
  bool PreserveSignBit() const { return ReadBoolean("PreserveSignBit"); }
  void SetPreserveSignBit(bool Value) const { WriteBoolean("PreserveSignBit", Value); }
  ///@}
};

/// An "IntegerGene" element.
class TXMLIntegerGeneType : public TXMLNumericGeneType {
 public:
  using TXMLNumericGeneType::TXMLNumericGeneType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "IntegerGene element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "IntegerGene"); }
};

/// A "FloatGene" element.
class TXMLFloatGeneType : public TXMLNumericGeneType {
 public:
  using TXMLNumericGeneType::TXMLNumericGeneType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "FloatGene element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "FloatGene"); }
};

/// An "EnumerationGene" element: its names, one "Enumeration" item each, in index order.
class TXMLEnumerationGeneType : public TXMLNumericGeneType {
 public:
  using TXMLNumericGeneType::TXMLNumericGeneType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "EnumerationGene element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "EnumerationGene"); }

  /// The enumeration names, one "Enumeration" child each.
  TXMLStringList Enumeration() const { return TXMLStringList(Node(), "Enumeration"); }
};

using TXMLBooleanGeneTypeList = TXMLNodeCollection<TXMLBooleanGeneType>;
using TXMLIntegerGeneTypeList = TXMLNodeCollection<TXMLIntegerGeneType>;
using TXMLFloatGeneTypeList = TXMLNodeCollection<TXMLFloatGeneType>;
using TXMLEnumerationGeneTypeList = TXMLNodeCollection<TXMLEnumerationGeneType>;

/// A genotype (root "GenoType" or a child). The four gene collections share the element:
/// every added gene goes to the end of its children, so the genes lie in genotype order;
/// walk the children of Node() to visit them in that order.
class TXMLGenoType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The "Size" attribute: the chromosome width; 0 when the attribute is missing.
  std::int32_t Size() const { return ReadInt32Attribute("Size"); }
  void SetSize(std::int32_t Value) const { WriteInt32Attribute("Size", Value); }
  ///@}
  ///@{
  /// The gene elements of each kind, as lists of the children with that tag.
  TXMLBooleanGeneTypeList BooleanGene() const { return {Node(), "BooleanGene"}; }
  TXMLFloatGeneTypeList FloatGene() const { return {Node(), "FloatGene"}; }
  TXMLIntegerGeneTypeList IntegerGene() const { return {Node(), "IntegerGene"}; }
  TXMLEnumerationGeneTypeList EnumerationGene() const { return {Node(), "EnumerationGene"}; }
  ///@}
};

/// The genes of a chromosome: its bit text, then the decoded gene values (written for
/// readers of the file; all four value lists share the element, in genotype order).
class TXMLGenes : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Bits() const { return ReadString("Bits"); }
  void SetBits(std::string_view Value) const { WriteString("Bits", Value); }
  TXMLBooleanList BooleanGeneValue() const { return {Node(), "BooleanGeneValue"}; }
  TXMLSingleList FloatGeneValue() const { return {Node(), "FloatGeneValue"}; }
  TXMLIntegerList IntegerGeneValue() const { return {Node(), "IntegerGeneValue"}; }
  TXMLStringList EnumerationGeneValue() const { return {Node(), "EnumerationGeneValue"}; }
  ///@}
};

/// A chromosome: an item of "Chromosomes", or the "FittestIndividual" of a GA domain.
class TXMLChromosome : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Chromosome element";
  /// True for a "Chromosome" element and for the "FittestIndividual" of a GA domain ("GADomain",
  /// or "Domain" inside "GeneticAlgorithm").
  static bool Supports(TKXXMLNode Node) noexcept;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Name() const { return ReadString("Name"); }
  void SetName(std::string_view Value) const { WriteString("Name", Value); }
  float Fitness() const { return ReadSingle("Fitness"); }
  void SetFitness(float Value) const { WriteSingle("Fitness", Value); }
  TXMLGenes Genes() const { return TXMLGenes(ChildElement("Genes")); }
  ///@}
};

/// A population of chromosomes (root "Chromosomes" or a child): the collection of its
/// "Chromosome" children.
class TXMLChromosomes : public TXMLNode, public TXMLNodeCollection<TXMLChromosome> {
 public:
  TXMLChromosomes() noexcept : TXMLNodeCollection(TKXXMLNode(), "Chromosome") {}
  /// Wraps Node without checking its tag (XMLCast checks).
  explicit TXMLChromosomes(TKXXMLNode Node) noexcept
      : TXMLNode(Node), TXMLNodeCollection(Node, "Chromosome") {}
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Chromosomes element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "Chromosomes"); }

  /// The chromosomes, as the list of the "Chromosome" children.
  TXMLNodeCollection<TXMLChromosome> Chromosome() const { return *this; }
};

/// The domain of a genetic algorithm (root "GADomain", or "Domain" inside a
/// "GeneticAlgorithm" document).
class TXMLGADomainType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  TXMLGenoType GenoType() const { return TXMLGenoType(ChildElement("GenoType")); }
  TXMLChromosome FittestIndividual() const {
    return TXMLChromosome(ChildElement("FittestIndividual"));
  }
  TXMLChromosomes Chromosomes() const { return TXMLChromosomes(ChildElement("Chromosomes")); }
  ///@}
};

/// Document functions of the roots "GADomain", "GenoType" and "Chromosomes" (Get binds an
/// existing document and raises EXMLError for a root of another tag; Load parses a file;
/// New creates a document with XML version "1.0").
TXMLGADomainType GetGADomain(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGADomainType> LoadGADomain(const std::string& FileName);
TXMLDocumentBinding<TXMLGADomainType> NewGADomain();
TXMLGenoType GetGenoType(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGenoType> LoadGenoType(const std::string& FileName);
TXMLDocumentBinding<TXMLGenoType> NewGenoType();
TXMLChromosomes GetChromosomes(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLChromosomes> LoadChromosomes(const std::string& FileName);
TXMLDocumentBinding<TXMLChromosomes> NewChromosomes();

/// The interface names of the wrappers are the classes themselves.
using IXMLGeneType = TXMLGeneType;
using IXMLBooleanGeneType = TXMLBooleanGeneType;
using IXMLNumericGeneType = TXMLNumericGeneType;
using IXMLIntegerGeneType = TXMLIntegerGeneType;
using IXMLFloatGeneType = TXMLFloatGeneType;
using IXMLEnumerationGeneType = TXMLEnumerationGeneType;
using IXMLGenoType = TXMLGenoType;
using IXMLGenes = TXMLGenes;
using IXMLChromosome = TXMLChromosome;
using IXMLChromosomes = TXMLChromosomes;
using IXMLGADomainType = TXMLGADomainType;

}  // namespace kx
