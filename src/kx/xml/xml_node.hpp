#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "kx/xml/kx_xml_node.hpp"

namespace kx {

/// Removes Node and its whole subtree from its parent. The removal does not recurse, so a program
/// tree nested a million levels deep is freed without exhausting the stack.
void RemoveNode(TKXXMLNode Node);
/// Removes every child of Node (elements, text, everything) the same way.
void RemoveChildNodes(TKXXMLNode Node);

/// The text value of an element: its first text child, or empty.
std::string_view ElementText(TKXXMLNode Element) noexcept;
/// Replaces the element's content by Text (no content at all for an empty text).
void SetElementText(TKXXMLNode Element, std::string_view Text);

/// The base of every element wrapper: a lightweight handle on one element of a document
/// (copying a wrapper copies the handle, not the element). The document must outlive it.
///
/// Members of an element are its children. A simple value or child element is the first
/// child with its tag; when there is none, an empty one is appended at the end of the
/// children, by getters as well as setters, so the order of elements in a document written
/// from scratch is the order in which they were first touched. Reading a simple value that
/// has no text yields the empty value of its type (0, false, empty text); text that does
/// not convert raises EConvertError naming the element.
class TXMLNode {
 public:
  /// An unbound wrapper; members that reach the element raise EXMLError until one is assigned.
  TXMLNode() noexcept = default;
  /// Wraps Node without checking its tag (XMLCast checks).
  explicit TXMLNode(TKXXMLNode Node) noexcept : FNode(Node) {}

  /// The wrapped element (null for a default-constructed wrapper).
  TKXXMLNode Node() const noexcept { return FNode; }
  /// The document node that holds the element.
  TKXXMLNode OwnerDocument() const noexcept { return FNode.OwnerDocument(); }
  /// The element's tag.
  std::string_view NodeName() const noexcept { return FNode.NodeName(); }
  /// True when the wrapper is bound to an element.
  explicit operator bool() const noexcept { return static_cast<bool>(FNode); }
  /// Two wrappers are equal when they handle the same element (or are both unbound).
  friend bool operator==(const TXMLNode& A, const TXMLNode& B) noexcept {
    return A.FNode == B.FNode;
  }

  /// The first child element with Tag, appended empty when there is none. Raises EXMLError
  /// when the wrapper is not bound to an element.
  TKXXMLNode ChildElement(const char* Tag) const;

 protected:
  ///@{
  /// The text of the child element Tag, and its replacement.
  std::string ReadString(const char* Tag) const;
  void WriteString(const char* Tag, std::string_view Value) const;
  ///@}
  ///@{
  /// Integer children in decimal.
  std::int32_t ReadInt32(const char* Tag) const;
  void WriteInt32(const char* Tag, std::int32_t Value) const;
  std::uint32_t ReadUInt32(const char* Tag) const;
  void WriteUInt32(const char* Tag, std::uint32_t Value) const;
  ///@}
  ///@{
  /// 32-bit floats: read as double and narrowed, written narrowed.
  float ReadSingle(const char* Tag) const;
  void WriteSingle(const char* Tag, float Value) const;
  ///@}
  ///@{
  /// 64-bit float children, written in the shortest text that reads back exactly.
  double ReadDouble(const char* Tag) const;
  void WriteDouble(const char* Tag, double Value) const;
  ///@}
  ///@{
  /// Boolean children, written "true" or "false"; any text other than "true" (in any letter
  /// case) reads as false.
  bool ReadBoolean(const char* Tag) const;
  void WriteBoolean(const char* Tag, bool Value) const;
  ///@}

  ///@{
  /// Attributes are not created by reading: a missing one reads as empty text or 0.
  bool HasAttribute(const char* Name) const noexcept;
  std::string ReadStringAttribute(const char* Name) const;
  void WriteStringAttribute(const char* Name, std::string_view Value) const;
  std::int32_t ReadInt32Attribute(const char* Name) const;
  void WriteInt32Attribute(const char* Name, std::int32_t Value) const;
  ///@}

 private:
  TKXXMLNode Bound() const;

  TKXXMLNode FNode;
};

/// Raises EXMLError: Node is not an element of the wrapper type TypeName.
[[noreturn]] void XMLCastError(TKXXMLNode Node, const char* TypeName);

/// Node wrapped as TWrapper when TWrapper::Supports(Node) holds (the element has one of the
/// tags the wrapper type is used for); EXMLError otherwise.
template <class TWrapper>
TWrapper XMLCast(TKXXMLNode Node) {
  if (!TWrapper::Supports(Node)) XMLCastError(Node, TWrapper::TypeName);
  return TWrapper(Node);
}

/// True when Node is an element whose tag is Tag.
bool IsElement(TKXXMLNode Node, const char* Tag) noexcept;

}  // namespace kx
