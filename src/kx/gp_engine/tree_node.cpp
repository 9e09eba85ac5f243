#include "kx/gp_engine/tree_node.hpp"

#include <algorithm>
#include <iterator>
#include <memory>
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
  if (OnHeap()) {
    std::destroy_at(&FStorage.Heap);
  } else {
    std::destroy(std::begin(FStorage.Inline), std::end(FStorage.Inline));
  }
}

template <class T>
void TKXGPTreeNode<T>::FreeChildren() noexcept {
  if (this->ChildCount() == 0) return;
  std::vector<TNodePtr> stack;
  ReleaseChildren(stack);
  TKXGPNode<T>::FreeNodes(stack);
}

template <class T>
void TKXGPTreeNode<T>::ReleaseChildren(std::vector<TNodePtr>& Out) noexcept {
  TNodePtr* children = Children();
  const int count = this->ChildCount();
  for (int i = 0; i < count; ++i) {
    TKXGPNode<T>::Orphan(children[i].get());
    Out.push_back(std::move(children[i]));
  }
  // A heap block stays for the node's next children.
  ChildrenChanged(0);
}

template <class T>
void TKXGPTreeNode<T>::Reserve(int Count) {
  if (Count <= FCapacity) return;
  const int capacity = std::max(Count, FCapacity * 2);
  auto block = std::make_unique<TNodePtr[]>(static_cast<std::size_t>(capacity));
  std::move(Children(), Children() + this->ChildCount(), block.get());
  if (OnHeap()) {
    FStorage.Heap = std::move(block);
  } else {
    // The inline children were moved out and are empty.
    std::destroy(std::begin(FStorage.Inline), std::end(FStorage.Inline));
    std::construct_at(&FStorage.Heap, std::move(block));
  }
  FCapacity = capacity;
}

template <class T>
typename TKXGPTreeNode<T>::TNodePtr TKXGPTreeNode<T>::CreateNode(
    TKXGPInstruction<T>* aInstruction) const {
  return this->template CreateNodeOf<TKXGPTreeNode<T>>(aInstruction);
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::GetChild(int Index) const {
  if (static_cast<unsigned>(Index) >= static_cast<unsigned>(this->ChildCount())) {
    RaiseArgumentOutOfRange(Index);
  }
  return this->ChildInSlot(Index);
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::AddChild(TNodePtr&& Node) {
  // Qualified: a subclass's InsertChild is not part of appending.
  return TKXGPTreeNode<T>::InsertChild(this->ChildCount(), std::move(Node));
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::InsertChild(int Index, TNodePtr&& Node) {
  const int count = this->ChildCount();
  if (Index < 0 || Index > count) RaiseArgumentOutOfRange(Index);
  this->RequireDetached(Node.get());
  TKXGPNode<T>* node = Place(Index, std::move(Node));
  this->Modified();
  return node;
}

template <class T>
TKXGPNode<T>* TKXGPTreeNode<T>::Place(int Index, TNodePtr&& Node) {
  const int count = this->ChildCount();
  Reserve(count + 1);
  TKXGPNode<T>* node = Node.get();
  TNodePtr* children = Children();
  std::move_backward(children + Index, children + count, children + count + 1);
  children[Index] = std::move(Node);
  ChildrenChanged(count + 1);
  this->Adopt(node);
  return node;
}

template <class T>
void TKXGPTreeNode<T>::AttachCopy(const TKXGPNode<T>* Source, int Slot, TNodePtr&& Copy) {
  // A subclass may override AddChild and count on seeing every append.
  if (!TKXGPNode<T>::LibraryClass(*this)) {
    TKXGPNode<T>::AttachCopy(Source, Slot, std::move(Copy));
    return;
  }
  // The copy's caches are all clear until the copy sets them, so nothing is modified.
  Place(this->ChildCount(), std::move(Copy));
}

template <class T>
typename TKXGPTreeNode<T>::TNodePtr TKXGPTreeNode<T>::ExtractChild(TKXGPNode<T>* Node) {
  if (Node == nullptr) return nullptr;
  TNodePtr* children = Children();
  const int count = this->ChildCount();
  TNodePtr* const end = children + count;
  TNodePtr* const it =
      std::find_if(children, end, [Node](const TNodePtr& child) { return child.get() == Node; });
  TNodePtr owned;
  if (it != end) {
    owned = std::move(*it);
    std::move(it + 1, end, it);
    ChildrenChanged(count - 1);
    TKXGPNode<T>::Orphan(Node);
  } else if (TKXGPNode<T>* parent = Node->Parent()) {
    owned = parent->ExtractChild(Node);
  }
  this->Modified();
  return owned;
}

template <class T>
void TKXGPTreeNode<T>::SetChildren(const std::vector<TKXGPNode<T>*>& List) {
  // Copied before the children are freed: List may hold them or nodes below them, and a
  // copy that fails leaves the node as it was.
  std::vector<TNodePtr> copies;
  copies.reserve(List.size());
  for (const TKXGPNode<T>* node : List) {
    if (node != nullptr) copies.push_back(node->Clone());
  }
  FreeChildren();
  this->Modified();
  for (TNodePtr& copy : copies) AddChild(std::move(copy));
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
