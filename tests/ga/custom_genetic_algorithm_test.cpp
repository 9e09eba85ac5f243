#include <numeric>
#include <random>

#include "ga/ga_test_support.hpp"
#include "kx/host/streaming.hpp"

namespace kx {
namespace {

using Texts = std::vector<std::string>;

// A component that exposes the protected add notification.
class TOpenGA : public TKXGeneticAlgorithm {
 public:
  using TKXCustomGeneticAlgorithm::PopulationNotify;
};

// Parents: the first all ones, the second all zeros; two children of the same width.
struct Crossing : ::testing::Test {
  TOpenGA ga;
  TKXGAIndividual *p1 = nullptr, *p2 = nullptr, *c1 = nullptr, *c2 = nullptr;
  void Build(TGACrossoverMethod Method, std::vector<std::int32_t> Genes, std::int32_t Width) {
    RandSeed(99);
    test::SetAll(ga, &test::TGA::SetGeneSize, Width, &test::TGA::SetCrossoverMethod, Method);
    for (std::int32_t size : Genes) ga.Genes()->Add()->SetSize(size);
    for (TKXGAIndividual** item : {&p1, &p2, &c1, &c2}) *item = ga.Population()->Add();
    p1->Bits()->ComplementRange(0, ga.GeneSize());
  }
};

// Random methods, genotypes, GeneSizes and child widths S: the cut offered to the handler is
// the rule's draw replayed: the first bit of a gene other than the first, or a multiple of a
// single gene's width below S; for the byte, word and longword boundaries, when GeneSize is at
// least twice the boundary, a whole number of boundaries up to S, otherwise (and for the bit
// boundary) any bit below S.
TEST_F(Crossing, CutsFollowTheMethodTheGeneSizeAndTheChildsWidthOrRaiseWithoutGenes) {
  std::mt19937 rng(4);
  for (std::uint64_t trial = 0; trial < 600; ++trial) {
    ga.Population()->Clear();
    ga.Genes()->Clear();
    const int m = static_cast<int>(rng() % 5), boundary = 2 << m;
    std::vector<std::int32_t> genes(m == 0 ? 1 + rng() % 4 : 0);
    for (std::int32_t& size : genes) size = static_cast<std::int32_t>(1 + rng() % 12);
    Build(static_cast<TGACrossoverMethod>(m), genes,
          static_cast<std::int32_t>(rng() % 2 ? 2 * boundary - rng() % 2 : rng() % 80));
    if (rng() % 3 == 0) c1->Bits()->SetSize(static_cast<std::int32_t>(rng() % 80));
    std::int32_t cut = -1;
    ga.SetOnCrossover([&](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual* Child,
                          std::int32_t& Bit, bool&) { cut = Child == c1 ? Bit : cut; });
    RandSeed(trial);
    ga.DoCrossover(p1, p2, c1, c2);
    RandSeed(trial);
    const std::int32_t s = c1->Bits()->Size(), n = static_cast<std::int32_t>(genes.size());
    std::int32_t expected = RandomInt(s);
    RandSeed(trial);
    if (m == 0 && n >= 2)
      expected = std::accumulate(genes.begin(), genes.begin() + RandomInt(n - 1) + 1, 0);
    if (m == 0 && n == 1) expected = genes[0] * (RandomInt(s) / genes[0]);
    if (m >= 2 && ga.GeneSize() >= 2 * boundary)
      expected = (RandomInt(s / boundary) + 1) * boundary;
    EXPECT_EQ(cut, expected) << "method " << m << " GeneSize " << ga.GeneSize() << " S " << s;
  }
  ga.SetCrossoverMethod(cmGeneBoundary);
  ga.Genes()->Clear();  // the gene boundary needs genes of some width
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
  ga.Genes()->Add();
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
}

// The core's overloads stay callable on the GA, the hidden crossover event included.
template <class TGA>
concept ReachesCoreOverloads = requires(TGA& ga, TKXIndividual* item, TKXCrossoverEvent core) {
  ga.Mutate(item);
  ga.Crossover(item, item, item);
  ga.TKXCustomGeneticComponent::SetOnCrossover(core);
};
static_assert(ReachesCoreOverloads<TKXGeneticAlgorithm>);

// The core's event runs first and can veto; the GA's runs per child with the parents swapped
// for the second, which receives the cut and the veto the first call left.
TEST_F(Crossing, HandlersMoveTheCutAndVetoPerChild) {
  Build(cmBitBoundary, {}, 8);
  c1->Assign(p1);
  ga.SetCrossoverProbability(1);
  Texts calls;
  bool coreAllows = false;
  ga.TKXCustomGeneticComponent::SetOnCrossover(
      [&](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*, bool& Do) {
        calls.push_back("core");
        Do = coreAllows;
      });
  ga.SetOnCrossover([&](TKXObject* Sender, TKXGAIndividual* A, TKXGAIndividual* B,
                        TKXGAIndividual* Child, std::int32_t& Bit, bool& Do) {
    EXPECT_EQ(Sender, &ga);
    calls.push_back(std::string(A == p1 ? "p1" : "p2") + (B == p1 ? "p1" : "p2") +
                    (Child == c1 ? "c1" : "c2") + (Do ? "+" : "-") +
                    (Child == c1 ? "" : std::to_string(Bit)));
    if (Child == c1) Bit = 2;
    Do = Child != c1;
  });
  EXPECT_FALSE(ga.Crossover(p1, p2, c1, c2));
  coreAllows = true;
  EXPECT_TRUE(ga.Crossover(p1, p2, c1, c2));
  EXPECT_EQ(calls, (Texts{"core", "core", "p1p2c1+", "p2p1c2-2"}));
  // The first child was vetoed: still the first parent.
  EXPECT_EQ(test::BitTexts(ga.Population()),
            (Texts{"11111111", "00000000", "11111111", "00011111"}));
  EXPECT_FALSE(ga.DoCrossover(p1, p2, c1, nullptr));
  TKXIndividual plain;
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, &plain), EConvertError);
  EXPECT_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnAdded), EConvertError);
  EXPECT_NO_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnDeleting));
}

// Every child reaching mutation is offered to the handler and then to the per-bit operator.
// Initialization: with one-bit chromosomes and no retries, one draw each and nothing
// registered; with 10, the 8 individuals spend exactly the 10 re-draws.
TEST(GAOperators, MutationOffersEveryChildAndInitializationSharesOneBudget) {
  RandSeed(5);
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(32);
  TKXGAIndividual* child = ga.Population()->Add();
  int offered = 0;
  ga.SetOnMutation([&](TKXObject*, TKXIndividual*, bool& Do) { Do = ++offered < 3; });
  auto mutate = [&](double P) { return ga.SetMutationProbability(P), ga.Mutate(child); };
  EXPECT_EQ((std::vector<bool>{mutate(0), mutate(1), mutate(1)}),  // the third vetoed
            (std::vector<bool>{false, true, false}));
  EXPECT_TRUE(ga.DoInvert(child));
  EXPECT_LT(child->Bits()->CountOnes(), 32);
  ga.SetGeneSize(1);
  for (int i = 1; i < 8; ++i) ga.Population()->Add();
  for (auto [retries, draws] : {std::pair{0, 8}, std::pair{10, 18}}) {
    ga.SetInitialDuplicatesRetries(retries);
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
      RandSeed(seed);
      const std::int32_t distinct = ga.DoInitialize(), next = RandomInt(1 << 30);
      EXPECT_TRUE(retries == 0 ? distinct == 0 : distinct == 1 || distinct == 2) << distinct;
      RandSeed(seed);
      for (int i = 0; i < draws; ++i) RandomInt(2);
      EXPECT_EQ(RandomInt(1 << 30), next) << seed;
    }
  }
}

// The published properties stream in their order; read back, MaxValue is applied before
// MinValue (so 20 .. 100 survives) and PreserveSignBit last (re-deriving a signed range).
// A new GeneSize resizes the current population only, and only on a change. Assign copies all
// the properties, GeneSize as set rather than as the genes imply.
TEST(GASettings, ComponentStreamsCarryThePublishedPropertiesInTheirOrderAndAssignCopiesThem) {
  TKXGeneticAlgorithm fresh, source, target, copy;
  EXPECT_EQ(testing::StreamEntryNames(testing::StreamText(fresh)),
            (Texts{"GeneSize", "Population"}));
  test::AddFourKinds(source);
  test::SetAll(*test::AddGene(source, "Narrow", gtInteger, 8), &TKXGAGene::SetMaxValue, 100.0,
               &TKXGAGene::SetMinValue, 20.0);
  TKXGAGene* signedGene = test::AddGene(source, "Signed", gtInteger, 6, true);
  test::SetAll(*signedGene, &TKXGAGene::SetMaxValue, 10.0, &TKXGAGene::SetMinValue, -5.0);
  test::SetAll(source, &test::TGA::SetCrossoverMethod, cmByteBoundary, &test::TGA::SetElitistPct,
               0.5, &test::TGA::SetGeneration, 5, &test::TGA::SetUseFitnessCutoff, true,
               &test::TGA::SetOperations, TGAGeneticOperations{goMutate});
  const std::string text = testing::StreamText(source);
  EXPECT_EQ(testing::StreamEntryNames(text),
            (Texts{"CrossoverMethod", "Generation", "Genes", "GeneSize", "Population", "Operations",
                   "UseFitnessCutoff", "ElitistPct"}));
  EXPECT_NE(text.find("      Enumerations = ('Red', 'Green', 'Blue')\n"
                      "      GeneType = gtEnumeration\n"),
            std::string::npos)
      << text;
  test::AddGene(target, "stale", gtFloat, 30);
  std::istringstream stream(text);
  ReadComponent(stream, target);
  EXPECT_EQ(target.Genes()->Items(5)->MinValue(), -32);
  signedGene->SetPreserveSignBit(false);
  signedGene->SetPreserveSignBit(true);
  EXPECT_EQ(testing::StreamText(target), testing::StreamText(source));
  TKXGAIndividual& first = *source.Population()->Items(0);
  first.Fitness();
  source.SetGeneSize(source.GeneSize());
  EXPECT_FALSE(first.NeedFitness());
  source.SetPreviousGeneration(source.Population());
  source.SetGeneSize(40);
  EXPECT_EQ(std::pair(first.NeedFitness(), source.PreviousGeneration()->Items(0)->Bits()->Size()),
            std::pair(true, 37));
  copy.SetOperations(source.Operations());  // not a setting Assign copies
  copy.Assign(&source);
  EXPECT_EQ(testing::StreamText(copy), testing::StreamText(source));
}

}  // namespace
}  // namespace kx
