#include "kx/gp/gp_individual.hpp"

#include <gtest/gtest.h>

#include <map>

#include "gp_test_support.hpp"
#include "kx/gp/gp_population.hpp"
#include "kx/gp_engine/binary_node.hpp"
#include "kx/host/random.hpp"

namespace kx::testing {
namespace {

class GPIndividualTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RandSeed(11);
    AddArithmetic(*gp.Instructions());
    AddFunction(*gp.Instructions(), "sum3", 3, [](double a, double b) { return a + b; });
    AddConstant(*gp.Instructions(), "one", 1.0);
  }

  TFloatIndividual* NewIndividual(TFloatNodePtr Tree) { return AddIndividual(gp, std::move(Tree)); }

  // (add x (mul one x))
  TFloatNodePtr Sample() {
    return Node(gp, "add",
                Args(Node(gp, "x"), Node(gp, "mul", Args(Node(gp, "one"), Node(gp, "x")))));
  }

  TKXGeneticProgramming gp;
};

TEST_F(GPIndividualTest, FlattenListsNodesInPreOrderAndMarksModified) {
  TFloatIndividual* individual = NewIndividual(Sample());
  std::vector<std::string> texts;
  for (auto* node : individual->FlattenedDNA()) texts.push_back(node->ToString());
  EXPECT_EQ(texts, (std::vector<std::string>{"(add x (mul 1 x))", "x", "(mul 1 x)", "1", "x"}));
  (void)individual->Fitness();
  EXPECT_FALSE(individual->NeedFitness());
  individual->FlattenDNA();
  EXPECT_TRUE(individual->NeedFitness());
  ExpectConsistent(*individual);
}

TEST_F(GPIndividualTest, SetDNACopiesWhileAssignDNATakesOwnership) {
  TFloatIndividual* individual = gp.Population()->Add();
  TFloatNodePtr tree = Sample();
  TFloatNode* const root = individual->DNA();
  individual->SetDNA(tree.get());
  EXPECT_EQ(individual->DNA(), root);  // the root object is reused
  EXPECT_EQ(individual->DNA()->ToString(), tree->ToString());
  EXPECT_NE(individual->FlattenedDNA()[1], tree->Child(0));
  ExpectConsistent(*individual);
}

TEST_F(GPIndividualTest, GraftKeepsTheArgumentPositionUnderAnNaryParent) {
  TFloatIndividual* individual =
      NewIndividual(Node(gp, "sum3", Args(Node(gp, "x"), Node(gp, "one"), Node(gp, "x"))));
  TFloatNode* second = individual->DNA()->Child(1);
  TFloatNodePtr removed =
      individual->Graft(second, Node(gp, "mul", Args(Node(gp, "x"), Node(gp, "x"))));
  EXPECT_EQ(removed.get(), second);
  EXPECT_EQ(removed->Parent(), nullptr);
  EXPECT_EQ(individual->DNA()->ToString(), "(sum3 x (mul x x) x)");
  EXPECT_EQ(individual->FlattenedDNA().size(), 6u);
  ExpectConsistent(*individual);
}

TEST_F(GPIndividualTest, GraftUnderABinaryParentTakesTheVacatedSide) {
  TKXBinaryGeneticProgramming binary;
  AddArithmetic(*binary.Instructions());
  TFloatIndividual* individual = binary.Population()->Add();
  individual->AssignDNA(Node(binary, "add", Args(Node(binary, "x"), Node(binary, "x"))));
  auto* root = dynamic_cast<TKXGPBinaryNode<TGAFloat>*>(individual->DNA());
  ASSERT_NE(root, nullptr);
  TFloatNodePtr replacement = Node(binary, "mul", Args(Node(binary, "x"), Node(binary, "x")));
  TFloatNode* inserted = replacement.get();
  individual->Graft(root->Left(), std::move(replacement));
  EXPECT_EQ(root->Left(), inserted);
  inserted = Node(binary, "sub", Args(Node(binary, "x"), Node(binary, "x"))).release();
  individual->Graft(root->Right(), TFloatNodePtr(inserted));
  EXPECT_EQ(root->Right(), inserted);
  EXPECT_EQ(individual->DNA()->ToString(), "(add (mul x x) (sub x x))");
  ExpectConsistent(*individual);
}

TEST_F(GPIndividualTest, CrossoverSwapsInnerSubtreesInPlace) {
  TFloatIndividual* a = NewIndividual(Sample());
  TFloatIndividual* b = NewIndividual(Node(
      gp, "sum3",
      Args(Node(gp, "one"), Node(gp, "sub", Args(Node(gp, "x"), Node(gp, "one"))), Node(gp, "x"))));
  a->Crossover(a->DNA()->Child(0), b, b->DNA()->Child(1));
  EXPECT_EQ(a->DNA()->ToString(), "(add (sub x 1) (mul 1 x))");
  EXPECT_EQ(b->DNA()->ToString(), "(sum3 1 x x)");
  ExpectConsistent(*a);
  ExpectConsistent(*b);

  // Within one tree, overlapping subtrees cannot be swapped; disjoint ones can.
  a->Crossover(a->DNA(), a, a->DNA()->Child(1));
  EXPECT_EQ(a->DNA()->ToString(), "(add (sub x 1) (mul 1 x))");
  a->Crossover(a->DNA()->Child(0), a, a->DNA()->Child(1));
  EXPECT_EQ(a->DNA()->ToString(), "(add (mul 1 x) (sub x 1))");
  ExpectConsistent(*a);
}

TEST_F(GPIndividualTest, BiasedChoiceFavoursNonterminals) {
  TFloatIndividual* individual = NewIndividual(Sample());  // 2 functions, 3 terminals
  int nonterminals = 0;
  const int draws = 20000;
  for (int i = 0; i < draws; ++i) {
    if (!individual->SelectNode(0.9)->IsTerminal()) ++nonterminals;
  }
  // A nonterminal is accepted at once (0.4 * 0.9), a terminal rarely (0.6 * 0.1); the
  // growing sum then accepts nearly anything drawn. Simulating the rule gives 0.673, well
  // above the 0.4 share of nonterminals a uniform choice would give.
  EXPECT_GT(nonterminals, draws * 0.64);
  EXPECT_LT(nonterminals, draws * 0.70);
}

TEST_F(GPIndividualTest, SingleTerminalTree) {
  TFloatIndividual* individual = NewIndividual(Node(gp, "x"));
  EXPECT_EQ(individual->FlattenedDNA().size(), 1u);
  EXPECT_EQ(individual->SelectNode(0.9), individual->DNA());
  EXPECT_EQ(individual->SelectNode(0, true), nullptr);
  EXPECT_EQ(individual->SelectNode(1, true), individual->DNA());
  EXPECT_EQ(individual->SelectNode(0, false), individual->DNA());
}

TEST_F(GPIndividualTest, ChoiceByMeasureIsUniformOverQualifyingNodes) {
  TFloatIndividual* individual = NewIndividual(Sample());
  std::map<TFloatNode*, int> counts;
  for (int i = 0; i < 3000; ++i) ++counts[individual->SelectNode(1, false)];
  // Depth at most 1: every node but the root.
  EXPECT_EQ(counts.size(), 4u);
  EXPECT_EQ(counts.count(individual->DNA()), 0u);
  for (auto& [node, count] : counts) EXPECT_GT(count, 600);
}

TEST_F(GPIndividualTest, ChoiceByKind) {
  TFloatIndividual* individual = NewIndividual(Sample());
  for (int i = 0; i < 50; ++i) {
    TFloatNode* node = individual->SelectNode(0.9, TGPGeneticInstructions{gpConstant});
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Instruction()->Name(), "one");
    TFloatNode* function = individual->SelectNode(0.0, TGPGeneticInstructions{gpFunction});
    EXPECT_EQ(function->Instruction()->Operation(), gpFunction);
  }
  TFloatIndividual* leaf = NewIndividual(Node(gp, "x"));
  EXPECT_EQ(leaf->SelectNode(0.9, TGPGeneticInstructions{gpFunction}), nullptr);

  // All three kinds is exactly the plain choice: same draws, same node.
  RandSeed(5);
  TFloatNode* all =
      individual->SelectNode(0.9, TGPGeneticInstructions{gpVariable, gpConstant, gpFunction});
  RandSeed(5);
  EXPECT_EQ(individual->SelectNode(0.9), all);
}

TEST_F(GPIndividualTest, ExecuteAndText) {
  TFloatIndividual* individual = NewIndividual(Sample());
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

}  // namespace
}  // namespace kx::testing
