#include "kx/ga/custom_genetic_algorithm.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "kx/ga/genetic_algorithm.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"
#include "kx/host/streaming.hpp"

namespace kx {
namespace {

// A component that exposes the protected operators for direct calls.
class TOpenGA : public TKXGeneticAlgorithm {
 public:
  using TKXCustomGeneticAlgorithm::PopulationNotify;
  using TKXGeneticAlgorithm::TKXGeneticAlgorithm;
};

// Parents: first all ones, second all zeros, two children, all of Width bits.
struct Crossing : ::testing::Test {
  TOpenGA ga;
  TKXGAIndividual* p1 = nullptr;
  TKXGAIndividual* p2 = nullptr;
  TKXGAIndividual* c1 = nullptr;
  TKXGAIndividual* c2 = nullptr;
  std::vector<std::int32_t> points;

  void Build(std::int32_t Width) {
    RandSeed(99);
    ga.SetGeneSize(Width);
    p1 = ga.Population()->Add();
    p2 = ga.Population()->Add();
    c1 = ga.Population()->Add();
    c2 = ga.Population()->Add();
    p1->Bits()->ComplementRange(0, Width);
    // Record the cut of every first call.
    ga.SetOnCrossover([this](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual* Child,
                             std::int32_t& Bit, bool&) {
      if (Child == c1) points.push_back(Bit);
    });
  }
  std::set<std::int32_t> Cuts(TGACrossoverMethod Method, int Trials = 400) {
    ga.SetCrossoverMethod(Method);
    points.clear();
    for (int i = 0; i < Trials; ++i) ga.DoCrossover(p1, p2, c1, c2);
    return {points.begin(), points.end()};
  }
};

TEST_F(Crossing, BitBoundaryCutsAnywhereBelowTheWidth) {
  Build(12);
  const auto cuts = Cuts(cmBitBoundary);
  EXPECT_EQ(cuts.size(), 12u);
  EXPECT_EQ(*cuts.begin(), 0);
  EXPECT_EQ(*cuts.rbegin(), 11);
}

TEST_F(Crossing, ByteBoundaryNeedsSixteenBitsOfGeneSize) {
  Build(8);
  EXPECT_EQ(Cuts(cmByteBoundary).size(), 8u);  // like the bit boundary
  ga.SetGeneSize(16);
  EXPECT_EQ(Cuts(cmByteBoundary), (std::set<std::int32_t>{8, 16}));
}

TEST_F(Crossing, WordAndLongwordThresholds) {
  Build(31);
  EXPECT_EQ(Cuts(cmWordBoundary).size(), 31u);
  ga.SetGeneSize(32);
  EXPECT_EQ(Cuts(cmWordBoundary), (std::set<std::int32_t>{16, 32}));
  ga.SetGeneSize(63);
  EXPECT_EQ(Cuts(cmLongwordBoundary).size(), 63u);
  ga.SetGeneSize(64);
  EXPECT_EQ(Cuts(cmLongwordBoundary), (std::set<std::int32_t>{32, 64}));
}

TEST_F(Crossing, ThresholdUsesGeneSizeButTheRangeUsesTheChildsWidth) {
  Build(16);
  c1->Bits()->SetSize(40);
  EXPECT_EQ(Cuts(cmByteBoundary), (std::set<std::int32_t>{8, 16, 24, 32, 40}));
  ga.SetGeneSize(15);  // below the threshold; this resized the child, widen it again
  c1->Bits()->SetSize(40);
  EXPECT_EQ(Cuts(cmByteBoundary).size(), 40u);
}

TEST_F(Crossing, GeneBoundaryWithTwoEightBitGenesAlwaysCutsAtEight) {
  Build(0);
  ga.Genes()->Add()->SetSize(8);
  ga.Genes()->Add()->SetSize(8);
  ASSERT_EQ(ga.GeneSize(), 16);
  p1->Bits()->ComplementRange(0, 16);
  EXPECT_EQ(Cuts(cmGeneBoundary, 20), (std::set<std::int32_t>{8}));
  // Bit 8 itself, the first bit of the second gene, comes from the first parent.
  EXPECT_EQ(c1->Bits()->ToBitString(), "1111111110000000");
  EXPECT_EQ(c2->Bits()->ToBitString(), "0000000001111111");
}

TEST_F(Crossing, GeneBoundaryCutsAtTheOffsetOfAGeneOtherThanTheFirst) {
  Build(0);
  for (std::int32_t size : {3, 5, 7}) ga.Genes()->Add()->SetSize(size);
  EXPECT_EQ(Cuts(cmGeneBoundary), (std::set<std::int32_t>{3, 8}));
}

TEST_F(Crossing, GeneBoundaryWithOneGeneCutsAtMultiplesOfItsWidth) {
  Build(0);
  ga.Genes()->Add()->SetSize(4);
  ga.SetGeneSize(16);
  EXPECT_EQ(Cuts(cmGeneBoundary), (std::set<std::int32_t>{0, 4, 8, 12}));
}

TEST_F(Crossing, GeneBoundaryWithoutAUsableGeneRaises) {
  Build(16);
  ga.SetCrossoverMethod(cmGeneBoundary);
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
  ga.Genes()->Add();  // width 0
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
  EXPECT_EQ(c1->Bits()->CountOnes(), 0);
}

TEST_F(Crossing, HandlerMovesTheCutForBothChildrenAndSeesTheParentsSwapped) {
  Build(8);
  ga.SetCrossoverMethod(cmBitBoundary);
  std::vector<std::string> calls;
  ga.SetOnCrossover([&](TKXObject* Sender, TKXGAIndividual* A, TKXGAIndividual* B,
                        TKXGAIndividual* Child, std::int32_t& Bit, bool& Do) {
    EXPECT_EQ(Sender, &ga);
    EXPECT_TRUE(Do);
    calls.push_back(std::string(A == p1 ? "p1" : "p2") + (B == p1 ? "p1" : "p2") +
                    (Child == c1 ? "c1" : "c2") + std::to_string(Bit));
    if (Child == c1) Bit = 2;
  });
  EXPECT_TRUE(ga.DoCrossover(p1, p2, c1, c2));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1], "p2p1c22");
  EXPECT_EQ(c1->Bits()->ToBitString(), "11100000");
  EXPECT_EQ(c2->Bits()->ToBitString(), "00011111");
}

TEST_F(Crossing, VetoOnTheFirstCallCanBeLiftedOnTheSecond) {
  Build(8);
  ga.SetCrossoverMethod(cmBitBoundary);
  c1->Assign(p1);
  c2->Assign(p1);
  std::vector<bool> received;
  ga.SetOnCrossover([&](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual* Child,
                        std::int32_t& Bit, bool& Do) {
    received.push_back(Do);
    Bit = 3;
    Do = Child != c1;
  });
  EXPECT_TRUE(ga.DoCrossover(p1, p2, c1, c2));
  EXPECT_EQ(received, (std::vector<bool>{true, false}));
  EXPECT_EQ(c1->Bits()->ToBitString(), "11111111");  // still the copy of the first parent
  EXPECT_EQ(c2->Bits()->ToBitString(), "00001111");

  ga.SetOnCrossover([&](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual*,
                        std::int32_t&, bool& Do) { Do = false; });
  EXPECT_FALSE(ga.DoCrossover(p1, p2, c1, nullptr));
}

TEST_F(Crossing, SecondChildMustBeAGAIndividual) {
  Build(8);
  TKXIndividual plain;
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, &plain), EConvertError);
}

TEST(GAMutation, EveryChildIsOfferedToThePerBitOperator) {
  RandSeed(5);
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(32);
  TKXGAIndividual* child = ga.Population()->Add();
  int offered = 0;
  ga.SetOnMutation([&](TKXObject*, TKXIndividual*, bool&) { ++offered; });
  ga.SetMutationProbability(0);
  EXPECT_FALSE(ga.Mutate(child));
  EXPECT_EQ(child->Bits()->CountOnes(), 0);
  EXPECT_EQ(offered, 1);

  ga.SetMutationProbability(1);
  EXPECT_TRUE(ga.Mutate(child));
  EXPECT_EQ(child->Bits()->CountOnes(), 32);
  EXPECT_EQ(offered, 2);

  ga.SetOnMutation([&](TKXObject*, TKXIndividual*, bool& Do) { Do = false; });
  EXPECT_FALSE(ga.Mutate(child));
  EXPECT_EQ(child->Bits()->CountOnes(), 32);
}

TEST(GAMutation, InvertComplementsARandomRunAndReportsTrue) {
  RandSeed(8);
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(40);
  TKXGAIndividual* child = ga.Population()->Add();
  EXPECT_TRUE(ga.DoInvert(child));
  EXPECT_GT(child->Bits()->CountOnes(), 0);
}

TEST(GAInitialization, WithoutRetriesEveryIndividualIsRandomizedOnce) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(1);
  ga.SetInitialDuplicatesRetries(0);
  for (int i = 0; i < 6; ++i) ga.Population()->Add();
  RandSeed(17);
  EXPECT_EQ(ga.DoInitialize(), 0);
  const std::int32_t next = RandomInt(1000);
  RandSeed(17);
  std::string expected;
  for (int i = 0; i < 6; ++i) expected += RandomInt(2) == 1 ? '1' : '0';
  EXPECT_EQ(RandomInt(1000), next);
  std::string actual;
  for (int i = 0; i < 6; ++i) actual += ga.Population()->Items(i)->Bits()->ToBitString();
  EXPECT_EQ(actual, expected);
}

TEST(GAInitialization, OneBitChromosomesSpendTheSharedBudget) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(1);
  ga.SetInitialDuplicatesRetries(10);
  for (int i = 0; i < 8; ++i) ga.Population()->Add();
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    RandSeed(seed);
    const std::int32_t distinct = ga.DoInitialize();
    EXPECT_LE(distinct, 2);
    EXPECT_GE(distinct, 1);
    // 8 first draws plus exactly the 10 re-draws of the budget: the third individual (at the
    // latest) only finds duplicates and spends it; the rest are drawn once, unchecked.
    const std::int32_t next = RandomInt(1 << 30);
    RandSeed(seed);
    for (int i = 0; i < 18; ++i) RandomInt(2);
    EXPECT_EQ(RandomInt(1 << 30), next) << seed;
  }
}

TEST(GAInitialization, AGenerousBudgetLeavesDistinctChromosomes) {
  RandSeed(2);
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(6);  // 64 keys for 40 individuals: duplicates are likely without re-draws
  for (int i = 0; i < 40; ++i) ga.Population()->Add();
  ga.SetInitialDuplicatesRetries(1000);
  EXPECT_EQ(ga.DoInitialize(), 40);
  std::set<std::string> texts;
  for (int i = 0; i < 40; ++i) texts.insert(ga.Population()->Items(i)->Bits()->ToString());
  EXPECT_EQ(texts.size(), 40u);
}

TEST(GASettings, ConstructionAndClassNames) {
  TKXGeneticAlgorithm ga;
  EXPECT_EQ(ga.ClassName(), "TKXGeneticAlgorithm");
  EXPECT_EQ(ga.GeneSize(), 0);
  EXPECT_EQ(ga.CrossoverMethod(), cmGeneBoundary);
  EXPECT_EQ(ga.Genes()->Count(), 0);
  EXPECT_EQ(ga.Population()->ClassName(), "TKXGAPopulation");
  EXPECT_EQ(ga.Population()->Add()->ClassName(), "TKXGAIndividual");
  EXPECT_EQ(ga.SelectionMethod(), smStochasticTournament);
}

TEST(GASettings, AddingAnIndividualOfAnotherClassIsAnInvalidCast) {
  TOpenGA ga;
  TKXIndividual plain;
  EXPECT_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnAdded), EConvertError);
  EXPECT_NO_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnDeleting));
}

TEST(GASettings, SetGeneSizeResizesTheCurrentPopulationOnlyOnChange) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetOnEvaluateFitness([](TKXObject*, TKXIndividual*, TGAFitness& Fitness) { Fitness = 2; });
  ga.SetGeneSize(10);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Bits()->SetBits(9, true);
  individual->Fitness();
  ga.SetGeneSize(10);
  EXPECT_FALSE(individual->NeedFitness());
  ga.SetGeneSize(5);
  EXPECT_TRUE(individual->NeedFitness());
  ga.SetGeneSize(12);
  EXPECT_EQ(individual->Bits()->ToBitString(), std::string(12, '0'));

  ga.SetPreviousGeneration(ga.Population());
  ga.SetGeneSize(3);
  EXPECT_EQ(ga.PreviousGeneration()->Items(0)->Bits()->Size(), 12);
  EXPECT_EQ(ga.Population()->Items(0)->Bits()->Size(), 3);
}

TEST(GASettings, AssignCopiesWidthMethodGenotypeAndPopulation) {
  TKXCustomGeneticAlgorithm source;
  source.Genes()->Add()->SetSize(6);
  source.SetCrossoverMethod(cmWordBoundary);
  source.Population()->Add()->Bits()->SetBits(5, true);
  source.SetGeneSize(9);

  TKXCustomGeneticAlgorithm target;
  target.SetGeneSize(4);
  target.Population()->Add();
  target.Population()->Add();
  target.Assign(&source);
  EXPECT_EQ(target.GeneSize(), 9);
  EXPECT_EQ(target.CrossoverMethod(), cmWordBoundary);
  ASSERT_EQ(target.Genes()->Count(), 1);
  EXPECT_EQ(target.Genes()->Items(0)->Size(), 6);
  ASSERT_EQ(target.Population()->Count(), 1);
  EXPECT_EQ(target.Population()->Items(0)->Bits()->ToBitString(), "000001000");
}

TEST(GASettings, StreamingCarriesCrossoverMethodAndGeneSize) {
  TKXGeneticAlgorithm ga;
  ga.SetName("GA1");
  ga.SetCrossoverMethod(cmByteBoundary);
  ga.SetGeneSize(24);
  ga.SetMutationProbability(0.5);
  std::stringstream stream;
  WriteComponent(stream, ga);
  const std::string text = stream.str();
  EXPECT_NE(text.find("CrossoverMethod = cmByteBoundary"), std::string::npos) << text;
  EXPECT_NE(text.find("GeneSize = 24"), std::string::npos) << text;

  TKXGeneticAlgorithm copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(copy.CrossoverMethod(), cmByteBoundary);
  EXPECT_EQ(copy.GeneSize(), 24);
  EXPECT_EQ(copy.MutationProbability(), 0.5);

  TKXGeneticAlgorithm defaults;
  std::stringstream plain;
  WriteComponent(plain, defaults);
  EXPECT_EQ(plain.str().find("CrossoverMethod"), std::string::npos);
  EXPECT_NE(plain.str().find("GeneSize = 0"), std::string::npos);
}

}  // namespace
}  // namespace kx
