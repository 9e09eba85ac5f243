#include "ga/ga_test_support.hpp"
#include "kx/host/streaming.hpp"

namespace kx {
namespace {

using Cuts = std::set<std::int32_t>;
using Texts = std::vector<std::string>;

Cuts Below(std::int32_t N) {
  Cuts cuts;
  for (std::int32_t i = 0; i < N; ++i) cuts.insert(i);
  return cuts;
}

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
    ga.Population()->Clear();
    ga.Genes()->Clear();
    ga.SetGeneSize(Width);
    ga.SetCrossoverMethod(Method);
    for (std::int32_t size : Genes) ga.Genes()->Add()->SetSize(size);
    for (TKXGAIndividual** item : {&p1, &p2, &c1, &c2}) *item = ga.Population()->Add();
    p1->Bits()->ComplementRange(0, ga.GeneSize());
  }
  // The cuts offered to the handler for the first child over Trials crossovers.
  Cuts Drawn(int Trials = 400) {
    Cuts cuts;
    ga.SetOnCrossover([&](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual* Child,
                          std::int32_t& Bit, bool&) {
      if (Child == c1) cuts.insert(Bit);
    });
    for (int i = 0; i < Trials; ++i) ga.DoCrossover(p1, p2, c1, c2);
    return cuts;
  }
};

TEST_F(Crossing, CutsFollowTheMethodTheGeneSizeAndTheChildsWidthOrRaiseWithoutGenes) {
  struct Row {
    TGACrossoverMethod Method;
    std::vector<std::int32_t> Genes;
    std::int32_t GeneSize, ChildWidth;
    Cuts Expected;
  };
  const Row rows[] = {
      {cmBitBoundary, {}, 12, 0, Below(12)},
      {cmByteBoundary, {}, 8, 0, Below(8)},  // below 16 bits: like the bit boundary
      {cmByteBoundary, {}, 16, 0, {8, 16}},
      {cmByteBoundary, {}, 16, 40, {8, 16, 24, 32, 40}},  // the range is the child's
      {cmByteBoundary, {}, 15, 40, Below(40)},            // the threshold is GeneSize's
      {cmWordBoundary, {}, 31, 0, Below(31)},
      {cmWordBoundary, {}, 32, 0, {16, 32}},
      {cmLongwordBoundary, {}, 63, 0, Below(63)},
      {cmLongwordBoundary, {}, 64, 0, {32, 64}},
      {cmGeneBoundary, {3, 5, 7}, 0, 0, {3, 8}},  // offsets of genes other than the first
      {cmGeneBoundary, {8, 8}, 0, 0, {8}},
      {cmGeneBoundary, {4}, 16, 0, {0, 4, 8, 12}},  // one gene: multiples of its width
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(EnumName(row.Method)) + " " + std::to_string(row.GeneSize));
    Build(row.Method, row.Genes, row.GeneSize);
    if (row.ChildWidth != 0) c1->Bits()->SetSize(row.ChildWidth);
    EXPECT_EQ(Drawn(), row.Expected);
  }
  // The gene boundary needs genes of some width.
  Build(cmGeneBoundary, {}, 16);
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
  ga.Genes()->Add();  // width 0
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, c2), EGAException);
  EXPECT_EQ(c1->Bits()->CountOnes(), 0);
}

TEST_F(Crossing, HandlerMovesTheCutAndVetoesPerChildWithTheParentsSwapped) {
  Build(cmBitBoundary, {}, 8);
  c1->Assign(p1);
  Texts calls;
  ga.SetOnCrossover([&](TKXObject* Sender, TKXGAIndividual* A, TKXGAIndividual* B,
                        TKXGAIndividual* Child, std::int32_t& Bit, bool& Do) {
    EXPECT_EQ(Sender, &ga);
    calls.push_back(std::string(A == p1 ? "p1" : "p2") + (B == p1 ? "p1" : "p2") +
                    (Child == c1 ? "c1" : "c2") + (Do ? "+" : "-") + std::to_string(Bit));
    if (Child == c1) Bit = 2;
    Do = Child != c1;
  });
  EXPECT_TRUE(ga.DoCrossover(p1, p2, c1, c2));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].substr(0, 7), "p1p2c1+");
  EXPECT_EQ(calls[1], "p2p1c2-2");  // the moved cut and the veto reach the second call
  EXPECT_EQ(c1->Bits()->ToBitString(), "11111111");  // vetoed: still the first parent
  EXPECT_EQ(c2->Bits()->ToBitString(), "00011111");
  EXPECT_FALSE(ga.DoCrossover(p1, p2, c1, nullptr));

  TKXIndividual plain;
  EXPECT_THROW(ga.DoCrossover(p1, p2, c1, &plain), EConvertError);
  EXPECT_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnAdded), EConvertError);
  EXPECT_NO_THROW(ga.PopulationNotify(&plain, TCollectionNotification::cnDeleting));
}

// The core's overloads stay callable on the GA, the hidden crossover event included.
template <class TGA>
concept ReachesCoreOverloads = requires(TGA& ga, TKXPopulation* pop, TKXIndividual* item,
                                        TKXCrossoverEvent core, TKXGACrossoverEvent own) {
  ga.SetPopulation(pop);
  ga.SetPreviousGeneration(pop);
  ga.Mutate(item);
  ga.Crossover(item, item, item);
  ga.SetOnCrossover(own);
  ga.TKXCustomGeneticComponent::SetOnCrossover(core);
  static_cast<TKXCustomGeneticComponent&>(ga).SetOnCrossover(core);
};
static_assert(ReachesCoreOverloads<TKXGeneticAlgorithm>);

TEST_F(Crossing, TheCoresHiddenEventRunsFirstAndCanVetoTheGAs) {
  Build(cmBitBoundary, {}, 8);
  ga.SetCrossoverProbability(1);
  Texts calls;
  bool coreAllows = true;
  ga.TKXCustomGeneticComponent::SetOnCrossover(
      [&](TKXObject*, TKXIndividual*, TKXIndividual*, TKXIndividual*, bool& Do) {
        calls.push_back("core");
        Do = coreAllows;
      });
  ga.SetOnCrossover([&](TKXObject*, TKXGAIndividual*, TKXGAIndividual*, TKXGAIndividual*,
                        std::int32_t&, bool&) { calls.push_back("ga"); });
  EXPECT_TRUE(ga.Crossover(p1, p2, c1, c2));
  coreAllows = false;
  EXPECT_FALSE(ga.Crossover(p1, p2, c1, c2));
  EXPECT_EQ(calls, (Texts{"core", "ga", "ga", "core"}));
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
  ga.SetMutationProbability(1);
  EXPECT_TRUE(ga.Mutate(child));
  EXPECT_EQ(child->Bits()->CountOnes(), 32);
  EXPECT_EQ(offered, 2);
  ga.SetOnMutation([&](TKXObject*, TKXIndividual*, bool& Do) { Do = false; });
  EXPECT_FALSE(ga.Mutate(child));
  EXPECT_TRUE(ga.DoInvert(child));
  EXPECT_LT(child->Bits()->CountOnes(), 32);
}

TEST(GAInitialization, DuplicateReDrawsShareOneBudget) {
  TKXCustomGeneticAlgorithm ga;
  ga.SetGeneSize(1);
  for (int i = 0; i < 8; ++i) ga.Population()->Add();
  // Without retries nothing is registered and each individual draws once; with 10, one-bit
  // chromosomes spend exactly the 10 re-draws after the 8 first draws.
  for (auto [retries, draws] : {std::pair{0, 8}, std::pair{10, 18}}) {
    ga.SetInitialDuplicatesRetries(retries);
    for (std::uint64_t seed = 1; seed <= 10; ++seed) {
      RandSeed(seed);
      const std::int32_t distinct = ga.DoInitialize();
      EXPECT_TRUE(retries == 0 ? distinct == 0 : distinct == 1 || distinct == 2) << distinct;
      const std::int32_t next = RandomInt(1 << 30);
      RandSeed(seed);
      for (int i = 0; i < draws; ++i) RandomInt(2);
      EXPECT_EQ(RandomInt(1 << 30), next) << seed;
    }
  }
  ga.SetGeneSize(6);  // 64 keys for 40 individuals: duplicates are likely without re-draws
  for (int i = 8; i < 40; ++i) ga.Population()->Add();
  ga.SetInitialDuplicatesRetries(1000);
  EXPECT_EQ(ga.DoInitialize(), 40);
  const Texts texts = test::BitTexts(ga.Population());
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), 40u);
}

TEST(GASettings, SetGeneSizeResizesTheCurrentPopulationOnlyOnChangeAndAssignCopiesIt) {
  TKXCustomGeneticAlgorithm ga;
  test::CountOnesFitness(ga);
  ga.SetGeneSize(10);
  TKXGAIndividual* individual = ga.Population()->Add();
  individual->Fitness();
  ga.SetGeneSize(10);
  EXPECT_FALSE(individual->NeedFitness());
  ga.SetPreviousGeneration(ga.Population());
  ga.SetGeneSize(3);
  EXPECT_TRUE(individual->NeedFitness());
  EXPECT_EQ(ga.PreviousGeneration()->Items(0)->Bits()->Size(), 10);
  individual->Bits()->SetBits(2, true);

  TKXCustomGeneticAlgorithm target;
  target.Population()->Add();
  ga.Genes()->Add()->SetSize(2);  // GeneSize is copied as set, not as the genes imply
  ga.SetCrossoverMethod(cmWordBoundary);
  target.Assign(&ga);
  EXPECT_EQ(target.GeneSize(), 3);
  EXPECT_EQ(target.CrossoverMethod(), cmWordBoundary);
  EXPECT_EQ(target.Genes()->GetSize(), 2);
  EXPECT_EQ(test::BitTexts(target.Population()), (Texts{"001"}));
}

TEST(GASettings, ComponentStreamsCarryThePublishedPropertiesInTheirOrder) {
  TKXGeneticAlgorithm fresh;
  EXPECT_EQ(testing::StreamEntryNames(testing::StreamText(fresh)),
            (Texts{"GeneSize", "Population"}));

  TKXGeneticAlgorithm source;
  test::AddGene(source, "Flag", gtBoolean, 1);
  TKXGAGene* count = test::AddGene(source, "Count", gtInteger, 8);
  count->SetMaxValue(100);
  count->SetMinValue(20);
  test::AddGene(source, "Delta", gtInteger, 6, true);
  TKXGAGene* colour = test::AddGene(source, "", gtEnumeration, 0);
  for (const char* name : {"Red", "Green", "Blue"}) colour->Enumerations()->Add(name);
  for (const char* name : {"a", "", "c"}) source.Population()->Add()->SetName(name);
  source.SetCrossoverMethod(cmByteBoundary);
  source.SetElitistPct(0.5);
  source.SetGeneration(5);
  source.SetUseFitnessCutoff(true);
  source.SetOperations({goMutate});
  const std::string text = testing::StreamText(source);
  EXPECT_EQ(testing::StreamEntryNames(text),
            (Texts{"CrossoverMethod", "Generation", "Genes", "GeneSize", "Population", "Operations",
                   "UseFitnessCutoff", "ElitistPct"}));
  EXPECT_NE(text.find("      Enumerations = ('Red', 'Green', 'Blue')\n"
                      "      GeneType = gtEnumeration\n"),
            std::string::npos)
      << text;

  TKXGeneticAlgorithm target;
  test::AddGene(target, "stale", gtFloat, 30);
  std::istringstream stream(text);
  ReadComponent(stream, target);
  // The same text shows every setting, gene (MaxValue applied before MinValue, so 20 .. 100
  // survives) and individual came back, and the stale gene went.
  EXPECT_EQ(testing::StreamText(target), text);
  ASSERT_EQ(target.Population()->Count(), 3);
  EXPECT_EQ(target.Population()->Items(2)->Bits()->Size(), 17);  // 1 + 8 + 6 + 2

  // PreserveSignBit is applied last and re-derives a signed gene's natural range.
  TKXGeneticAlgorithm narrowed;
  TKXGAGene* signedGene = test::AddGene(narrowed, "s", gtInteger, 6, true);
  signedGene->SetMaxValue(10);
  signedGene->SetMinValue(-5);
  std::istringstream narrowedStream(testing::StreamText(narrowed));
  TKXGeneticAlgorithm reread;
  ReadComponent(narrowedStream, reread);
  EXPECT_EQ(reread.Genes()->Items(0)->MinValue(), -32);
  EXPECT_EQ(reread.Genes()->Items(0)->MaxValue(), 31);
}

}  // namespace
}  // namespace kx
