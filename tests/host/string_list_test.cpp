#include "host/host_test_support.hpp"

namespace {

class Thing : public kx::TKXObject {};

// A list that counts its OnChange events.
struct CountedList {
  kx::TKXStringList List;
  int Changes = 0;
  CountedList() {
    List.SetOnChange([this](kx::TKXObject* Sender) { Changes += Sender == &List ? 1 : 100; });
  }
};

// Each modification fires once; nested brackets fire once in all at the outer end, and only
// when something changed; bad indexes raise and change nothing; inserting at Count appends.
TEST(StringList, ModificationsFireOnceBracketsOnceInAllAndTextLookupsAndAssignFollow) {
  CountedList c;
  Thing thing;
  EXPECT_EQ(c.List.Add("a"), 0);
  EXPECT_EQ(c.List.Add("b", &thing), 1);
  c.List.Insert(0, "z");
  c.List.SetStrings(1, "A");
  c.List.SetObjects(1, &thing);
  c.List.Delete(2);
  c.List.Clear();
  c.List.Clear();
  EXPECT_EQ(c.Changes, 7);
  c.List.BeginUpdate();
  c.List.BeginUpdate();
  c.List.Add("a");
  c.List.Add("b");
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 7);
  c.List.EndUpdate();
  c.List.BeginUpdate();
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 8);
  EXPECT_THROW(c.List.SetStrings(-1, "x"), kx::EListError);
  EXPECT_THROW(c.List.Delete(2), kx::EListError);
  EXPECT_THROW(c.List.Insert(3, "x"), kx::EListError);
  c.List.Insert(2, "end");
  EXPECT_EQ(c.List.Text(), "a\nb\nend\n");
  EXPECT_EQ(c.Changes, 9);
  // Text ends every line with a break; SetText splits at every kind of break (a final one adds
  // no empty line) and fires once; lookups ignore case but match whole strings; Assign copies
  // strings and objects and fires once, other sources raise and change nothing.
  c.List.Clear();
  EXPECT_EQ(c.List.Text(), "");
  c.Changes = 0;
  c.List.Add("old");
  c.List.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(c.Changes, 2);
  EXPECT_EQ(c.List.Text(), "a\nb\nc\n\nd\n");
  c.List.SetText("Alpha\nbeta\nBETA\n");
  EXPECT_EQ(c.List.Count(), 3);
  EXPECT_EQ(std::pair(c.List.IndexOf("ALPHA"), c.List.IndexOf("Beta")), std::pair(0, 1));
  EXPECT_EQ(c.List.IndexOf("Alph"), -1);
  kx::TKXStringList source;
  source.Add("x", &thing);
  c.List.Assign(&source);
  c.List.Assign(&c.List);
  EXPECT_EQ(c.Changes, 4);
  EXPECT_EQ(c.List.Objects(0), &thing);
  kx::TKXPersistent other;
  EXPECT_THROW(c.List.Assign(&other), kx::EConvertError);
  EXPECT_THROW(c.List.Assign(nullptr), kx::EConvertError);
  EXPECT_EQ(c.List.Text(), "x\n");
  c.List.SetText("");
  EXPECT_EQ(c.List.Count(), 0);
}

}  // namespace
