#include "kx/xml/xml_lists.hpp"

#include "kx/host/exceptions.hpp"
#include "kx/xml/xml_error.hpp"
#include "kx/xml/xml_node.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

namespace {

[[noreturn]] void IndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

pugi::xml_node BoundParent(pugi::xml_node Parent) {
  if (!Parent) throw EXMLError("The list is not bound to an element");
  return Parent;
}

// The text of a list item, which must have one: an empty item is not read as 0.
template <class F>
auto ReadItem(pugi::xml_node Item, F Convert) {
  std::string_view Text = ElementText(Item);
  try {
    return Convert(Text);
  } catch (const EConvertError& E) {
    throw EConvertError(std::string(E.what()) + " in list item \"" + Item.name() + "\"");
  }
}

}  // namespace

int CountChildElements(pugi::xml_node Parent, const char* Tag) noexcept {
  int Count = 0;
  for (pugi::xml_node Child = Parent.child(Tag); Child; Child = Child.next_sibling(Tag)) ++Count;
  return Count;
}

pugi::xml_node AppendChildElement(pugi::xml_node Parent, const char* Tag) {
  return BoundParent(Parent).append_child(Tag);
}

pugi::xml_node ChildElementAt(pugi::xml_node Parent, const char* Tag, int Index) {
  if (Index >= 0) {
    int I = 0;
    for (pugi::xml_node Child = Parent.child(Tag); Child; Child = Child.next_sibling(Tag)) {
      if (I++ == Index) return Child;
    }
  }
  IndexError(Index);
}

pugi::xml_node InsertChildElementAt(pugi::xml_node Parent, const char* Tag, int Index) {
  BoundParent(Parent);
  if (Index >= 0) {
    int I = 0;
    for (pugi::xml_node Child = Parent.child(Tag); Child; Child = Child.next_sibling(Tag)) {
      if (I++ == Index) return Parent.insert_child_before(Tag, Child);
    }
    if (I == Index) return Parent.append_child(Tag);
  }
  IndexError(Index);
}

void RemoveChildElements(pugi::xml_node Parent, const char* Tag) {
  while (pugi::xml_node Child = Parent.child(Tag)) RemoveNode(Child);
}

std::string TXMLStringItem::Read(pugi::xml_node Item) { return std::string(ElementText(Item)); }

void TXMLStringItem::Write(pugi::xml_node Item, const std::string& Value) {
  SetElementText(Item, Value);
}

std::int32_t TXMLInt32Item::Read(pugi::xml_node Item) { return ReadItem(Item, XMLTextToInt32); }

void TXMLInt32Item::Write(pugi::xml_node Item, std::int32_t Value) {
  SetElementText(Item, Int32ToXMLText(Value));
}

float TXMLSingleItem::Read(pugi::xml_node Item) { return ReadItem(Item, XMLTextToSingle); }

void TXMLSingleItem::Write(pugi::xml_node Item, float Value) {
  SetElementText(Item, SingleToXMLText(Value));
}

bool TXMLBooleanItem::Read(pugi::xml_node Item) { return ReadItem(Item, XMLTextToBoolean); }

void TXMLBooleanItem::Write(pugi::xml_node Item, bool Value) {
  SetElementText(Item, BooleanToXMLText(Value));
}

}  // namespace kx
