#include "kx/gp_engine/tree_node.hpp"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>

#include "kx/host/exceptions.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

[[noreturn]] void RaiseArgumentOutOfRange(int Index) {
  throw EListError("Argument out of range (" + std::to_string(Index) + ")");
}

}  // namespace

template <class T>
TKXGPTreeNode<T>::~TKXGPTreeNode() {
  FreeChildren();
}

template <class T>
void TKXGPTreeNode<T>::FreeChildren() noexcept {
  if (FChildren.empty()) return;
  std::vector<TNodePtr> stack;
  ReleaseChildren(stack);
  TKXGPNode<T>::FreeNodes(stack);
}

template <class T>
void TKXGPTreeNode<T>::ReleaseChildren(std::vector<TNodePtr>& Out) noexcept {
  for (TNodePtr& child : FChildren) {
    TKXGPNode<T>::Orphan(child.get());
    Out.push_back(std::move(child));
  }
  FChildren.clear();
  ChildrenChanged();
}

template <class T>
typename TKXGPTreeNode<T>::TNodePtr TKXGPTreeNode<T>::CreateNode(
    TKXGPInstruction<T>* aInstruction) const {
  return this->template CreateNodeOf<TKXGPTreeNode<T>>(aInstruction);
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::GetChild(int Index) const {
  // Executing a tree reaches every child through here: compare with the vector directly.
  if (static_cast<std::size_t>(Index) >= FChildren.size()) RaiseArgumentOutOfRange(Index);
  return FChildren[static_cast<std::size_t>(Index)].get();
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::AddChild(TNodePtr&& Node) {
  this->RequireDetached(Node.get());
  TKXGPNode<T>* node = Node.get();
  FChildren.push_back(std::move(Node));
  ChildrenChanged();
  this->Adopt(node);
  this->Modified();
  return node;
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::InsertChild(int Index, TNodePtr&& Node) {
  if (Index < 0 || Index > GetChildCount()) RaiseArgumentOutOfRange(Index);
  this->RequireDetached(Node.get());
  TKXGPNode<T>* node = Node.get();
  FChildren.insert(FChildren.begin() + Index, std::move(Node));
  ChildrenChanged();
  this->Adopt(node);
  this->Modified();
  return node;
}

template <class T>
typename TKXGPTreeNode<T>::TNodePtr TKXGPTreeNode<T>::ExtractChild(TKXGPNode<T>* Node) {
  if (Node == nullptr) return nullptr;
  const auto it = std::find_if(FChildren.begin(), FChildren.end(),
                               [Node](const TNodePtr& child) { return child.get() == Node; });
  TNodePtr owned;
  if (it != FChildren.end()) {
    owned = std::move(*it);
    FChildren.erase(it);
    ChildrenChanged();
    TKXGPNode<T>::Orphan(Node);
  } else if (TKXGPNode<T>* parent = Node->Parent()) {
    owned = parent->ExtractChild(Node);
  }
  this->Modified();
  return owned;
}

template <class T>
void TKXGPTreeNode<T>::SetChildren(const std::vector<TKXGPNode<T>*>& List) {
  FreeChildren();
  this->Modified();
  for (const TKXGPNode<T>* node : List) {
    if (node != nullptr) AddChild(node->Clone());
  }
}

template <class T>
void TKXGPTreeNode<T>::Clear() {
  TKXGPNode<T>::Clear();
  FreeChildren();
  this->Modified();
}

template class TKXGPTreeNode<TGAFloat>;
template class TKXGPTreeNode<TKXVariant>;

}  // namespace kx
