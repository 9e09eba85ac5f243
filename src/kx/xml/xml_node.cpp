#include "kx/xml/xml_node.hpp"

#include "kx/host/exceptions.hpp"
#include "kx/xml/detail/xml_node_access.hpp"
#include "kx/xml/xml_error.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

namespace {

// Runs Convert on the text and adds the place of a value that does not convert (Kind
// "element" or "attribute", and its name) to the conversion error, so that a bad number in
// a large document can be found.
template <class F>
auto Converted(std::string_view Text, const char* Kind, const char* Name, F Convert) {
  try {
    return Convert(Text);
  } catch (const EConvertError& E) {
    throw EConvertError(std::string(E.what()) + " in " + Kind + " \"" + Name + "\"");
  }
}

}  // namespace

void RemoveNode(TKXXMLNode Handle) {
  const pugi::xml_node Node = ParsedNode(Handle);
  if (!Node) return;
  // Take the subtree apart from its leaves up: removing a leaf never recurses.
  pugi::xml_node Current = Node;
  for (;;) {
    while (pugi::xml_node Last = Current.last_child()) Current = Last;
    if (Current == Node) break;
    pugi::xml_node Parent = Current.parent();
    Parent.remove_child(Current);
    Current = Parent;
  }
  Node.parent().remove_child(Node);
}

void RemoveChildNodes(TKXXMLNode Node) {
  while (TKXXMLNode Child = Node.FirstChild()) RemoveNode(Child);
}

std::string_view ElementText(TKXXMLNode Element) noexcept {
  return ParsedNode(Element).text().get();
}

void SetElementText(TKXXMLNode Element, std::string_view Text) {
  RemoveChildNodes(Element);
  if (Text.empty()) return;
  ParsedNode(Element).append_child(pugi::node_pcdata).set_value(Text.data(), Text.size());
}

void XMLCastError(TKXXMLNode Node, const char* TypeName) {
  if (Node.NodeType() != TXMLNodeType::ntElement) {
    throw EXMLError(std::string("A node that is not an element cannot be a ") + TypeName);
  }
  throw EXMLError("The element \"" + std::string(Node.NodeName()) + "\" is not a " + TypeName);
}

bool IsElement(TKXXMLNode Node, const char* Tag) noexcept {
  return Node.NodeType() == TXMLNodeType::ntElement && Node.NodeName() == Tag;
}

TKXXMLNode TXMLNode::Bound() const {
  if (!FNode) throw EXMLError("The element wrapper is not bound to an element");
  return FNode;
}

TKXXMLNode TXMLNode::ChildElement(const char* Tag) const {
  pugi::xml_node Element = ParsedNode(Bound());
  const pugi::xml_node Child = Element.child(Tag);
  return NodeHandle(Child ? Child : Element.append_child(Tag));
}

std::string TXMLNode::ReadString(const char* Tag) const {
  return std::string(ElementText(ChildElement(Tag)));
}

void TXMLNode::WriteString(const char* Tag, std::string_view Value) const {
  SetElementText(ChildElement(Tag), Value);
}

std::int32_t TXMLNode::ReadInt32(const char* Tag) const {
  std::string_view Text = ElementText(ChildElement(Tag));
  if (XMLTextIsBlank(Text)) return 0;
  return Converted(Text, "element", Tag, XMLTextToInt32);
}

void TXMLNode::WriteInt32(const char* Tag, std::int32_t Value) const {
  WriteString(Tag, Int32ToXMLText(Value));
}

std::uint32_t TXMLNode::ReadUInt32(const char* Tag) const {
  std::string_view Text = ElementText(ChildElement(Tag));
  if (XMLTextIsBlank(Text)) return 0;
  return Converted(Text, "element", Tag, XMLTextToUInt32);
}

void TXMLNode::WriteUInt32(const char* Tag, std::uint32_t Value) const {
  WriteString(Tag, UInt32ToXMLText(Value));
}

float TXMLNode::ReadSingle(const char* Tag) const {
  std::string_view Text = ElementText(ChildElement(Tag));
  if (XMLTextIsBlank(Text)) return 0.0f;
  return Converted(Text, "element", Tag, XMLTextToSingle);
}

void TXMLNode::WriteSingle(const char* Tag, float Value) const {
  WriteString(Tag, SingleToXMLText(Value));
}

double TXMLNode::ReadDouble(const char* Tag) const {
  std::string_view Text = ElementText(ChildElement(Tag));
  if (XMLTextIsBlank(Text)) return 0.0;
  return Converted(Text, "element", Tag, XMLTextToDouble);
}

void TXMLNode::WriteDouble(const char* Tag, double Value) const {
  WriteString(Tag, DoubleToXMLText(Value));
}

bool TXMLNode::ReadBoolean(const char* Tag) const {
  return XMLTextIsTrue(ElementText(ChildElement(Tag)));
}

void TXMLNode::WriteBoolean(const char* Tag, bool Value) const {
  WriteString(Tag, BooleanToXMLText(Value));
}

bool TXMLNode::HasAttribute(const char* Name) const noexcept { return FNode.HasAttribute(Name); }

std::string TXMLNode::ReadStringAttribute(const char* Name) const {
  return std::string(Bound().Attribute(Name));
}

void TXMLNode::WriteStringAttribute(const char* Name, std::string_view Value) const {
  Bound().SetAttribute(Name, Value);
}

std::int32_t TXMLNode::ReadInt32Attribute(const char* Name) const {
  std::string_view Text = Bound().Attribute(Name);
  if (XMLTextIsBlank(Text)) return 0;
  return Converted(Text, "attribute", Name, XMLTextToInt32);
}

void TXMLNode::WriteInt32Attribute(const char* Name, std::int32_t Value) const {
  WriteStringAttribute(Name, Int32ToXMLText(Value));
}

}  // namespace kx
