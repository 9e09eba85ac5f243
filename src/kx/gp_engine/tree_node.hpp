#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "kx/gp_engine/node.hpp"

namespace kx {

/// A node with any number of children, kept in order. Up to two children live inside the
/// node itself: most programs are built of binary functions, and a child list of its own
/// would cost every inner node a second allocation and a second cache line on every walk.
template <class T>
class TKXGPTreeNode : public TKXGPNode<T> {
 public:
  using typename TKXGPNode<T>::TNodePtr;

  /// A detached node referring to aInstruction (may be nullptr), without children.
  explicit TKXGPTreeNode(TKXGPInstruction<T>* aInstruction = nullptr) : TKXGPNode<T>(aInstruction) {
    ChildrenChanged(0);
  }
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
  /// Replaces the children by deep copies of the nodes of List, in order (nullptr entries
  /// skipped). The nodes of List stay with the caller; they may be this node's own children
  /// or nodes below them. A copy that fails leaves the node as it was.
  void SetChildren(const std::vector<TKXGPNode<T>*>& List);
  /// @copydoc kx::TKXGPNode::Clear
  void Clear() override;

 protected:
  /// @copydoc kx::TKXGPNode::GetChild
  TKXGPNode<T>* GetChild(int Index) const override;
  /// @copydoc kx::TKXGPNode::GetChildCount
  int GetChildCount() const noexcept override { return this->ChildCount(); }
  /// @copydoc kx::TKXGPNode::ReleaseChildren
  void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept override;
  /// Appends the copy without InsertChild's checks (a copy is detached by construction);
  /// through AddChild for a class that is not the library's.
  void AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy) override;

 private:
  static constexpr int kInlineChildren = 2;

  void FreeChildren() noexcept;
  bool OnHeap() const noexcept { return FCapacity > kInlineChildren; }
  TNodePtr* Children() noexcept { return OnHeap() ? FStorage.Heap.get() : FStorage.Inline; }
  /// Room for Count children, moving the list to a larger heap block when full.
  void Reserve(int Count);
  /// Stores Node (detached) as the child at Index (0 to ChildCount) and adopts it; the
  /// caches are the caller's.
  TKXGPNode<T>* Place(int Index, TNodePtr&& Node);
  /// Publishes the child list after it changed.
  void ChildrenChanged(int Count) noexcept { this->SetChildView(Children(), Count, Count); }

  /// Declared first, so that it fills the base's tail padding and a node with its two
  /// inline children takes 80 bytes.
  std::int32_t FCapacity = kInlineChildren;
  /// The children: inline up to kInlineChildren, then in a heap block of FCapacity.
  union TStorage {
    TNodePtr Inline[kInlineChildren];
    std::unique_ptr<TNodePtr[]> Heap;
    TStorage() noexcept : Inline{} {}
    ~TStorage() {}
  } FStorage;
};

}  // namespace kx
