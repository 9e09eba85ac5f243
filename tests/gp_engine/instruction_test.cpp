#include <kx/host/string_list.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

TEST(GPInstruction, ArityAndKindKeepEachOtherConsistent) {
  kx::TKXGPFloatInstructions set(nullptr);
  Instruction* item = set.Add();
  EXPECT_EQ(item->ToString(), "TKXGPFloatInstruction '' gpVariable");
  item->SetArity(-3);
  EXPECT_EQ(item->Arity(), 0);
  EXPECT_EQ(item->Operation(), kx::gpVariable);
  item->SetArity(2);
  EXPECT_EQ(item->Operation(), kx::gpFunction);
  item->SetOperation(kx::gpConstant);
  EXPECT_EQ(item->Arity(), 0);
  item->SetArity(5);  // without an engine nothing caps the arity
  item->SetName("Add");
  item->SetComment("sum");
  EXPECT_EQ(item->ToString() + std::to_string(item->Arity()), "Add 'sum' gpFunction5");
  FakeEngine engine(2);
  Instruction* capped = engine.GetInstructions()->Add();
  capped->SetArity(5);
  EXPECT_EQ(capped->Arity(), 2);
}

TEST(GPInstruction, NamesAreUniqueAndLookedUpIgnoringLetterCase) {
  Vocabulary v;
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { v.Mul->SetName("ADD"); }),
            "instruction name must be unique");
  EXPECT_EQ(v.Mul->Name(), "Mul");
  EXPECT_THROW(v.Add->SetName("add"), kx::EGPException);
  EXPECT_NO_THROW(v.Add->SetName("Add"));
  EXPECT_EQ(v.Set.IndexOf("add"), 0);
  EXPECT_EQ(v.Set.FindItemName("MUL"), v.Mul);
  EXPECT_EQ(v.Set.IndexOf("\xC3\xA9"), -1);  // only A-Z fold
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { v.Set.ItemByName("Sub"); }),
            "Unknown instruction \"Sub\"");
}

// Results of the kinds and handlers are compared with the batch path in the batch tests.
TEST(GPInstruction, ExecutionErrorsAndBareFunctions) {
  Vocabulary v;
  Context context;
  NodePtr node = Leaf(v.Add);
  node->AddChild(Leaf(v.One));
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { node->Execute(&context); }),
            "Invalid number of arguments (1) for \"Add\" instruction");
  node->AddChild(Leaf(v.One));  // extra arguments are not an error
  node->AddChild(Leaf(v.X));
  EXPECT_EQ(node->Execute(&context), 2.0);
  v.Add->SetOnExecute(nullptr);
  EXPECT_EQ(node->Execute(&context), 0.0);
  v.One->SetOnExecute(
      [](kx::TKXObject*, Node*, Context*, double&) { throw std::domain_error(""); });
  EXPECT_THROW(Leaf(v.One)->Execute(&context), std::domain_error);
}

// The components' tests check which handlers Assign and AssignAll copy.
TEST(GPInstruction, AssignAllCopiesEveryHandlerAndAStringListGetsTheDisplayNames) {
  Vocabulary source;
  int initialized = 0;
  source.Add->SetOnInitialize([&initialized](kx::TKXObject*) { ++initialized; });
  source.Add->SetOnExecuteBatch([](kx::TKXObject*, Node*, kx::TKXGPBatch<double>&) {});
  kx::TKXGPFloatInstructions all(nullptr);
  all.Add()->SetName("stale");
  all.AssignAll(&source.Set);
  all.AssignAll(source.Add);  // not a set: ignored
  ASSERT_EQ(all.Count(), 5);
  EXPECT_EQ(all.Items(4)->ToString() + std::to_string(all.Items(4)->Value()),
            "one '' gpConstant1.000000");
  EXPECT_TRUE(all.Items(0)->OnExecute() && all.Items(0)->OnExecuteBatch());
  all.Items(0)->Initialize();
  EXPECT_EQ(initialized, 1);
  EXPECT_THROW(all.Items(0)->Assign(&source.Set), kx::EConvertError);
  // A string list receives display names and objects in one bracketed change.
  source.Set.Add();
  kx::TKXStringList list;
  int changes = 0;
  list.SetOnChange([&changes](kx::TKXObject*) { ++changes; });
  list.Assign(&source.Set);
  ASSERT_EQ(list.Count(), 6);
  EXPECT_EQ(list.Objects(3), source.Y);
  EXPECT_EQ(list.Strings(5) + list.Strings(0), "TKXGPFloatInstructionAdd");
  EXPECT_EQ(changes, 1);
}

TEST(GPInstruction, EveryChangeReachesTheEngine) {
  FakeEngine engine;
  kx::TKXGPInstructions<double>* set = engine.GetInstructions();
  Instruction* item = set->Add();
  item->SetName("f");
  item->SetArity(2);
  item->SetComment("c");  // comment, value and an unchanged arity notify nothing
  item->SetValue(3);
  item->SetArity(2);
  item->SetName("f");  // the current name again: accepted, and still a change
  set->BeginUpdate();
  item->SetName("g");
  set->EndUpdate();
  set->Delete(0);
  engine.Log.resize(std::min<std::size_t>(engine.Log.size(), 9));
  EXPECT_THAT(engine.Log,
              ::testing::ElementsAre("added ", "update nil", "update f", "operation f", "update f",
                                     "update f", "update f", "update nil", "deleting g"));
}
