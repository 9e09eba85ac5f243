#include <gtest/gtest.h>

#include <kx/host/collection.hpp>
#include <kx/host/exceptions.hpp>

namespace {
class Item : public kx::TKXCollectionItem {
 public:
  using TKXCollectionItem::TKXCollectionItem;
  int Value = 0;
  void Assign(kx::TKXPersistent* Source) override {
    if (auto* s = dynamic_cast<Item*>(Source)) {
      Value = s->Value;
      return;
    }
    TKXCollectionItem::Assign(Source);
  }
};
}  // namespace

TEST(Collection, AddAssignsUniqueIds) {
  kx::TKXCollection c(kx::ItemClassOf<Item>());
  auto* a = c.Add();
  auto* b = c.Add();
  EXPECT_EQ(a->ID(), 0);
  EXPECT_EQ(b->ID(), 1);
  EXPECT_EQ(b->Index(), 1);
  EXPECT_THROW(c.GetItem(2), kx::EListError);
}
