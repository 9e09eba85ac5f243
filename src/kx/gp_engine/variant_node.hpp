#pragma once

#include <string>
#include <string_view>

#include "kx/gp_engine/tree_node.hpp"
#include "kx/host/variant.hpp"

namespace kx {

/// An n-ary node of variant programs: a constant prints the variant's text, a variable its
/// instruction's name. Documents read a value as text and write it as float text.
class TKXGPVariantNode : public TKXGPTreeNode<TKXVariant> {
 public:
  using TKXGPTreeNode<TKXVariant>::TKXGPTreeNode;
  /// The class name.
  std::string ClassName() const override { return "TKXGPVariantNode"; }

  /// @copydoc kx::TKXGPNode::CreateNode
  TNodePtr CreateNode(TKXGPInstruction<TKXVariant>* aInstruction) const override;
  /// @copydoc kx::TKXGPNode::ValueToString
  std::string ValueToString() const override;
  /// The value becomes the text itself, as a text variant.
  void LoadValueFromXML(std::string_view Value) override;
  /// The value converted to a float, as float text; a value without a numeric conversion
  /// raises the variant conversion error.
  bool SaveValueToXML(std::string& Value) const override;
};

}  // namespace kx
