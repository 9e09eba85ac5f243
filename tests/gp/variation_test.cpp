// Crossover and mutation operators of the program component.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "gp_test_support.hpp"
#include "kx/host/random.hpp"

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

// Counts the nodes of a tree by instruction name.
std::map<std::string, int> Census(const TFloatNode* Root) {
  std::map<std::string, int> counts;
  std::vector<const TFloatNode*> stack{Root};
  while (!stack.empty()) {
    const TFloatNode* node = stack.back();
    stack.pop_back();
    ++counts[node->Instruction()->Name()];
    for (int i = 0; i < node->ChildCount(); ++i) stack.push_back(node->Child(i));
  }
  return counts;
}

class GPVariationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RandSeed(17);
    AddArithmetic(*gp.Instructions());
    AddFunction(*gp.Instructions(), "neg", 1, [](double a, double) { return -a; });
    AddConstant(*gp.Instructions(), "one", 1.0);
  }

  TFloatIndividual* NewIndividual(TFloatNodePtr Tree) { return AddIndividual(gp, std::move(Tree)); }

  // A full binary tree of add/mul over x of the given node depth.
  TFloatNodePtr FullTree(int Depth) {
    if (Depth == 0) return Node(gp, "x");
    return Node(gp, Depth % 2 ? "add" : "mul", Args(FullTree(Depth - 1), FullTree(Depth - 1)));
  }

  // The node the next mutation of Individual will choose: the same draws from a reseeded
  // generator choose the same node.
  std::vector<int> NextChoice(TFloatIndividual* Individual, std::uint64_t Seed) {
    RandSeed(Seed);
    std::vector<int> path = PathOf(Individual->SelectNode(gp.SelectionNonTerminalsProbability()));
    RandSeed(Seed);
    return path;
  }

  TKXGeneticProgramming gp;
};

TEST_F(GPVariationTest, SubtreeMutationRegrowsTheChosenSubtreeWithinItsDepth) {
  gp.SetBloatStrategy(bsDepthLimit);
  gp.SetBloatLimit(5);
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    TFloatIndividual* individual = NewIndividual(FullTree(9));
    const std::vector<int> path = NextChoice(individual, seed);
    const int oldDepth = NodeAt(individual->DNA(), path)->Depth();
    gp.DoSubtreeMutation(individual);
    ExpectConsistent(*individual);
    // Grown to at most min(depth, limit) levels, that is a node depth one less.
    const int bound = std::max(std::min(oldDepth, 5) - 1, 0);
    EXPECT_LE(NodeAt(individual->DNA(), path)->Depth(), bound) << seed;
  }
}

TEST_F(GPVariationTest, ReplacementMutationKeepsKindAndArity) {
  for (std::uint64_t seed = 1; seed <= 60; ++seed) {
    TFloatIndividual* individual =
        NewIndividual(Node(gp, "add", Args(Node(gp, "neg", Args(FullTree(3))), FullTree(2))));
    const std::vector<int> path = NextChoice(individual, seed);
    const TFloatNode* before = NodeAt(individual->DNA(), path);
    const auto operation = before->Instruction()->Operation();
    const int arity = before->Instruction()->Arity();
    const int depth = before->Depth();
    gp.DoReplacementMutation(individual);
    ExpectConsistent(*individual);
    const TFloatNode* after = NodeAt(individual->DNA(), path);
    EXPECT_EQ(after->Instruction()->Operation(), operation);
    EXPECT_EQ(after->Instruction()->Arity(), arity);
    EXPECT_EQ(after->ChildCount(), arity);
    for (int k = 0; k < after->ChildCount(); ++k) {
      EXPECT_LE(after->Child(k)->Depth(), std::max(depth - 2, 0)) << seed;
    }
  }
}

TEST_F(GPVariationTest, ShrinkMutationReplacesTheSubtreeByATerminal) {
  for (std::uint64_t seed = 1; seed <= 40; ++seed) {
    TFloatIndividual* individual = NewIndividual(FullTree(4));
    const std::vector<int> path = NextChoice(individual, seed);
    const int removed = NodeAt(individual->DNA(), path)->Size();
    gp.DoShrinkMutation(individual);
    ExpectConsistent(*individual);
    EXPECT_TRUE(NodeAt(individual->DNA(), path)->IsTerminal());
    EXPECT_EQ(individual->DNA()->Size(), 31 - removed + 1);
  }
}

TEST_F(GPVariationTest, ConstantMutationCallsTheHandlerWithAConstantNode) {
  TFloatIndividual* individual = NewIndividual(Node(
      gp, "add", Args(Node(gp, "one"), Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "one"))))));
  const std::string before = individual->DNA()->ToString();
  gp.DoConstantMutation(individual);  // no handler: nothing happens
  EXPECT_EQ(individual->DNA()->ToString(), before);

  int calls = 0;
  gp.SetOnConstantMutation([&](TKXObject* Sender, TFloatNode* Node) {
    EXPECT_EQ(Sender, &gp);
    EXPECT_EQ(Node->Instruction()->Operation(), gpConstant);
    Node->SetValue(Node->Value() + 1);
    ++calls;
  });
  gp.DoConstantMutation(individual);
  EXPECT_EQ(calls, 1);
  EXPECT_NE(individual->DNA()->ToString(), before);

  TFloatIndividual* noConstants = NewIndividual(FullTree(2));
  gp.DoConstantMutation(noConstants);
  EXPECT_EQ(calls, 1);
}

TEST_F(GPVariationTest, PointMutationPerNodeAndPerTree) {
  gp.SetPointMutationProbability(1);
  TFloatIndividual* individual = NewIndividual(FullTree(3));
  std::vector<TFloatNode*> nodes = individual->FlattenedDNA();
  std::vector<int> arities;
  for (auto* node : nodes) arities.push_back(node->Instruction()->Arity());

  EXPECT_TRUE(gp.DoPointMutation(individual));
  ASSERT_EQ(individual->FlattenedDNA(), nodes);  // same nodes, same shape
  std::set<std::string> functions;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    EXPECT_EQ(nodes[i]->Instruction()->Arity(), arities[i]);
    if (arities[i] > 0) functions.insert(nodes[i]->Instruction()->Name());
  }
  EXPECT_GT(functions.size(), 1u);  // every node redrawn: add/mul mix with sub

  // Per tree: only the root is redrawn; the others keep their instructions.
  gp.SetPointMutationMethod(pmmPerTree);
  std::vector<TKXGPInstruction<TGAFloat>*> instructions;
  for (auto* node : nodes) instructions.push_back(node->Instruction());
  for (int round = 0; round < 20; ++round) {
    EXPECT_TRUE(gp.DoPointMutation(individual));
    for (std::size_t i = 1; i < nodes.size(); ++i)
      EXPECT_EQ(nodes[i]->Instruction(), instructions[i]);
  }

  gp.SetPointMutationProbability(0);
  EXPECT_FALSE(gp.DoPointMutation(individual));
  EXPECT_FALSE(gp.DoInvert(individual));
  gp.SetPointMutationProbability(1);
  (void)individual->Fitness();
  EXPECT_TRUE(gp.DoInvert(individual));
  EXPECT_TRUE(individual->NeedFitness());
}

TEST_F(GPVariationTest, MutateDrawsAMethodByWeight) {
  TFloatIndividual* individual = NewIndividual(FullTree(3));
  gp.SetMutationWeights({0, 0, 0, 0, 0, 0});
  const std::string before = individual->DNA()->ToString();
  (void)individual->Fitness();
  EXPECT_FALSE(gp.DoMutate(individual));
  EXPECT_EQ(individual->DNA()->ToString(), before);
  EXPECT_TRUE(individual->NeedFitness());  // re-flattened all the same

  // Only point mutation: the shape never changes.
  gp.SetMutationWeights({0, 0, 0, 0, 0, 1});
  gp.SetPointMutationProbability(1);
  for (int i = 0; i < 20; ++i) {
    EXPECT_TRUE(gp.DoMutate(individual));
    EXPECT_EQ(individual->DNA()->Size(), 15);
  }

  // An OnMutation veto leaves the program alone.
  gp.SetMutationWeights({1, 1, 1, 1, 1, 1});
  gp.SetOnMutation([](TKXObject*, TKXIndividual*, bool& DoMutation) { DoMutation = false; });
  const std::string vetoed = individual->DNA()->ToString();
  EXPECT_FALSE(gp.DoMutate(individual));
  EXPECT_EQ(individual->DNA()->ToString(), vetoed);
}

TEST_F(GPVariationTest, SubtreeCrossoverRecombinesBothParents) {
  gp.SetInitialPopulation(0);
  TFloatIndividual* parent1 = NewIndividual(FullTree(3));  // add, mul, x
  TFloatIndividual* parent2 =
      NewIndividual(Node(gp, "sub", Args(Node(gp, "neg", Args(Node(gp, "one"))), Node(gp, "one"))));
  std::map<std::string, int> total = Census(parent1->DNA());
  for (auto& [name, count] : Census(parent2->DNA())) total[name] += count;
  for (std::uint64_t seed = 1; seed <= 30; ++seed) {
    TFloatIndividual* child1 = gp.Population()->Add();
    TFloatIndividual* child2 = gp.Population()->Add();
    child1->Assign(parent1);
    child2->Assign(parent1);
    RandSeed(seed);
    EXPECT_TRUE(gp.DoCrossover(parent1, parent2, child1, child2));
    ExpectConsistent(*child1);
    ExpectConsistent(*child2);
    std::map<std::string, int> after = Census(child1->DNA());
    for (auto& [name, count] : Census(child2->DNA())) after[name] += count;
    EXPECT_EQ(after, total) << seed;
  }
  EXPECT_EQ(parent2->DNA()->ToString(), "(sub (neg 1) 1)");

  // One child: it receives a copy of a subtree of the second parent.
  TFloatIndividual* only = gp.Population()->Add();
  only->Assign(parent1);
  EXPECT_TRUE(gp.DoCrossover(parent1, parent2, only, nullptr));
  ExpectConsistent(*only);
  EXPECT_GT(Census(only->DNA())["one"], 0);
  EXPECT_EQ(parent2->DNA()->ToString(), "(sub (neg 1) 1)");
}

TEST_F(GPVariationTest, SizeFairRouletteOfTheWorkedCase) {
  // Removed subtree of size 4; donors of sizes 1, 1 (mean 1), 4 and 8 (mean 8).
  std::vector<TFloatNodePtr> trees;
  trees.push_back(Node(gp, "x"));
  trees.push_back(Node(gp, "one"));
  trees.push_back(Node(gp, "add", Args(Node(gp, "x"), Node(gp, "neg", Args(Node(gp, "x"))))));
  trees.push_back(Node(gp, "add", Args(FullTree(2), Node(gp, "x"))));
  std::vector<TFloatNode*> donors;
  for (auto& tree : trees) donors.push_back(tree.get());
  ASSERT_EQ(donors[2]->Size(), 4);
  ASSERT_EQ(donors[3]->Size(), 9);

  // Raw weights 0.75/18, 0.75/18, 0.25, 0.75/9 add up to 5/12.
  TGAFitnessArray roulette;
  gp.CreateSizeFairRoulette(roulette, donors, 4, 2, 1, 1, 1.0, 8.0);
  ASSERT_EQ(roulette.size(), 4u);
  EXPECT_NEAR(roulette[0], 0.1, 1e-12);
  EXPECT_NEAR(roulette[1], 0.2, 1e-12);
  EXPECT_NEAR(roulette[2], 0.8, 1e-12);
  EXPECT_NEAR(roulette[3], 1.0, 1e-12);

  // Depth-fair crossover measures the donors by depth: 0, 0, 2, 3 against 2.
  gp.SetBloatStrategy(bsDepthFairCrossover);
  gp.CreateSizeFairRoulette(roulette, donors, 2, 2, 1, 1, 0.0, 3.0);
  EXPECT_NEAR(roulette[1], 0.0, 1e-12);  // an infinite mean ratio leaves the others no weight
  EXPECT_NEAR(roulette[2], 1.0, 1e-12);

  // A node is drawn by binary search over a donor's cumulative roulette.
  TFloatIndividual* donor = NewIndividual(std::move(trees[2]));
  std::map<TFloatNode*, int> counts;
  const int draws = 20000;
  for (int i = 0; i < draws; ++i) {
    ++counts[gp.SelectSizeFairNode(donor, TGAFitnessArray{0.1, 0.2, 0.8, 1.0})];
  }
  const double shares[] = {0.1, 0.1, 0.6, 0.2};
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(counts[donor->FlattenedDNA()[i]] / double(draws), shares[i], 0.015) << i;
  }
}

TEST_F(GPVariationTest, FairCrossoverRetriesUntilADonorNodeFits) {
  gp.SetBloatStrategy(bsSizeFairCrossover);
  // The donor is a single leaf: only a leaf of the child can be exchanged for it.
  TFloatIndividual* donor = NewIndividual(Node(gp, "one"));
  for (std::uint64_t seed = 1; seed <= 20; ++seed) {
    RandSeed(seed);
    TFloatIndividual* child = NewIndividual(FullTree(3));
    EXPECT_TRUE(gp.DoFairCrossover(nullptr, donor, child));
    ExpectConsistent(*child);
    EXPECT_EQ(child->DNA()->Size(), 15);
    EXPECT_EQ(Census(child->DNA())["one"], 1);
  }
}

}  // namespace
}  // namespace kx::testing
