#include <gtest/gtest.h>

#include <algorithm>
#include <kx/host/collection.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>
#include <memory>
#include <string>
#include <vector>

namespace {
class Item : public kx::TKXCollectionItem {
 public:
  using TKXCollectionItem::TKXCollectionItem;
  std::string ClassName() const override { return "Item"; }
  int Value = 0;
  void SetValue(int V) {
    Value = V;
    Changed(false);
  }
  void Assign(kx::TKXPersistent* Source) override {
    if (auto* s = dynamic_cast<Item*>(Source)) {
      Value = s->Value;
      return;
    }
    TKXCollectionItem::Assign(Source);
  }
};

// Logs every notification as "added:<value>", "extracting:<value>", "deleting:<value>",
// "update:<value>" or "update:all".
class Recorder : public kx::TKXOwnedCollection<Item> {
 public:
  Recorder() : TKXOwnedCollection(kx::ItemClassOf<Item>()) {}
  std::vector<std::string> Log;

 protected:
  void Notify(kx::TKXCollectionItem* I, kx::TCollectionNotification Action) override {
    const char* name = Action == kx::TCollectionNotification::cnAdded        ? "added:"
                       : Action == kx::TCollectionNotification::cnExtracting ? "extracting:"
                                                                             : "deleting:";
    Log.push_back(name + std::to_string(static_cast<Item*>(I)->Value));
  }
  void Update(kx::TKXCollectionItem* I) override {
    Log.push_back(I ? "update:" + std::to_string(static_cast<Item*>(I)->Value) : "update:all");
  }
};

// Fills C with items of the given values and forgets the notifications.
void Fill(Recorder& C, std::initializer_list<int> Values) {
  for (int v : Values) C.Add()->Value = v;
  C.Log.clear();
}

std::vector<int> Values(const Recorder& C) {
  std::vector<int> values;
  for (int i = 0; i < C.Count(); ++i) values.push_back(C.Items(i)->Value);
  return values;
}

using Log = std::vector<std::string>;
using Ints = std::vector<int>;
}  // namespace

TEST(Collection, AddAndInsertNotifyAfterTheItemIsInPlace) {
  Recorder c;
  auto* first = c.Add();
  EXPECT_EQ(c.Log, (Log{"added:0", "update:all"}));
  EXPECT_EQ(first->Collection(), &c);
  Fill(c, {1, 2});
  auto* inserted = c.Insert(1);
  EXPECT_EQ(inserted->Index(), 1);
  EXPECT_EQ(inserted->ID(), 3);
  EXPECT_EQ(c.Log.front(), "added:0");
  EXPECT_EQ(c.Log.back(), "update:all");
  EXPECT_EQ(Values(c), (Ints{0, 0, 1, 2}));
  EXPECT_THROW(c.Insert(5), kx::EListError);
  EXPECT_THROW(c.Insert(-1), kx::EListError);
  EXPECT_THROW(c.GetItem(4), kx::EListError);
}

TEST(Collection, DeleteExtractAndClearAnnounceInOrder) {
  Recorder c;
  Fill(c, {1, 2, 3, 4});
  c.Delete(1);
  EXPECT_EQ(c.Log, (Log{"deleting:2", "extracting:2", "update:all"}));
  EXPECT_THROW(c.Delete(3), kx::EListError);

  c.Log.clear();
  Item* last = c.Items(2);
  std::unique_ptr<kx::TKXCollectionItem> owned = c.Extract(last);
  EXPECT_EQ(owned.get(), last);
  EXPECT_EQ(c.Log, (Log{"extracting:4", "update:all"}));
  EXPECT_EQ(last->Collection(), nullptr);
  EXPECT_EQ(last->Index(), -1);
  EXPECT_EQ(c.Extract(last), nullptr);  // no longer a member
  c.AddItem(std::move(owned));          // rejoins with a fresh ID
  EXPECT_EQ(last->Collection(), &c);
  EXPECT_EQ(last->ID(), 4);

  c.Log.clear();
  c.Clear();
  EXPECT_EQ(c.Log, (Log{"extracting:4", "extracting:3", "extracting:1", "update:all"}));
  c.Log.clear();
  c.Clear();
  EXPECT_TRUE(c.Log.empty());
  // IDs are never reused.
  EXPECT_EQ(c.Add()->ID(), 5);
  EXPECT_EQ(c.FindItemID(4), nullptr);
}

TEST(Collection, UpdateBracketsHoldBackChangesAndReportOnce) {
  Recorder c;
  Fill(c, {1, 2});
  c.Items(0)->SetValue(5);
  EXPECT_EQ(c.Log, (Log{"update:5"}));
  c.Log.clear();

  c.BeginUpdate();
  c.BeginUpdate();
  c.Items(0)->SetValue(6);
  c.Add();
  c.Delete(0);
  c.EndUpdate();
  EXPECT_EQ(c.Log, (Log{"added:0", "deleting:6", "extracting:6"}));
  c.EndUpdate();
  EXPECT_EQ(c.UpdateCount(), 0);
  EXPECT_EQ(c.Log.back(), "update:all");
  EXPECT_EQ(std::count(c.Log.begin(), c.Log.end(), "update:all"), 1);
}

TEST(Collection, ReorderingKeepsIdsFindable) {
  Recorder c;
  Fill(c, {10, 11, 12});
  c.Items(0)->SetIndex(2);
  EXPECT_EQ(Values(c), (Ints{11, 12, 10}));
  EXPECT_EQ(c.Log, (Log{"update:all"}));
  c.Exchange(0, 2);
  EXPECT_EQ(Values(c), (Ints{10, 12, 11}));
  EXPECT_THROW(c.Exchange(0, 3), kx::EListError);
  ASSERT_NE(c.FindItemID(1), nullptr);
  EXPECT_EQ(c.FindItemID(1)->Value, 11);
  EXPECT_EQ(c.FindItemID(1)->Index(), 2);
}

TEST(Collection, AssignCopiesItemsInsideABracket) {
  Recorder source;
  Fill(source, {4, 5});
  Recorder dest;
  Fill(dest, {9});
  dest.Assign(&source);
  EXPECT_EQ(Values(dest), (Ints{4, 5}));
  EXPECT_NE(dest.Items(0), source.Items(0));
  EXPECT_EQ(std::count(dest.Log.begin(), dest.Log.end(), "update:all"), 1);
  EXPECT_EQ(dest.Log.back(), "update:all");
  dest.Assign(&dest);
  EXPECT_EQ(Values(dest), (Ints{4, 5}));

  Item other(nullptr);
  other.Value = 8;
  dest.SetItems(1, &other);
  EXPECT_EQ(Values(dest), (Ints{4, 8}));
  EXPECT_THROW(dest.SetItems(2, &other), kx::EListError);
}

TEST(Collection, AssignFromAnotherClassRaisesAndKeepsItems) {
  Recorder c;
  Fill(c, {1});
  kx::TKXStringList list;
  EXPECT_THROW(c.Assign(&list), kx::EConvertError);
  EXPECT_EQ(Values(c), (Ints{1}));
  try {
    c.Items(0)->Assign(&list);
    FAIL();
  } catch (const kx::EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TKXStringList to a Item");
  }
}

TEST(Collection, SetCollectionMovesAnItemBetweenCollections) {
  Recorder a;
  Recorder b;
  Fill(a, {1, 2});
  Fill(b, {3});
  Item* moving = a.Items(0);
  EXPECT_EQ(moving->SetCollection(&b), nullptr);
  EXPECT_EQ(a.Log, (Log{"extracting:1", "update:all"}));
  EXPECT_EQ(b.Log, (Log{"added:1", "update:all"}));
  EXPECT_EQ(moving->Index(), 1);
  EXPECT_EQ(moving->ID(), 1);  // the next ID of b
  EXPECT_EQ(Values(a), (Ints{2}));

  std::unique_ptr<kx::TKXCollectionItem> detached = moving->SetCollection(nullptr);
  EXPECT_EQ(detached.get(), moving);
  EXPECT_EQ(b.Count(), 1);
  EXPECT_THROW(moving->SetCollection(&a), kx::EListError);

  // A pointer that a still owns must not be taken over.
  EXPECT_EQ(b.AddItem(nullptr), nullptr);
  EXPECT_THROW(b.AddItem(std::unique_ptr<kx::TKXCollectionItem>(a.Items(0))), kx::EListError);
  EXPECT_EQ(a.Count(), 1);
  EXPECT_EQ(b.Count(), 1);
}
