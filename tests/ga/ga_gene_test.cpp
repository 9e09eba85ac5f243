#include "kx/ga/ga_gene.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_genes.hpp"
#include "kx/host/encoded_bits.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/string_list.hpp"

namespace kx {
namespace {

// A detached gene (no genotype) of the given kind and width.
struct DetachedGene {
  TKXGAGene gene;
  DetachedGene(TGeneType Type, std::int32_t Size, bool Signed = false) {
    gene.SetSize(Size);
    gene.SetPreserveSignBit(Signed);
    gene.SetGeneType(Type);
  }
};

TEST(BitsRequired, CountsTheShiftsToZero) {
  EXPECT_EQ(BitsRequired(0), 0);
  EXPECT_EQ(BitsRequired(1), 1);
  EXPECT_EQ(BitsRequired(2), 2);
  EXPECT_EQ(BitsRequired(3), 2);
  EXPECT_EQ(BitsRequired(4), 3);
  EXPECT_EQ(BitsRequired(255), 8);
  EXPECT_EQ(BitsRequired(256), 9);
  EXPECT_EQ(BitsRequired(0xFFFFFFFFu), 32);
}

TEST(GeneRules, NewGeneDefaults) {
  TKXGAGene gene;
  EXPECT_EQ(gene.Name(), "");
  EXPECT_EQ(gene.Size(), 0);
  EXPECT_EQ(gene.GeneType(), gtUnknown);
  EXPECT_EQ(gene.Offset(), 0);
  EXPECT_EQ(gene.MinValue(), 0);
  EXPECT_EQ(gene.MaxValue(), 0);
  EXPECT_FALSE(gene.PreserveSignBit());
  EXPECT_EQ(gene.DisplayName(), "TKXGAGene");
  gene.SetName("width");
  EXPECT_EQ(gene.DisplayName(), "width");
}

TEST(GeneRules, NaturalRangeFollowsKindWidthAndSign) {
  DetachedGene unsigned8(gtInteger, 8);
  EXPECT_EQ(unsigned8.gene.MinValue(), 0);
  EXPECT_EQ(unsigned8.gene.MaxValue(), 255);
  unsigned8.gene.SetPreserveSignBit(true);
  EXPECT_EQ(unsigned8.gene.MinValue(), -128);
  EXPECT_EQ(unsigned8.gene.MaxValue(), 127);

  DetachedGene float32(gtFloat, 32);
  EXPECT_EQ(float32.gene.MaxValue(), 4294967295.0);

  // Boolean genes keep whatever bounds they had.
  DetachedGene flag(gtBoolean, 1);
  flag.gene.SetMaxValue(7);
  flag.gene.SetSize(5);
  EXPECT_EQ(flag.gene.MaxValue(), 7);
}

TEST(GeneRules, SetMaxValueUsesAFullWidthBelowAndRaisesNegativeMinimaToZero) {
  DetachedGene gene(gtInteger, 8);
  gene.gene.SetMinValue(50);
  gene.gene.SetMaxValue(100);
  EXPECT_EQ(gene.gene.MinValue(), 0);  // 100 - 256 raised to 0
  EXPECT_EQ(gene.gene.MaxValue(), 100);

  // A range at least twice the width wide leaves the minimum alone.
  gene.gene.SetMaxValue(1000);
  EXPECT_EQ(gene.gene.MinValue(), 0);
  // Narrower: the minimum goes a full 2^Size below, not 2^Size - 1.
  gene.gene.SetMaxValue(300);
  EXPECT_EQ(gene.gene.MinValue(), 44);
  gene.gene.SetMinValue(0);
  EXPECT_EQ(gene.gene.MaxValue(), 255);  // dragged down: 300 - 0 > 255
  gene.gene.SetMinValue(-1000);          // no sign bit, but SetMinValue does not raise
  EXPECT_EQ(gene.gene.MinValue(), -1000);
  EXPECT_EQ(gene.gene.MaxValue(), -745);  // -1000 + 256 - 1
  gene.gene.SetMaxValue(2000);            // 2000 - (-1000) >= 512
  EXPECT_EQ(gene.gene.MinValue(), 0);     // kept, then raised to 0

  DetachedGene signedGene(gtInteger, 8, true);
  signedGene.gene.SetMaxValue(10);
  EXPECT_EQ(signedGene.gene.MinValue(), -246);  // signed genes keep negative minima
}

TEST(GeneRules, SetMinValueDragsTheMaximumWithinOneWidth) {
  DetachedGene gene(gtFloat, 4);
  gene.gene.SetMinValue(3);  // 15 - 3 <= 15: maximum stays
  EXPECT_EQ(gene.gene.MaxValue(), 15);
  gene.gene.SetMinValue(20);  // inverted: maximum = 20 + 16 - 1
  EXPECT_EQ(gene.gene.MaxValue(), 35);
  gene.gene.SetMinValue(-10);  // 35 + 10 > 15
  EXPECT_EQ(gene.gene.MaxValue(), 5);
}

TEST(GeneRules, SettingACurrentBoundChangesNothing) {
  DetachedGene gene(gtInteger, 8);
  gene.gene.SetMaxValue(100);
  gene.gene.SetMinValue(40);
  ASSERT_EQ(gene.gene.MinValue(), 40);
  gene.gene.SetMaxValue(100);
  EXPECT_EQ(gene.gene.MinValue(), 40);
  gene.gene.SetMinValue(40);
  EXPECT_EQ(gene.gene.MaxValue(), 100);
}

TEST(GeneRules, EnumerationBounds) {
  TKXGAGene gene;
  gene.SetGeneType(gtEnumeration);
  gene.Enumerations()->SetText("a\nb\nc\n");
  EXPECT_EQ(gene.MaxValue(), 2);
  gene.SetMinValue(5);
  EXPECT_EQ(gene.MaxValue(), 7);
  gene.SetMaxValue(4);  // 3 >= 4 - 5: minimum = 4 - 3
  EXPECT_EQ(gene.MinValue(), 1);
}

TEST(GeneClamping, IntegerWritesClampToTheRoundedBounds) {
  DetachedGene gene(gtInteger, 8);
  TKXEncodedBits bits;
  bits.SetSize(8);
  gene.gene.SetGeneAsInteger(bits, 300);
  EXPECT_EQ(gene.gene.GeneAsInteger(bits), 255);
  gene.gene.SetGeneAsInteger(bits, -5);
  EXPECT_EQ(gene.gene.GeneAsInteger(bits), 0);

  gene.gene.SetMaxValue(3.5);  // narrow ranges: maximum first, then minimum
  gene.gene.SetMinValue(2.5);
  ASSERT_EQ(gene.gene.MaxValue(), 3.5);
  // The bounds are rounded half to even: 2.5 -> 2, 3.5 -> 4.
  gene.gene.SetGeneAsInteger(bits, 0);
  EXPECT_EQ(gene.gene.GeneAsInteger(bits), 2);
  gene.gene.SetGeneAsInt64(bits, 100);
  EXPECT_EQ(gene.gene.GeneAsInt64(bits), 4);
}

TEST(GeneClamping, FloatWritesClampAndSignedGenesSetTheSignFlag) {
  DetachedGene gene(gtFloat, 8, true);
  TKXEncodedBits bits;
  bits.SetSize(16);
  bits.SetPreserveSignBit(false);
  gene.gene.SetGeneAsDouble(bits, -1000);
  EXPECT_TRUE(bits.PreserveSignBit());
  EXPECT_EQ(gene.gene.GeneAsDouble(bits), -128);
  gene.gene.SetGeneAsFloat(bits, 1000.0f);
  EXPECT_EQ(gene.gene.GeneAsFloat(bits), 127.0f);
  gene.gene.SetGeneAsDouble(bits, -7);
  EXPECT_EQ(gene.gene.GeneAsDouble(bits), -7);

  DetachedGene wide(gtFloat, 32);
  bits.SetSize(40);
  wide.gene.SetGeneAsFloat(bits, 0.15625f);
  EXPECT_EQ(wide.gene.GeneAsFloat(bits), 0.15625f);
  wide.gene.SetGeneAsDouble(bits, -1.5);  // below the unsigned minimum 0
  EXPECT_EQ(wide.gene.GeneAsDouble(bits), 0.0);
}

TEST(GeneClamping, BooleanWritesAreNotClampedAndKeepTheSignFlag) {
  DetachedGene gene(gtBoolean, 1);
  TKXEncodedBits bits;
  bits.SetSize(1);
  bits.SetPreserveSignBit(true);
  gene.gene.SetGeneAsBoolean(bits, true);
  EXPECT_TRUE(gene.gene.GeneAsBoolean(bits));
  EXPECT_TRUE(bits.PreserveSignBit());
  EXPECT_EQ(gene.gene.AsString(bits), "True");
  gene.gene.SetGeneAsBoolean(bits, false);
  EXPECT_EQ(gene.gene.AsString(bits), "False");
}

TEST(GeneEnumeration, SizeFollowsTheListOnlyWhileAnEnumeration) {
  TKXGAGene gene;
  gene.Enumerations()->SetText("red\ngreen\nblue\n");
  EXPECT_EQ(gene.Size(), 0);  // not an enumeration yet
  gene.SetGeneType(gtEnumeration);
  EXPECT_EQ(gene.Size(), 0);  // the size follows from the next change of the list
  EXPECT_EQ(gene.MaxValue(), 2);
  gene.Enumerations()->Add("black");
  EXPECT_EQ(gene.Size(), 3);
  EXPECT_EQ(gene.MaxValue(), 3);
  gene.Enumerations()->Delete(3);
  EXPECT_EQ(gene.Size(), 2);
  gene.Enumerations()->Clear();
  EXPECT_EQ(gene.Size(), 0);
  EXPECT_EQ(gene.MaxValue(), -1);

  TKXStringList names;
  names.SetText("x\ny\n");
  gene.SetEnumerations(&names);
  EXPECT_EQ(gene.Size(), 2);
  EXPECT_EQ(gene.Enumerations()->Text(), "x\ny\n");
}

TEST(GeneEnumeration, NamesReadAndWriteIgnoringCase) {
  TKXGAGene gene;
  gene.SetGeneType(gtEnumeration);
  gene.Enumerations()->SetText("steel\nAluminium\nwood\n");
  TKXEncodedBits bits;
  bits.SetSize(4);
  bits.SetPreserveSignBit(true);
  gene.SetGeneAsEnumeration(bits, "ALUMINIUM");
  EXPECT_FALSE(bits.PreserveSignBit());
  EXPECT_EQ(gene.GeneAsInteger(bits), 1);
  EXPECT_EQ(gene.GeneAsEnumeration(bits), "Aluminium");
  EXPECT_EQ(gene.AsString(bits), "Aluminium");
}

TEST(GeneEnumeration, UnknownNamesAndUnnamedIndicesRaise) {
  TKXGAGene gene;
  gene.SetGeneType(gtEnumeration);
  gene.Enumerations()->SetText("a\nb\nc\n");
  ASSERT_EQ(gene.Size(), 2);
  TKXEncodedBits bits;
  bits.SetSize(2);
  bits.SetAsInteger(0, 2, 1);
  try {
    gene.SetGeneAsEnumeration(bits, "d");
    FAIL() << "no error";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "\"d\" is not a valid enumerated value");
  }
  EXPECT_EQ(bits.GetAsInteger(0, 2), 1);

  bits.SetAsInteger(0, 2, 3);  // a 2-bit field can hold index 3, which has no name
  try {
    gene.GeneAsEnumeration(bits);
    FAIL() << "no error";
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "No enumerated value found in chromosome");
  }
  TKXGAGene empty;
  empty.SetGeneType(gtEnumeration);
  EXPECT_THROW(empty.GeneAsEnumeration(bits), EGAException);
}

TEST(GeneText, AsStringByKind) {
  TKXGAGenes genes;
  TKXGAGene* pad = genes.Add();
  pad->SetSize(3);
  TKXGAGene* count = genes.Add();
  count->SetGeneType(gtInteger);
  count->SetPreserveSignBit(true);
  count->SetSize(6);
  TKXGAGene* ratio = genes.Add();
  ratio->SetGeneType(gtFloat);
  ratio->SetSize(32);
  TKXGAGene* raw = genes.Add();
  raw->SetSize(4);

  TKXEncodedBits bits;
  bits.SetSize(genes.GetSize());
  bits.SetAsBitString(pad->Offset(), 3, "101");
  count->SetGeneAsInteger(bits, -17);
  ratio->SetGeneAsFloat(bits, 0.1f);
  bits.SetAsBitString(raw->Offset(), 4, "1101");
  EXPECT_EQ(pad->AsString(bits), "101");
  EXPECT_EQ(count->AsString(bits), "-17");
  EXPECT_EQ(ratio->AsString(bits), "0.100000001490116");
  EXPECT_EQ(raw->AsString(bits), "1101");
}

TEST(GeneAssign, CopiesDefinitionButNotOffset) {
  TKXGAGenes genes;
  genes.Add()->SetSize(5);
  TKXGAGene* target = genes.Add();
  ASSERT_EQ(target->Offset(), 5);
  target->SetGeneType(gtEnumeration);
  target->Enumerations()->SetText("p\nq\n");

  TKXGAGene source;
  source.SetName("count");
  source.SetSize(12);
  source.SetGeneType(gtInteger);
  source.SetPreserveSignBit(true);
  source.SetMaxValue(300);
  target->Assign(&source);
  EXPECT_EQ(target->Name(), "count");
  EXPECT_EQ(target->Size(), 12);
  EXPECT_EQ(target->GeneType(), gtInteger);
  EXPECT_TRUE(target->PreserveSignBit());
  EXPECT_EQ(target->MaxValue(), source.MaxValue());
  EXPECT_EQ(target->MinValue(), source.MinValue());
  EXPECT_EQ(target->Offset(), 5);
  EXPECT_EQ(target->Enumerations()->Count(), 0);  // freed, recreated empty

  TKXGAGene enumSource;
  enumSource.SetGeneType(gtEnumeration);
  enumSource.Enumerations()->SetText("u\nv\nw\n");
  target->Assign(&enumSource);
  EXPECT_EQ(target->Enumerations()->Text(), "u\nv\nw\n");
  EXPECT_EQ(target->Size(), 2);

  TKXStringList other;
  EXPECT_THROW(target->Assign(&other), EConvertError);
  EXPECT_EQ(target->Size(), 2);
}

TEST(GeneByIndividual, ReadsAndWritesThePopulationsChromosomes) {
  TKXCustomGeneticAlgorithm ga;
  TKXGAGene* flag = ga.Genes()->Add();
  flag->SetGeneType(gtBoolean);
  flag->SetSize(1);
  TKXGAGene* count = ga.Genes()->Add();
  count->SetGeneType(gtInteger);
  count->SetSize(7);
  ga.Population()->Add();
  TKXGAIndividual* second = ga.Population()->Add();
  second->Fitness();  // evaluated (0 without a handler): no longer stale
  ASSERT_FALSE(second->NeedFitness());

  count->SetAsInteger(1, 99);
  EXPECT_TRUE(second->NeedFitness());
  EXPECT_EQ(count->GetAsInteger(1), 99);
  EXPECT_EQ(count->GetAsInt64(1), 99);
  EXPECT_EQ(count->AsString(1), "99");
  EXPECT_EQ(count->GetAsInteger(0), 0);
  flag->SetAsBoolean(1, true);
  EXPECT_TRUE(flag->GetAsBoolean(1));
  EXPECT_EQ(second->Bits()->ToBitString(), "11100011");
}

TEST(GeneByIndividual, ReportsMissingOwnerAndBadIndex) {
  TKXGAGene lone;
  lone.SetName("lone");
  try {
    lone.SetAsInteger(0, 1);
    FAIL() << "no error";
  } catch (const EGAException& e) {
    EXPECT_NE(std::string(e.what()).find("lone"), std::string::npos);
  }
  TKXGAGenes ownerless;
  EXPECT_THROW(ownerless.Add()->GetAsBoolean(0), EGAException);

  TKXCustomGeneticAlgorithm ga;
  TKXGAGene* gene = ga.Genes()->Add();
  gene->SetSize(4);
  ga.Population()->Add();
  EXPECT_THROW(gene->GetAsInteger(1), EListError);
  EXPECT_THROW(gene->SetAsDouble(-1, 0), EListError);
}

}  // namespace
}  // namespace kx
