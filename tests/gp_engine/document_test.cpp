// Instruction sets and program trees in domain documents: the element forms written, the
// merge of a document's set into an existing one, tree round trips, bad input and trees
// nested far deeper than a call stack.

#include <kx/xml/gp_domain_xml.hpp>
#include <kx/xml/xml_document.hpp>

#include "gp_engine_test_support.hpp"

namespace kx_test {
namespace {

using kx::TKXXMLDocument;
using kx::TXMLDnaType;
using kx::TXMLGPInstructions;

std::unique_ptr<TKXXMLDocument> Parse(const std::string& Text) {
  auto doc = std::make_unique<TKXXMLDocument>();
  doc->LoadFromXML(Text);
  return doc;
}

std::vector<std::string> Names(const kx::TKXGPInstructions<double>& Set) {
  std::vector<std::string> names;
  for (int i = 0; i < Set.Count(); ++i) names.push_back(Set.Items(i)->Name());
  return names;
}

TEST(InstructionDocumentTest, WritesOneElementPerInstructionInIndexOrder) {
  Vocabulary v;
  v.Add->SetComment("a + b");
  v.One->SetValue(2.5);
  v.Set.Add();                 // unnamed variable: written under its class name
  v.Set.Add()->SetArity(300);  // arity written in eight bits
  auto doc = TKXXMLDocument::New("Instructions");
  v.Set.SaveToXML(kx::GetGPInstructions(*doc));
  EXPECT_EQ(kx::NodeToXML(doc->DocumentElement()),
            "<Instructions>"
            "<Function Name=\"Add\" Comment=\"a + b\" Arity=\"2\"/>"
            "<Function Name=\"Mul\" Comment=\"\" Arity=\"2\"/>"
            "<Variable Name=\"x\" Comment=\"\"/>"
            "<Variable Name=\"y\" Comment=\"\"/>"
            "<Constant Name=\"one\" Comment=\"\"><Value>2.5</Value></Constant>"
            "<Variable Name=\"TKXGPFloatInstruction\" Comment=\"\"/>"
            "<Function Name=\"TKXGPFloatInstruction\" Comment=\"\" Arity=\"44\"/>"
            "</Instructions>");
}

// The instructions already in the set keep their identity and handlers and take the data.
TEST(InstructionDocumentTest, RoundTripKeepsTheInstructionObjectsAndTheirHandlers) {
  Vocabulary source;
  Vocabulary target;
  source.Add->SetComment("sum");
  source.One->SetValue(0.1);
  target.One->SetArity(2);
  target.X->SetComment("old");
  auto doc = TKXXMLDocument::New("Instructions");
  source.Set.SaveToXML(kx::GetGPInstructions(*doc));
  const std::vector<Instruction*> before{target.Add, target.Mul, target.X, target.Y, target.One};
  target.Set.LoadFromXML(kx::GetGPInstructions(*doc));
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(target.Set.Items(i), before[i]);
    EXPECT_EQ(before[i]->ToString(), source.Set.Items(i)->ToString());
  }
  EXPECT_EQ(target.One->Value(), 0.1);
  EXPECT_TRUE(target.Add->OnExecute());
}

TEST(InstructionDocumentTest, MergeDeletesMissingAndAppendsNewByListOrder) {
  FakeEngine engine;
  kx::TKXGPInstructions<double>& set = *engine.GetInstructions();
  for (const char* name : {"a", "b", "c"}) set.Add()->SetName(name);
  Instruction* a = set.Items(0);
  Instruction* c = set.Items(2);
  engine.Log.clear();
  // Document order: constants, then variables, then functions; the lists are visited
  // functions first, so new instructions arrive in the order f, v, k. Kinds are stored
  // directly: a function read from a Variable element keeps its arity; a VariantConstant
  // carries no float value; names equal ignoring case load into one instruction.
  auto doc = Parse(
      "<Instructions>"
      "<Constant Name=\"k\"><Value>4</Value></Constant>"
      "<Constant Name=\"A\"><Value>7</Value></Constant>"
      "<VariantConstant Name=\"q\"><Value>9</Value></VariantConstant>"
      "<Variable Name=\"v\"/>"
      "<Variable Name=\"C\" Comment=\"second\"/>"
      "<Function Name=\"f\" Arity=\"1\"/>"
      "<Function Name=\"c\" Comment=\"first\" Arity=\"3\"/>"
      "</Instructions>");
  set.LoadFromXML(kx::GetGPInstructions(*doc));

  EXPECT_THAT(Names(set), ::testing::ElementsAre("A", "C", "f", "v", "k", "q"));
  EXPECT_EQ(set.Items(0), a);
  EXPECT_EQ(set.Items(1), c);
  EXPECT_DOUBLE_EQ(a->Value(), 7);
  EXPECT_EQ(c->ToString(), "C 'second' gpVariable");
  EXPECT_EQ(c->Arity(), 3);
  EXPECT_EQ(set.ItemByName("f")->Arity(), 1);
  EXPECT_DOUBLE_EQ(set.ItemByName("k")->Value(), 4);
  EXPECT_EQ(set.ItemByName("q")->Operation(), kx::gpConstant);
  EXPECT_DOUBLE_EQ(set.ItemByName("q")->Value(), 0);
  EXPECT_THAT(engine.Log, ::testing::Contains("deleting b"));
  EXPECT_THAT(engine.Log, ::testing::Contains("added "));
}

TEST(InstructionDocumentTest, BadArityRaisesAndDeletesNothing) {
  Vocabulary v;
  for (const char* arity : {"abc", "256", "-1"}) {
    auto doc = Parse(std::string("<Instructions><Function Name=\"Add\" Arity=\"") + arity +
                     "\"/></Instructions>");
    EXPECT_THROW(v.Set.LoadFromXML(kx::GetGPInstructions(*doc)), kx::EConvertError) << arity;
    EXPECT_EQ(v.Set.Count(), 5);
    EXPECT_EQ(v.Add->Arity(), 2);
  }
}

TEST(NodeDocumentTest, WritesInstructionValueAndChildrenInOrderAndReadsThemBack) {
  Vocabulary v;
  auto doc = TKXXMLDocument::New("DNA");
  Apply(v.Add, Leaf(v.X), Leaf(v.One))->SaveToXML(TXMLDnaType(doc->DocumentElement()));
  EXPECT_EQ(kx::NodeToXML(doc->DocumentElement()),
            "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/>"
            "<Child Instruction=\"one\"><Value>1</Value></Child></DNA>");

  NodePtr tree = Apply(v.Mul, Apply(v.Add, Leaf(v.X), Leaf(v.One)),
                       Apply(v.Add, Leaf(v.Y), Apply(v.Mul, Leaf(v.One), Leaf(v.X))));
  tree->Child(0)->Child(1)->SetValue(-0.125);
  tree->Child(1)->Child(1)->Child(0)->SetValue(1e-300);
  doc = TKXXMLDocument::New("DNA");
  tree->SaveToXML(TXMLDnaType(doc->DocumentElement()));
  NodePtr copy = Leaf(v.X);   // provisional instruction: the set to resolve names in
  copy->AddChild(Leaf(v.Y));  // replaced by the load
  copy->LoadFromXML(TXMLDnaType(doc->DocumentElement()));
  EXPECT_EQ(copy->ToString(), tree->ToString());
  EXPECT_EQ(copy->Depth(), tree->Depth());
  EXPECT_EQ(copy->Child(1)->Child(1)->Child(0)->Value(), 1e-300);
  EXPECT_EQ(copy->Child(0)->Parent(), copy.get());
}

TEST(NodeDocumentTest, UnknownInstructionStopsTheLoadKeepingWhatWasRead) {
  Vocabulary v;
  auto doc = Parse(
      "<DNA Instruction=\"Add\"><Child Instruction=\"x\"/><Child Instruction=\"Sub\"/>"
      "<Child Instruction=\"y\"/></DNA>");
  NodePtr node = Leaf(v.One);
  EXPECT_THAT([&] { node->LoadFromXML(TXMLDnaType(doc->DocumentElement())); },
              ThrowsMessage<kx::EGPException>("Unknown instruction \"Sub\""));
  ASSERT_EQ(node->ChildCount(), 2);
  EXPECT_EQ(node->Instruction(), v.Add);
  EXPECT_EQ(node->Child(0)->Instruction(), v.X);
}

TEST(NodeDocumentTest, NamelessInstructionsAndVacatedSides) {
  auto load = [](Node& Target, const std::string& Text) {
    Target.LoadFromXML(TXMLDnaType(Parse(Text)->DocumentElement()));
  };
  // An unnamed instruction is written under its class name: the appended instruction stays
  // unnamed, and a DNA element using that name finds it, so such a tree reads back.
  kx::TKXGPFloatInstructions source(nullptr);
  source.Add()->SetArity(1);
  auto instructions = TKXXMLDocument::New("Instructions");
  source.SaveToXML(kx::GetGPInstructions(*instructions));
  Vocabulary v;
  v.Set.LoadFromXML(kx::GetGPInstructions(*instructions));
  ASSERT_EQ(v.Set.Count(), 1);
  Instruction* unnamed = v.Set.Items(0);
  EXPECT_EQ(unnamed->Name(), "");
  EXPECT_EQ(unnamed->Arity(), 1);
  NodePtr node = Leaf(unnamed);
  load(*node, "<DNA Instruction=\"TKXGPFloatInstruction\"/>");
  EXPECT_EQ(node->Instruction(), unnamed);
  // A missing attribute is the empty name: the unnamed instruction, or an unknown name.
  node = Leaf(unnamed);
  load(*node, "<DNA><Child/></DNA>");
  EXPECT_EQ(node->Instruction(), unnamed);
  ASSERT_EQ(node->ChildCount(), 1);
  EXPECT_EQ(node->Child(0)->Instruction(), unnamed);
  Vocabulary named;
  node = Leaf(named.Add);
  EXPECT_THAT([&] { load(*node, "<DNA Instruction=\"Add\"><Child/></DNA>"); },
              ThrowsMessage<kx::EGPException>("Unknown instruction \"\""));

  // A binary node whose left side was vacated writes its right child alone.
  NodePtr binary = Binary(named.Add);
  binary->AddChild(Binary(named.X));
  binary->AddChild(Binary(named.Y));
  NodePtr left = binary->ExtractChild(binary->Child(0));
  auto doc = TKXXMLDocument::New("DNA");
  binary->SaveToXML(TXMLDnaType(doc->DocumentElement()));
  EXPECT_EQ(kx::NodeToXML(doc->DocumentElement()),
            "<DNA Instruction=\"Add\"><Child Instruction=\"y\"/></DNA>");
}

TEST(NodeDocumentTest, BadConstantValuesRaiseTheConversionError) {
  Vocabulary v;
  for (const char* text :
       {"<DNA Instruction=\"one\"><Value>abc</Value></DNA>",
        "<DNA Instruction=\"one\"><Value/></DNA>", "<DNA Instruction=\"one\"/>"}) {
    auto doc = Parse(text);
    NodePtr node = Leaf(v.X);
    EXPECT_THROW(node->LoadFromXML(TXMLDnaType(doc->DocumentElement())), kx::EConvertError) << text;
  }
}

TEST(NodeDocumentTest, MillionLevelsDeepReadAndWriteWithoutRecursion) {
  constexpr int kDepth = 1000000;
  Vocabulary v;
  Instruction* neg = v.Set.Add();
  neg->SetName("neg");
  neg->SetArity(1);
  std::string text;
  text.reserve(kDepth * 40);
  text += "<DNA Instruction=\"neg\">";
  for (int i = 1; i < kDepth; ++i) text += "<Child Instruction=\"neg\">";
  text += "<Child Instruction=\"x\"/>";
  for (int i = 1; i < kDepth; ++i) text += "</Child>";
  text += "</DNA>";
  auto doc = Parse(text);
  text.clear();
  text.shrink_to_fit();

  NodePtr node = Leaf(v.X);
  node->LoadFromXML(TXMLDnaType(doc->DocumentElement()));
  EXPECT_EQ(node->Depth(), kDepth);
  EXPECT_EQ(node->Size(), kDepth + 1);

  auto out = TKXXMLDocument::New("DNA");
  node->SaveToXML(TXMLDnaType(out->DocumentElement()));
  auto deepest = out->DocumentElement();
  int depth = 0;
  while (auto child = deepest.Child("Child")) {
    deepest = child;
    ++depth;
  }
  EXPECT_EQ(depth, kDepth);
  EXPECT_EQ(deepest.Attribute("Instruction"), "x");
}

}  // namespace
}  // namespace kx_test
