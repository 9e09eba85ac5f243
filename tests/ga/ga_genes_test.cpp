#include "kx/ga/ga_genes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "kx/ga/custom_genetic_algorithm.hpp"

namespace kx {
namespace {

std::vector<std::int32_t> Offsets(const TKXGAGenes& Genes) {
  std::vector<std::int32_t> offsets;
  for (std::int32_t i = 0; i < Genes.Count(); ++i) offsets.push_back(Genes.Items(i)->Offset());
  return offsets;
}

// A component whose genotype of three genes has widths 1, 8 and 16.
struct ThreeGenes : ::testing::Test {
  TKXCustomGeneticAlgorithm ga;
  TKXGAGenes& genes = *ga.Genes();
  void SetUp() override {
    for (std::int32_t size : {1, 8, 16}) genes.Add()->SetSize(size);
  }
};

TEST_F(ThreeGenes, OffsetsAreLaidEndToEnd) {
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 1, 9}));
  EXPECT_EQ(genes.GetSize(), 25);
  EXPECT_EQ(ga.GeneSize(), 25);
}

TEST_F(ThreeGenes, ResizingMovesLaterGenesButNeverShrinksGeneSize) {
  genes.Items(1)->SetSize(4);
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 1, 5}));
  EXPECT_EQ(genes.GetSize(), 21);
  EXPECT_EQ(ga.GeneSize(), 25);
  genes.Items(2)->SetSize(30);
  EXPECT_EQ(ga.GeneSize(), 35);
}

TEST_F(ThreeGenes, DeletingInsertingAndReorderingRecomputeOffsets) {
  genes.Delete(0);
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 8}));
  TKXGAGene* inserted = genes.Insert(1);
  inserted->SetSize(3);
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 8, 11}));
  genes.Items(2)->SetIndex(0);  // the 16-bit gene first
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 16, 24}));
  genes.Exchange(0, 2);
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 3, 11}));
  genes.Clear();
  EXPECT_EQ(genes.GetSize(), 0);
}

TEST_F(ThreeGenes, OffsetsCatchUpWhenAnUpdateBracketCloses) {
  genes.BeginUpdate();
  genes.Items(0)->SetIndex(2);
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{1, 9, 0}));  // held back
  genes.EndUpdate();
  EXPECT_EQ(Offsets(genes), (std::vector<std::int32_t>{0, 8, 24}));
}

TEST_F(ThreeGenes, GrowingGeneSizeResizesThePopulation) {
  TKXGAIndividual* individual = ga.Population()->Add();
  ASSERT_EQ(individual->Bits()->Size(), 25);
  individual->Bits()->SetBits(24, true);
  genes.Add()->SetSize(7);
  EXPECT_EQ(ga.GeneSize(), 32);
  EXPECT_EQ(individual->Bits()->Size(), 32);
  EXPECT_TRUE(individual->Bits()->Bits(24));
  EXPECT_FALSE(individual->Bits()->GetAsBoolean(25, 7));
}

TEST_F(ThreeGenes, CopyingAGenotypeTakesSizesWithoutGrowingGeneSize) {
  TKXCustomGeneticAlgorithm other;
  TKXGAGene* wide = other.Genes()->Add();
  wide->SetName("wide");
  wide->SetSize(100);
  ASSERT_EQ(other.GeneSize(), 100);
  ga.SetGenes(other.Genes());
  EXPECT_EQ(genes.Count(), 1);
  EXPECT_EQ(genes.Items(0)->Name(), "wide");
  EXPECT_EQ(genes.GetSize(), 100);
  EXPECT_EQ(ga.GeneSize(), 25);
}

TEST(Genotype, OwnerIsTheGeneticAlgorithmOnly) {
  TKXCustomGeneticAlgorithm ga;
  EXPECT_EQ(ga.Genes()->Owner(), &ga);
  TKXGAGenes plain(&ga);
  EXPECT_EQ(plain.Owner(), &ga);
  TKXGAGenes detached;
  EXPECT_EQ(detached.Owner(), nullptr);
  detached.Add()->SetSize(5);
  detached.Add()->SetSize(6);
  EXPECT_EQ(detached.GetSize(), 11);
  EXPECT_EQ(detached.FindItemID(detached.Items(1)->ID()), detached.Items(1));
}

}  // namespace
}  // namespace kx
