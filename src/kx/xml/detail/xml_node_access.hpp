#pragma once

/// @file
/// The passage between node handles and the parser's own nodes, for the XML layer's sources
/// only: neither this header nor the parser's is installed, so that no user of the library
/// handles the parser's types.

#include <pugixml.hpp>

#include "kx/xml/kx_xml_node.hpp"

namespace kx {

/// Converts between TKXXMLNode and the parser's node, which is itself one pointer: a handle
/// carries that pointer, cast to an opaque type and only ever cast back.
struct TXMLNodeAccess {
  static pugi::xml_node Parsed(TKXXMLNode Node) noexcept {
    return pugi::xml_node(reinterpret_cast<pugi::xml_node_struct*>(Node.FHandle));
  }
  static TKXXMLNode Handle(pugi::xml_node Node) noexcept {
    return TKXXMLNode(reinterpret_cast<detail::TXMLNodeData*>(Node.internal_object()));
  }
};

/// The parser's node behind Node.
inline pugi::xml_node ParsedNode(TKXXMLNode Node) noexcept { return TXMLNodeAccess::Parsed(Node); }
/// The handle on the parser's Node.
inline TKXXMLNode NodeHandle(pugi::xml_node Node) noexcept { return TXMLNodeAccess::Handle(Node); }

}  // namespace kx
