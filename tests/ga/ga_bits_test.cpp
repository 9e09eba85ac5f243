#include "kx/ga/ga_bits.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "kx/ga/custom_genetic_algorithm.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"

namespace kx {
namespace {

// Fresh() returns an evaluated individual of a component, so that staleness can be observed.
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
    return individual;
  }
};

TEST_F(Operators, RandomizeAndMutateDrawOncePerBitInOrder) {
  TKXGABits& bits = *Fresh(130)->Bits();
  bits.Randomize();
  RandSeed(42);
  std::string expected;
  for (int i = 0; i < 130; ++i) expected += RandomInt(2) == 1 ? '1' : '0';
  EXPECT_EQ(bits.ToBitString(), expected);
  bits.Clear();
  RandSeed(42);
  ASSERT_TRUE(bits.Mutate(0.3));
  const double next = RandomFloat();
  RandSeed(42);
  expected.clear();
  for (int i = 0; i < 130; ++i) expected += 0.3 > RandomFloat() ? '1' : '0';
  EXPECT_EQ(bits.ToBitString(), expected);
  EXPECT_EQ(RandomFloat(), next);  // no draw beyond one per bit
}

TEST_F(Operators, EveryOperatorButClearMarksTheFitnessStale) {
  TKXGAIndividual* individual = Fresh(8, "10110001");
  TKXGABits& bits = *individual->Bits();
  EXPECT_FALSE(bits.Mutate(0));
  EXPECT_TRUE(individual->NeedFitness());  // even though nothing flipped
  EXPECT_TRUE(bits.Mutate(1));
  EXPECT_EQ(bits.ToBitString(), "01001110");
  individual->Fitness();
  bits.Clear();
  EXPECT_FALSE(individual->NeedFitness());
  // Width 0: nothing to touch, no failure, and still stale after each operator.
  TKXGAIndividual* empty = Fresh(0);
  TKXGABits& none = *empty->Bits();
  none.Randomize();
  EXPECT_TRUE(empty->NeedFitness());
  empty->Fitness();
  EXPECT_FALSE(none.Mutate(1));
  EXPECT_TRUE(empty->NeedFitness());
  empty->Fitness();
  none.Invert(-1, -1);
  EXPECT_TRUE(empty->NeedFitness());
  EXPECT_EQ(none.Size(), 0);
}

// A population that counts the change signals it receives.
class TCountingPopulation : public TKXGAPopulation {
 public:
  int Updates = 0;

 protected:
  void Update(TKXCollectionItem* Item) override {
    ++Updates;
    TKXGAPopulation::Update(Item);
  }
};

TEST(OperatorSignals, OperatorsMarkStaleSilentlyWhileSetBitsSignalsTheChange) {
  RandSeed(7);
  TCountingPopulation population;
  TKXGAIndividual* individual = population.Add();
  TKXGABits& bits = *individual->Bits();
  bits.SetSize(16);
  const int before = population.Updates;
  bits.Randomize();
  bits.Mutate(0.5);
  bits.Invert(-1, -1);
  bits.CrossOver(bits, bits, 3);
  EXPECT_EQ(population.Updates, before);
  EXPECT_TRUE(individual->NeedFitness());
  individual->SetBits(bits);
  EXPECT_EQ(population.Updates, before + 1);
}

TEST_F(Operators, InvertComplementsAnInclusiveRunCutAtTheEnd) {
  TKXGABits& bits = *Fresh(8, "00000000")->Bits();
  bits.Invert(6, 5);
  bits.Invert(0, 3);
  bits.Invert(2, 0);
  EXPECT_EQ(bits.ToBitString(), "11010011");
  bits.Invert(8, 0);
  EXPECT_THROW(bits.Invert(-2, 1), EListError);
  EXPECT_EQ(bits.ToBitString(), "11010011");
  // Random runs: Start drawn below Size, then Count below Size - Start; never empty.
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    RandSeed(seed);
    const std::int32_t start = RandomInt(8);
    const std::int32_t count = RandomInt(8 - start);
    RandSeed(seed);
    bits.Clear();
    bits.Invert(-1, -1);
    ASSERT_EQ(bits.ToBitString(), std::string(start, '0') + std::string(count + 1, '1') +
                                      std::string(7 - start - count, '0'))
        << seed;
  }
}

TEST_F(Operators, CrossOverMatchesTheBitRuleForAnyWidthsAndPoints) {
  for (int trial = 0; trial < 300; ++trial) {
    const std::int32_t size = 1 + RandomInt(200);
    TKXGABits p1, p2, child;  // detached chromosomes work without an individual
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

TEST_F(Operators, CrossOverAtExtremePointsAndAtARandomPoint) {
  TKXGABits ones, zeros;
  ones.SetSize(64);
  zeros.SetSize(64);
  ones.ComplementRange(0, 64);
  TKXGAIndividual* child = Fresh(64);
  TKXGABits& bits = *child->Bits();
  bits.CrossOver(ones, zeros, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(bits.CountOnes(), 64);
  EXPECT_TRUE(child->NeedFitness());
  bits.CrossOver(ones, zeros, std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(bits.CountOnes(), 0);
  RandSeed(3);
  const std::int32_t point = RandomInt(64);
  RandSeed(3);
  bits.CrossOver(ones, zeros);
  EXPECT_EQ(bits.ToBitString(), std::string(point + 1, '1') + std::string(63 - point, '0'));
}

}  // namespace
}  // namespace kx
