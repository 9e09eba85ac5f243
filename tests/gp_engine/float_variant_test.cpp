#include <gtest/gtest.h>

#include <kx/gp_engine/float_instruction.hpp>
#include <kx/gp_engine/float_node.hpp>
#include <kx/gp_engine/variant_instruction.hpp>
#include <kx/gp_engine/variant_node.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;
using kx::TGPInstructionElement;

TEST(GPFloatClasses, NodesPrintValuesNamesOrNothing) {
  Vocabulary v;
  NodePtr constant = Leaf(v.One);
  constant->SetValue(2.5);
  EXPECT_EQ(constant->ValueToString(), "2.5");
  constant->SetValue(1e20);
  EXPECT_EQ(constant->ValueToString(), "1E20");
  constant->SetValue(1.5e-7);
  EXPECT_EQ(constant->ValueToString(), "1.5E-7");
  EXPECT_EQ(Leaf(v.X)->ValueToString(), "x");
  EXPECT_EQ(Leaf(v.Add)->ValueToString(), "");
  EXPECT_EQ(Leaf(nullptr)->ValueToString(), "");
  kx::TKXGPBinaryFloatNode binary(v.One);
  EXPECT_EQ(binary.ValueToString(), "1");
}

TEST(GPFloatClasses, NodeValuesConvertStrictly) {
  Vocabulary v;
  kx::TKXGPFloatNode node(v.One);
  node.LoadValueFromXML("0.25");
  EXPECT_EQ(node.Value(), 0.25);
  EXPECT_THROW(node.LoadValueFromXML(""), kx::EConvertError);
  EXPECT_THROW(node.LoadValueFromXML("abc"), kx::EConvertError);
  EXPECT_EQ(node.Value(), 0.25);
  std::string text;
  EXPECT_TRUE(node.SaveValueToXML(text));
  EXPECT_EQ(text, "0.25");
  // The locale's separator is honoured both ways.
  kx::SetDecimalSeparator(',');
  node.LoadValueFromXML("1,5");
  node.SaveValueToXML(text);
  kx::SetDecimalSeparator('.');
  EXPECT_EQ(node.Value(), 1.5);
  EXPECT_EQ(text, "1,5");
}

TEST(GPFloatClasses, InstructionValuesConvertLeniently) {
  kx::TKXGPFloatInstructions set(nullptr);
  Instruction* item = set.Add();
  item->SetValue(7);
  item->LoadValueFromXML(TGPInstructionElement::ieConstant, "2.5");
  EXPECT_EQ(item->Value(), 2.5);
  item->LoadValueFromXML(TGPInstructionElement::ieFloatConstant, "not a number");
  EXPECT_EQ(item->Value(), 2.5);
  item->LoadValueFromXML(TGPInstructionElement::ieVariantConstant, "9");
  item->LoadValueFromXML(TGPInstructionElement::ieVariable, "9");
  EXPECT_EQ(item->Value(), 2.5);
  std::string text = "untouched";
  EXPECT_FALSE(item->SaveValueToXML(TGPInstructionElement::ieFunction, text));
  EXPECT_EQ(text, "untouched");
  EXPECT_TRUE(item->SaveValueToXML(TGPInstructionElement::ieConstant, text));
  EXPECT_EQ(text, "2.5");
}

TEST(GPVariantClasses, ValuesAreTextUntilSaved) {
  kx::TKXGPVariantInstructions set(nullptr);
  auto* constant = set.Add();
  constant->SetName("c");
  constant->SetOperation(kx::gpConstant);
  EXPECT_EQ(constant->ClassName(), "TKXGPVariantInstruction");
  constant->LoadValueFromXML(TGPInstructionElement::ieConstant, "3");
  ASSERT_NE(constant->Value().AsString(), nullptr);
  EXPECT_EQ(*constant->Value().AsString(), "3");
  constant->LoadValueFromXML(TGPInstructionElement::ieVariantConstant, "4");
  EXPECT_EQ(*constant->Value().AsString(), "3");

  kx::TKXGPVariantNode node(constant);
  EXPECT_EQ(node.ValueToString(), "3");
  node.LoadValueFromXML("3");
  EXPECT_NE(node.Value().AsString(), nullptr) << "a loaded value is text, not a number";
  std::string text;
  EXPECT_TRUE(node.SaveValueToXML(text));
  EXPECT_EQ(text, "3");
  node.SetValue(kx::TKXVariant("abc"));
  EXPECT_EQ(node.ValueToString(), "abc");
  EXPECT_THROW(node.SaveValueToXML(text), kx::EConvertError);

  auto* variable = set.Add();
  variable->SetName("v");
  kx::TKXGPVariantNode leaf(variable);
  EXPECT_EQ(leaf.ValueToString(), "v");
  kx::TKXGPContext<kx::TKXVariant> context;
  EXPECT_TRUE(leaf.Execute(&context).IsEmpty());
  context.Values().Add("v", kx::TKXVariant("hello"));
  EXPECT_EQ(leaf.Execute(&context).ToString(), "hello");
  EXPECT_EQ(node.CreateNode(nullptr)->ClassName(), "TKXGPVariantNode");
}
