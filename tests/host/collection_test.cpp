#include <memory>
#include <utility>

#include "host/host_test_support.hpp"

namespace {
using Item = kx::testing::TTestItem;

// Logs every notification as "added:<value>", "extracting:<value>", "deleting:<value>",
// "update:<value>" or "update:all".
class Recorder : public kx::TKXOwnedCollection<Item> {
 public:
  // A collection of items of the given counts, whose notifications are forgotten.
  explicit Recorder(std::initializer_list<int> Counts = {})
      : TKXOwnedCollection(kx::ItemClassOf<Item>()) {
    Fill(Counts);
  }
  std::vector<std::string> Log;
  void Fill(std::initializer_list<int> Counts) {
    for (int count : Counts) Add()->Count = count;
    Log.clear();
  }

 protected:
  void Notify(kx::TKXCollectionItem* I, kx::TCollectionNotification Action) override {
    static const char* const kNames[] = {"added:", "extracting:", "deleting:"};
    Log.push_back(kNames[static_cast<int>(Action)] + std::to_string(static_cast<Item*>(I)->Count));
  }
  void Update(kx::TKXCollectionItem* I) override {
    Log.push_back(I ? "update:" + std::to_string(static_cast<Item*>(I)->Count) : "update:all");
  }
};

std::vector<int> Values(const Recorder& C) {
  std::vector<int> values;
  for (int i = 0; i < C.Count(); ++i) values.push_back(C.Items(i)->Count);
  return values;
}

// The notifications since the last call.
std::vector<std::string> Take(Recorder& C) { return std::exchange(C.Log, {}); }

using Log = std::vector<std::string>;
}  // namespace

TEST(Collection,
     MembershipChangesAnnounceInOrderOutsideBracketsAssignCopiesAndItemsMoveKeepingIds) {
  Recorder c;
  EXPECT_EQ(c.Add()->Collection(), &c);
  EXPECT_EQ(Take(c), (Log{"added:0", "update:all"}));
  c.Fill({1, 2});
  EXPECT_EQ(c.Insert(1)->ID(), 3);
  EXPECT_EQ(Values(c), (std::vector{0, 0, 1, 2}));
  for (int bad : {5, -1}) EXPECT_THROW(c.Insert(bad), kx::EListError);
  Take(c);
  c.Delete(1);
  EXPECT_EQ(Take(c), (Log{"deleting:0", "extracting:0", "update:all"}));
  EXPECT_THROW(c.Delete(3), kx::EListError);
  std::unique_ptr<kx::TKXCollectionItem> owned = c.Extract(c.Items(2));
  EXPECT_EQ(Take(c), (Log{"extracting:2", "update:all"}));
  EXPECT_EQ(owned->Index(), -1);
  EXPECT_EQ(c.Extract(owned.get()), nullptr);  // no longer a member
  c.Clear();
  EXPECT_EQ(Take(c), (Log{"extracting:1", "extracting:0", "update:all"}));
  c.Clear();
  EXPECT_TRUE(c.Log.empty());
  EXPECT_EQ(c.Add()->ID(), 4);
  // Update brackets hold back the change reports and report once in all.
  c.Fill({1, 2});
  c.Items(0)->SetCount(5);
  EXPECT_EQ(Take(c), (Log{"update:5"}));
  c.BeginUpdate();
  c.BeginUpdate();
  c.Items(0)->SetCount(6);
  c.Add();
  c.Delete(0);
  c.EndUpdate();
  EXPECT_EQ(c.Log, (Log{"added:0", "deleting:6", "extracting:6"}));
  c.EndUpdate();
  EXPECT_EQ(c.Log, (Log{"added:0", "deleting:6", "extracting:6", "update:all"}));
  // Assign copies the items inside one bracket, or raises and keeps them; items move within and
  // between collections keeping their IDs, and an item another collection owns is refused.
  Recorder source{4, 5}, dest{9}, a{10, 11, 12}, b{3};
  dest.Assign(&source);
  dest.Assign(&dest);
  EXPECT_EQ(Values(dest), (std::vector{4, 5}));
  EXPECT_NE(dest.Items(0), source.Items(0));
  EXPECT_EQ(std::count(dest.Log.begin(), dest.Log.end(), "update:all"), 1);
  kx::TKXStringList list;
  EXPECT_THROW(dest.Assign(&list), kx::EConvertError);
  EXPECT_EQ(kx::testing::ErrorOf<kx::EConvertError>([&] { dest.Items(0)->Assign(&list); }),
            "Cannot assign a TKXStringList to a TTestItem");
  EXPECT_EQ(Values(dest), (std::vector{4, 5}));
  a.Items(0)->SetIndex(2);
  a.Exchange(0, 1);
  EXPECT_EQ(Values(a), (std::vector{12, 11, 10}));
  EXPECT_EQ(a.IndexOf(a.FindItemID(0)), 2);
  Item* moving = a.Items(0);
  Take(a);
  EXPECT_EQ(moving->SetCollection(&b), nullptr);
  EXPECT_EQ(a.Log, (Log{"extracting:12", "update:all"}));
  EXPECT_EQ(b.Log, (Log{"added:12", "update:all"}));
  EXPECT_EQ(moving->ID(), 1);  // the next ID of b
  // A pointer that a still owns must not be taken over (nor freed twice).
  EXPECT_THROW(b.AddItem(std::unique_ptr<kx::TKXCollectionItem>(a.Items(0))), kx::EListError);
  EXPECT_EQ(std::pair(a.Count(), b.Count()), std::pair(2, 2));
}
