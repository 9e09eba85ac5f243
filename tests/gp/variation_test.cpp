// Crossover and mutation operators of the program component.

#include <set>

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

std::vector<int> PathOf(const TFloatNode* Node) {
  std::vector<int> path;
  for (; Node->Parent() != nullptr; Node = Node->Parent()) {
    path.insert(path.begin(), Node->Parent()->IndexOf(Node));
  }
  return path;
}

TFloatNode* NodeAt(TFloatNode* Root, const std::vector<int>& Path) {
  for (int index : Path) Root = Root->Child(index);
  return Root;
}

// Counts the nodes of a program by instruction name.
std::map<std::string, int> Census(const TFloatIndividual* Individual) {
  std::map<std::string, int> counts;
  for (const TFloatNode* node : Individual->FlattenedDNA()) ++counts[node->Instruction()->Name()];
  return counts;
}

class GPVariationTest : public GPTest {
 protected:
  // The node the next mutation of Individual will choose: the same draws from a reseeded
  // generator choose the same node.
  std::vector<int> NextChoice(TFloatIndividual* Individual, std::uint64_t Seed) {
    RandSeed(Seed);
    std::vector<int> path = PathOf(Individual->SelectNode(gp.SelectionNonTerminalsProbability()));
    RandSeed(Seed);
    return path;
  }
};

TEST_F(GPVariationTest, MutationsActAtTheChosenNode) {
  gp.SetBloatStrategy(bsDepthLimit);
  gp.SetBloatLimit(5);
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    // Subtree: regrown to at most min(depth, limit) levels, that is a node depth one less.
    TFloatIndividual* individual = NewIndividual(FullTree(9));
    std::vector<int> path = NextChoice(individual, seed);
    const int depth = NodeAt(individual->DNA(), path)->Depth();
    gp.DoSubtreeMutation(individual);
    EXPECT_LE(NodeAt(individual->DNA(), path)->Depth(), std::max(std::min(depth, 5) - 1, 0));

    // Replacement: same kind and arity, new arguments grown one level less deep.
    individual = NewIndividual(N("add", Args(N("neg", Args(FullTree(3))), FullTree(2))));
    path = NextChoice(individual, seed);
    const TFloatNode* before = NodeAt(individual->DNA(), path);
    const auto operation = before->Instruction()->Operation();
    const int arity = before->Instruction()->Arity();
    const int bound = std::max(before->Depth() - 2, 0);
    gp.DoReplacementMutation(individual);
    const TFloatNode* after = NodeAt(individual->DNA(), path);
    EXPECT_EQ(after->Instruction()->Operation(), operation);
    EXPECT_EQ(after->Instruction()->Arity(), arity);
    for (int k = 0; k < after->ChildCount(); ++k) EXPECT_LE(after->Child(k)->Depth(), bound);

    // Shrink puts a terminal where the chosen subtree stood; hoist makes it the whole tree.
    individual = NewIndividual(FullTree(4));
    path = NextChoice(individual, seed);
    const int removed = NodeAt(individual->DNA(), path)->Size();
    gp.DoShrinkMutation(individual);
    EXPECT_TRUE(NodeAt(individual->DNA(), path)->IsTerminal());
    EXPECT_EQ(individual->DNA()->Size(), 31 - removed + 1);
    individual = NewIndividual(FullTree(4));
    path = NextChoice(individual, seed);
    const std::string hoisted = NodeAt(individual->DNA(), path)->ToString();
    gp.DoHoistMutation(individual);
    EXPECT_EQ(individual->DNA()->ToString(), hoisted);
    if (::testing::Test::HasFailure()) FAIL() << "seed " << seed;
  }
}

TEST_F(GPVariationTest, ConstantMutationCallsTheHandlerWithAConstantNode) {
  TFloatIndividual* individual = NewIndividual(N("add", Args(N("one"), FullTree(1))));
  gp.DoConstantMutation(individual);  // no handler: nothing happens
  EXPECT_EQ(individual->DNA()->ToString(), "(add 1 (add x x))");
  int calls = 0;
  gp.SetOnConstantMutation([&](TKXObject* Sender, TFloatNode* Node) {
    EXPECT_EQ(Sender, &gp);
    EXPECT_EQ(Node->Instruction()->Operation(), gpConstant);
    Node->SetValue(Node->Value() + 1);
    ++calls;
  });
  gp.DoConstantMutation(individual);
  EXPECT_EQ(individual->DNA()->ToString(), "(add 2 (add x x))");
  gp.DoConstantMutation(NewIndividual(FullTree(2)));  // no constant node
  EXPECT_EQ(calls, 1);
}

TEST_F(GPVariationTest, PointMutationAndTheMutationWalk) {
  gp.SetPointMutationProbability(1);
  TFloatIndividual* individual = NewIndividual(FullTree(3));
  const std::vector<TFloatNode*> nodes = individual->FlattenedDNA();
  std::vector<TKXGPInstruction<TGAFloat>*> instructions;
  for (auto* node : nodes) instructions.push_back(node->Instruction());

  EXPECT_TRUE(gp.DoPointMutation(individual));
  ASSERT_EQ(individual->FlattenedDNA(), nodes);  // same nodes, same shape
  std::set<std::string> functions;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i]->Instruction()->Arity(), instructions[i]->Arity());
    if (nodes[i]->ChildCount() > 0) functions.insert(nodes[i]->Instruction()->Name());
    instructions[i] = nodes[i]->Instruction();
  }
  EXPECT_GT(functions.size(), 1u);  // every node redrawn: add/mul mix with sub

  // Per tree: only the root is redrawn; the others keep their instructions.
  gp.SetPointMutationMethod(pmmPerTree);
  for (int round = 0; round < 20; ++round) EXPECT_TRUE(gp.DoPointMutation(individual));
  for (std::size_t i = 1; i < nodes.size(); ++i)
    EXPECT_EQ(nodes[i]->Instruction(), instructions[i]);
  gp.SetPointMutationProbability(0);
  EXPECT_FALSE(gp.DoPointMutation(individual));
  EXPECT_FALSE(gp.DoInvert(individual));
  gp.SetPointMutationProbability(1);
  (void)individual->Fitness();
  EXPECT_TRUE(gp.DoInvert(individual));
  EXPECT_TRUE(individual->NeedFitness());

  // The mutation walk: with all weights 0 nothing is applied.
  gp.SetMutationWeights({0, 0, 0, 0, 0, 0});
  const std::string before = individual->DNA()->ToString();
  (void)individual->Fitness();
  EXPECT_FALSE(gp.DoMutate(individual));
  EXPECT_EQ(individual->DNA()->ToString(), before);
  EXPECT_TRUE(individual->NeedFitness());  // re-flattened all the same

  // Only point mutation: the shape never changes.
  gp.SetMutationWeights({0, 0, 0, 0, 0, 1});
  gp.SetPointMutationProbability(1);
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(gp.DoMutate(individual));
  EXPECT_EQ(individual->DNA()->Size(), 15);
  // An OnMutation veto leaves the program alone.
  gp.SetMutationWeights({1, 1, 1, 1, 1, 1});
  gp.SetOnMutation([](TKXObject*, TKXIndividual*, bool& DoMutation) { DoMutation = false; });
  const std::string vetoed = individual->DNA()->ToString();
  EXPECT_FALSE(gp.DoMutate(individual));
  EXPECT_EQ(individual->DNA()->ToString(), vetoed);
}

// Both children start as copies of the first parent (as reproduction leaves them); crossover
// recombines the two parents' material, and a single child receives a copy from the second.
TEST_F(GPVariationTest, SubtreeCrossoverRecombinesBothParents) {
  TFloatIndividual* parent1 = NewIndividual(FullTree(3));  // add, mul, x
  TFloatIndividual* parent2 = NewIndividual(N("sub", Args(N("neg", Args(N("one"))), N("one"))));
  std::map<std::string, int> total = Census(parent1);
  for (auto& [name, count] : Census(parent2)) total[name] += count;
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    TFloatIndividual* child1 = gp.Population()->Add();
    TFloatIndividual* child2 = gp.Population()->Add();
    child1->Assign(parent1);
    child2->Assign(parent1);
    RandSeed(seed);
    EXPECT_TRUE(gp.DoCrossover(parent1, parent2, child1, child2));
    std::map<std::string, int> after = Census(child1);
    for (auto& [name, count] : Census(child2)) after[name] += count;
    EXPECT_EQ(after, total) << seed;
  }
  TFloatIndividual* only = gp.Population()->Add();
  only->Assign(parent1);
  EXPECT_TRUE(gp.DoCrossover(parent1, parent2, only, nullptr));
  EXPECT_GT(Census(only)["one"], 0);
  EXPECT_EQ(parent2->DNA()->ToString(), "(sub (neg 1) 1)");
}

TEST_F(GPVariationTest, SizeFairRouletteOfTheWorkedCase) {
  // Removed subtree of size 4; donors of sizes 1, 1 (mean 1), 4 and 9 (mean given as 8).
  std::vector<TFloatNodePtr> trees =
      Args(N("x"), N("one"), N("add", Args(N("x"), N("neg", Args(N("x"))))),
           N("add", Args(FullTree(2), N("x"))));
  std::vector<TFloatNode*> donors;
  for (auto& tree : trees) donors.push_back(tree.get());

  // Raw weights 0.75/18, 0.75/18, 0.25, 0.75/9 add up to 5/12.
  TGAFitnessArray roulette;
  gp.CreateSizeFairRoulette(roulette, donors, 4, 2, 1, 1, 1.0, 8.0);
  ASSERT_EQ(roulette.size(), 4u);
  const double cumulative[] = {0.1, 0.2, 0.8, 1.0};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(roulette[i], cumulative[i], 1e-12) << i;

  // Depth-fair crossover measures the donors by depth: 0, 0, 2, 3 against 2.
  gp.SetBloatStrategy(bsDepthFairCrossover);
  gp.CreateSizeFairRoulette(roulette, donors, 2, 2, 1, 1, 0.0, 3.0);
  EXPECT_NEAR(roulette[1], 0.0, 1e-12);  // an infinite mean ratio leaves the others no weight
  EXPECT_NEAR(roulette[2], 1.0, 1e-12);

  // A node is drawn by binary search over a donor's cumulative roulette.
  TFloatIndividual* donor = NewIndividual(std::move(trees[2]));
  std::map<TFloatNode*, int> counts;
  const int draws = 20000;
  for (int i = 0; i < draws; ++i) ++counts[gp.SelectSizeFairNode(donor, {0.1, 0.2, 0.8, 1.0})];
  const double shares[] = {0.1, 0.1, 0.6, 0.2};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(counts[donor->FlattenedDNA()[i]] / double(draws), shares[i], 0.015) << i;
  }
}

TEST_F(GPVariationTest, FairCrossoverRetriesUntilADonorNodeFits) {
  gp.SetBloatStrategy(bsSizeFairCrossover);
  // The donor is a single leaf: only a leaf of the child can be exchanged for it.
  TFloatIndividual* donor = NewIndividual(N("one"));
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    RandSeed(seed);
    TFloatIndividual* child = NewIndividual(FullTree(3));
    EXPECT_TRUE(gp.DoFairCrossover(nullptr, donor, child));
    EXPECT_EQ(child->DNA()->Size(), 15);
    EXPECT_EQ(Census(child)["one"], 1);
  }
}

}  // namespace
TEST_F(GPVariationTest, DeepChainsAreVariedWithoutRecursion) {
  constexpr int kChain = 200000;  // a recursive walk would overflow the stack
  TFloatIndividual* deep = NewIndividual(Chain(kChain));
  TFloatIndividual* copy = NewIndividual(N("x"));
  copy->Assign(deep);
  ASSERT_EQ(copy->FlattenedDNA().size(), std::size_t{kChain});
  gp.SetPointMutationProbability(1);
  EXPECT_TRUE(gp.DoPointMutation(copy));
  EXPECT_EQ(copy->SelectNode(0, false), copy->FlattenedDNA().back());
  // A node choice with a NaN bias still ends.
  EXPECT_NE(deep->SelectNode(std::nan("")), nullptr);
  gp.DoCrossover(deep, copy, deep, copy);
  EXPECT_EQ(deep->DNA()->Size() + copy->DNA()->Size(), 2 * kChain);
  ExpectConsistent(*copy);
}

}  // namespace kx::testing
