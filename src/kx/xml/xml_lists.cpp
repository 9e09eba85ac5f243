#include "kx/xml/xml_lists.hpp"

#include "kx/host/exceptions.hpp"
#include "kx/xml/detail/xml_node_access.hpp"
#include "kx/xml/xml_error.hpp"
#include "kx/xml/xml_node.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

namespace {

[[noreturn]] void IndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

TKXXMLNode BoundParent(TKXXMLNode Parent) {
  if (!Parent) throw EXMLError("The list is not bound to an element");
  return Parent;
}

// The text of a list item, which must have one: an empty item is not read as 0.
template <class F>
auto ReadItem(TKXXMLNode Item, F Convert) {
  std::string_view Text = ElementText(Item);
  try {
    return Convert(Text);
  } catch (const EConvertError& E) {
    throw EConvertError(std::string(E.what()) + " in list item \"" + std::string(Item.NodeName()) +
                        "\"");
  }
}

}  // namespace

int CountChildElements(TKXXMLNode Parent, const char* Tag) noexcept {
  int Count = 0;
  for (TKXXMLNode Child = Parent.Child(Tag); Child; Child = Child.NextSibling(Tag)) ++Count;
  return Count;
}

TKXXMLNode AppendChildElement(TKXXMLNode Parent, const char* Tag) {
  return NodeHandle(ParsedNode(BoundParent(Parent)).append_child(Tag));
}

TKXXMLNode ChildElementAt(TKXXMLNode Parent, const char* Tag, int Index) {
  if (Index >= 0) {
    int I = 0;
    for (TKXXMLNode Child = Parent.Child(Tag); Child; Child = Child.NextSibling(Tag)) {
      if (I++ == Index) return Child;
    }
  }
  IndexError(Index);
}

TKXXMLNode InsertChildElementAt(TKXXMLNode Parent, const char* Tag, int Index) {
  BoundParent(Parent);
  if (Index >= 0) {
    int I = 0;
    for (TKXXMLNode Child = Parent.Child(Tag); Child; Child = Child.NextSibling(Tag)) {
      if (I++ == Index)
        return NodeHandle(ParsedNode(Parent).insert_child_before(Tag, ParsedNode(Child)));
    }
    if (I == Index) return NodeHandle(ParsedNode(Parent).append_child(Tag));
  }
  IndexError(Index);
}

void RemoveChildElements(TKXXMLNode Parent, const char* Tag) {
  while (TKXXMLNode Child = Parent.Child(Tag)) RemoveNode(Child);
}

std::string TXMLStringItem::Read(TKXXMLNode Item) { return std::string(ElementText(Item)); }

void TXMLStringItem::Write(TKXXMLNode Item, const std::string& Value) {
  SetElementText(Item, Value);
}

std::int32_t TXMLInt32Item::Read(TKXXMLNode Item) { return ReadItem(Item, XMLTextToInt32); }

void TXMLInt32Item::Write(TKXXMLNode Item, std::int32_t Value) {
  SetElementText(Item, Int32ToXMLText(Value));
}

float TXMLSingleItem::Read(TKXXMLNode Item) { return ReadItem(Item, XMLTextToSingle); }

void TXMLSingleItem::Write(TKXXMLNode Item, float Value) {
  SetElementText(Item, SingleToXMLText(Value));
}

bool TXMLBooleanItem::Read(TKXXMLNode Item) { return ReadItem(Item, XMLTextToBoolean); }

void TXMLBooleanItem::Write(TKXXMLNode Item, bool Value) {
  SetElementText(Item, BooleanToXMLText(Value));
}

}  // namespace kx
