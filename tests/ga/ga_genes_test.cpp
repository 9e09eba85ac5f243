#include "kx/ga/ga_genes.hpp"

#include <algorithm>
#include <random>

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

// Random adds, inserts, deletes, resizes and moves (some inside an update bracket), checked
// against a list of widths: the offsets are its prefix sums, and GeneSize is the largest total
// the genes ever had, which every individual's chromosome follows.
TEST(GAGenes, OffsetsAreThePrefixSumsAfterAnyEditAndGeneSizeOnlyGrows) {
  TKXCustomGeneticAlgorithm ga;
  TKXGAGenes& genes = *ga.Genes();
  TKXGAIndividual* individual = ga.Population()->Add();
  std::vector<std::int32_t> sizes;
  std::int32_t grown = 0;
  std::mt19937 rng(8);
  for (int step = 0; step < 400; ++step) {
    SCOPED_TRACE(step);
    const auto count = static_cast<std::int32_t>(sizes.size());
    const auto at = static_cast<std::int32_t>(rng() % (count + 1));
    const auto size = static_cast<std::int32_t>(rng() % 20);
    const auto op = count == 0 || at == count ? rng() % 2 : rng() % 6;
    if (op == 0) {
      genes.Add()->SetSize(size);
      sizes.push_back(size);
    } else if (op == 1) {
      genes.Insert(at)->SetSize(size);
      sizes.insert(sizes.begin() + at, size);
    } else if (op == 2) {
      genes.Delete(at);
      sizes.erase(sizes.begin() + at);
    } else if (op == 3) {
      genes.Items(at)->SetSize(size);
      sizes[at] = size;
    } else {
      const auto to = static_cast<std::int32_t>(rng() % count);
      if (op == 5) genes.BeginUpdate();
      genes.Items(at)->SetIndex(to);
      if (op == 5) genes.EndUpdate();
      const std::int32_t moved = sizes[at];
      sizes.erase(sizes.begin() + at);
      sizes.insert(sizes.begin() + to, moved);
    }
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < genes.Count(); offset += sizes[i++])
      ASSERT_EQ(genes.Items(i)->Offset(), offset) << i;
    ASSERT_EQ(genes.Count(), static_cast<std::int32_t>(sizes.size()));
    EXPECT_EQ(genes.GetSize(), offset);
    grown = std::max(grown, offset);
    EXPECT_EQ(ga.GeneSize(), grown);
    EXPECT_EQ(individual->Bits()->Size(), grown);
  }
  // Copying a genotype takes the sizes directly and grows nothing.
  TKXCustomGeneticAlgorithm other;
  test::AddGene(other, "wide", gtInteger, grown + 10);
  ga.SetGenes(other.Genes());
  ASSERT_EQ(genes.Count(), 1);
  EXPECT_EQ(genes.Items(0)->Name(), "wide");
  EXPECT_EQ(genes.GetSize(), grown + 10);
  EXPECT_EQ(ga.GeneSize(), grown);
}

// Sizes beyond the maxima and NaN bounds are refused before anything changes or is allocated.
TEST(GAGenes, SizesBeyondTheMaximaAndNaNBoundsAreRefused) {
  TKXCustomGeneticAlgorithm ga;
  for (std::int32_t size : {1, 8, 16}) ga.Genes()->Add()->SetSize(size);
  TKXGAGene& middle = *ga.Genes()->Items(1);
  for (std::int32_t size : {-1, MAX_GENE_SIZE - 16, MAX_GENE_SIZE + 1, 2147483647})
    EXPECT_THROW(middle.SetSize(size), EGAException) << size;
  EXPECT_THROW(ga.SetGeneSize(MAX_GENE_SIZE + 1), EGAException);
  EXPECT_EQ(ga.Genes()->GetSize(), 25);
  EXPECT_THROW(middle.SetMinValue(std::nan("")), EGAException);
  EXPECT_THROW(middle.SetMaxValue(std::nan("")), EGAException);
  middle.SetSize(MAX_GENE_SIZE - 17);
  EXPECT_EQ(ga.GeneSize(), MAX_GENE_SIZE);
  EXPECT_THROW(ga.Genes()->Items(0)->Assign(&middle), EGAException);
  ga.SetInitialPopulation(static_cast<std::int32_t>(MAX_POPULATION_BITS / MAX_GENE_SIZE) + 1);
  EXPECT_THROW(ga.Initialize(), EGAException);
  EXPECT_EQ(ga.Population()->Count(), 0);
}

}  // namespace
}  // namespace kx
