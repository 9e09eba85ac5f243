#pragma once

#include <string>
#include <string_view>

#include "kx/core/consts.hpp"
#include "kx/gp_engine/binary_node.hpp"
#include "kx/gp_engine/tree_node.hpp"

namespace kx {

/// An n-ary node of float programs: a constant prints and stores its value as float text
/// (at most 15 significant digits), a variable prints its instruction's name.
class TKXGPFloatNode : public TKXGPTreeNode<TGAFloat> {
 public:
  using TKXGPTreeNode<TGAFloat>::TKXGPTreeNode;
  /// The class name.
  std::string ClassName() const override { return "TKXGPFloatNode"; }

  /// @copydoc kx::TKXGPNode::CreateNode
  TNodePtr CreateNode(TKXGPInstruction<TGAFloat>* aInstruction) const override;
  /// @copydoc kx::TKXGPNode::ValueToString
  std::string ValueToString() const override;
  /// Strict conversion: text that is not a number raises EConvertError.
  void LoadValueFromXML(std::string_view Value) override;
  /// @copydoc kx::TKXGPNode::SaveValueToXML
  bool SaveValueToXML(std::string& Value) const override;
};

/// A binary node of float programs, printing and storing values as TKXGPFloatNode does.
class TKXGPBinaryFloatNode : public TKXGPBinaryNode<TGAFloat> {
 public:
  using TKXGPBinaryNode<TGAFloat>::TKXGPBinaryNode;
  /// The class name.
  std::string ClassName() const override { return "TKXGPBinaryFloatNode"; }

  /// @copydoc kx::TKXGPNode::CreateNode
  TNodePtr CreateNode(TKXGPInstruction<TGAFloat>* aInstruction) const override;
  /// @copydoc kx::TKXGPNode::ValueToString
  std::string ValueToString() const override;
  /// @copydoc kx::TKXGPNode::LoadValueFromXML
  void LoadValueFromXML(std::string_view Value) override;
  /// @copydoc kx::TKXGPNode::SaveValueToXML
  bool SaveValueToXML(std::string& Value) const override;
};

}  // namespace kx
