#include "kx/ga/ga_genes.hpp"

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

using Ints = std::vector<std::int32_t>;

// A component whose genotype of three genes has widths 1, 8 and 16.
struct ThreeGenes : ::testing::Test {
  TKXCustomGeneticAlgorithm ga;
  TKXGAGenes& genes = *ga.Genes();
  void SetUp() override {
    for (std::int32_t size : {1, 8, 16}) genes.Add()->SetSize(size);
  }
  Ints Offsets() const {
    Ints offsets;
    for (std::int32_t i = 0; i < genes.Count(); ++i) offsets.push_back(genes.Items(i)->Offset());
    return offsets;
  }
};

TEST_F(ThreeGenes, EveryEditRecomputesTheOffsets) {
  EXPECT_EQ(Offsets(), (Ints{0, 1, 9}));
  EXPECT_EQ(genes.GetSize(), 25);
  genes.Items(1)->SetSize(4);
  EXPECT_EQ(Offsets(), (Ints{0, 1, 5}));
  genes.Delete(0);
  EXPECT_EQ(Offsets(), (Ints{0, 4}));
  genes.Insert(1)->SetSize(3);
  EXPECT_EQ(Offsets(), (Ints{0, 4, 7}));
  genes.Items(2)->SetIndex(0);
  EXPECT_EQ(Offsets(), (Ints{0, 16, 20}));
  genes.Exchange(0, 2);
  EXPECT_EQ(Offsets(), (Ints{0, 3, 7}));
  genes.BeginUpdate();
  genes.Items(0)->SetIndex(2);
  EXPECT_EQ(Offsets(), (Ints{3, 7, 0}));  // held back until the bracket closes
  genes.EndUpdate();
  EXPECT_EQ(Offsets(), (Ints{0, 4, 20}));
  genes.Clear();
  EXPECT_EQ(genes.GetSize(), 0);
}

TEST_F(ThreeGenes, GeneSizeGrowsWithTheGenesButNeverShrinks) {
  TKXGAIndividual* individual = ga.Population()->Add();
  ASSERT_EQ(ga.GeneSize(), 25);
  individual->Bits()->SetBits(24, true);
  genes.Items(1)->SetSize(4);
  EXPECT_EQ(ga.GeneSize(), 25);
  genes.Add()->SetSize(11);
  EXPECT_EQ(ga.GeneSize(), 32);
  EXPECT_EQ(individual->Bits()->ToBitString(), std::string(24, '0') + "10000000");

  TKXCustomGeneticAlgorithm other;
  TKXGAGene* wide = other.Genes()->Add();
  wide->SetName("wide");
  wide->SetSize(100);
  ga.SetGenes(other.Genes());  // copying a genotype takes sizes directly
  ASSERT_EQ(genes.Count(), 1);
  EXPECT_EQ(genes.Items(0)->Name(), "wide");
  EXPECT_EQ(genes.GetSize(), 100);
  EXPECT_EQ(ga.GeneSize(), 32);
}

// Sizes beyond the maxima and NaN bounds are refused before anything changes or is allocated.
TEST_F(ThreeGenes, SizesBeyondTheMaximaAndNaNBoundsAreRefused) {
  TKXGAGene& middle = *genes.Items(1);
  for (std::int32_t size : {-1, MAX_GENE_SIZE - 16, MAX_GENE_SIZE + 1, 2147483647})
    EXPECT_THROW(middle.SetSize(size), EGAException) << size;
  EXPECT_THROW(ga.SetGeneSize(MAX_GENE_SIZE + 1), EGAException);
  EXPECT_EQ(genes.GetSize(), 25);
  EXPECT_THROW(middle.SetMinValue(std::nan("")), EGAException);
  EXPECT_THROW(middle.SetMaxValue(std::nan("")), EGAException);
  middle.SetSize(MAX_GENE_SIZE - 17);
  EXPECT_EQ(ga.GeneSize(), MAX_GENE_SIZE);
  EXPECT_THROW(genes.Items(0)->Assign(&middle), EGAException);
  ga.SetInitialPopulation(static_cast<std::int32_t>(MAX_POPULATION_BITS / MAX_GENE_SIZE) + 1);
  EXPECT_THROW(ga.Initialize(), EGAException);
  EXPECT_EQ(ga.Population()->Count(), 0);
}

}  // namespace
}  // namespace kx
