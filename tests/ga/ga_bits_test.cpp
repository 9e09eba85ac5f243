#include "kx/ga/ga_bits.hpp"

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

// A genetic algorithm that counts the change signals of its population.
class TCountingGA : public TKXCustomGeneticAlgorithm {
 public:
  int Updates = 0;

 protected:
  void PopulationUpdate(TKXIndividual* /*Item*/) override { ++Updates; }
};

// Fresh() returns an evaluated individual of a component, so that staleness can be observed.
struct Operators : ::testing::Test {
  TCountingGA ga;
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

// Operators mark the fitness stale even when nothing flipped, without a change signal;
// Clear marks nothing and SetBits signals.
TEST_F(Operators, EveryOperatorButClearMarksTheFitnessStaleSilently) {
  TKXGAIndividual* empty = Fresh(0);  // width 0: nothing to touch, no failure
  int updates = ga.Updates;
  for (auto op :
       {+[](TKXGABits& B) { B.Randomize(); }, +[](TKXGABits& B) { B.Mutate(1); },
        +[](TKXGABits& B) { B.Invert(-1, -1); }, +[](TKXGABits& B) { B.CrossOver(B, B, 3); }}) {
    empty->Fitness();
    op(*empty->Bits());
    EXPECT_TRUE(empty->NeedFitness());
  }
  EXPECT_FALSE(empty->Bits()->Mutate(1));
  EXPECT_EQ(ga.Updates, updates);

  TKXGAIndividual* individual = Fresh(8, "10110001");
  updates = ga.Updates;
  TKXGABits& bits = *individual->Bits();
  EXPECT_FALSE(bits.Mutate(0));
  EXPECT_TRUE(individual->NeedFitness());
  EXPECT_TRUE(bits.Mutate(1));
  EXPECT_EQ(bits.ToBitString(), "01001110");
  individual->Fitness();
  bits.Clear();
  EXPECT_FALSE(individual->NeedFitness());
  EXPECT_EQ(bits.Size(), 8);
  EXPECT_EQ(ga.Updates, updates);
  individual->SetBits(*empty->Bits());
  EXPECT_EQ(ga.Updates, updates + 1);
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

// Bits 0 .. Point from the first parent, then from the second, each only as far as its own
// width and the child's reach; points far out of range must not overflow.
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
    std::int32_t point = RandomInt(size + 4) - 2;
    if (trial % 50 == 0)
      point = trial % 100 == 0 ? std::numeric_limits<std::int32_t>::max()
                               : std::numeric_limits<std::int32_t>::min();
    std::string expected = child.ToBitString();
    std::int64_t i = 0;
    for (; i <= point && i < p1.Size() && i < size; ++i) expected[i] = p1.Bits(i) ? '1' : '0';
    for (; i < p2.Size() && i < size; ++i) expected[i] = p2.Bits(i) ? '1' : '0';
    child.CrossOver(p1, p2, point);
    ASSERT_EQ(child.ToBitString(), expected) << trial;
  }
  // Without a point, the point is drawn below the first parent's width.
  TKXGABits ones, zeros, child;
  for (TKXGABits* bits : {&ones, &zeros, &child}) bits->SetSize(64);
  ones.ComplementRange(0, 64);
  RandSeed(3);
  const std::int32_t point = RandomInt(64);
  RandSeed(3);
  child.CrossOver(ones, zeros);
  EXPECT_EQ(child.ToBitString(), std::string(point + 1, '1') + std::string(63 - point, '0'));
}

}  // namespace
}  // namespace kx
