#pragma once

#include <cstdint>
#include <string_view>

namespace kx {

namespace detail {
/// What a node handle points at; only the XML layer's sources know it.
struct TXMLNodeData;
}  // namespace detail

/// The kinds of node a document tree holds.
enum class TXMLNodeType : std::uint8_t {
  ntNull,  ///< no node (a null handle)
  ntDocument,
  ntElement,
  ntText,
  ntCData,
  ntComment,
  ntProcessingInstruction,
  ntDeclaration,
  ntDocType
};

/// A handle on one node of the tree a TKXXMLDocument owns: the element, text, declaration or
/// document node through which the wrappers and their users reach the tree. Copying a handle
/// copies the reference, not the node; the document must outlive it, and nodes taken from a
/// document before it loads again are invalid. A null handle (default-constructed, or what a
/// look-up that finds nothing returns) is safe to query: it has no name, value, relatives or
/// attributes.
class TKXXMLNode {
 public:
  /// A null handle.
  TKXXMLNode() noexcept = default;

  /// True unless the handle is null.
  explicit operator bool() const noexcept { return FHandle != nullptr; }
  /// Two handles are equal when they reach the same node (or are both null).
  friend bool operator==(TKXXMLNode A, TKXXMLNode B) noexcept { return A.FHandle == B.FHandle; }

  /// The kind of node (ntNull for a null handle).
  TXMLNodeType NodeType() const noexcept;
  /// The tag of an element or the target of a declaration; empty for other nodes.
  std::string_view NodeName() const noexcept;
  /// The text of a text, CDATA or comment node; empty for other nodes (an element's text is
  /// ElementText).
  std::string_view NodeValue() const noexcept;

  ///@{
  /// Relatives: null when there is none.
  TKXXMLNode Parent() const noexcept;
  TKXXMLNode FirstChild() const noexcept;
  TKXXMLNode LastChild() const noexcept;
  TKXXMLNode NextSibling() const noexcept;
  TKXXMLNode PreviousSibling() const noexcept;
  ///@}
  /// The first child element with Tag. Unlike the wrappers' members it creates nothing.
  TKXXMLNode Child(const char* Tag) const noexcept;
  /// The next sibling element with Tag.
  TKXXMLNode NextSibling(const char* Tag) const noexcept;
  /// The document node of the tree that holds this node.
  TKXXMLNode OwnerDocument() const noexcept;

  ///@{
  /// Attributes of an element (or declaration), in document order. A missing attribute reads
  /// as empty text.
  bool HasAttribute(const char* Name) const noexcept;
  std::string_view Attribute(const char* Name) const noexcept;
  int AttributeCount() const noexcept;
  ///@}
  /// Sets the attribute Name, appending it after the others when it is missing; EXMLError on
  /// a null handle or a node that cannot carry attributes.
  void SetAttribute(const char* Name, std::string_view Value) const;

 private:
  friend struct TXMLNodeAccess;
  explicit TKXXMLNode(detail::TXMLNodeData* Handle) noexcept : FHandle(Handle) {}

  detail::TXMLNodeData* FHandle = nullptr;
};

}  // namespace kx
