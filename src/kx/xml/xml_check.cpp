#include "kx/xml/xml_check.hpp"

#include <cstring>
#include <string_view>
#include <vector>

#include "kx/host/exceptions.hpp"
#include "kx/xml/detail/xml_node_access.hpp"
#include "kx/xml/xml_error.hpp"
#include "kx/xml/xml_node.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

namespace {

// "Tag" or "Tag[k]" for an element among its siblings.
std::string Step(pugi::xml_node Node) {
  std::string step = Node.name();
  int position = 0;
  int count = 0;
  for (pugi::xml_node sibling = Node.parent().child(Node.name()); sibling;
       sibling = sibling.next_sibling(Node.name())) {
    ++count;
    if (sibling == Node) position = count;
  }
  if (count > 1) {
    // Appended piece by piece: "[" + std::to_string(...) trips a false -Wrestrict in GCC 12 at -O3.
    step += '[';
    step += std::to_string(position);
    step += ']';
  }
  return step;
}

template <class F>
auto ConvertAt(std::string_view Text, TKXXMLNode Node, const char* Attribute, F Convert) {
  try {
    return Convert(Text);
  } catch (const EConvertError& E) {
    throw EConvertError(std::string(E.what()) + " at " +
                        (Attribute ? AttributePath(Node, Attribute) : ElementPath(Node)));
  }
}

}  // namespace

std::string ElementPath(TKXXMLNode Handle) {
  pugi::xml_node Node = ParsedNode(Handle);
  std::vector<std::string> steps;
  for (; Node && Node.type() == pugi::node_element; Node = Node.parent())
    steps.push_back(Step(Node));
  std::string path;
  for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
    if (!path.empty()) path += '/';
    path += *it;
  }
  return path;
}

std::string AttributePath(TKXXMLNode Element, const char* Attribute) {
  return ElementPath(Element) + "/@" + Attribute;
}

void CheckValues(TKXXMLNode Element, std::initializer_list<TXMLValueCheck> Checks) {
  for (const TXMLValueCheck& check : Checks) {
    const TKXXMLNode node = NodeHandle(ParsedNode(Element).first_element_by_path(check.Path));
    const std::string_view text = ElementText(node);
    if (!node || XMLTextIsBlank(text)) continue;
    switch (check.Kind) {
      case TXMLValueKind::vkInt32:
        ConvertAt(text, node, nullptr, XMLTextToInt32);
        break;
      case TXMLValueKind::vkUInt32:
        ConvertAt(text, node, nullptr, XMLTextToUInt32);
        break;
      case TXMLValueKind::vkSingle:
        ConvertAt(text, node, nullptr, XMLTextToSingle);
        break;
      case TXMLValueKind::vkDouble:
        ConvertAt(text, node, nullptr, XMLTextToDouble);
        break;
    }
  }
}

std::int32_t CheckedInt32Attribute(TKXXMLNode Element, const char* Attribute) {
  const std::string_view text = Element.Attribute(Attribute);
  if (XMLTextIsBlank(text)) return 0;
  return ConvertAt(text, Element, Attribute, XMLTextToInt32);
}

std::int32_t CheckedInt32Element(TKXXMLNode Element, const char* Tag) {
  const TKXXMLNode node = Element.Child(Tag);
  const std::string_view text = ElementText(node);
  if (XMLTextIsBlank(text)) return 0;
  return ConvertAt(text, node, nullptr, XMLTextToInt32);
}

bool SameContent(TKXXMLNode A, TKXXMLNode B) {
  // Both trees are walked side by side without recursion: program trees nest deeply.
  std::vector<std::pair<pugi::xml_node, pugi::xml_node>> stack{{ParsedNode(A), ParsedNode(B)}};
  bool root = true;
  while (!stack.empty()) {
    auto [a, b] = stack.back();
    stack.pop_back();
    if (a.type() != b.type() || std::strcmp(a.value(), b.value()) != 0) return false;
    if (!root && std::strcmp(a.name(), b.name()) != 0) return false;
    root = false;
    pugi::xml_attribute x = a.first_attribute();
    pugi::xml_attribute y = b.first_attribute();
    for (; x && y; x = x.next_attribute(), y = y.next_attribute()) {
      if (std::strcmp(x.name(), y.name()) != 0 || std::strcmp(x.value(), y.value()) != 0)
        return false;
    }
    if (x || y) return false;
    pugi::xml_node c = a.first_child();
    pugi::xml_node d = b.first_child();
    for (; c && d; c = c.next_sibling(), d = d.next_sibling()) stack.emplace_back(c, d);
    if (c || d) return false;
  }
  return true;
}

std::int32_t IndexOfSameContent(TKXXMLNode Item, TKXXMLNode List, const char* ItemTag) {
  if (!Item) return -1;
  std::int32_t index = 0;
  for (TKXXMLNode candidate = List.Child(ItemTag); candidate;
       candidate = candidate.NextSibling(ItemTag), ++index) {
    if (SameContent(Item, candidate)) return index;
  }
  return -1;
}

std::string Excerpt(std::string_view Text) {
  constexpr std::size_t Limit = 40;
  if (Text.size() <= Limit) return std::string(Text);
  return std::string(Text.substr(0, Limit)) + "...";
}

}  // namespace kx
