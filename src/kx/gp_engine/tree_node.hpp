#pragma once

#include <memory>
#include <vector>

#include "kx/gp_engine/node.hpp"

namespace kx {

/// A node with any number of children, kept in order.
template <class T>
class TKXGPTreeNode : public TKXGPNode<T> {
 public:
  using typename TKXGPNode<T>::TNodePtr;

  /// A detached node referring to aInstruction (may be nullptr), without children.
  explicit TKXGPTreeNode(TKXGPInstruction<T>* aInstruction = nullptr)
      : TKXGPNode<T>(aInstruction) {}
  ~TKXGPTreeNode() override;

  /// The class name.
  std::string ClassName() const override { return "TKXGPTreeNode"; }

  /// @copydoc kx::TKXGPNode::CreateNode
  TNodePtr CreateNode(TKXGPInstruction<T>* aInstruction) const override;
  /// Appends Node.
  TKXGPNode<T>* AddChild(TNodePtr&& Node) override;
  /// Inserts Node at Index (0 to ChildCount); another index raises EListError.
  TKXGPNode<T>* InsertChild(int Index, TNodePtr&& Node) override;
  /// @copydoc kx::TKXGPNode::ExtractChild
  TNodePtr ExtractChild(TKXGPNode<T>* Node) override;
  /// Frees the children, then adds a deep copy of each node of List in order; the nodes of
  /// List stay with the caller.
  void SetChildren(const std::vector<TKXGPNode<T>*>& List);
  /// @copydoc kx::TKXGPNode::Clear
  void Clear() override;

 protected:
  /// @copydoc kx::TKXGPNode::GetChild
  TKXGPNode<T>* GetChild(int Index) const override;
  /// @copydoc kx::TKXGPNode::GetChildCount
  int GetChildCount() const noexcept override { return static_cast<int>(FChildren.size()); }
  /// @copydoc kx::TKXGPNode::ReleaseChildren
  void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept override;

 private:
  void FreeChildren() noexcept;
  /// Republishes the child list after it changed.
  void ChildrenChanged() noexcept {
    const auto count = static_cast<int>(FChildren.size());
    this->SetChildView(FChildren.data(), count, count);
  }

  std::vector<TNodePtr> FChildren;
};

}  // namespace kx
