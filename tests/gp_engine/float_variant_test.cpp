#include "gp_engine_test_support.hpp"

using namespace kx_test;
using kx::TGPInstructionElement;

TEST(GPFloatClasses, ValuesPrintAndLoad) {
  Vocabulary v;
  kx::TKXGPFloatNode node(v.One);
  for (auto [value, text] : {std::pair{2.5, "2.5"}, {1e20, "1E20"}, {1.5e-7, "1.5E-7"}}) {
    node.SetValue(value);
    EXPECT_EQ(node.ValueToString(), text);
  }
  EXPECT_EQ(Leaf(v.X)->ValueToString() + "|" + Leaf(v.Add)->ValueToString(), "x|");
  // Instructions convert leniently, and only from constant elements.
  v.X->LoadValueFromXML(TGPInstructionElement::ieConstant, "2.5");
  v.X->LoadValueFromXML(TGPInstructionElement::ieFloatConstant, "not a number");
  v.X->LoadValueFromXML(TGPInstructionElement::ieVariantConstant, "9");
  v.X->LoadValueFromXML(TGPInstructionElement::ieVariable, "9");
  EXPECT_EQ(v.X->Value(), 2.5);
  std::string text = "untouched";
  EXPECT_FALSE(v.X->SaveValueToXML(TGPInstructionElement::ieFunction, text));
  EXPECT_EQ(text, "untouched");
}

TEST(GPVariantClasses, ValuesAreTextUntilSavedAndTreesRunSingleOrInBatches) {
  using Variant = kx::TKXVariant;
  kx::TKXGPVariantInstructions set(nullptr);
  auto* constant = set.Add();
  constant->SetOperation(kx::gpConstant);
  constant->LoadValueFromXML(TGPInstructionElement::ieConstant, "3");
  constant->LoadValueFromXML(TGPInstructionElement::ieVariantConstant, "4");
  EXPECT_THAT(constant->Value().AsString(), ::testing::Pointee(std::string("3")));
  kx::TKXGPVariantNode node(constant);
  node.LoadValueFromXML("3");
  EXPECT_NE(node.Value().AsString(), nullptr) << "a loaded value is text, not a number";
  std::string text;
  EXPECT_TRUE(node.SaveValueToXML(text));
  EXPECT_EQ(text, "3");
  node.SetValue(Variant("abc"));
  EXPECT_THROW(node.SaveValueToXML(text), kx::EConvertError);
  // s joined to itself as text by a block handler, over variables read single or in batches.
  set.Add()->SetName("s");
  auto root = std::make_unique<kx::TKXGPVariantNode>(set.Add());
  root->Instruction()->SetOnExecuteBatch(
      [](kx::TKXObject*, kx::TKXGPNode<Variant>*, kx::TKXGPBatch<Variant>& B) {
        for (std::size_t k = 0; k < B.Count(); ++k) {
          B.Results()[k] = B.Argument(0)[k].ToString() + B.Argument(1)[k].ToString();
        }
      });
  for (int i = 0; i < 2; ++i) root->AddChild(std::make_unique<kx::TKXGPVariantNode>(set.Items(1)));
  kx::TKXGPContext<Variant> context;
  EXPECT_TRUE(root->Child(0)->Execute(&context).IsEmpty());
  context.Values().Add("s", Variant("hello"));
  EXPECT_EQ(root->Child(1)->Execute(&context).ToString(), "hello");
  kx::TKXGPBatchContext<Variant> batch(2);
  batch.Column("s")[0] = "ab";
  batch.Column("s")[1] = 7;
  std::vector<Variant> results(2);
  root->ExecuteBatch(batch, results);
  EXPECT_EQ(results, (std::vector<Variant>{"abab", "77"}));
}
