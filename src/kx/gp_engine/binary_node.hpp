#pragma once

#include <array>
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

  /// A detached node referring to aInstruction (may be nullptr), without children.
  explicit TKXGPBinaryNode(TKXGPInstruction<T>* aInstruction = nullptr)
      : TKXGPNode<T>(aInstruction) {
    this->SetChildView(FSides.data(), 2, 0);
    this->MarkSided();
  }
  ~TKXGPBinaryNode() override;

  /// The class name.
  std::string ClassName() const override { return "TKXGPBinaryNode"; }

  /// The left child, or nullptr.
  TKXGPNode<T>* Left() const noexcept { return FSides[0].get(); }
  /// The right child, or nullptr.
  TKXGPNode<T>* Right() const noexcept { return FSides[1].get(); }
  /// Frees the subtree on that side and installs a deep copy of Value (nullptr empties the
  /// side); the caller keeps Value. Nothing happens when Value already is that child.
  void SetLeft(const TKXGPNode<T>* Value);
  /// @copydoc SetLeft
  void SetRight(const TKXGPNode<T>* Value);

  /// @copydoc kx::TKXGPNode::CreateNode
  TNodePtr CreateNode(TKXGPInstruction<T>* aInstruction) const override;
  /// @copydoc kx::TKXGPNode::AddChild
  TKXGPNode<T>* AddChild(TNodePtr&& Node) override;
  /// Index 0 is the left side, 1 the right side; other indices raise EListError. An occupant
  /// of the target side moves to the other side when that is empty, else it is freed.
  TKXGPNode<T>* InsertChild(int Index, TNodePtr&& Node) override;
  /// @copydoc kx::TKXGPNode::ExtractChild
  TNodePtr ExtractChild(TKXGPNode<T>* Node) override;
  /// @copydoc kx::TKXGPNode::Clear
  void Clear() override;

 protected:
  /// @copydoc kx::TKXGPNode::GetChild
  TKXGPNode<T>* GetChild(int Index) const override;
  /// @copydoc kx::TKXGPNode::GetChildCount
  int GetChildCount() const noexcept override { return (FSides[0] ? 1 : 0) + (FSides[1] ? 1 : 0); }
  /// @copydoc kx::TKXGPNode::ReleaseChildren
  void ReleaseChildren(std::vector<TNodePtr>& Out) noexcept override;
  /// A copy of a binary source's child keeps its side.
  void AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy) override;

 private:
  void SetSide(TNodePtr& Side, const TKXGPNode<T>* Value);
  static void FreeSide(TNodePtr& Side) noexcept;
  /// Republishes the number of occupied sides after they changed.
  void SidesChanged() noexcept { this->SetChildView(FSides.data(), 2, GetChildCount()); }

  /// The left side, then the right side: child positions 0 and 1.
  std::array<TNodePtr, 2> FSides;
};

}  // namespace kx
