#include "kx/ga/ga_gene.hpp"

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

// A detached gene (no genotype) of the given kind and width, and a chromosome to write.
struct Gene {
  TKXGAGene gene;
  TKXEncodedBits bits;
  Gene(TGeneType Type, std::int32_t Size, bool Signed = false) {
    gene.SetSize(Size);
    gene.SetPreserveSignBit(Signed);
    gene.SetGeneType(Type);
    bits.SetSize(64);
  }
  // Sets the bound named by Which ('<' minimum, '>' maximum) and checks both bounds after.
  void Set(char Which, double Value, double Min, double Max) {
    Which == '<' ? gene.SetMinValue(Value) : gene.SetMaxValue(Value);
    EXPECT_EQ(gene.MinValue(), Min) << Which << Value;
    EXPECT_EQ(gene.MaxValue(), Max) << Which << Value;
  }
};

using testing::ErrorOf;

TEST(BitsRequired, CountsTheShiftsToZero) {
  const std::pair<std::uint32_t, std::int32_t> rows[] = {
      {0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {255, 8}, {256, 9}, {0xFFFFFFFFu, 32}};
  for (const auto& [value, bits] : rows) EXPECT_EQ(BitsRequired(value), bits) << value;
}

TEST(GeneRules, BoundsStartAtTheNaturalRangeAndKeepAWindowOfTheFieldsWidth) {
  Gene g(gtInteger, 8);
  g.Set('<', 50, 50, 255);
  g.Set('>', 100, 0, 100);    // 100 - 256, raised to 0 without a sign bit
  g.Set('>', 1000, 0, 1000);  // at least twice the width wide: the minimum stays
  g.Set('>', 300, 44, 300);   // a full 2^Size below, not 2^Size - 1
  g.Set('<', 0, 0, 255);      // dragged down: 300 - 0 > 255
  g.Set('<', -1000, -1000, -745);
  g.Set('>', 100, 0, 100);
  g.Set('<', 40, 40, 100);
  g.Set('>', 100, 40, 100);  // setting a current bound changes nothing
  Gene s(gtInteger, 8, true);
  EXPECT_EQ(s.gene.MinValue(), -128);
  EXPECT_EQ(s.gene.MaxValue(), 127);
  s.Set('>', 10, -246, 10);  // signed genes keep negative minima
  Gene f(gtFloat, 4);
  f.Set('<', 20, 20, 35);  // inverted: 20 + 16 - 1
  f.Set('<', -10, -10, 5);
  Gene e(gtEnumeration, 0);
  e.gene.Enumerations()->SetText("a\nb\nc\n");
  e.Set('<', 5, 5, 7);
  e.Set('>', 4, 1, 4);      // 3 >= 4 - 5: minimum = 4 - 3
  Gene flag(gtBoolean, 1);  // boolean genes keep whatever bounds they had
  flag.gene.SetMaxValue(7);
  flag.gene.SetSize(5);
  EXPECT_EQ(flag.gene.MaxValue(), 7);
}

TEST(GeneClamping, NumericWritesClampToTheBounds) {
  Gene g(gtInteger, 8);
  g.gene.SetGeneAsInteger(g.bits, 300);
  EXPECT_EQ(g.gene.GeneAsInteger(g.bits), 255);
  g.gene.SetMaxValue(3.5);
  g.gene.SetMinValue(2.5);
  // Integer writes clamp to the bounds rounded half to even: 2.5 -> 2, 3.5 -> 4.
  g.gene.SetGeneAsInteger(g.bits, 0);
  EXPECT_EQ(g.gene.GeneAsInteger(g.bits), 2);
  g.gene.SetGeneAsInt64(g.bits, 100);
  EXPECT_EQ(g.gene.GeneAsInt64(g.bits), 4);

  Gene s(gtFloat, 8, true);
  s.gene.SetGeneAsDouble(s.bits, -1000);
  EXPECT_TRUE(s.bits.PreserveSignBit());
  EXPECT_EQ(s.gene.GeneAsDouble(s.bits), -128);
  s.gene.SetGeneAsFloat(s.bits, 1000.0f);
  EXPECT_EQ(s.gene.GeneAsFloat(s.bits), 127.0f);

  Gene b(gtBoolean, 1);  // not clamped, and the sign flag is left alone
  b.bits.SetPreserveSignBit(true);
  b.gene.SetGeneAsBoolean(b.bits, true);
  EXPECT_EQ(b.gene.AsString(b.bits), "True");
  EXPECT_TRUE(b.bits.PreserveSignBit());
}

TEST(GeneEnumeration, SizeFollowsTheNamesAndLookupIgnoresCase) {
  TKXGAGene gene;
  gene.Enumerations()->SetText("steel\nAluminium\nwood\n");
  gene.SetGeneType(gtEnumeration);
  EXPECT_EQ(gene.Size(), 0);  // the size follows from the next change of the list
  gene.Enumerations()->Add("glass");
  EXPECT_EQ(gene.Size(), 3);
  EXPECT_EQ(gene.MaxValue(), 3);
  gene.Enumerations()->Delete(3);
  EXPECT_EQ(gene.Size(), 2);
  TKXEncodedBits bits;
  bits.SetSize(2);
  bits.SetPreserveSignBit(true);
  gene.SetGeneAsEnumeration(bits, "ALUMINIUM");
  EXPECT_FALSE(bits.PreserveSignBit());
  EXPECT_EQ(gene.AsString(bits), "Aluminium");
  EXPECT_EQ(ErrorOf<EGAException>([&] { gene.SetGeneAsEnumeration(bits, "d"); }),
            "\"d\" is not a valid enumerated value");
  EXPECT_EQ(bits.ToBitString(), "10");
  bits.SetAsBitString(0, 2, "11");  // index 3 has no name
  EXPECT_EQ(ErrorOf<EGAException>([&] { gene.GeneAsEnumeration(bits); }),
            "No enumerated value found in chromosome");
  gene.Enumerations()->Clear();
  EXPECT_EQ(gene.Size(), 0);  // BitsRequired(0)
  EXPECT_EQ(gene.MaxValue(), -1);
}

TEST(GeneText, AsStringByKindAndAssignKeepsTheOffset) {
  TKXGAGenes genes;
  genes.Add()->SetSize(3);
  TKXGAGene* count = genes.Add();
  Gene source(gtInteger, 6, true);
  source.gene.SetName("count");
  count->Assign(&source.gene);
  EXPECT_EQ(count->Name(), "count");
  EXPECT_EQ(count->Offset(), 3);
  EXPECT_EQ(count->MinValue(), -32);
  TKXGAGene* ratio = genes.Add();
  ratio->SetGeneType(gtFloat);
  ratio->SetSize(32);
  TKXEncodedBits bits;
  bits.SetSize(genes.GetSize());
  bits.SetAsBitString(0, 3, "101");
  count->SetGeneAsInteger(bits, -17);
  ratio->SetGeneAsFloat(bits, 0.1f);
  EXPECT_EQ(genes.Items(0)->AsString(bits), "101");
  EXPECT_EQ(count->AsString(bits), "-17");
  EXPECT_EQ(ratio->AsString(bits), "0.100000001490116");
  TKXStringList other;
  EXPECT_THROW(count->Assign(&other), EConvertError);
}

TEST(GeneByIndividual, ReadsAndWritesThePopulationsChromosomes) {
  TKXCustomGeneticAlgorithm ga;
  ga.Genes()->Add()->SetSize(1);
  TKXGAGene* count = ga.Genes()->Add();
  count->SetGeneType(gtInteger);
  count->SetSize(7);
  ga.Population()->Add();
  TKXGAIndividual* second = ga.Population()->Add();
  second->Fitness();
  count->SetAsInteger(1, 99);
  EXPECT_TRUE(second->NeedFitness());
  EXPECT_EQ(count->AsString(1), "99");
  EXPECT_EQ(second->Bits()->ToBitString(), "01100011");
  EXPECT_EQ(count->GetAsInteger(0), 0);
  EXPECT_THROW(count->GetAsInteger(2), EListError);
  TKXGAGene lone;
  lone.SetName("lone");
  EXPECT_NE(ErrorOf<EGAException>([&] { lone.SetAsInteger(0, 1); }).find("lone"),
            std::string::npos);
}

}  // namespace
}  // namespace kx
