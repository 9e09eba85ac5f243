#include "kx/ga/ga_bits.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/ga/ga_individual.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"

namespace kx {
namespace {

// Individuals of a component with a fitness handler, so that staleness can be observed:
// Fresh() returns an evaluated individual whose chromosome has Width bits.
struct Operators : ::testing::Test {
  TKXCustomGeneticAlgorithm ga;
  void SetUp() override {
    RandSeed(42);
    ga.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness& Fitness) { Fitness = 1; });
  }
  TKXGAIndividual* Fresh(std::int32_t Width, const std::string& Text = "") {
    ga.SetGeneSize(Width);
    TKXGAIndividual* individual = ga.Population()->Add();
    if (!Text.empty()) individual->Bits()->SetAsBitString(0, Width, Text);
    individual->Fitness();
    EXPECT_FALSE(individual->NeedFitness());
    return individual;
  }
};

TEST_F(Operators, RandomizeDrawsOneBitPerBitInOrder) {
  TKXGAIndividual* individual = Fresh(130);
  individual->Bits()->Randomize();
  EXPECT_TRUE(individual->NeedFitness());
  RandSeed(42);
  std::string expected;
  for (int i = 0; i < 130; ++i) expected += RandomInt(2) == 1 ? '1' : '0';
  EXPECT_EQ(individual->Bits()->ToBitString(), expected);
}

TEST_F(Operators, MutateDrawsOncePerBitAndFlipsBelowTheProbability) {
  TKXGAIndividual* individual = Fresh(100);
  const double p = 0.3;
  ASSERT_TRUE(individual->Bits()->Mutate(p));
  RandSeed(42);
  std::string expected;
  for (int i = 0; i < 100; ++i) expected += p > RandomFloat() ? '1' : '0';
  EXPECT_EQ(individual->Bits()->ToBitString(), expected);
  // Exactly one draw per bit: the generator is where a second pass expects it.
  const double next = RandomFloat();
  RandSeed(42);
  for (int i = 0; i < 100; ++i) RandomFloat();
  EXPECT_EQ(RandomFloat(), next);
}

TEST_F(Operators, MutateZeroAndOne) {
  TKXGAIndividual* individual = Fresh(8, "10110001");
  EXPECT_FALSE(individual->Bits()->Mutate(0));
  EXPECT_EQ(individual->Bits()->ToBitString(), "10110001");
  EXPECT_TRUE(individual->NeedFitness());  // stale even though nothing flipped
  EXPECT_TRUE(individual->Bits()->Mutate(1));
  EXPECT_EQ(individual->Bits()->ToBitString(), "01001110");
}

TEST_F(Operators, EmptyChromosomeChangesNothingButGoesStale) {
  TKXGAIndividual* individual = Fresh(0);
  individual->Bits()->Randomize();
  EXPECT_TRUE(individual->NeedFitness());
  individual->Fitness();
  EXPECT_FALSE(individual->Bits()->Mutate(1));
  EXPECT_TRUE(individual->NeedFitness());
  individual->Fitness();
  individual->Bits()->Invert(-1, -1);
  EXPECT_TRUE(individual->NeedFitness());
  EXPECT_EQ(individual->Bits()->Size(), 0);
}

TEST_F(Operators, InvertComplementsAnInclusiveRunCutAtTheEnd) {
  TKXGAIndividual* individual = Fresh(8, "00000000");
  TKXGABits& bits = *individual->Bits();
  bits.Invert(2, 0);
  EXPECT_EQ(bits.ToBitString(), "00100000");
  EXPECT_TRUE(individual->NeedFitness());
  bits.Invert(6, 5);
  EXPECT_EQ(bits.ToBitString(), "00100011");
  bits.Invert(0, 3);  // complement, not reversal
  EXPECT_EQ(bits.ToBitString(), "11010011");
  bits.Invert(8, 0);  // past the end: nothing
  EXPECT_EQ(bits.ToBitString(), "11010011");
  EXPECT_THROW(bits.Invert(-2, 1), EListError);
  EXPECT_EQ(bits.ToBitString(), "11010011");
}

TEST_F(Operators, RandomInvertIsANonEmptyRunWithinTheArray) {
  TKXGAIndividual* individual = Fresh(16);
  TKXGABits& bits = *individual->Bits();
  for (int trial = 0; trial < 300; ++trial) {
    bits.Clear();
    bits.Invert(-1, -1);
    const std::string text = bits.ToBitString();
    const auto first = text.find('1');
    const auto last = text.rfind('1');
    ASSERT_NE(first, std::string::npos);
    ASSERT_EQ(text.substr(first, last - first + 1).find('0'), std::string::npos) << text;
  }
  // The draws: Start below Size, then Count below Size - Start.
  RandSeed(7);
  const std::int32_t start = RandomInt(16);
  const std::int32_t count = RandomInt(16 - start);
  RandSeed(7);
  bits.Clear();
  bits.Invert(-1, -1);
  EXPECT_EQ(bits.ToBitString().find('1'), static_cast<std::size_t>(start));
  EXPECT_EQ(bits.CountOnes(), count + 1);
}

TEST_F(Operators, CrossOverTakesBitsUpToThePointFromTheFirstParent) {
  TKXGABits p1;
  TKXGABits p2;
  p1.SetSize(8);
  p2.SetSize(8);
  p1.SetAsBitString(0, 8, "11111111");
  TKXGAIndividual* child = Fresh(8, "01010101");
  TKXGABits& bits = *child->Bits();
  bits.CrossOver(p1, p2, 3);
  EXPECT_EQ(bits.ToBitString(), "11110000");
  EXPECT_TRUE(child->NeedFitness());
  bits.CrossOver(p1, p2, -1);
  EXPECT_EQ(bits.ToBitString(), "00000000");
  bits.CrossOver(p1, p2, 7);
  EXPECT_EQ(bits.ToBitString(), "11111111");
  bits.CrossOver(p2, p1, 1000);
  EXPECT_EQ(bits.ToBitString(), "00000000");
  bits.CrossOver(p1, p2, -1000);
  EXPECT_EQ(bits.ToBitString(), "00000000");
}

TEST_F(Operators, CrossOverWithShorterParents) {
  TKXGABits p1;
  TKXGABits p2;
  p1.SetSize(4);
  p2.SetSize(8);
  p1.SetAsBitString(0, 4, "1111");
  TKXGAIndividual* child = Fresh(12, "010101010101");
  TKXGABits& bits = *child->Bits();
  // Parent1 ends before the point: the rest up to 8 from Parent2, bits 8 .. 11 kept.
  bits.CrossOver(p1, p2, 6);
  EXPECT_EQ(bits.ToBitString(), "111100000101");
  p1.SetSize(8);
  p1.SetAsBitString(0, 8, "11111111");
  bits.CrossOver(p2, p1, 2);
  EXPECT_EQ(bits.ToBitString(), "000111110101");
}

TEST_F(Operators, RandomCrossOverDrawsThePointBelowTheFirstParentsSize) {
  TKXGABits p1;
  TKXGABits p2;
  p1.SetSize(64);
  p2.SetSize(64);
  p1.ComplementRange(0, 64);
  TKXGAIndividual* child = Fresh(64);
  RandSeed(3);
  const std::int32_t point = RandomInt(64);
  RandSeed(3);
  child->Bits()->CrossOver(p1, p2);
  EXPECT_EQ(child->Bits()->CountOnes(), point + 1);
}

TEST_F(Operators, WordLevelCrossOverMatchesTheBitLoop) {
  for (int trial = 0; trial < 200; ++trial) {
    const std::int32_t size = 1 + RandomInt(200);
    TKXGABits p1;
    TKXGABits p2;
    TKXGABits child;
    p1.SetSize(RandomInt(size + 20));
    p2.SetSize(RandomInt(size + 20));
    child.SetSize(size);
    p1.Randomize();
    p2.Randomize();
    child.Randomize();
    const std::int32_t point = RandomInt(size + 4) - 2;
    std::string expected = child.ToBitString();
    std::int32_t i = 0;
    for (; i <= point && i < p1.Size() && i < size; ++i) expected[i] = p1.Bits(i) ? '1' : '0';
    for (; i < p2.Size() && i < size; ++i) expected[i] = p2.Bits(i) ? '1' : '0';
    child.CrossOver(p1, p2, point);
    ASSERT_EQ(child.ToBitString(), expected) << trial;
  }
}

TEST_F(Operators, ClearKeepsWidthAndAValidFitness) {
  TKXGAIndividual* individual = Fresh(70);
  individual->Bits()->Randomize();
  individual->Fitness();
  individual->Bits()->Clear();
  EXPECT_EQ(individual->Bits()->Size(), 70);
  EXPECT_EQ(individual->Bits()->CountOnes(), 0);
  EXPECT_FALSE(individual->NeedFitness());
}

TEST(GABits, DetachedChromosomeWorksWithoutAnIndividual) {
  RandSeed(1);
  TKXGABits bits;
  EXPECT_EQ(bits.Individual(), nullptr);
  EXPECT_EQ(bits.ClassName(), "TKXGABits");
  bits.SetSize(10);
  EXPECT_TRUE(bits.Mutate(1));
  bits.Invert(0, 9);
  EXPECT_EQ(bits.CountOnes(), 0);
}

}  // namespace
}  // namespace kx
