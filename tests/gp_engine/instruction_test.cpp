#include <gtest/gtest.h>

#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

TEST(GPInstruction, ArityAndKindKeepEachOtherConsistent) {
  kx::TKXGPFloatInstructions set(nullptr);
  Instruction* item = set.Add();
  EXPECT_EQ(item->Operation(), kx::gpVariable);
  item->SetArity(-3);
  EXPECT_EQ(item->Arity(), 0);
  EXPECT_EQ(item->Operation(), kx::gpVariable);
  item->SetArity(2);
  EXPECT_EQ(item->Operation(), kx::gpFunction);
  item->SetOperation(kx::gpConstant);
  EXPECT_EQ(item->Arity(), 0);
  // Without an engine nothing caps the arity.
  item->SetArity(5);
  EXPECT_EQ(item->Arity(), 5);
}

TEST(GPInstruction, EngineCapsTheArity) {
  FakeEngine engine(2);
  Instruction* item = engine.GetInstructions()->Add();
  item->SetArity(5);
  EXPECT_EQ(item->Arity(), 2);
  EXPECT_EQ(item->Operation(), kx::gpFunction);
}

TEST(GPInstruction, NamesAreUniqueIgnoringLetterCase) {
  kx::TKXGPFloatInstructions set(nullptr);
  Instruction* add = set.Add();
  add->SetName("Add");
  Instruction* other = set.Add();
  other->SetName("Sub");
  try {
    other->SetName("ADD");
    FAIL() << "duplicate name accepted";
  } catch (const kx::EGPException& e) {
    EXPECT_STREQ(e.what(), "instruction name must be unique");
  }
  EXPECT_EQ(other->Name(), "Sub");
  // The own name in another spelling is found too; the identical name is accepted.
  EXPECT_THROW(add->SetName("add"), kx::EGPException);
  EXPECT_NO_THROW(add->SetName("Add"));
  // Only A-Z fold: accented bytes compare exactly.
  EXPECT_EQ(set.IndexOf("\xC3\xA9"), -1);
}

TEST(GPInstruction, LookupByNameIgnoresCase) {
  Vocabulary v;
  EXPECT_EQ(v.Set.IndexOf("add"), 0);
  EXPECT_EQ(v.Set.FindItemName("MUL"), v.Mul);
  EXPECT_EQ(v.Set.ItemByName("X"), v.X);
  EXPECT_EQ(v.Set.FindItemName("Sub"), nullptr);
  try {
    v.Set.ItemByName("Sub");
    FAIL();
  } catch (const kx::EGPException& e) {
    EXPECT_STREQ(e.what(), "Unknown instruction \"Sub\"");
  }
}

TEST(GPInstruction, DisplayNameAndText) {
  kx::TKXGPFloatInstructions set(nullptr);
  Instruction* item = set.Add();
  EXPECT_EQ(item->DisplayName(), "TKXGPFloatInstruction");
  EXPECT_EQ(item->ToString(), "TKXGPFloatInstruction '' gpVariable");
  item->SetName("Add");
  item->SetComment("sum");
  item->SetArity(2);
  EXPECT_EQ(item->ToString(), "Add 'sum' gpFunction");
}

TEST(GPInstruction, ArgumentCountError) {
  Vocabulary v;
  Context context;
  NodePtr node = Leaf(v.Add);
  node->AddChild(Leaf(v.One));
  try {
    node->Execute(&context);
    FAIL();
  } catch (const kx::EGPException& e) {
    EXPECT_STREQ(e.what(), "Invalid number of arguments (1) for \"Add\" instruction");
  }
  // Extra arguments are not an error; the handler uses the first two.
  node->AddChild(Leaf(v.One));
  node->AddChild(Leaf(v.X));
  EXPECT_DOUBLE_EQ(node->Execute(&context), 2.0);
}

TEST(GPInstruction, BuiltInResultsAndHandlerOverride) {
  Vocabulary v;
  Context context;
  NodePtr x = Leaf(v.X);
  EXPECT_EQ(x->Execute(&context), 0.0);  // absent variable
  int calls = 0;
  v.X->SetOnExecute([&calls](kx::TKXObject* Sender, Node*, Context*, double& Result) {
    EXPECT_EQ(Result, 0.0);
    EXPECT_EQ(Sender->ClassName(), "TKXGPFloatInstruction");
    ++calls;
    Result = 7;
  });
  EXPECT_EQ(x->Execute(&context), 7.0);
  EXPECT_EQ(calls, 1);
  // A constant yields the node's own value, not the instruction's.
  NodePtr one = Leaf(v.One);
  one->SetValue(4.5);
  EXPECT_EQ(one->Execute(&context), 4.5);
  // A function without a handler yields 0.
  Instruction* f = v.Set.Add();
  f->SetName("F");
  f->SetArity(1);
  NodePtr call = Leaf(f);
  call->AddChild(Leaf(v.One));
  EXPECT_EQ(call->Execute(&context), 0.0);
}

TEST(GPInstruction, HandlerErrorsPropagateUnchanged) {
  Vocabulary v;
  Context context;
  v.One->SetOnExecute(
      [](kx::TKXObject*, Node*, Context*, double&) { throw std::domain_error("handler failed"); });
  NodePtr node = Leaf(v.One);
  EXPECT_THROW(node->Execute(&context), std::domain_error);
}

TEST(GPInstruction, AssignCopiesDataAssignAllAlsoHandlers) {
  Vocabulary source;
  source.Add->SetComment("sum");
  int initialized = 0;
  source.Add->SetOnInitialize([&initialized](kx::TKXObject*) { ++initialized; });

  kx::TKXGPFloatInstructions copy(nullptr);
  copy.Assign(&source.Set);
  ASSERT_EQ(copy.Count(), 5);
  Instruction* add = copy.Items(0);
  EXPECT_EQ(add->Name(), "Add");
  EXPECT_EQ(add->Comment(), "sum");
  EXPECT_EQ(add->Arity(), 2);
  EXPECT_EQ(add->Operation(), kx::gpFunction);
  EXPECT_EQ(copy.Items(4)->Value(), 1.0);
  EXPECT_EQ(copy.Items(4)->Operation(), kx::gpConstant);
  EXPECT_FALSE(add->OnExecute());
  EXPECT_FALSE(add->OnInitialize());

  kx::TKXGPFloatInstructions all(nullptr);
  all.Add()->SetName("stale");
  all.AssignAll(&source.Set);
  ASSERT_EQ(all.Count(), 5);
  EXPECT_EQ(all.Items(0)->Name(), "Add");
  ASSERT_TRUE(all.Items(0)->OnExecute());
  all.Items(0)->Initialize();
  EXPECT_EQ(initialized, 1);
  // A source that is not a set leaves the set alone.
  all.AssignAll(source.Add);
  EXPECT_EQ(all.Count(), 5);
  EXPECT_THROW(add->Assign(&source.Set), kx::EConvertError);
}

TEST(GPInstruction, SetFillsAStringListWithDisplayNames) {
  Vocabulary v;
  v.Set.Add();  // unnamed
  kx::TKXStringList list;
  list.Add("old");
  int changes = 0;
  list.SetOnChange([&changes](kx::TKXObject*) { ++changes; });
  list.Assign(&v.Set);
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Strings(0), "Add");
  EXPECT_EQ(list.Objects(3), v.Y);
  EXPECT_EQ(list.Strings(5), "TKXGPFloatInstruction");
  EXPECT_EQ(changes, 1);  // one bracketed change
}

TEST(GPInstruction, EveryChangeReachesTheEngine) {
  FakeEngine engine;
  kx::TKXGPInstructions<double>* set = engine.GetInstructions();
  Instruction* item = set->Add();
  EXPECT_EQ(engine.Log, (std::vector<std::string>{"added ", "update nil"}));
  engine.Log.clear();
  item->SetName("f");
  item->SetArity(2);
  EXPECT_EQ(engine.Log,
            (std::vector<std::string>{"update f", "operation f", "update f", "update f"}));
  engine.Log.clear();
  item->SetComment("c");
  item->SetValue(3);
  item->SetArity(2);
  EXPECT_TRUE(engine.Log.empty());
  set->BeginUpdate();
  item->SetName("g");
  set->EndUpdate();
  EXPECT_EQ(engine.Log, (std::vector<std::string>{"update nil"}));
  engine.Log.clear();
  set->Delete(0);
  ASSERT_FALSE(engine.Log.empty());
  EXPECT_EQ(engine.Log.front(), "deleting g");
}
