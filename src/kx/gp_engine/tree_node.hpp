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

  explicit TKXGPTreeNode(TKXGPInstruction<T>* aInstruction = nullptr)
      : TKXGPNode<T>(aInstruction) {}
  ~TKXGPTreeNode() override;

  std::string ClassName() const override { return "TKXGPTreeNode"; }

  TNodePtr CreateNode(TKXGPInstruction<T>* aInstruction) const override;
  /// Appends Node.
  TKXGPNode<T>* AddChild(TNodePtr&& Node) override;
  /// Inserts Node at Index (0 to ChildCount); another index raises EListError.
  TKXGPNode<T>* InsertChild(int Index, TNodePtr&& Node) override;
  TNodePtr ExtractChild(TKXGPNode<T>* Node) override;
  /// Frees the children, then adds a deep copy of each node of List in order; the nodes of
  /// List stay with the caller.
  void SetChildren(const std::vector<TKXGPNode<T>*>& List);
  void Clear() override;

 protected:
  TKXGPNode<T>* GetChild(int Index) const override;
  int GetChildCount() const noexcept override { return static_cast<int>(FChildren.size()); }
  TKXGPNode<T>* ChildInSlot(int Slot) const noexcept override { return FChildren[Slot].get(); }
  void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept override;

 private:
  void FreeChildren() noexcept;

  std::vector<TNodePtr> FChildren;
};

}  // namespace kx
