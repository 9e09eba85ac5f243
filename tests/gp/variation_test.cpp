// Crossover and mutation operators of the program component.

#include <set>

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

// Counts the nodes of the programs by instruction name.
std::map<std::string, int> Census(std::initializer_list<const TFloatIndividual*> Individuals) {
  std::map<std::string, int> counts;
  for (const TFloatIndividual* individual : Individuals) {
    for (const TFloatNode* node : individual->FlattenedDNA()) ++counts[node->Instruction()->Name()];
  }
  return counts;
}

using GPVariationTest = GPTest;

// Each mutation acts at the node the same draws choose: subtree regrows at most min(depth,
// limit) levels, replacement keeps kind and arity with arguments one level less deep, shrink
// leaves a terminal, hoist makes the subtree the whole tree.
TEST_F(GPVariationTest, MutationsActAtTheChosenNode) {
  gp.SetBloatStrategy(bsDepthLimit);
  gp.SetBloatLimit(5);
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    for (int method : {mmSubtree, mmReplacement, mmShrink, mmHoist}) {
      TFloatIndividual* individual =
          NewIndividual(method == mmReplacement ? N("add", N("neg", FullTree(3)), FullTree(2))
                                                : FullTree(method == mmSubtree ? 9 : 4));
      RandSeed(seed);
      const TFloatNode* chosen = individual->SelectNode(gp.SelectionNonTerminalsProbability());
      const auto& flat = individual->FlattenedDNA();  // the chosen node's place stays
      const auto at = std::ranges::find(flat, chosen) - flat.begin();
      const auto kind =
          std::tuple(chosen->Instruction()->Operation(), chosen->Instruction()->Arity());
      const int depth = chosen->Depth(), size = individual->DNA()->Size() - chosen->Size();
      const std::string text = chosen->ToString();
      RandSeed(seed);
      gp.Mutate(individual, static_cast<TGPMutationMethod>(method));
      ExpectConsistent(*individual);
      if (method == mmHoist) {
        EXPECT_EQ(individual->DNA()->ToString(), text);
        continue;
      }
      const TFloatNode* after = flat[at];
      EXPECT_TRUE(method != mmSubtree || after->Depth() <= std::max(std::min(depth, 5) - 1, 0));
      EXPECT_TRUE(method != mmShrink ||
                  (after->IsTerminal() && individual->DNA()->Size() == size + 1));
      if (method != mmReplacement) continue;
      EXPECT_EQ(std::tuple(after->Instruction()->Operation(), after->Instruction()->Arity()), kind);
      for (int k = 0; k < after->ChildCount(); ++k)
        EXPECT_LE(after->Child(k)->Depth(), std::max(depth - 2, 0));
    }
  }
}

TEST_F(GPVariationTest, PointMutationRedrawsNodesOfTheSameShape) {
  gp.SetPointMutationProbability(1);
  TFloatIndividual* individual = NewIndividual(FullTree(3));
  const std::vector<TFloatNode*> nodes = individual->FlattenedDNA();
  for (int round = 0; round < 5; ++round) EXPECT_TRUE(gp.DoPointMutation(individual));
  ASSERT_EQ(individual->FlattenedDNA(), nodes);  // same nodes, same shape
  std::set<std::string> redrawn;  // every node redrawn: below the root too, sub mixes in
  for (auto* node : nodes) redrawn.insert(node == nodes[0] ? "" : node->Instruction()->Name());
  EXPECT_EQ(redrawn.count("sub"), 1u);
  // Per tree: only the root is redrawn; the others keep their instructions.
  const std::string below = nodes[1]->ToString() + nodes[8]->ToString();
  gp.SetPointMutationMethod(pmmPerTree);
  for (int round = 0; round < 20; ++round) EXPECT_TRUE(gp.DoPointMutation(individual));
  EXPECT_EQ(nodes[1]->ToString() + nodes[8]->ToString(), below);
  gp.SetPointMutationProbability(0);
  EXPECT_FALSE(gp.DoPointMutation(individual) || gp.DoInvert(individual));
  gp.SetPointMutationProbability(1);
  (void)individual->Fitness();
  EXPECT_TRUE(gp.DoInvert(individual));
  EXPECT_TRUE(individual->NeedFitness());
}

// Over random weights, the walk applies the method its draw falls on (none with all weights 0)
// and re-flattens the program either way; constant mutation hands a constant node to the
// handler. An OnMutation veto applies nothing.
TEST_F(GPVariationTest, TheMutationWalkFollowsTheWeights) {
  gp.SetOnConstantMutation([this](TKXObject* Sender, TFloatNode* Node) {
    EXPECT_TRUE(Sender == &gp && Node->Instruction()->Operation() == gpConstant);
    Node->SetValue(Node->Value() + 1);
  });
  gp.SetPointMutationProbability(0.5);
  for (std::uint64_t seed = 0; seed < 150; ++seed) {
    RandSeed(seed);
    TGPMutationMethodWeights weights{};
    for (auto& weight : weights) weight = std::uint8_t(RandomInt(3) ? 0 : RandomInt(256));
    gp.SetMutationWeights(weights);
    TFloatIndividual* walked = NewIndividual(gp.DoInitializeGrow(5));
    TFloatIndividual* expected = NewIndividual(walked->DNA()->Clone());
    (void)walked->Fitness();
    RandSeed(seed + 1000);
    int r = RandomInt(gp.MutationWeightSum()), method = 0;
    while (method < 6 && r >= weights[method]) r -= weights[method++];
    if (method < 6) gp.Mutate(expected, static_cast<TGPMutationMethod>(method));
    RandSeed(seed + 1000);
    EXPECT_EQ(gp.DoMutate(walked), method < 6) << seed;
    EXPECT_EQ(walked->DNA()->ToString(), expected->DNA()->ToString()) << seed;
    EXPECT_TRUE(walked->NeedFitness());
    ExpectConsistent(*walked);
  }
  gp.SetOnMutation([](TKXObject*, TKXIndividual*, bool& DoMutation) { DoMutation = false; });
  TFloatIndividual* vetoed = NewIndividual(FullTree(3));
  EXPECT_FALSE(gp.DoMutate(vetoed));
  EXPECT_EQ(vetoed->DNA()->Size(), 15);
}

// Both children start as copies of the first parent (as reproduction leaves them); crossover
// recombines the two parents' material, leaving the parents alone. Fair crossover with a
// single-leaf donor can only exchange a leaf of the child.
TEST_F(GPVariationTest, CrossoversRecombineBothParents) {
  TFloatIndividual *parent1 = NewIndividual(FullTree(3)), *leaf = NewIndividual(N("one"));
  TFloatIndividual* parent2 = NewIndividual(N("sub", N("neg", N("one")), N("one")));
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    TFloatIndividual *child1 = NewIndividual(FullTree(3)), *child2 = NewIndividual(FullTree(3));
    RandSeed(seed);
    gp.SetBloatStrategy(bsNone);
    EXPECT_TRUE(gp.DoCrossover(parent1, parent2, child1, child2));
    EXPECT_EQ(Census({child1, child2}), Census({parent1, parent2})) << seed;
    ExpectConsistent(*child2);
    child1->Assign(parent1);
    gp.SetBloatStrategy(bsSizeFairCrossover);
    EXPECT_TRUE(gp.DoFairCrossover(nullptr, leaf, child1));
    EXPECT_EQ(std::tuple(child1->DNA()->Size(), Census({child1})["one"]), std::tuple(15, 1));
    ExpectConsistent(*child1);
  }
  EXPECT_EQ(parent2->DNA()->ToString(), "(sub (neg 1) 1)");
}

TEST_F(GPVariationTest, SizeFairRouletteOfTheWorkedCase) {
  // Removed subtree of size 4; donors of sizes 1, 1 (mean 1), 4 and 9 (mean given as 8).
  TFloatNodePtr trees[] = {N("x"), N("one"), N("add", N("x"), N("neg", N("x"))),
                           N("add", FullTree(2), N("x"))};
  std::vector<TFloatNode*> donors;
  for (auto& tree : trees) donors.push_back(tree.get());
  // Raw weights 0.75/18, 0.75/18, 0.25, 0.75/9 add up to 5/12.
  TGAFitnessArray roulette;
  gp.CreateSizeFairRoulette(roulette, donors, 4, 2, 1, 1, 1.0, 8.0);
  const std::vector<double> cumulative{0.1, 0.2, 0.8, 1.0};
  EXPECT_THAT(roulette, ::testing::Pointwise(::testing::DoubleNear(1e-12), cumulative));
  // A node is drawn at the first cumulative entry above a uniform draw.
  TFloatIndividual* donor = NewIndividual(std::move(trees[2]));
  for (std::uint64_t seed = 0; seed < 100; ++seed) {
    RandSeed(seed);
    const auto at = std::ranges::upper_bound(cumulative, RandomFloat()) - cumulative.begin();
    RandSeed(seed);
    EXPECT_EQ(gp.SelectSizeFairNode(donor, cumulative),
              donor->FlattenedDNA()[std::min<long>(at, 3)]);
  }
}

// Hostile depths: every walk of a 200,000-node chain is iterative.
TEST_F(GPVariationTest, DeepChainsAreVariedWithoutRecursion) {
  constexpr int kChain = 200000;
  TFloatIndividual* deep = NewIndividual(Chain(kChain));
  TFloatIndividual* copy = NewIndividual(N("x"));
  copy->Assign(deep);
  gp.SetPointMutationProbability(1);
  EXPECT_TRUE(gp.DoPointMutation(copy));
  EXPECT_NE(deep->SelectNode(std::nan("")), nullptr);  // a NaN bias still ends
  gp.DoCrossover(deep, copy, deep, copy);
  EXPECT_EQ(deep->DNA()->Size() + copy->DNA()->Size(), 2 * kChain);
  ExpectConsistent(*copy);
}

}  // namespace
}  // namespace kx::testing
