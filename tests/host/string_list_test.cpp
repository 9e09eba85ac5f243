#include "host/host_test_support.hpp"

namespace {

class Thing : public kx::TKXObject {};

// A list that counts its OnChange events.
struct CountedList {
  kx::TKXStringList List;
  int Changes = 0;
  CountedList() {
    List.SetOnChange([this](kx::TKXObject* Sender) {
      EXPECT_EQ(Sender, &List);
      ++Changes;
    });
  }
};

}  // namespace

TEST(StringList, EveryModificationFiresOnChangeOnceAndBracketsOnceInAll) {
  CountedList c;
  Thing thing;
  EXPECT_EQ(c.List.Add("a"), 0);
  EXPECT_EQ(c.List.Add("b", &thing), 1);
  c.List.Insert(0, "z");
  c.List.SetStrings(1, "A");
  c.List.SetObjects(1, &thing);
  c.List.Delete(2);
  c.List.Clear();
  EXPECT_EQ(c.Changes, 7);
  c.List.Clear();  // nothing to clear, nothing changes
  EXPECT_EQ(c.Changes, 7);

  c.List.BeginUpdate();
  c.List.BeginUpdate();
  c.List.Add("a");
  c.List.Add("b");
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 7);
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 8);
  c.List.BeginUpdate();
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 8);

  // Bad indexes raise and change nothing; inserting at Count appends.
  EXPECT_THROW(c.List.SetStrings(-1, "x"), kx::EListError);
  EXPECT_THROW(c.List.Delete(2), kx::EListError);
  EXPECT_THROW(c.List.Insert(3, "x"), kx::EListError);
  c.List.Insert(2, "end");
  EXPECT_EQ(c.List.Text(), "a\nb\nend\n");
  EXPECT_EQ(c.Changes, 9);
}

TEST(StringList, TextEndsEveryLineSetTextSplitsAtEveryBreakAndLookupsIgnoreCase) {
  CountedList c;
  EXPECT_EQ(c.List.Text(), "");
  c.List.Add("old");
  c.Changes = 0;
  c.List.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(c.Changes, 1);
  EXPECT_EQ(c.List.Text(), "a\nb\nc\n\nd\n");
  // A final break does not add an empty line, so Text reads back.
  c.List.SetText("Alpha\nbeta\nBETA\n");
  EXPECT_EQ(c.List.Count(), 3);
  EXPECT_EQ(c.List.IndexOf("ALPHA"), 0);
  EXPECT_EQ(c.List.IndexOf("Beta"), 1);
  EXPECT_EQ(c.List.IndexOf("Alph"), -1);
  c.List.SetText("");
  EXPECT_EQ(c.List.Count(), 0);
  EXPECT_FALSE(kx::SameText("ab", "abc"));
}

TEST(StringList, AssignCopiesStringsAndObjectsOrRaises) {
  Thing thing;
  kx::TKXStringList source;
  source.Add("x", &thing);
  source.Add("y");
  CountedList dest;
  dest.List.Add("old");
  dest.List.Assign(&source);
  dest.List.Assign(&dest.List);
  EXPECT_EQ(dest.Changes, 2);
  EXPECT_EQ(dest.List.Text(), "x\ny\n");
  EXPECT_EQ(dest.List.Objects(0), &thing);
  kx::TKXPersistent other;
  EXPECT_THROW(dest.List.Assign(&other), kx::EConvertError);
  EXPECT_THROW(dest.List.Assign(nullptr), kx::EConvertError);
  EXPECT_EQ(dest.List.Text(), "x\ny\n");
}
