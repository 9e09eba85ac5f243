// Instruction sets and program trees in domain documents: the element forms written, the
// merge of a document's set into an existing one and bad input (the node tests read back
// every edited tree).

#include "gp_engine_test_support.hpp"

using namespace kx_test;

using Set = kx::TXMLGPInstructions;

TEST(InstructionDocumentTest, WritesOneElementPerInstructionInIndexOrder) {
  Vocabulary v;
  v.Add->SetComment("a + b");
  v.One->SetValue(2.5);
  v.Set.Add();                 // unnamed variable: written under its class name
  v.Set.Add()->SetArity(300);  // arity written in eight bits
  EXPECT_EQ(Saved<Set>(v.Set),
            std::string("<Instructions>"
                        "<Function Name=\"Add\" Comment=\"a + b\" Arity=\"2\"/>"
                        "<Function Name=\"Mul\" Comment=\"\" Arity=\"2\"/>"
                        "<Variable Name=\"x\" Comment=\"\"/>"
                        "<Variable Name=\"y\" Comment=\"\"/>"
                        "<Constant Name=\"one\" Comment=\"\"><Value>2.5</Value></Constant>"
                        "<Variable Name=\"TKXGPFloatInstruction\" Comment=\"\"/>"
                        "<Function Name=\"TKXGPFloatInstruction\" Comment=\"\" Arity=\"44\"/>"
                        "</Instructions>"));
}

// Instructions present in set and document keep their identity (and handlers) and take the
// document's data; those only in the set go; new ones come by list order (functions,
// variables, constants, float constants, variant constants), kinds are stored directly (a
// function read from a Variable element keeps its arity), a VariantConstant carries no
// float value and names equal ignoring case load into one instruction.
TEST(InstructionDocumentTest, MergeKeepsUpdatesDeletesAndAppendsByListOrder) {
  FakeEngine engine;
  Instructions& set = *engine.GetInstructions();
  for (const char* name : {"a", "b", "c"}) set.Add()->SetName(name);
  Instruction *a = set.Items(0), *c = set.Items(2);
  c->SetOnExecute([](kx::TKXObject*, Node*, Context*, double&) {});
  engine.Log.clear();
  Load<Set>(set,
            "<Instructions><Constant Name=\"k\"><Value>4</Value></Constant>"
            "<Constant Name=\"A\"><Value>7</Value></Constant>"
            "<VariantConstant Name=\"q\"><Value>9</Value></VariantConstant>"
            "<Variable Name=\"v\"/><Variable Name=\"C\" Comment=\"second\"/>"
            "<Function Name=\"f\" Arity=\"1\"/><Function Name=\"c\" Comment=\"first\" Arity=\"3\"/>"
            "</Instructions>");
  std::vector<std::string> items;
  for (int i = 0; i < set.Count(); ++i)
    items.push_back(set.Items(i)->ToString() + " " + std::to_string(set.Items(i)->Arity()) + " " +
                    std::to_string(set.Items(i)->Value()));
  EXPECT_THAT(items, ::testing::ElementsAre(
                         "A '' gpConstant 0 7.000000", "C 'second' gpVariable 3 0.000000",
                         "f '' gpFunction 1 0.000000", "v '' gpVariable 0 0.000000",
                         "k '' gpConstant 0 4.000000", "q '' gpConstant 0 0.000000"));
  EXPECT_TRUE(set.Items(0) == a && set.Items(1) == c && c->OnExecute());
  EXPECT_THAT(engine.Log, ::testing::IsSupersetOf({"deleting b", "added "}));
  // A bad arity raises and deletes nothing.
  for (const char* arity : {"abc", "256", "-1"}) {
    EXPECT_THROW(
        Load<Set>(set, std::string("<I><Function Name=\"A\" Arity=\"") + arity + "\"/></I>"),
        kx::EConvertError);
    EXPECT_EQ(set.Count(), 6);
  }
}

// The exact element forms; bad input raises keeping what was read; an instruction read under its
// class name (as an unnamed one is written) stays unnamed, and a DNA element using that name (or
// none) finds it.
TEST(NodeDocumentTest, FormsBadInputAndNamelessInstructions) {
  Vocabulary v, nameless;
  EXPECT_EQ(Saved(*Apply(v.Add, Leaf(v.X), Leaf(v.One))),
            "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
            "<Child Instruction=\"one\"><Value>1</Value></Child></DNA>");
  // A binary node whose left side was vacated writes its right child alone.
  NodePtr binary = Binary(v.Add);
  for (Instruction* side : {v.X, v.Y}) binary->AddChild(Binary(side));
  binary->ExtractChild(binary->Child(0));
  EXPECT_EQ(Saved(*binary), "<DNA Instruction=\"Add\"><Child Instruction=\"y\"/></DNA>");
  NodePtr node = Leaf(v.One);
  EXPECT_EQ(ErrorOf<kx::EGPException>([&] {
              Load(*node,
                   "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
                   "<Child Instruction=\"Sub\"/><Child Instruction=\"y\"/></DNA>");
            }),
            "Unknown instruction \"Sub\"");
  EXPECT_EQ(node->ToString(), "(Add x Add)");  // the failed child keeps its provisional instruction
  for (const char* value : {"<Value>abc</Value>", "<Value/>", ""}) {
    EXPECT_THROW(Load(*Leaf(v.X), std::string("<DNA Instruction=\"one\">") + value + "</DNA>"),
                 kx::EConvertError);
  }
  EXPECT_EQ(ErrorOf([&] { Load(*Leaf(v.Add), "<DNA Instruction=\"Add\"><Child/></DNA>"); }),
            "Unknown instruction \"\"");
  Load<Set>(nameless.Set, "<I><Function Name=\"TKXGPFloatInstruction\" Arity=\"1\"/></I>");
  ASSERT_EQ(nameless.Set.Count(), 1);
  Instruction* unnamed = nameless.Set.Items(0);
  EXPECT_EQ(unnamed->Name() + unnamed->ToString(), "TKXGPFloatInstruction '' gpFunction");
  node = Leaf(unnamed);
  Load(*node, "<DNA Instruction=\"TKXGPFloatInstruction\"><Child/></DNA>");
  EXPECT_TRUE(node->Instruction() == unnamed && node->Child(0)->Instruction() == unnamed);
}
