#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kx/host/object.hpp"

namespace kx {

class TKXCollection;
class TKXCollectionItem;
class TKXFiler;

/// What happened to an item of a collection, passed to TKXCollection::Notify.
enum class TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

/// The "class" of the items a collection creates: a factory that builds a new, detached
/// item. The collection it will join is passed so that the item can read that collection's
/// owner while it is built (the item is inserted only after its constructor returns).
using TKXItemClass = std::unique_ptr<TKXCollectionItem> (*)(TKXCollection* Collection);

/// The item class of T, which must be constructible from a TKXCollection*.
template <class T>
TKXItemClass ItemClassOf() noexcept {
  return [](TKXCollection* Collection) -> std::unique_ptr<TKXCollectionItem> {
    return std::make_unique<T>(Collection);
  };
}

/// An item of an owned collection: it knows its collection, its position and a unique ID
/// within the collection, and signals its changes to the collection.
class TKXCollectionItem : public TKXPersistent {
 public:
  /// Collection is the collection the item is being created for (it may be nullptr);
  /// it is not yet a member: the collection inserts it once constructed.
  explicit TKXCollectionItem(TKXCollection* Collection = nullptr) noexcept;
  ~TKXCollectionItem() override;

  std::string ClassName() const override { return "TKXCollectionItem"; }

  /// The collection the item belongs to, or nullptr for a detached item.
  TKXCollection* Collection() const noexcept { return FCollection; }
  /// Moves the item from its collection into Value; with nullptr the item leaves its
  /// collection and the caller owns the returned pointer. A detached item raises EListError
  /// (it joins a collection through TKXCollection::AddItem).
  std::unique_ptr<TKXCollectionItem> SetCollection(TKXCollection* Value);

  /// Position in the collection, or -1 outside any collection.
  int Index() const noexcept;
  /// Moves the item to position Value of its collection (all items change).
  void SetIndex(int Value);
  /// Unique within the collection, assigned on insertion from a counter that never reuses.
  int ID() const noexcept { return FID; }

  /// The display name; the default is the class name.
  std::string DisplayName() const { return GetDisplayName(); }

  /// Declares the item's published properties to Filer, in their published order, when the
  /// collection is streamed as a property of a component (see TKXFiler::Collection). The
  /// base item has none.
  virtual void DefineProperties(TKXFiler& Filer);

 protected:
  /// What DisplayName returns; items override it to name themselves.
  virtual std::string GetDisplayName() const { return ClassName(); }
  /// Signals a change: of this item only, or of all items (AllItems true).
  void Changed(bool AllItems);
  TKXPersistent* GetOwner() const override;

 private:
  friend class TKXCollection;
  TKXCollection* FCollection = nullptr;
  int FID = 0;
};

/// An owned, ordered collection of items of one item class. Insertions, extractions and
/// deletions are announced through Notify; changes through Update, which an update bracket
/// (BeginUpdate/EndUpdate) holds back until the outermost bracket closes and then reports
/// once with no item.
class TKXCollection : public TKXPersistent {
 public:
  /// An empty collection that creates its items with ItemClass; Owner (not owned) is what
  /// items and streaming report as the collection's owner.
  explicit TKXCollection(TKXItemClass ItemClass, TKXPersistent* Owner = nullptr);
  /// Frees the items without notifications.
  ~TKXCollection() override;

  std::string ClassName() const override { return "TKXCollection"; }

  /// The number of items.
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  /// The factory of the items Add and Insert create.
  TKXItemClass ItemClass() const noexcept { return FItemClass; }
  /// The object the collection belongs to (not owned), or nullptr.
  TKXPersistent* Owner() const noexcept { return FOwner; }

  /// Appends a new item of the item class and returns it.
  TKXCollectionItem* Add();
  /// Inserts a new item at Index (0 <= Index <= Count) and returns it.
  TKXCollectionItem* Insert(int Index);
  /// Appends an item created elsewhere (taking ownership) and returns it.
  TKXCollectionItem* AddItem(std::unique_ptr<TKXCollectionItem> Item);
  /// Announces the deletion, removes the item at Index and frees it.
  void Delete(int Index);
  /// Removes Item from the collection without freeing it; the caller owns the result.
  std::unique_ptr<TKXCollectionItem> Extract(TKXCollectionItem* Item);
  /// Frees every item, inside an update bracket.
  void Clear();
  /// Exchanges the items at two positions (all items change).
  void Exchange(int Index1, int Index2);

  /// The item at Index; EListError when Index is out of range.
  TKXCollectionItem* GetItem(int Index) const;
  /// Assigns Value to the item at Index (the collection keeps its own item).
  void SetItem(int Index, TKXCollectionItem* Value);
  /// Unchecked access for hot loops; Index must be in range.
  TKXCollectionItem* ItemAt(int Index) const noexcept { return FItems[Index].get(); }
  /// The item with that ID, or nullptr.
  TKXCollectionItem* FindItemID(int ID) const noexcept;
  /// Position of Item, or -1.
  int IndexOf(const TKXCollectionItem* Item) const noexcept;

  /// Collection assignment: clear, then add one assigned copy of every source item, all
  /// inside an update bracket. Other sources go to the inherited Assign.
  void Assign(TKXPersistent* Source) override;

  /// Opens an update bracket: changes are reported once, when the outermost bracket closes.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  /// Closing the outermost bracket reports Update(nullptr).
  void EndUpdate();
  /// The depth of open update brackets.
  int UpdateCount() const noexcept { return FUpdateCount; }

 protected:
  /// Called after an item was added, and before it is extracted or deleted.
  virtual void Notify(TKXCollectionItem* Item, TCollectionNotification Action);
  /// Called when Item changed, or with nullptr when the whole collection changed.
  virtual void Update(TKXCollectionItem* Item);
  /// The whole collection changed: Update(nullptr) unless inside an update bracket.
  void Changed();
  TKXPersistent* GetOwner() const override { return FOwner; }

 private:
  friend class TKXCollectionItem;
  TKXCollectionItem* InsertItem(std::unique_ptr<TKXCollectionItem> Item);
  std::unique_ptr<TKXCollectionItem> RemoveItem(TKXCollectionItem* Item);
  void CheckIndex(int Index) const;

  TKXItemClass FItemClass;
  TKXPersistent* FOwner;
  std::vector<std::unique_ptr<TKXCollectionItem>> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

/// An owned collection with typed access to items of class Item (a TKXCollectionItem).
template <class Item, class Base = TKXCollection>
class TKXOwnedCollection : public Base {
 public:
  using Base::Base;

  /// Add, typed as the item class.
  Item* Add() { return static_cast<Item*>(Base::Add()); }
  /// Insert, typed as the item class.
  Item* Insert(int Index) { return static_cast<Item*>(Base::Insert(Index)); }
  /// GetItem, typed as the item class.
  Item* Items(int Index) const { return static_cast<Item*>(Base::GetItem(Index)); }
  /// SetItem with an item of the item class.
  void SetItems(int Index, Item* Value) { Base::SetItem(Index, Value); }
  /// ItemAt, typed as the item class.
  Item* ItemAt(int Index) const noexcept { return static_cast<Item*>(Base::ItemAt(Index)); }
  /// FindItemID, typed as the item class.
  Item* FindItemID(int ID) const noexcept { return static_cast<Item*>(Base::FindItemID(ID)); }
};

}  // namespace kx
