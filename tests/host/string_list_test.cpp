#include "host/host_test_support.hpp"

// Each modification fires once; nested brackets fire once in all at the outer end, and only
// when something changed; bad indexes raise and change nothing; inserting at Count appends.
TEST(StringList, ModificationsFireOnceBracketsOnceInAllAndTextLookupsAndAssignFollow) {
  kx::TKXStringList list;
  kx::TKXObject thing;
  int changes = 0;
  list.SetOnChange([&](kx::TKXObject* Sender) { changes += Sender == &list ? 1 : 100; });
  EXPECT_EQ(list.Add("a"), 0);
  EXPECT_EQ(list.Add("b", &thing), 1);
  list.Insert(0, "z");
  list.SetStrings(1, "A");
  list.SetObjects(1, &thing);
  list.Delete(2);
  list.Clear();
  list.Clear();
  EXPECT_EQ(changes, 7);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("a");
  list.Add("b");
  list.EndUpdate();
  EXPECT_EQ(changes, 7);
  list.EndUpdate();
  list.BeginUpdate();
  list.EndUpdate();
  EXPECT_EQ(changes, 8);
  EXPECT_THROW(list.SetStrings(-1, "x"), kx::EListError);
  EXPECT_THROW(list.Delete(2), kx::EListError);
  EXPECT_THROW(list.Insert(3, "x"), kx::EListError);
  list.Insert(2, "end");
  EXPECT_EQ(list.Text(), "a\nb\nend\n");
  EXPECT_EQ(changes, 9);
  // Text ends every line with a break; SetText splits at every kind of break (a final one adds
  // no empty line) and fires once; lookups ignore case but match whole strings; Assign copies
  // strings and objects and fires once, other sources raise and change nothing.
  list.Clear();
  EXPECT_EQ(list.Text(), "");
  changes = 0;
  list.Add("old");
  list.SetText("a\r\nb\rc\n\nd");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(list.Text(), "a\nb\nc\n\nd\n");
  list.SetText("Alpha\nbeta\nBETA\n");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(std::pair(list.IndexOf("ALPHA"), list.IndexOf("Beta")), std::pair(0, 1));
  EXPECT_EQ(list.IndexOf("Alph"), -1);
  kx::TKXStringList source;
  source.Add("x", &thing);
  list.Assign(&source);
  list.Assign(&list);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(list.Objects(0), &thing);
  kx::TKXPersistent other;
  EXPECT_THROW(list.Assign(&other), kx::EConvertError);
  EXPECT_THROW(list.Assign(nullptr), kx::EConvertError);
  EXPECT_EQ(list.Text(), "x\n");
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}
