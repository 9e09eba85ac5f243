#include "kx/ga/ga_bits.hpp"

#include <random>

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

// Each operator against a replay of its draws on random chromosomes: the bits it leaves, its
// result, its number of draws (the next draw must match), and a stale fitness without a signal.
// Invert takes Start -1 and Count -1 as "draw it"; Point -9 here means the form without a point.
// Clear zeroes the bits silently and keeps the fitness; SetBits copies and signals the change.
TEST(GABitsOperators, EachOperatorFollowsItsBitRuleOnRandomChromosomes) {
  TCountingGA ga;
  ga.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness& Fitness) { Fitness = 1; });
  TKXGAIndividual& individual = *ga.Population()->Add();
  TKXGABits& bits = *individual.Bits();
  std::mt19937 rng(11);
  auto pick = [&](std::int32_t N) { return static_cast<std::int32_t>(rng() % N); };
  for (std::uint64_t trial = 0; trial < 400; ++trial) {
    const std::int32_t size = pick(4) == 0 ? pick(3) : pick(150), op = pick(6);
    TKXGABits p1, p2;  // detached chromosomes work without an individual
    for (TKXGABits* b : {&bits, &p1, &p2}) b->SetSize(b == &bits ? size : pick(size + 20));
    for (TKXGABits* b : {&bits, &p1, &p2}) b->Randomize();
    individual.Fitness();
    const std::string before = bits.ToBitString();
    const int updates = ga.Updates;
    const std::int32_t start = pick(3) == 0 ? -1 : pick(size + 2) - (size > 0 ? 2 : 0);
    const std::int32_t count = start == -1 && pick(2) == 0 ? -1 : pick(size + 3);
    const std::int32_t point = pick(8) == 0      ? -9
                               : trial % 50 == 0 ? (trial % 100 ? INT32_MAX : INT32_MIN)
                                                 : pick(size + 5) - 2;
    const double p = pick(3) == 0 ? pick(2) : std::uniform_real_distribution<double>()(rng);
    RandSeed(trial);
    const bool mutated = op == 1 && bits.Mutate(p), refused = op == 2 && start < -1;
    if (op == 0) bits.Randomize();
    if (op == 2 && !refused) bits.Invert(start, count);
    if (op == 3) point == -9 ? bits.CrossOver(p1, p2) : bits.CrossOver(p1, p2, point);
    if (op == 4) bits.Clear();
    if (op == 5) individual.SetBits(p1);
    EXPECT_EQ(testing::ErrorOf<EListError>([&] { refused ? bits.Invert(start, count) : void(); }) !=
                  "no error",
              refused);
    const double next = RandomFloat();
    RandSeed(trial);
    std::string expected = op == 4 ? std::string(size, '0') : op == 5 ? p1.ToBitString() : before;
    bool flipped = false;
    auto flip = [&](std::int64_t i) { expected[i] = expected[i] == '1' ? '0' : '1'; };
    if (op == 0)
      for (char& c : expected) c = RandomInt(2) == 1 ? '1' : '0';
    for (std::int32_t i = 0; op == 1 && i < size; ++i)
      if (p > RandomFloat()) flip(i), flipped = true;
    const std::int32_t from = op == 2 && !refused ? (start == -1 ? RandomInt(size) : start) : size;
    const std::int64_t last = from + std::int64_t{count == -1 ? RandomInt(size - from) : count};
    for (std::int64_t i = from; i <= last && i < size; ++i) flip(i);
    const std::int64_t cut = op == 3 && point == -9 ? RandomInt(p1.Size()) : point;
    std::int64_t i = 0;
    for (; op == 3 && i <= cut && i < p1.Size() && i < size; ++i)
      expected[i] = p1.Bits(i) ? '1' : '0';
    for (; op == 3 && i < p2.Size() && i < size; ++i) expected[i] = p2.Bits(i) ? '1' : '0';
    ASSERT_EQ(std::tuple(bits.ToBitString(), mutated, RandomFloat(), individual.NeedFitness(),
                         ga.Updates),
              std::tuple(expected, flipped, next, op != 4 && !refused, updates + (op == 5)))
        << trial << ": op " << op << " start " << start << " count " << count << " point " << point
        << " p " << p;
  }
}

}  // namespace
}  // namespace kx
