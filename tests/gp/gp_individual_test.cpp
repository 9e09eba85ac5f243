#include "kx/gp/gp_individual.hpp"

#include "gp_test_support.hpp"
#include "kx/gp/gp_population.hpp"
#include "kx/gp_engine/binary_node.hpp"

namespace kx::testing {
namespace {

using Kinds = TGPGeneticInstructions;

class GPIndividualTest : public GPTest {
 protected:
  // (add x (mul one x)): two functions, three terminals.
  TFloatIndividual* Sample() {
    return NewIndividual(N("add", Args(N("x"), N("mul", Args(N("one"), N("x"))))));
  }
};

TEST_F(GPIndividualTest, FlattenExecuteAndText) {
  TFloatIndividual* individual = Sample();
  ExpectConsistent(*individual);  // the flat list is the tree in pre-order
  (void)individual->Fitness();
  individual->FlattenDNA();
  EXPECT_TRUE(individual->NeedFitness());
  TKXGPContext<TGAFloat> context;
  context.Values().AddOrSetValue("x", 3.0);
  EXPECT_EQ(individual->Execute(context), 6.0);
  EXPECT_EQ(individual->ToString(), "TKXGPIndividual: (add x (mul 1 x))");
  individual->SetName("best");
  EXPECT_EQ(individual->ToString(), "best: (add x (mul 1 x))");
  TFloatNodePtr root = individual->ReleaseDNA();
  EXPECT_EQ(individual->ToString(), "best");
  EXPECT_EQ(individual->Execute(context), 0.0);
  EXPECT_TRUE(individual->FlattenedDNA().empty());
  EXPECT_EQ(individual->SelectNode(0.5), nullptr);
}

TEST_F(GPIndividualTest, GraftKeepsThePositionOfTheReplacedNode) {
  TFloatIndividual* individual = NewIndividual(N("sum3", Args(N("x"), N("one"), N("x"))));
  TFloatNode* second = individual->DNA()->Child(1);
  TFloatNodePtr removed = individual->Graft(second, N("mul", Args(N("x"), N("x"))));
  EXPECT_EQ(removed.get(), second);
  EXPECT_EQ(removed->Parent(), nullptr);
  EXPECT_EQ(individual->DNA()->ToString(), "(sum3 x (mul x x) x)");
  ExpectConsistent(*individual);
  // Under a binary parent the replacement takes the vacated side.
  TKXBinaryGeneticProgramming binary;
  AddArithmetic(*binary.Instructions());
  TFloatIndividual* pair = binary.Population()->Add();
  pair->AssignDNA(Node(binary, "add", Args(Node(binary, "x"), Node(binary, "x"))));
  auto* top = dynamic_cast<TKXGPBinaryNode<TGAFloat>*>(pair->DNA());
  ASSERT_NE(top, nullptr);
  pair->Graft(top->Left(), Node(binary, "mul", Args(Node(binary, "x"), Node(binary, "x"))));
  pair->Graft(top->Right(), Node(binary, "sub", Args(Node(binary, "x"), Node(binary, "x"))));
  EXPECT_EQ(top->Left()->Instruction()->Name(), "mul");
  EXPECT_EQ(pair->DNA()->ToString(), "(add (mul x x) (sub x x))");
  ExpectConsistent(*pair);
}

TEST_F(GPIndividualTest, CrossoverSwapsSubtreesInPlace) {
  TFloatIndividual* a = Sample();
  TFloatIndividual* b =
      NewIndividual(N("sum3", Args(N("one"), N("sub", Args(N("x"), N("one"))), N("x"))));
  a->Crossover(a->DNA()->Child(0), b, b->DNA()->Child(1));
  EXPECT_EQ(a->DNA()->ToString(), "(add (sub x 1) (mul 1 x))");
  EXPECT_EQ(b->DNA()->ToString(), "(sum3 1 x x)");
  // Two roots: the whole trees change places.
  a->Crossover(a->DNA(), b, b->DNA());
  EXPECT_EQ(b->DNA()->ToString(), "(add (sub x 1) (mul 1 x))");
  EXPECT_EQ(a->DNA()->ToString(), "(sum3 1 x x)");
  ExpectConsistent(*a);
  // Within one tree, overlapping subtrees cannot be swapped; disjoint ones can.
  b->Crossover(b->DNA(), b, b->DNA()->Child(1));
  EXPECT_EQ(b->DNA()->ToString(), "(add (sub x 1) (mul 1 x))");
  b->Crossover(b->DNA()->Child(0), b, b->DNA()->Child(1));
  EXPECT_EQ(b->DNA()->ToString(), "(add (mul 1 x) (sub x 1))");
  ExpectConsistent(*b);
}

TEST_F(GPIndividualTest, NodeChoices) {
  TFloatIndividual* individual = Sample();
  // A nonterminal is accepted at once (0.4 * 0.9), a terminal rarely (0.6 * 0.1); the
  // growing sum then accepts nearly anything drawn. Simulating the rule gives 0.673, well
  // above the 0.4 share of nonterminals a uniform choice would give.
  const int draws = 20000;
  int nonterminals = 0;
  for (int i = 0; i < draws; ++i) nonterminals += !individual->SelectNode(0.9)->IsTerminal();
  EXPECT_NEAR(nonterminals, draws * 0.67, draws * 0.03);
  // By measure: depth at most 1 is every node but the root, uniformly.
  std::map<TFloatNode*, int> counts;
  for (int i = 0; i < 3000; ++i) ++counts[individual->SelectNode(1, false)];
  EXPECT_EQ(counts.size(), 4u);
  EXPECT_EQ(counts.count(individual->DNA()), 0u);
  for (auto& [node, count] : counts) EXPECT_GT(count, 600);
  for (int i = 0; i < 50; ++i) {
    EXPECT_EQ(individual->SelectNode(0.9, Kinds{gpConstant})->Instruction()->Name(), "one");
    EXPECT_FALSE(individual->SelectNode(0.0, Kinds{gpFunction})->IsTerminal());
  }
  // All three kinds is exactly the plain choice: same draws, same node.
  RandSeed(5);
  TFloatNode* all = individual->SelectNode(0.9, Kinds{gpVariable, gpConstant, gpFunction});
  RandSeed(5);
  EXPECT_EQ(individual->SelectNode(0.9), all);
  TFloatIndividual* leaf = NewIndividual(N("x"));
  EXPECT_EQ(leaf->SelectNode(0.9), leaf->DNA());
  EXPECT_EQ(leaf->SelectNode(0, true), nullptr);
  EXPECT_EQ(leaf->SelectNode(1, true), leaf->DNA());
  EXPECT_EQ(leaf->SelectNode(0.9, Kinds{gpFunction}), nullptr);
}

}  // namespace
}  // namespace kx::testing
