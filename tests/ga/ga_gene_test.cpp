#include "kx/ga/ga_gene.hpp"

#include <algorithm>
#include <random>

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

using testing::ErrorOf;

TEST(BitsRequired, CountsTheShiftsToZero) {
  const std::pair<std::uint32_t, std::int32_t> rows[] = {
      {0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {255, 8}, {256, 9}, {0xFFFFFFFFu, 32}};
  for (const auto& [value, bits] : rows) EXPECT_EQ(BitsRequired(value), bits) << value;
}

// Each row sets one bound ('<' minimum, '>' maximum) of the gene before it and checks both.
TEST(GeneRules, BoundsStartAtTheNaturalRangeAndKeepAWindowOfTheFieldsWidth) {
  TKXCustomGeneticAlgorithm ga;
  TKXGAGene &u = *test::AddGene(ga, "", gtInteger, 8),
            &s = *test::AddGene(ga, "", gtInteger, 8, true),
            &f = *test::AddGene(ga, "", gtFloat, 4), &e = *test::AddGene(ga, "", gtEnumeration, 0),
            &flag = *test::AddGene(ga, "", gtBoolean, 1);
  e.Enumerations()->SetText("a\nb\nc\n");
  EXPECT_EQ(s.MinValue(), -128);
  EXPECT_EQ(s.MaxValue(), 127);
  const struct {
    TKXGAGene* Gene;
    char Which;
    double Value, Min, Max;
  } rows[] = {
      {&u, '<', 50, 50, 255},   {&u, '>', 100, 0, 100},  // 100 - 256 raised to 0
      {&u, '>', 1000, 0, 1000},  // at least twice the width wide: the minimum stays
      {&u, '>', 300, 44, 300},   // a full 2^Size below, not 2^Size - 1
      {&u, '<', 0, 0, 255},     {&u, '<', -1000, -1000, -745}, {&u, '>', 100, 0, 100},
      {&u, '<', 40, 40, 100},   {&u, '>', 100, 40, 100},  // a current bound: no change
      {&s, '>', 10, -246, 10},                            // signed genes keep negative minima
      {&f, '<', 20, 20, 35},    {&f, '<', -10, -10, 5},        {&e, '<', 5, 5, 7},
      {&e, '>', 4, 1, 4},       {&flag, '>', 7, 0, 7},
  };
  for (const auto& row : rows) {
    row.Which == '<' ? row.Gene->SetMinValue(row.Value) : row.Gene->SetMaxValue(row.Value);
    EXPECT_EQ(row.Gene->MinValue(), row.Min) << row.Which << row.Value;
    EXPECT_EQ(row.Gene->MaxValue(), row.Max) << row.Which << row.Value;
  }
  flag.SetSize(5);  // boolean genes keep whatever bounds they had
  EXPECT_EQ(flag.MaxValue(), 7);
}

// Random genes written at random places of a random chromosome: the value read back is the
// value clamped to the bounds (integer kinds to the bounds rounded half to even), the bits
// outside the field stay, and numeric reads and writes set the sign flag from the gene.
TEST(GeneAccess, TypedWritesClampToTheBoundsAndReadBackInPlace) {
  std::mt19937_64 rng(5);
  auto real = [&](double Low, double High) {
    return std::uniform_real_distribution<double>(Low, High)(rng);
  };
  for (int trial = 0; trial < 800; ++trial) {
    const int kind = trial % 4;  // boolean, integer, 64-bit integer, float
    const bool sign = kind != 0 && rng() % 2 == 0;
    const auto size = static_cast<std::int32_t>(kind == 0                     ? 1
                                                : kind == 2                   ? 1 + rng() % 48
                                                : kind == 3 && rng() % 4 == 0 ? 32
                                                                              : 1 + rng() % 31);
    TKXGAGene gene;
    gene.SetSize(size);
    gene.SetPreserveSignBit(sign);
    gene.SetGeneType(kind == 0 ? gtBoolean : kind == 3 ? gtFloat : gtInteger);
    const double span = std::ldexp(1.0, size);
    const bool single = kind == 3 && size == 32;
    if (!sign && kind != 0 && size < 32 && rng() % 2 == 0) {  // narrowed: maximum first
      const double half = kind == 3 ? 0 : 0.5 * static_cast<double>(rng() % 2);
      const double top = std::floor(real(0, span - 2)) + half;
      gene.SetMaxValue(top);
      gene.SetMinValue(std::floor(real(0, top)) + half);
    }
    TKXEncodedBits bits;
    std::string text(128, '0');
    for (char& c : text) c = static_cast<char>('0' + rng() % 2);
    bits.SetSize(128);
    bits.SetAsBitString(0, 128, text);
    const auto at = static_cast<std::int32_t>(rng() % (129 - size));
    double value = std::round(real(gene.MinValue() - span, gene.MaxValue() + span));
    if (kind == 1) value = std::clamp(value, -2147483648.0, 2147483647.0);
    if (single) value = static_cast<float>(real(-2 * span, 2 * span));
    double expected = std::clamp(value, gene.MinValue(), gene.MaxValue());
    if (kind == 0) expected = value > 0;
    if (kind == 1 || kind == 2) expected = std::nearbyint(expected);
    if (single) expected = static_cast<float>(expected);
    bits.SetPreserveSignBit(!sign);
    if (kind == 0) gene.SetGeneAsBoolean(bits, at, value > 0);
    if (kind == 1) gene.SetGeneAsInteger(bits, at, static_cast<std::int32_t>(value));
    if (kind == 2) gene.SetGeneAsInt64(bits, at, static_cast<std::int64_t>(value));
    if (kind == 3)
      single ? gene.SetGeneAsFloat(bits, at, static_cast<float>(value))
             : gene.SetGeneAsDouble(bits, at, value);
    EXPECT_EQ(bits.PreserveSignBit(), kind == 0 || sign) << trial;
    if (kind != 0) bits.SetPreserveSignBit(!sign);
    const double read = kind == 0   ? gene.GeneAsBoolean(bits, at)
                        : kind == 1 ? gene.GeneAsInteger(bits, at)
                        : kind == 2 ? static_cast<double>(gene.GeneAsInt64(bits, at))
                        : single    ? gene.GeneAsFloat(bits, at)
                                    : gene.GeneAsDouble(bits, at);
    EXPECT_EQ(read, expected) << trial << ": " << value << " in " << gene.MinValue() << ".."
                              << gene.MaxValue();
    const std::string after = bits.ToBitString();
    EXPECT_EQ(after.substr(0, at) + after.substr(at + size),
              text.substr(0, at) + text.substr(at + size))
        << trial;
  }
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
  TKXGAGene source, *count = genes.Add();
  source.SetName("count");
  source.SetSize(6);
  source.SetPreserveSignBit(true);
  source.SetGeneType(gtInteger);
  count->Assign(&source);
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
  genes.Items(0)->SetGeneType(gtBoolean);
  genes.Items(0)->SetSize(1);
  EXPECT_EQ(genes.Items(0)->AsString(bits), "True");
  TKXStringList other;
  EXPECT_THROW(count->Assign(&other), EConvertError);
}

TEST(GeneByIndividual, ReadsAndWritesThePopulationsChromosomes) {
  TKXCustomGeneticAlgorithm ga;
  ga.Genes()->Add()->SetSize(1);
  TKXGAGene* count = test::AddGene(ga, "count", gtInteger, 7);
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
