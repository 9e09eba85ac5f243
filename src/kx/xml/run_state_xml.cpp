#include "kx/xml/run_state_xml.hpp"

namespace kx {

namespace {

constexpr const char* kTag = "RunState";

}  // namespace

std::optional<TXMLRunStateType> FindRunState(const TXMLNode& Root) {
  if (!Root) return std::nullopt;
  const TKXXMLNode node = Root.Node().Child(kTag);
  if (!node) return std::nullopt;
  return TXMLRunStateType(node);
}

TXMLRunStateType NewRunState(const TXMLNode& Root) {
  const TKXXMLNode node = Root.ChildElement(kTag);
  RemoveChildNodes(node);
  return TXMLRunStateType(node);
}

}  // namespace kx
