#include "kx/ga/ga_gene.hpp"

#include <algorithm>
#include <random>

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

using testing::ErrorOf;

// Steps "gene bound value min max" over the genes u (unsigned 8-bit integer), s (signed 8-bit
// integer), f (unsigned 4-bit float), e (three names) and b (boolean): '<' sets the minimum,
// '>' the maximum, '=' sets nothing (the natural range); then both bounds are checked.
TEST(GeneRules, BoundsStartAtTheNaturalRangeAndKeepAWindowOfTheFieldsWidth) {
  TKXCustomGeneticAlgorithm ga;
  for (auto [kind, size] :
       {std::pair{gtInteger, 8}, {gtInteger, 8}, {gtFloat, 4}, {gtEnumeration, 0}, {gtBoolean, 1}})
    test::AddGene(ga, "", kind, size, ga.Genes()->Count() == 1);
  ga.Genes()->Items(3)->Enumerations()->SetText("a\nb\nc\n");
  std::istringstream steps(
      "u = 0 0 255  s = 0 -128 127  f = 0 0 15  e = 0 0 2  u < 50 50 255  u > 100 0 100 "
      "u > 1000 0 1000  u > 300 44 300  u < 0 0 255  u < -1000 -1000 -745  u > 100 0 100 "
      "u < 40 40 100  u > 100 40 100  s > 10 -246 10  f < 20 20 35  f < -10 -10 5  e < 5 5 7 "
      "e > 4 1 4  b > 7 0 7  u > 255 0 255");
  char name = 0, which = 0;
  double value = 0, min = 0, max = 0;
  while (steps >> name >> which >> value >> min >> max) {
    TKXGAGene& gene =
        *ga.Genes()->Items(static_cast<std::int32_t>(std::string("usfeb").find(name)));
    if (which != '=') which == '<' ? gene.SetMinValue(value) : gene.SetMaxValue(value);
    EXPECT_EQ(std::pair(gene.MinValue(), gene.MaxValue()), std::pair(min, max))
        << name << which << value;
  }
  ga.Genes()->Items(4)->SetSize(5);  // boolean genes keep whatever bounds they had
  EXPECT_EQ(ga.Genes()->Items(4)->MaxValue(), 7);
}

// Random genes written at random places of a random chromosome: the value read back is the
// value clamped to the bounds (integer kinds to the bounds rounded half to even), the bits
// outside the field stay, and numeric reads and writes set the sign flag from the gene.
TEST(GeneAccess, TypedWritesClampToTheBoundsAndReadBackInPlace) {
  std::mt19937_64 rng(5);
  RandSeed(5);
  auto real = [&](double Low, double High) {
    return std::uniform_real_distribution<double>(Low, High)(rng);
  };
  for (int trial = 0; trial < 800; ++trial) {
    const int kind = 1 + trial % 3;  // integer, 64-bit integer, float
    const bool sign = rng() % 2 == 0, single = kind == 3 && rng() % 4 == 0;
    const auto size = static_cast<std::int32_t>(single ? 32 : 1 + rng() % (kind == 2 ? 48 : 31));
    TKXCustomGeneticAlgorithm ga;
    TKXGAGene& gene = *test::AddGene(ga, "", kind == 3 ? gtFloat : gtInteger, size, sign);
    const double span = std::ldexp(1.0, size);
    if (!sign && !single && rng() % 2 == 0) {  // narrowed: maximum first
      const double half = kind == 3 ? 0 : 0.5 * static_cast<double>(rng() % 2);
      const double top = std::floor(real(0, span - 2)) + half;
      gene.SetMaxValue(top);
      gene.SetMinValue(std::floor(real(0, top)) + half);
    }
    TKXGABits bits;
    bits.SetSize(128);
    bits.Randomize();
    const std::string text = bits.ToBitString();
    const auto at = static_cast<std::int32_t>(rng() % (129 - size));
    double value = std::round(real(gene.MinValue() - span, gene.MaxValue() + span));
    if (kind == 1) value = std::clamp(value, -2147483648.0, 2147483647.0);
    if (single) value = static_cast<float>(real(-2 * span, 2 * span));
    double expected = std::clamp(value, gene.MinValue(), gene.MaxValue());
    if (kind == 1 || kind == 2) expected = std::nearbyint(expected);
    if (single) expected = static_cast<float>(expected);
    bits.SetPreserveSignBit(!sign);
    if (kind == 1) gene.SetGeneAsInteger(bits, at, static_cast<std::int32_t>(value));
    if (kind == 2) gene.SetGeneAsInt64(bits, at, static_cast<std::int64_t>(value));
    if (kind == 3)
      single ? gene.SetGeneAsFloat(bits, at, static_cast<float>(value))
             : gene.SetGeneAsDouble(bits, at, value);
    EXPECT_EQ(bits.PreserveSignBit(), sign) << trial;
    bits.SetPreserveSignBit(!sign);
    const double read = kind == 1   ? gene.GeneAsInteger(bits, at)
                        : kind == 2 ? static_cast<double>(gene.GeneAsInt64(bits, at))
                        : single    ? gene.GeneAsFloat(bits, at)
                                    : gene.GeneAsDouble(bits, at);
    EXPECT_EQ(read, expected) << trial << ": " << value << " in " << gene.MinValue() << ".."
                              << gene.MaxValue();
    std::string after = bits.ToBitString();  // with the field put back, the bits it started with
    EXPECT_EQ(after.replace(at, size, text, at, size), text) << trial;
  }
}

// The width follows the names (the shifts to zero of the last index) once the gene is an
// enumeration; lookup ignores case.
TEST(GeneEnumeration, SizeFollowsTheNamesAndUnknownNamesRaise) {
  const std::pair<std::uint32_t, std::int32_t> rows[] = {
      {0, 0}, {1, 1}, {2, 2}, {3, 2}, {4, 3}, {255, 8}, {256, 9}, {0xFFFFFFFFu, 32}};
  for (const auto& [value, bits] : rows) EXPECT_EQ(BitsRequired(value), bits) << value;
  TKXGAGene gene;
  TKXStringList& names = *gene.Enumerations();
  names.SetText("steel\nAluminium\nwood\n");
  gene.SetGeneType(gtEnumeration);
  std::vector<double> seen{double(gene.Size())};  // not yet: only the next change counts
  names.Add("glass");
  seen.insert(seen.end(), {double(gene.Size()), gene.MaxValue()});
  names.Delete(3);
  seen.push_back(gene.Size());
  TKXEncodedBits bits;
  bits.SetSize(2);
  bits.SetPreserveSignBit(true);
  gene.SetGeneAsEnumeration(bits, "ALUMINIUM");
  EXPECT_FALSE(bits.PreserveSignBit());
  EXPECT_EQ(gene.AsString(bits), "Aluminium");
  EXPECT_EQ(ErrorOf<EGAException>([&] { gene.SetGeneAsEnumeration(bits, "d"); }),
            "\"d\" is not a valid enumerated value");
  EXPECT_EQ(bits.ToBitString(), "10");
  names.Clear();
  seen.insert(seen.end(), {double(gene.Size()), gene.MaxValue()});
  EXPECT_EQ(seen, (std::vector<double>{0, 3, 3, 2, 0, -1}));
}

// Text by kind; Assign copies all but the offset; reads and writes by individual index reach
// the population's chromosomes and mark the individual changed.
TEST(GeneText, AsStringByKindAssignAndAccessByIndividual) {
  TKXCustomGeneticAlgorithm ga, other;
  TKXGAGene &flag = *test::AddGene(ga, "", gtUnknown, 3), &count = *ga.Genes()->Add();
  count.Assign(test::AddGene(other, "count", gtInteger, 6, true));
  TKXGAGene& ratio = *test::AddGene(ga, "", gtFloat, 32);
  ga.Population()->Add();
  TKXGAIndividual& second = *ga.Population()->Add();
  TKXEncodedBits& bits = *second.Bits();
  bits.SetAsBitString(0, 3, "101");
  second.Fitness();
  count.SetAsInteger(1, -17);
  ratio.SetGeneAsFloat(bits, 0.1f);
  EXPECT_TRUE(second.NeedFitness());
  EXPECT_EQ((std::vector<std::string>{flag.AsString(1), count.Name(), count.AsString(1),
                                      ratio.AsString(bits), std::to_string(count.Offset())}),
            (std::vector<std::string>{"101", "count", "-17", "0.100000001490116", "3"}));
  test::SetAll(flag, &TKXGAGene::SetGeneType, gtBoolean, &TKXGAGene::SetSize, 1);
  EXPECT_EQ(flag.AsString(bits) + flag.AsString(0), "TrueFalse");
  EXPECT_THROW(count.GetAsInteger(2), EListError);
  EXPECT_THROW(count.Assign(ga.Population()), EConvertError);
  TKXGAGene lone;
  lone.SetName("lone");
  EXPECT_NE(ErrorOf<EGAException>([&] { lone.SetAsInteger(0, 1); }).find("lone"),
            std::string::npos);
}

}  // namespace
}  // namespace kx
