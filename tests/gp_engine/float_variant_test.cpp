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
  node.LoadValueFromXML("0.25");
  EXPECT_EQ(node.Value(), 0.25);
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

TEST(GPVariantClasses, ValuesAreTextUntilSaved) {
  kx::TKXGPVariantInstructions set(nullptr);
  auto* constant = set.Add();
  constant->SetOperation(kx::gpConstant);
  constant->LoadValueFromXML(TGPInstructionElement::ieConstant, "3");
  constant->LoadValueFromXML(TGPInstructionElement::ieVariantConstant, "4");
  ASSERT_NE(constant->Value().AsString(), nullptr);
  EXPECT_EQ(*constant->Value().AsString(), "3");
  kx::TKXGPVariantNode node(constant);
  node.LoadValueFromXML("3");
  EXPECT_NE(node.Value().AsString(), nullptr) << "a loaded value is text, not a number";
  std::string text;
  EXPECT_TRUE(node.SaveValueToXML(text));
  EXPECT_EQ(text, "3");
  node.SetValue(kx::TKXVariant("abc"));
  EXPECT_THROW(node.SaveValueToXML(text), kx::EConvertError);
  set.Add()->SetName("v");
  kx::TKXGPVariantNode leaf(set.Items(1));
  kx::TKXGPContext<kx::TKXVariant> context;
  EXPECT_TRUE(leaf.Execute(&context).IsEmpty());
  context.Values().Add("v", kx::TKXVariant("hello"));
  EXPECT_EQ(leaf.Execute(&context).ToString(), "hello");
}
