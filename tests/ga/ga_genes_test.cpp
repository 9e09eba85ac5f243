#include "kx/ga/ga_genes.hpp"

#include <algorithm>
#include <random>

#include "ga/ga_test_support.hpp"

namespace kx {
namespace {

// Random adds, inserts, deletes, resizes and moves (some inside an update bracket), checked
// against a list of widths: the offsets are its prefix sums, and GeneSize is the largest total
// the genes ever had, which every individual's chromosome follows. Copying a genotype takes
// the sizes directly and grows nothing.
TEST(GAGenes, OffsetsAreThePrefixSumsAfterAnyEditAndGeneSizeOnlyGrows) {
  TKXCustomGeneticAlgorithm ga, other;
  TKXGAGenes& genes = *ga.Genes();
  TKXGAIndividual* individual = ga.Population()->Add();
  std::vector<std::int32_t> sizes;
  std::int32_t grown = 0;
  std::mt19937 rng(8);
  for (int step = 0; step < 400; ++step) {
    const auto count = static_cast<std::int32_t>(sizes.size()), size = std::int32_t(rng() % 20);
    const auto at = std::int32_t(rng() % (count + 1)), to = std::int32_t(rng() % (count + 1));
    const auto op = count == 0 || at == count ? rng() % 2 : rng() % 6;
    if (op == 0) genes.Add()->SetSize(size);
    if (op == 1) genes.Insert(at)->SetSize(size);
    if (op == 2) genes.Delete(at);
    if (op == 3) genes.Items(at)->SetSize(size);
    if (op == 5) genes.BeginUpdate();
    if (op >= 4) genes.Items(at)->SetIndex(std::min(to, count - 1));
    if (op == 5) genes.EndUpdate();
    const std::int32_t width = op <= 1 || op == 3 ? size : sizes[at];
    const auto place = op == 0 ? count : op >= 4 ? std::min(to, count - 1) : at;
    if (op >= 2) sizes.erase(sizes.begin() + at);
    if (op != 2) sizes.insert(sizes.begin() + place, width);
    std::int32_t offset = 0;
    for (std::int32_t i = 0; i < genes.Count(); offset += sizes[i++])
      ASSERT_EQ(genes.Items(i)->Offset(), offset) << step << " " << i;
    grown = std::max(grown, offset);
    ASSERT_EQ(std::tuple(genes.Count(), genes.GetSize(), ga.GeneSize(), individual->Bits()->Size()),
              std::tuple(std::int32_t(sizes.size()), offset, grown, grown))
        << step;
  }
  test::AddGene(other, "wide", gtInteger, grown + 10);
  ga.SetGenes(other.Genes());
  EXPECT_EQ(std::tuple(genes.Count(), genes.Items(0)->Name(), genes.GetSize(), ga.GeneSize()),
            std::tuple(1, "wide", grown + 10, grown));
}

// Sizes beyond the maxima and NaN bounds are refused before anything changes or is allocated.
TEST(GAGenes, SizesBeyondTheMaximaAndNaNBoundsAreRefused) {
  TKXCustomGeneticAlgorithm ga;
  for (std::int32_t size : {1, 8, 16}) ga.Genes()->Add()->SetSize(size);
  TKXGAGene& middle = *ga.Genes()->Items(1);
  for (std::int32_t size : {-1, MAX_GENE_SIZE - 16, MAX_GENE_SIZE + 1, 2147483647})
    EXPECT_THROW(middle.SetSize(size), EGAException) << size;
  EXPECT_THROW(ga.SetGeneSize(MAX_GENE_SIZE + 1), EGAException);
  EXPECT_THROW(middle.SetMinValue(std::nan("")), EGAException);
  EXPECT_THROW(middle.SetMaxValue(std::nan("")), EGAException);
  EXPECT_EQ(ga.Genes()->GetSize(), 25);
  middle.SetSize(MAX_GENE_SIZE - 17);
  EXPECT_EQ(ga.GeneSize(), MAX_GENE_SIZE);
  EXPECT_THROW(ga.Genes()->Items(0)->Assign(&middle), EGAException);
  ga.SetInitialPopulation(static_cast<std::int32_t>(MAX_POPULATION_BITS / MAX_GENE_SIZE) + 1);
  EXPECT_THROW(ga.Initialize(), EGAException);
  EXPECT_EQ(ga.Population()->Count(), 0);
}

}  // namespace
}  // namespace kx
