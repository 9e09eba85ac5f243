#pragma once

#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "kx/xml/xml_node.hpp"

namespace kx {

/// Helpers of the repeated-element lists below: the children of Parent whose tag is Tag.
int CountChildElements(TKXXMLNode Parent, const char* Tag) noexcept;
/// A new element with Tag at the end of the parent's children; EXMLError on a null parent.
TKXXMLNode AppendChildElement(TKXXMLNode Parent, const char* Tag);
/// The Index-th child with Tag; raises EListError when there is none.
TKXXMLNode ChildElementAt(TKXXMLNode Parent, const char* Tag, int Index);
/// A new element with Tag placed before the Index-th child with Tag, or at the end of the
/// parent's children when Index is the number of such children; EListError otherwise.
TKXXMLNode InsertChildElementAt(TKXXMLNode Parent, const char* Tag, int Index);
/// Removes every child with Tag (other children stay).
void RemoveChildElements(TKXXMLNode Parent, const char* Tag);

/// Walks the children of one parent that carry one tag, giving each as TItem.
template <class TItem>
class TXMLChildIterator {
 public:
  ///@{
  /// The standard iterator traits: a forward iterator yielding wrappers by value.
  using iterator_category = std::forward_iterator_tag;
  /// @copydoc iterator_category
  using value_type = TItem;
  /// @copydoc iterator_category
  using difference_type = std::ptrdiff_t;
  /// @copydoc iterator_category
  using pointer = void;
  /// @copydoc iterator_category
  using reference = TItem;
  ///@}

  /// The end iterator.
  TXMLChildIterator() noexcept = default;
  /// The iterator at Node (null for the end), moving on to the next sibling with Tag.
  TXMLChildIterator(TKXXMLNode Node, const char* Tag) noexcept : FNode(Node), FTag(Tag) {}
  /// The current child, wrapped.
  TItem operator*() const { return TItem(FNode); }
  /// Moves to the next child with the tag.
  TXMLChildIterator& operator++() noexcept {
    FNode = FNode.NextSibling(FTag);
    return *this;
  }
  /// Moves to the next child with the tag, returning the position before.
  TXMLChildIterator operator++(int) noexcept {
    TXMLChildIterator Old = *this;
    ++*this;
    return Old;
  }
  /// Iterators are equal at the same child.
  friend bool operator==(const TXMLChildIterator& A, const TXMLChildIterator& B) noexcept {
    return A.FNode == B.FNode;
  }

 private:
  TKXXMLNode FNode;
  const char* FTag = "";
};

/// A collection: the children of a parent element that carry the item tag, each wrapped as
/// TItem, indexed from 0 among those children only (other children of the parent may lie
/// between them). Count and Items walk the children, so prefer range-for over an index loop
/// on long lists. Tag must be a string that outlives the collection (a literal).
template <class TItem>
class TXMLNodeCollection {
 public:
  /// The iterator over the items.
  using iterator = TXMLChildIterator<TItem>;

  /// The items of Parent tagged ItemTag (a string that outlives the collection).
  TXMLNodeCollection(TKXXMLNode Parent, const char* ItemTag) noexcept
      : FParent(Parent), FItemTag(ItemTag) {}

  /// The parent element.
  TKXXMLNode Parent() const noexcept { return FParent; }
  /// The tag of the items.
  const char* ItemTag() const noexcept { return FItemTag; }

  /// The number of items (counted by walking the children).
  int Count() const noexcept { return CountChildElements(FParent, FItemTag); }
  /// The Index-th item; EListError when out of range.
  TItem Items(int Index) const { return TItem(ChildElementAt(FParent, FItemTag, Index)); }
  /// Items(Index).
  TItem operator[](int Index) const { return Items(Index); }
  /// Appends a new empty item at the end of the parent's children.
  TItem Add() const { return TItem(AppendChildElement(FParent, FItemTag)); }
  /// A new empty item at position Index among the items (Index = Count appends).
  TItem Insert(int Index) const { return TItem(InsertChildElementAt(FParent, FItemTag, Index)); }
  /// Removes the Index-th item and its subtree; EListError when out of range.
  void Delete(int Index) const;
  /// Removes every item.
  void Clear() const { RemoveChildElements(FParent, FItemTag); }

  /// The first item.
  iterator begin() const noexcept { return iterator(FParent.Child(FItemTag), FItemTag); }
  /// Past the last item.
  iterator end() const noexcept { return iterator(TKXXMLNode(), FItemTag); }

 private:
  TKXXMLNode FParent;
  const char* FItemTag;
};

template <class TItem>
void TXMLNodeCollection<TItem>::Delete(int Index) const {
  RemoveNode(ChildElementAt(FParent, FItemTag, Index));
}

/// How the items of a value list convert. Read raises EConvertError on an item without a
/// value or with text that does not convert (only simple values map "no value" to 0).
struct TXMLStringItem {
  ///@{
  /// The item value type, read from an item element's text and written as its text.
  using TValue = std::string;
  static TValue Read(TKXXMLNode Item);
  static void Write(TKXXMLNode Item, const TValue& Value);
  ///@}
};
/// 32-bit integers in decimal.
struct TXMLInt32Item {
  ///@{
  /// The item value type, read from an item element's text and written as its text.
  using TValue = std::int32_t;
  static TValue Read(TKXXMLNode Item);
  static void Write(TKXXMLNode Item, TValue Value);
  ///@}
};
/// 32-bit floats, narrowed when written and read.
struct TXMLSingleItem {
  ///@{
  /// The item value type, read from an item element's text and written as its text.
  using TValue = float;
  static TValue Read(TKXXMLNode Item);
  static void Write(TKXXMLNode Item, TValue Value);
  ///@}
};
/// Booleans through the general text-to-boolean conversion ("true"/"false" in any case or a
/// number); unrecognised text raises EConvertError.
struct TXMLBooleanItem {
  ///@{
  /// The item value type, read from an item element's text and written as its text.
  using TValue = bool;
  static TValue Read(TKXXMLNode Item);
  static void Write(TKXXMLNode Item, TValue Value);
  ///@}
};

/// A value list: the children of a parent element that carry the item tag, each holding one
/// simple value converted by TConvert.
template <class TConvert>
class TXMLValueList {
 public:
  /// The value type of the items.
  using TValue = typename TConvert::TValue;

  /// The values held by the children of Parent tagged ItemTag (a string that outlives the list).
  TXMLValueList(TKXXMLNode Parent, const char* ItemTag) noexcept
      : FParent(Parent), FItemTag(ItemTag) {}

  /// The parent element.
  TKXXMLNode Parent() const noexcept { return FParent; }
  /// The tag of the items.
  const char* ItemTag() const noexcept { return FItemTag; }

  /// The number of items (counted by walking the children).
  int Count() const noexcept { return CountChildElements(FParent, FItemTag); }
  /// The value of the Index-th item.
  TValue Items(int Index) const { return TConvert::Read(ChildElementAt(FParent, FItemTag, Index)); }
  /// Items(Index).
  TValue operator[](int Index) const { return Items(Index); }
  /// Appends an item holding Value at the end of the parent's children; returns its element.
  TKXXMLNode Add(const TValue& Value) const {
    TKXXMLNode Item = AppendChildElement(FParent, FItemTag);
    TConvert::Write(Item, Value);
    return Item;
  }
  /// An item holding Value at position Index among the items (Index = Count appends).
  TKXXMLNode Insert(int Index, const TValue& Value) const {
    TKXXMLNode Item = InsertChildElementAt(FParent, FItemTag, Index);
    TConvert::Write(Item, Value);
    return Item;
  }
  /// Removes the Index-th item; EListError when out of range.
  void Delete(int Index) const { RemoveNode(ChildElementAt(FParent, FItemTag, Index)); }
  /// Removes every item.
  void Clear() const { RemoveChildElements(FParent, FItemTag); }

 private:
  TKXXMLNode FParent;
  const char* FItemTag;
};

using TXMLStringList = TXMLValueList<TXMLStringItem>;
using TXMLIntegerList = TXMLValueList<TXMLInt32Item>;
using TXMLSingleList = TXMLValueList<TXMLSingleItem>;
using TXMLBooleanList = TXMLValueList<TXMLBooleanItem>;

}  // namespace kx
