#pragma once

#include <memory>
#include <vector>

#include "kx/gp_engine/node.hpp"

namespace kx {

/// A node with at most two children: child 0 is the left side, child 1 the right side.
/// Adding fills the left side first; a third child raises EGPException "Node cannot accept
/// anymore children".
template <class T>
class TKXGPBinaryNode : public TKXGPNode<T> {
 public:
  using typename TKXGPNode<T>::TNodePtr;

  explicit TKXGPBinaryNode(TKXGPInstruction<T>* aInstruction = nullptr)
      : TKXGPNode<T>(aInstruction) {}
  ~TKXGPBinaryNode() override;

  std::string ClassName() const override { return "TKXGPBinaryNode"; }

  TKXGPNode<T>* Left() const noexcept { return FLeft.get(); }
  TKXGPNode<T>* Right() const noexcept { return FRight.get(); }
  /// Frees the subtree on that side and installs a deep copy of Value (nullptr empties the
  /// side); the caller keeps Value. Nothing happens when Value already is that child.
  void SetLeft(const TKXGPNode<T>* Value);
  void SetRight(const TKXGPNode<T>* Value);

  TNodePtr CreateNode(TKXGPInstruction<T>* aInstruction) const override;
  TKXGPNode<T>* AddChild(TNodePtr&& Node) override;
  /// Index 0 is the left side, 1 the right side; other indices raise EListError. An occupant
  /// of the target side moves to the other side when that is empty, else it is freed.
  TKXGPNode<T>* InsertChild(int Index, TNodePtr&& Node) override;
  TNodePtr ExtractChild(TKXGPNode<T>* Node) override;
  void Clear() override;

 protected:
  TKXGPNode<T>* GetChild(int Index) const override;
  int GetChildCount() const noexcept override { return (FLeft ? 1 : 0) + (FRight ? 1 : 0); }
  int GetChildSlots() const noexcept override { return 2; }
  TKXGPNode<T>* ChildInSlot(int Slot) const noexcept override {
    return Slot == 0 ? FLeft.get() : FRight.get();
  }
  void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept override;
  /// A copy of a binary source's child keeps its side.
  void AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy) override;

 private:
  void SetSide(TNodePtr& Side, const TKXGPNode<T>* Value);
  static void FreeSide(TNodePtr& Side) noexcept;

  TNodePtr FRight;
  TNodePtr FLeft;
};

}  // namespace kx
