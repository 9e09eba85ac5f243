#include "kx/xml/kx_xml_node.hpp"

#include <string>

#include "kx/xml/detail/xml_node_access.hpp"
#include "kx/xml/xml_error.hpp"

namespace kx {

TXMLNodeType TKXXMLNode::NodeType() const noexcept {
  switch (ParsedNode(*this).type()) {
    case pugi::node_document:
      return TXMLNodeType::ntDocument;
    case pugi::node_element:
      return TXMLNodeType::ntElement;
    case pugi::node_pcdata:
      return TXMLNodeType::ntText;
    case pugi::node_cdata:
      return TXMLNodeType::ntCData;
    case pugi::node_comment:
      return TXMLNodeType::ntComment;
    case pugi::node_pi:
      return TXMLNodeType::ntProcessingInstruction;
    case pugi::node_declaration:
      return TXMLNodeType::ntDeclaration;
    case pugi::node_doctype:
      return TXMLNodeType::ntDocType;
    case pugi::node_null:
      break;
  }
  return TXMLNodeType::ntNull;
}

std::string_view TKXXMLNode::NodeName() const noexcept { return ParsedNode(*this).name(); }

std::string_view TKXXMLNode::NodeValue() const noexcept { return ParsedNode(*this).value(); }

TKXXMLNode TKXXMLNode::Parent() const noexcept { return NodeHandle(ParsedNode(*this).parent()); }

TKXXMLNode TKXXMLNode::FirstChild() const noexcept {
  return NodeHandle(ParsedNode(*this).first_child());
}

TKXXMLNode TKXXMLNode::LastChild() const noexcept {
  return NodeHandle(ParsedNode(*this).last_child());
}

TKXXMLNode TKXXMLNode::NextSibling() const noexcept {
  return NodeHandle(ParsedNode(*this).next_sibling());
}

TKXXMLNode TKXXMLNode::PreviousSibling() const noexcept {
  return NodeHandle(ParsedNode(*this).previous_sibling());
}

TKXXMLNode TKXXMLNode::Child(const char* Tag) const noexcept {
  return NodeHandle(ParsedNode(*this).child(Tag));
}

TKXXMLNode TKXXMLNode::NextSibling(const char* Tag) const noexcept {
  return NodeHandle(ParsedNode(*this).next_sibling(Tag));
}

TKXXMLNode TKXXMLNode::OwnerDocument() const noexcept {
  return NodeHandle(ParsedNode(*this).root());
}

bool TKXXMLNode::HasAttribute(const char* Name) const noexcept {
  return static_cast<bool>(ParsedNode(*this).attribute(Name));
}

std::string_view TKXXMLNode::Attribute(const char* Name) const noexcept {
  return ParsedNode(*this).attribute(Name).value();
}

int TKXXMLNode::AttributeCount() const noexcept {
  int Count = 0;
  for (pugi::xml_attribute A = ParsedNode(*this).first_attribute(); A; A = A.next_attribute()) {
    ++Count;
  }
  return Count;
}

void TKXXMLNode::SetAttribute(const char* Name, std::string_view Value) const {
  pugi::xml_node Node = ParsedNode(*this);
  pugi::xml_attribute Attribute = Node.attribute(Name);
  if (!Attribute) Attribute = Node.append_attribute(Name);
  if (!Attribute) {
    throw EXMLError(std::string("Cannot set the attribute \"") + Name + "\" of a node that is " +
                    "not an element");
  }
  Attribute.set_value(Value.data(), Value.size());
}

}  // namespace kx
