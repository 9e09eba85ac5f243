#include <gtest/gtest.h>

#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>
#include <string>

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

TEST(StringList, EveryModificationFiresOnChangeOnce) {
  CountedList c;
  Thing thing;
  EXPECT_EQ(c.List.Add("a"), 0);
  EXPECT_EQ(c.List.Add("b", &thing), 1);
  c.List.Insert(0, "z");
  c.List.SetStrings(1, "A");
  c.List.SetObjects(1, &thing);
  c.List.Delete(2);
  EXPECT_EQ(c.Changes, 6);
  c.List.Clear();
  EXPECT_EQ(c.Changes, 7);
  c.List.Clear();  // nothing to clear, nothing changes
  EXPECT_EQ(c.Changes, 7);
}

TEST(StringList, BracketsReportOnceAndOnlyAfterChanges) {
  CountedList c;
  c.List.BeginUpdate();
  c.List.BeginUpdate();
  c.List.Add("a");
  c.List.Add("b");
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 0);
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 1);
  c.List.BeginUpdate();
  c.List.EndUpdate();
  EXPECT_EQ(c.Changes, 1);
}

TEST(StringList, BadIndexesRaiseAndChangeNothing) {
  CountedList c;
  c.List.Add("a");
  EXPECT_THROW(c.List.Strings(1), kx::EListError);
  EXPECT_THROW(c.List.Strings(-1), kx::EListError);
  EXPECT_THROW(c.List.SetStrings(1, "x"), kx::EListError);
  EXPECT_THROW(c.List.Objects(1), kx::EListError);
  EXPECT_THROW(c.List.Delete(1), kx::EListError);
  EXPECT_THROW(c.List.Insert(2, "x"), kx::EListError);
  c.List.Insert(1, "end");  // inserting at Count appends
  EXPECT_EQ(c.List.Count(), 2);
  EXPECT_EQ(c.Changes, 2);
}

TEST(StringList, IndexOfIgnoresCaseUnlessCaseSensitive) {
  kx::TKXStringList list;
  list.Add("Alpha");
  list.Add("beta");
  list.Add("BETA");
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("Beta"), 1);
  EXPECT_EQ(list.IndexOf("gamma"), -1);
  EXPECT_EQ(list.IndexOf("Alph"), -1);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("BETA"), 2);
  EXPECT_EQ(list.IndexOf("Beta"), -1);
  EXPECT_TRUE(kx::SameText("aBc", "AbC"));
  EXPECT_FALSE(kx::SameText("abc", "abd"));
  EXPECT_FALSE(kx::SameText("ab", "abc"));
}

TEST(StringList, TextEndsEveryLineWithABreak) {
  kx::TKXStringList list;
  EXPECT_EQ(list.Text(), "");
  list.Add("one");
  list.Add("");
  list.Add("three");
  EXPECT_EQ(list.Text(), "one\n\nthree\n");
}

TEST(StringList, SetTextSplitsAtEveryKindOfBreakAndFiresOnce) {
  CountedList c;
  c.List.Add("old");
  c.Changes = 0;
  c.List.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(c.Changes, 1);
  ASSERT_EQ(c.List.Count(), 5);
  EXPECT_EQ(c.List.Strings(0), "a");
  EXPECT_EQ(c.List.Strings(1), "b");
  EXPECT_EQ(c.List.Strings(2), "c");
  EXPECT_EQ(c.List.Strings(3), "");
  EXPECT_EQ(c.List.Strings(4), "d");
  // A final break does not add an empty line, so Text reads back.
  c.List.SetText("x\ny\n");
  EXPECT_EQ(c.List.Count(), 2);
  EXPECT_EQ(c.List.Text(), "x\ny\n");
  c.List.SetText("");
  EXPECT_EQ(c.List.Count(), 0);
}

TEST(StringList, ObjectsTravelWithTheirStrings) {
  Thing a;
  Thing b;
  kx::TKXStringList list;
  list.Add("a", &a);
  list.Add("none");
  list.Insert(0, "b", &b);
  EXPECT_EQ(list.Objects(0), &b);
  EXPECT_EQ(list.Objects(1), &a);
  EXPECT_EQ(list.Objects(2), nullptr);
  EXPECT_EQ(list.IndexOfObject(&a), 1);
  list.Delete(0);
  EXPECT_EQ(list.IndexOfObject(&a), 0);
  EXPECT_EQ(list.IndexOfObject(&b), -1);
}

TEST(StringList, AssignCopiesStringsAndObjects) {
  Thing thing;
  kx::TKXStringList source;
  source.Add("x", &thing);
  source.Add("y");
  CountedList dest;
  dest.List.Add("old");
  dest.Changes = 0;
  dest.List.Assign(&source);
  EXPECT_EQ(dest.Changes, 1);
  EXPECT_EQ(dest.List.Text(), "x\ny\n");
  EXPECT_EQ(dest.List.Objects(0), &thing);
  source.SetStrings(0, "changed");
  EXPECT_EQ(dest.List.Strings(0), "x");
  dest.List.Assign(&dest.List);
  EXPECT_EQ(dest.List.Count(), 2);
}

TEST(StringList, AssignFromAnotherClassRaises) {
  kx::TKXStringList list;
  list.Add("keep");
  kx::TKXPersistent other;
  EXPECT_THROW(list.Assign(&other), kx::EConvertError);
  EXPECT_THROW(list.Assign(nullptr), kx::EConvertError);
  EXPECT_EQ(list.Text(), "keep\n");
}
