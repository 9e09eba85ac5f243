#include <kx/host/string_list.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

TEST(GPInstruction, ChangesReachTheEngineArityAndKindAgreeNamesAreUniqueIgnoringCase) {
  Vocabulary v;
  FakeEngine engine(2);  // every change of its instructions reaches the engine
  Instructions* set = engine.GetInstructions();
  Instruction* capped = set->Add();
  capped->SetName("f");
  capped->SetArity(2);
  capped->SetComment("c");  // comment, value and an unchanged arity notify nothing
  capped->SetValue(3);
  capped->SetArity(2);
  capped->SetName("f");  // the current name again: accepted, and still a change
  set->BeginUpdate();
  capped->SetName("g");
  set->EndUpdate();
  EXPECT_THAT(engine.Log, ::testing::ElementsAre("added ", "update nil", "update f", "operation f",
                                                 "update f", "update f", "update f", "update nil"));
  Instruction* item = v.Set.Add();
  auto state = [&] { return item->ToString() + " " + std::to_string(item->Arity()); };
  item->SetArity(-3);
  EXPECT_EQ(state(), "TKXGPFloatInstruction '' gpVariable 0");
  item->SetArity(2);
  EXPECT_EQ(state(), "TKXGPFloatInstruction '' gpFunction 2");
  item->SetOperation(kx::gpConstant);
  EXPECT_EQ(state(), "TKXGPFloatInstruction '' gpConstant 0");
  item->SetArity(5);  // without an engine nothing caps the arity
  capped->SetArity(5);
  EXPECT_EQ(state() + std::to_string(capped->Arity()), "TKXGPFloatInstruction '' gpFunction 52");
  set->Delete(0);
  EXPECT_THAT(engine.Log, ::testing::Contains("deleting g"));
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { v.Mul->SetName("ADD"); }) + " " + v.Mul->Name(),
            "instruction name must be unique Mul");
  // Its own name in another case is refused too.
  EXPECT_THROW(v.Add->SetName("add"), kx::EGPException);
  v.Y->SetName("\xC3\x89");  // only A-Z fold, so an accented capital matches nothing
  EXPECT_EQ(v.Set.IndexOf("add") * 10 + v.Set.IndexOf("\xC3\xA9"), -1);
  EXPECT_EQ(v.Set.FindItemName("MUL"), v.Mul);
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] { v.Set.ItemByName("Sub"); }),
            "Unknown instruction \"Sub\"");
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
  EXPECT_EQ(list.Strings(5) + list.Strings(0) + std::to_string(changes),
            "TKXGPFloatInstructionAdd1");
}
