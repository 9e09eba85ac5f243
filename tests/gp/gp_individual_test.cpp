#include "kx/gp/gp_individual.hpp"

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

using Kinds = TGPGeneticInstructions;

// The biased choice drawn by hand: an index, then a uniform draw joins a single-precision sum
// that must pass 1 - P for a nonterminal and P for a terminal.
TFloatNode* Biased(const std::vector<TFloatNode*>& Nodes, double P) {
  if (Nodes.empty()) return nullptr;
  for (float sum = 0;;) {
    TFloatNode* node = Nodes[RandomInt(static_cast<std::int32_t>(Nodes.size()))];
    sum = static_cast<float>(sum + RandomFloat());
    if (node->Instruction()->Arity() > 0 ? sum > 1 - P : sum > P) return node;
  }
}

using GPIndividualTest = GPTest;

TEST_F(GPIndividualTest, FlattenExecuteAndText) {
  TFloatIndividual* individual = NewIndividual(N("add", N("x"), N("mul", N("one"), N("x"))));
  EXPECT_EQ(RunAt(*individual, 3.0), 6.0);
  EXPECT_EQ(individual->ToString(), "TKXGPIndividual: (add x (mul 1 x))");
  individual->SetName("best");
  EXPECT_EQ(individual->ToString(), "best: (add x (mul 1 x))");
  TFloatNodePtr root = individual->ReleaseDNA();
  EXPECT_EQ(individual->ToString(), "best");
  EXPECT_EQ(RunAt(*individual, 3.0), 0.0);
  EXPECT_EQ(individual->SelectNode(0.5), nullptr);
}

TEST_F(GPIndividualTest, GraftAndCrossoverKeepThePositionsOfTheReplacedNodes) {
  TFloatIndividual* a = NewIndividual(N("sum3", N("x"), N("one"), N("x")));
  TFloatNode* second = a->DNA()->Child(1);
  TFloatNodePtr removed = a->Graft(second, N("mul", N("x"), N("one")));
  EXPECT_EQ(std::tuple(removed.get(), removed->Parent()), std::tuple(second, nullptr));
  TFloatIndividual* b = NewIndividual(N("sub", N("one"), N("x")));
  for (auto [inA, inB, texts] : {std::tuple{1, 0, "(sum3 x 1 x) (sub (mul x 1) x)"},
                                 {-1, -1, "(sub (mul x 1) x) (sum3 x 1 x)"},
                                 {0, 2, "(sub x x) (sum3 x 1 (mul x 1))"}}) {
    a->Crossover(inA < 0 ? a->DNA() : a->DNA()->Child(inA), b,
                 inB < 0 ? b->DNA() : b->DNA()->Child(inB));
    EXPECT_EQ(a->DNA()->ToString() + " " + b->DNA()->ToString(), texts);
    ExpectConsistent(*a);
    ExpectConsistent(*b);
  }
  // Within one tree, overlapping subtrees cannot be swapped; disjoint ones can.
  b->Crossover(b->DNA(), b, b->DNA()->Child(1));
  b->Crossover(b->DNA()->Child(0), b, b->DNA()->Child(2));
  EXPECT_EQ(b->DNA()->ToString(), "(sum3 (mul x 1) 1 x)");
  ExpectConsistent(*b);
}

// Over random trees and biases, every node choice makes the draws its rule prescribes.
TEST_F(GPIndividualTest, NodeChoicesFollowTheirRules) {
  for (std::uint64_t seed = 0; seed < 200; ++seed) {
    RandSeed(seed);
    TFloatIndividual* individual = NewIndividual(gp.DoInitializeGrow(1 + RandomInt(5)));
    const std::vector<TFloatNode*> nodes = individual->FlattenedDNA();
    const double p = RandomInt(4) == 0 ? RandomInt(2) : RandomFloat();
    const int limit = RandomInt(5), bySize = RandomInt(2);
    const Kinds kinds = RandomInt(2) ? Kinds{gpConstant, gpVariable} : Kinds{gpFunction};
    std::vector<TFloatNode*> measured, ofKind;
    for (TFloatNode* node : nodes) {
      if ((bySize ? node->Size() : node->Depth()) <= limit) measured.push_back(node);
      if (kinds.Contains(node->Instruction()->Operation())) ofKind.push_back(node);
    }
    RandSeed(seed);
    TFloatNode* expected[] = {
        Biased(nodes, p), Biased(ofKind, p), Biased(nodes, p),
        measured.empty() ? nullptr : measured[RandomInt(int(measured.size()))]};
    RandSeed(seed);
    TFloatNode* chosen[] = {individual->SelectNode(p), individual->SelectNode(p, kinds),
                            individual->SelectNode(p, Kinds{gpVariable, gpConstant, gpFunction}),
                            individual->SelectNode(limit, bySize)};
    EXPECT_THAT(chosen, ::testing::ElementsAreArray(expected)) << "seed " << seed;
  }
}

}  // namespace
}  // namespace kx::testing
