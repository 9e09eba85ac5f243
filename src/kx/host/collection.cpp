#include "kx/host/collection.hpp"

#include <algorithm>
#include <iterator>
#include <string>

#include "kx/host/exceptions.hpp"

namespace kx {

TKXCollectionItem::TKXCollectionItem(TKXCollection* /*Collection*/) noexcept {}

TKXCollectionItem::~TKXCollectionItem() = default;

void TKXCollectionItem::DefineProperties(TKXFiler& /*Filer*/) {}

std::unique_ptr<TKXCollectionItem> TKXCollectionItem::SetCollection(TKXCollection* Value) {
  if (Value == FCollection) return nullptr;
  if (FCollection == nullptr) {
    // Whoever holds a detached item owns it; it joins through TKXCollection::AddItem.
    throw EListError("A detached item joins a collection through AddItem");
  }
  std::unique_ptr<TKXCollectionItem> self = FCollection->RemoveItem(this);
  if (Value == nullptr) return self;
  Value->InsertItem(std::move(self));
  return nullptr;
}

int TKXCollectionItem::Index() const noexcept {
  return FCollection ? FCollection->IndexOf(this) : -1;
}

void TKXCollectionItem::SetIndex(int Value) {
  const int current = Index();
  if (current < 0 || current == Value) return;
  auto& items = FCollection->FItems;
  Value = std::clamp(Value, 0, static_cast<int>(items.size()) - 1);
  auto item = std::move(items[current]);
  items.erase(items.begin() + current);
  items.insert(items.begin() + Value, std::move(item));
  Changed(true);
}

void TKXCollectionItem::Changed(bool AllItems) {
  if (FCollection == nullptr || FCollection->FUpdateCount != 0) return;
  FCollection->Update(AllItems ? nullptr : this);
}

TKXPersistent* TKXCollectionItem::GetOwner() const { return FCollection; }

TKXCollection::TKXCollection(TKXItemClass ItemClass, TKXPersistent* Owner)
    : FItemClass(ItemClass), FOwner(Owner) {}

TKXCollection::~TKXCollection() {
  for (auto& item : FItems) item->FCollection = nullptr;
}

TKXCollectionItem* TKXCollection::Add() { return InsertItem(FItemClass(this)); }

TKXCollectionItem* TKXCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) {
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  TKXCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

TKXCollectionItem* TKXCollection::AddItem(std::unique_ptr<TKXCollectionItem> Item) {
  if (!Item) return nullptr;
  if (Item->FCollection != nullptr) {
    // The caller cannot own an item that is still a member of a collection.
    (void)Item.release();
    throw EListError("Item already belongs to a collection");
  }
  return InsertItem(std::move(Item));
}

void TKXCollection::Delete(int Index) {
  CheckIndex(Index);
  TKXCollectionItem* item = FItems[Index].get();
  Notify(item, TCollectionNotification::cnDeleting);
  auto owned = RemoveItem(item);
  owned.reset();
}

std::unique_ptr<TKXCollectionItem> TKXCollection::Extract(TKXCollectionItem* Item) {
  if (Item == nullptr || Item->FCollection != this) return nullptr;
  return RemoveItem(Item);
}

void TKXCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  try {
    while (!FItems.empty()) {
      auto owned = RemoveItem(FItems.back().get());
      owned.reset();
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKXCollection::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  if (Index1 == Index2) return;
  std::swap(FItems[Index1], FItems[Index2]);
  Changed();
}

TKXCollectionItem* TKXCollection::GetItem(int Index) const {
  CheckIndex(Index);
  return FItems[Index].get();
}

void TKXCollection::SetItem(int Index, TKXCollectionItem* Value) { GetItem(Index)->Assign(Value); }

TKXCollectionItem* TKXCollection::FindItemID(int ID) const noexcept {
  for (const auto& item : FItems) {
    if (item->FID == ID) return item.get();
  }
  return nullptr;
}

int TKXCollection::IndexOf(const TKXCollectionItem* Item) const noexcept {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].get() == Item) return static_cast<int>(i);
  }
  return -1;
}

void TKXCollection::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXCollection*>(Source);
  if (source == nullptr) {
    TKXPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  try {
    Clear();
    for (int i = 0; i < source->Count(); ++i) Add()->Assign(source->ItemAt(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TKXCollection::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  Changed();
}

void TKXCollection::Notify(TKXCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}

void TKXCollection::Update(TKXCollectionItem* /*Item*/) {}

void TKXCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

TKXCollectionItem* TKXCollection::InsertItem(std::unique_ptr<TKXCollectionItem> Item) {
  TKXCollectionItem* item = Item.get();
  FItems.push_back(std::move(Item));
  item->FCollection = this;
  item->FID = FNextID++;
  Notify(item, TCollectionNotification::cnAdded);
  Changed();
  return item;
}

std::unique_ptr<TKXCollectionItem> TKXCollection::RemoveItem(TKXCollectionItem* Item) {
  Notify(Item, TCollectionNotification::cnExtracting);
  // Search from the back: Clear removes the last item each time, which then costs O(1).
  const auto found = std::find_if(FItems.rbegin(), FItems.rend(),
                                  [Item](const auto& Owned) { return Owned.get() == Item; });
  std::unique_ptr<TKXCollectionItem> owned = std::move(*found);
  FItems.erase(std::next(found).base());
  Item->FCollection = nullptr;
  Changed();
  return owned;
}

void TKXCollection::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
}

}  // namespace kx
