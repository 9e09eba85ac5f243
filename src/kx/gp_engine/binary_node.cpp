#include "kx/gp_engine/binary_node.hpp"

#include <stdexcept>
#include <string>
#include <utility>

#include "kx/host/exceptions.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

[[noreturn]] void RaiseIndexOutOfBounds(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace

template <class T>
TKXGPBinaryNode<T>::~TKXGPBinaryNode() {
  FreeSide(FSides[0]);
  FreeSide(FSides[1]);
}

template <class T>
void TKXGPBinaryNode<T>::FreeSide(TNodePtr& Side) noexcept {
  if (!Side) return;
  std::vector<TNodePtr> stack;
  stack.push_back(std::move(Side));
  TKXGPNode<T>::FreeNodes(stack);
}

template <class T>
void TKXGPBinaryNode<T>::ReleaseChildren(std::vector<TNodePtr>& Out) noexcept {
  // The stack frees from its end: push the right side first so the left goes first.
  if (FSides[1]) Out.push_back(std::move(FSides[1]));
  if (FSides[0]) Out.push_back(std::move(FSides[0]));
  SidesChanged();
}

template <class T>
typename TKXGPBinaryNode<T>::TNodePtr TKXGPBinaryNode<T>::CreateNode(
    TKXGPInstruction<T>* aInstruction) const {
  return this->template CreateNodeOf<TKXGPBinaryNode<T>>(aInstruction);
}

template <class T>
TKXGPNode<T>* TKXGPBinaryNode<T>::GetChild(int Index) const {
  if (Index == 0) return FSides[0].get();
  if (Index == 1) return FSides[1].get();
  RaiseIndexOutOfBounds(Index);
}

template <class T>
TKXGPNode<T>* TKXGPBinaryNode<T>::AddChild(TNodePtr&& Node) {
  this->RequireDetached(Node.get());
  TNodePtr* side = !FSides[0] ? &FSides[0] : (!FSides[1] ? &FSides[1] : nullptr);
  if (side == nullptr) throw EGPException(std::string(SNodeFull.Text));
  TKXGPNode<T>* node = Node.get();
  *side = std::move(Node);
  SidesChanged();
  this->Adopt(node);
  this->Modified();
  return node;
}

template <class T>
TKXGPNode<T>* TKXGPBinaryNode<T>::InsertChild(int Index, TNodePtr&& Node) {
  if (Index != 0 && Index != 1) RaiseIndexOutOfBounds(Index);
  this->RequireDetached(Node.get());
  TNodePtr& target = Index == 0 ? FSides[0] : FSides[1];
  TNodePtr& other = Index == 0 ? FSides[1] : FSides[0];
  if (target && !other) other = std::move(target);
  FreeSide(target);
  TKXGPNode<T>* node = Node.get();
  target = std::move(Node);
  SidesChanged();
  this->Adopt(node);
  this->Modified();
  return node;
}

template <class T>
typename TKXGPBinaryNode<T>::TNodePtr TKXGPBinaryNode<T>::ExtractChild(TKXGPNode<T>* Node) {
  if (Node == nullptr) return nullptr;
  TNodePtr owned;
  if (FSides[0].get() == Node) {
    owned = std::move(FSides[0]);
  } else if (FSides[1].get() == Node) {
    owned = std::move(FSides[1]);
  }
  if (owned) {
    SidesChanged();
    TKXGPNode<T>::Orphan(Node);
  } else if (TKXGPNode<T>* parent = Node->Parent()) {
    owned = parent->ExtractChild(Node);
  }
  this->Modified();
  return owned;
}

template <class T>
void TKXGPBinaryNode<T>::SetSide(TNodePtr& Side, const TKXGPNode<T>* Value) {
  if (Side.get() == Value) return;
  // Copy before freeing: Value may lie inside the subtree being replaced.
  TNodePtr copy = Value != nullptr ? Value->Clone() : nullptr;
  FreeSide(Side);
  if (copy) {
    Side = std::move(copy);
    this->Adopt(Side.get());
  }
  SidesChanged();
  this->Modified();
}

template <class T>
void TKXGPBinaryNode<T>::SetLeft(const TKXGPNode<T>* Value) {
  SetSide(FSides[0], Value);
}

template <class T>
void TKXGPBinaryNode<T>::SetRight(const TKXGPNode<T>* Value) {
  SetSide(FSides[1], Value);
}

template <class T>
void TKXGPBinaryNode<T>::AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy) {
  if (!Source->Sided()) {
    TKXGPNode<T>::AttachCopy(Source, Slot, std::move(Copy));
    return;
  }
  TNodePtr& side = Slot == 0 ? FSides[0] : FSides[1];
  FreeSide(side);
  TKXGPNode<T>* node = Copy.get();
  side = std::move(Copy);
  SidesChanged();
  this->Adopt(node);
  this->Modified();
}

template <class T>
void TKXGPBinaryNode<T>::Clear() {
  TKXGPNode<T>::Clear();
  FreeSide(FSides[0]);
  FreeSide(FSides[1]);
  SidesChanged();
  this->Modified();
}

template class TKXGPBinaryNode<TGAFloat>;
template class TKXGPBinaryNode<TKXVariant>;

}  // namespace kx
