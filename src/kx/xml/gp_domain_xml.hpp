#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_lists.hpp"
#include "kx/xml/xml_node.hpp"

namespace kx {

// The wrappers of the genetic-programming domain: instruction set, population of program
// trees and the fittest individual.

/// Members of every instruction element: the "Name" and "Comment" attributes (empty when
/// missing; reading never adds them).
class TXMLInstructionType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Name() const { return ReadStringAttribute("Name"); }
  void SetName(std::string_view Value) const { WriteStringAttribute("Name", Value); }
  std::string Comment() const { return ReadStringAttribute("Comment"); }
  void SetComment(std::string_view Value) const { WriteStringAttribute("Comment", Value); }
  ///@}
};

/// A "Function" element.
class TXMLFunctionInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Function element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "Function"); }

  ///@{
  /// The "Arity" attribute, an unsigned 8-bit number: 0 when missing; text that is not a
  /// number from 0 to 255 raises EConvertError. Writing keeps the low 8 bits of a larger
  /// arity (300 is written as 44) through the parameter type.
  std::uint8_t Arity() const;
  void SetArity(std::uint8_t Value) const { WriteInt32Attribute("Arity", Value); }
  ///@}
};

/// A "FloatConstant" element; its "Value" child holds the constant's text.
class TXMLDecimalConstantInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "FloatConstant element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "FloatConstant"); }

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Value() const { return ReadString("Value"); }
  void SetValue(std::string_view Value) const { WriteString("Value", Value); }
  ///@}
};

/// A "VariantConstant" element; its "Value" child holds the value's text, which the variant
/// instructions take as a text value.
class TXMLVariantConstantInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "VariantConstant element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "VariantConstant"); }

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Value() const { return ReadString("Value"); }
  void SetValue(std::string_view Value) const { WriteString("Value", Value); }
  ///@}
};

/// A "Constant" element; its "Value" child holds the constant's text.
class TXMLConstantInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Constant element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "Constant"); }

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Value() const { return ReadString("Value"); }
  void SetValue(std::string_view Value) const { WriteString("Value", Value); }
  ///@}
};

/// An instruction element with an integer "Value" (no list of the document uses it).
class TXMLIntegerConstantInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::int32_t Value() const { return ReadInt32("Value"); }
  void SetValue(std::int32_t Value) const { WriteInt32("Value", Value); }
  ///@}
};

/// A "Variable" element.
class TXMLVariableInstructionType : public TXMLInstructionType {
 public:
  using TXMLInstructionType::TXMLInstructionType;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Variable element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "Variable"); }
};

using TXMLFunctionInstructionTypeList = TXMLNodeCollection<TXMLFunctionInstructionType>;
using TXMLDecimalConstantInstructionTypeList =
    TXMLNodeCollection<TXMLDecimalConstantInstructionType>;
using TXMLVariantConstantInstructionTypeList =
    TXMLNodeCollection<TXMLVariantConstantInstructionType>;
using TXMLConstantInstructionTypeList = TXMLNodeCollection<TXMLConstantInstructionType>;
using TXMLVariableInstructionTypeList = TXMLNodeCollection<TXMLVariableInstructionType>;

/// An instruction set: five lists of child elements, one per tag.
class TXMLGPInstructions : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The instruction elements of each kind, as lists of the children with that tag.
  TXMLFunctionInstructionTypeList Function() const { return {Node(), "Function"}; }
  TXMLDecimalConstantInstructionTypeList FloatConstant() const { return {Node(), "FloatConstant"}; }
  TXMLVariantConstantInstructionTypeList VariantConstant() const {
    return {Node(), "VariantConstant"};
  }
  TXMLConstantInstructionTypeList Constant() const { return {Node(), "Constant"}; }
  TXMLVariableInstructionTypeList Variable() const { return {Node(), "Variable"}; }
  ///@}
};

class TXMLDnaType;
using TXMLDnaTypeList = TXMLNodeCollection<TXMLDnaType>;

/// A node of a program tree: the "DNA" element of an individual or one of its "Child"
/// elements, nested as deep as the tree.
class TXMLDnaType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  /// The "Instruction" attribute: the display name of the node's instruction; absent (and
  /// read as empty) for a node without one. Reading does not add it.
  bool HasInstruction() const noexcept { return HasAttribute("Instruction"); }
  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Instruction() const { return ReadStringAttribute("Instruction"); }
  void SetInstruction(std::string_view Value) const { WriteStringAttribute("Instruction", Value); }
  ///@}
  ///@{
  /// The "Value" child: the value of a constant node as text.
  std::string Value() const { return ReadString("Value"); }
  void SetValue(std::string_view Value) const { WriteString("Value", Value); }
  ///@}
  /// The child nodes, in child order.
  TXMLDnaTypeList Child() const { return {Node(), "Child"}; }
};

/// An individual of a population ("Individual") or the fittest individual of a domain.
class TXMLIndividualType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Individual element";
  /// True for an "Individual" element and for the "FittestIndividual" of a GP domain
  /// ("GPDomain", or "Domain" inside "GeneticProgram").
  static bool Supports(TKXXMLNode Node) noexcept;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  std::string Name() const { return ReadString("Name"); }
  void SetName(std::string_view Value) const { WriteString("Name", Value); }
  float Fitness() const { return ReadSingle("Fitness"); }
  void SetFitness(float Value) const { WriteSingle("Fitness", Value); }
  TXMLDnaType DNA() const { return TXMLDnaType(ChildElement("DNA")); }
  ///@}
};

/// A population of programs: the collection of its "Individual" children.
class TXMLGPPopulation : public TXMLNode, public TXMLNodeCollection<TXMLIndividualType> {
 public:
  TXMLGPPopulation() noexcept : TXMLNodeCollection(TKXXMLNode(), "Individual") {}
  /// Wraps Node without checking its tag (XMLCast checks).
  explicit TXMLGPPopulation(TKXXMLNode Node) noexcept
      : TXMLNode(Node), TXMLNodeCollection(Node, "Individual") {}
  /// What cast errors call an element of this wrapper type.
  static constexpr const char* TypeName = "Population element";
  /// True for an element with the tag this wrapper type is used for.
  static bool Supports(TKXXMLNode Node) noexcept { return IsElement(Node, "Population"); }

  /// The individuals, as the list of the "Individual" children.
  TXMLNodeCollection<TXMLIndividualType> Individual() const { return *this; }
};

/// The domain of a genetic program (root "GPDomain", or "Domain" inside "GeneticProgram").
class TXMLGPDomainType : public TXMLNode {
 public:
  using TXMLNode::TXMLNode;

  ///@{
  /// The child elements of the same names, read and written as the types shown (created
  /// on first access).
  TXMLGPInstructions Instructions() const {
    return TXMLGPInstructions(ChildElement("Instructions"));
  }
  TXMLIndividualType FittestIndividual() const {
    return TXMLIndividualType(ChildElement("FittestIndividual"));
  }
  TXMLGPPopulation Population() const { return TXMLGPPopulation(ChildElement("Population")); }
  ///@}
};

/// Document functions. GetGPDomain, LoadGPDomain and NewGPDomain use the root "GPDomain".
/// GetGPInstructions and GetGPPopulation bind documents whose root is "Instructions" or
/// "Population"; their Load and New forms, however, use the root "GPDomain" and wrap that
/// element as an instruction set or population (its children are then the lists).
TXMLGPDomainType GetGPDomain(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGPDomainType> LoadGPDomain(const std::string& FileName);
TXMLDocumentBinding<TXMLGPDomainType> NewGPDomain();
TXMLGPInstructions GetGPInstructions(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGPInstructions> LoadGPInstructions(const std::string& FileName);
TXMLDocumentBinding<TXMLGPInstructions> NewGPInstructions();
TXMLGPPopulation GetGPPopulation(TKXXMLDocument& Doc);
TXMLDocumentBinding<TXMLGPPopulation> LoadGPPopulation(const std::string& FileName);
TXMLDocumentBinding<TXMLGPPopulation> NewGPPopulation();

/// The interface names of the wrappers are the classes themselves.
using IXMLInstructionType = TXMLInstructionType;
using IXMLFunctionInstructionType = TXMLFunctionInstructionType;
using IXMLDecimalConstantInstructionType = TXMLDecimalConstantInstructionType;
using IXMLVariantConstantInstructionType = TXMLVariantConstantInstructionType;
using IXMLConstantInstructionType = TXMLConstantInstructionType;
using IXMLIntegerConstantInstructionType = TXMLIntegerConstantInstructionType;
using IXMLVariableInstructionType = TXMLVariableInstructionType;
using IXMLGPInstructions = TXMLGPInstructions;
using IXMLDnaType = TXMLDnaType;
using IXMLIndividualType = TXMLIndividualType;
using IXMLGPPopulation = TXMLGPPopulation;
using IXMLGPDomainType = TXMLGPDomainType;

}  // namespace kx
