// Construction, settings, instruction bookkeeping, node factories and tree initialization of
// the program component.

#include <gtest/gtest.h>

#include <set>

#include "gp_test_support.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"

namespace kx::testing {
namespace {

class GPInitializationTest : public ::testing::Test {
 protected:
  void SetUp() override { RandSeed(3); }

  std::vector<TFloatIndividual*> Initialize(std::int32_t Count) {
    gp.Population()->Clear();  // a larger population would keep its extra individuals
    gp.SetInitialPopulation(Count);
    gp.Initialize();
    std::vector<TFloatIndividual*> result;
    for (int i = 0; i < gp.Population()->Count(); ++i) result.push_back(gp.Population()->Items(i));
    return result;
  }

  TKXGeneticProgramming gp;
};

TEST_F(GPInitializationTest, SetterRules) {
  gp.SetBloatLimit(3);
  EXPECT_EQ(gp.BloatLimit(), 5);
  gp.SetInitializationDepth(-4);
  EXPECT_EQ(gp.InitializationDepth(), 0);
  gp.SetMutateWeights(mmPoint, 10);
  EXPECT_EQ(gp.MutationWeightSum(), 85);
  gp.SetMutateWeights(mmPoint, -1);
  EXPECT_EQ(gp.GetMutateWeights(mmPoint), 0);
  EXPECT_EQ(gp.MutationWeightSum(), 75);
  gp.SetMutateWeights(mmSubtree, 300);  // does not fit in 8 bits: the low byte stays
  EXPECT_EQ(gp.GetMutateWeights(mmSubtree), 44);
  EXPECT_EQ(gp.MutationWeightSum(), 94);
}

TEST_F(GPInitializationTest, InstructionsAreSortedIntoFunctionsAndTerminals) {
  auto* set = gp.Instructions();
  auto* x = AddVariable(*set, "x");
  auto* add = AddFunction(*set, "add", 2, [](double a, double b) { return a + b; });
  auto* one = AddConstant(*set, "one", 1);
  ASSERT_EQ(gp.FunctionsCount(), 1);
  EXPECT_EQ(gp.Functions(0), add);
  ASSERT_EQ(gp.TerminalsCount(), 2);
  EXPECT_EQ(gp.Terminals(0), x);
  EXPECT_EQ(gp.Terminals(1), one);

  // A kind change moves the instruction without emptying the population.
  Initialize(4);
  x->SetArity(0);  // unchanged: nothing happens
  EXPECT_EQ(gp.Population()->Count(), 4);
  one->SetArity(2);
  gp.InstructionOperationUpdate(one);  // already moved: stays in one list
  EXPECT_EQ(gp.FunctionsCount(), 2);
  EXPECT_EQ(gp.TerminalsCount(), 1);
  EXPECT_EQ(gp.Functions(1), one);

  // Renaming (any other change) empties the population too.
  Initialize(3);
  ASSERT_EQ(gp.Population()->Count(), 3);
  one->SetName("unit");
  EXPECT_EQ(gp.Population()->Count(), 0);

  // Additions and deletions empty the population and the previous generation.
  Initialize(4);
  AddVariable(*set, "y");
  EXPECT_EQ(gp.Population()->Count(), 0);
  EXPECT_EQ(gp.PreviousGeneration()->Count(), 0);
  EXPECT_EQ(gp.TerminalsCount(), 2);
  set->Delete(add->Index());
  EXPECT_EQ(gp.Functions(0), one);
  set->Delete(x->Index());
  EXPECT_EQ(gp.TerminalsCount(), 1);
}

TEST_F(GPInitializationTest, NodeFactories) {
  auto* set = gp.Instructions();
  EXPECT_THAT([&] { gp.GetNode(); }, ::testing::ThrowsMessage<EGPException>("No nodes found"));
  EXPECT_THROW(gp.GetSimilarInstruction(nullptr), EGPException);
  AddVariable(*set, "x");
  EXPECT_THAT([&] { gp.GetOperationNode(); },
              ::testing::ThrowsMessage<EGPException>("No operations found"));
  auto* add = AddFunction(*set, "add", 2, [](double a, double b) { return a + b; });
  auto* sub = AddFunction(*set, "sub", 2, [](double a, double b) { return a - b; });
  AddFunction(*set, "neg", 1, [](double a, double) { return -a; });

  TFloatNodePtr parent = gp.GetOperationNode();
  EXPECT_EQ(parent->ClassName(), "TKXGPFloatNode");
  EXPECT_FALSE(parent->IsTerminal());
  TFloatNode* leaf = gp.GetTerminalNode(parent.get(), 0);
  EXPECT_EQ(leaf->Parent(), parent.get());
  EXPECT_EQ(leaf->Instruction()->Name(), "x");
  TFloatNode* first = gp.GetNode(parent.get(), 0);
  EXPECT_EQ(parent->Child(0), first);
  EXPECT_EQ(parent->Child(1), leaf);

  // Similar instructions: same kind and arity, the given one included.
  std::set<std::string> names;
  for (int i = 0; i < 200; ++i) names.insert(gp.GetSimilarInstruction(add)->Name());
  EXPECT_EQ(names, (std::set<std::string>{"add", "sub"}));
  for (int i = 0; i < 20; ++i) {
    TFloatNode* similar = gp.GetNode(parent.get(), parent->Child(1), 2);
    EXPECT_EQ(similar->Instruction()->Name(), "x");
  }
  EXPECT_EQ(gp.GetSimilarInstruction(sub)->Arity(), 2);
}

TEST_F(GPInitializationTest, FullTreesHaveExactSizeAndDepth) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitialDuplicatesRetries(0);
  gp.SetInitializationDepth(2);
  for (auto* individual : Initialize(20)) {
    EXPECT_EQ(individual->DNA()->Size(), 3);
    ExpectConsistent(*individual);
  }
  // D derived from three functions.
  gp.SetInitializationDepth(0);
  for (auto* individual : Initialize(20)) {
    EXPECT_EQ(individual->DNA()->Size(), 7);
    EXPECT_EQ(individual->DNA()->Depth(), 2);
  }
  gp.SetInitializationDepth(1);  // max(D, 2): still a function over terminals
  for (auto* individual : Initialize(10)) EXPECT_EQ(individual->DNA()->Size(), 3);
}

TEST_F(GPInitializationTest, RampedFullUsesTheRamp) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitialDuplicatesRetries(0);
  gp.SetInitializationMethod(imRampedFull);
  gp.SetInitializationDepth(6);
  auto individuals = Initialize(100);
  for (int i = 0; i < 100; ++i) {
    const int r = 2 + i / 20;  // 2 (0..19), 3 (20..39), ..., 6 (80..99)
    EXPECT_EQ(individuals[i]->DNA()->Depth(), r - 1) << i;
    EXPECT_EQ(individuals[i]->DNA()->Size(), (1 << r) - 1) << i;
  }
}

TEST_F(GPInitializationTest, HalfAndHalfAlternatesFullAndGrow) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitialDuplicatesRetries(0);
  gp.SetInitializationDepth(4);
  gp.SetInitializationMethod(imHalfAndHalf);
  auto individuals = Initialize(60);
  bool grownSmaller = false;
  for (int i = 0; i < 60; ++i) {
    if (i % 2 == 0) {
      EXPECT_EQ(individuals[i]->DNA()->Size(), 15) << i;
    } else {
      EXPECT_LE(individuals[i]->DNA()->Depth(), 3) << i;
      grownSmaller = grownSmaller || individuals[i]->DNA()->Size() < 15;
    }
  }
  EXPECT_TRUE(grownSmaller);

  // i / 40 is exact in binary, so the ramp r = 2 + int(i / 40 * 4) steps at multiples of
  // 10 (other counts can land a hair below a step and take the lower depth).
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetInitializationDepth(5);
  individuals = Initialize(40);
  for (int i = 0; i < 40; i += 2) {
    EXPECT_EQ(individuals[i]->DNA()->Depth(), 1 + i / 10) << i;
  }
  for (int i = 1; i < 40; i += 2) EXPECT_LE(individuals[i]->DNA()->Depth(), 1 + i / 10) << i;

  gp.SetInitializationMethod(imRampedGrow);
  individuals = Initialize(40);
  for (int i = 0; i < 40; ++i) EXPECT_LE(individuals[i]->DNA()->Depth(), 1 + i / 10) << i;
}

TEST_F(GPInitializationTest, MissingInstructionsAreReported) {
  gp.SetInitialDuplicatesRetries(0);
  AddVariable(*gp.Instructions(), "x");
  // No functions: D = 1, but a full tree needs a function at its root.
  EXPECT_THAT([&] { Initialize(3); },
              ::testing::ThrowsMessage<EGPException>("No operations found"));
  gp.SetInitializationMethod(imGrow);
  gp.SetInitialPopulation(0);
  gp.Initialize();

  TKXGeneticProgramming noTerminals;
  AddFunction(*noTerminals.Instructions(), "add", 2, [](double a, double b) { return a + b; });
  noTerminals.SetInitialPopulation(2);
  EXPECT_THAT([&] { noTerminals.Initialize(); },
              ::testing::ThrowsMessage<EGPException>("No terminals found"));

  // A non-function carrying arguments (as a document reader may leave it).
  TKXGeneticProgramming invalid;
  AddVariable(*invalid.Instructions(), "x");
  auto* odd = AddFunction(*invalid.Instructions(), "odd", 2, [](double a, double) { return a; });
  odd->LoadOperation(gpVariable);
  invalid.SetInitialPopulation(2);
  EXPECT_THAT([&] { invalid.Initialize(); },
              ::testing::ThrowsMessage<EGPException>(
                  "Invalid terminal node.  Node requires greater than 0 children"));

  // A new node joins its parent before it is checked: a full binary parent refuses it first.
  TKXBinaryGeneticProgramming binary;
  AddVariable(*binary.Instructions(), "x");
  auto* bad = AddFunction(*binary.Instructions(), "bad", 1, [](double a, double) { return a; });
  bad->LoadOperation(gpVariable);
  auto* add = binary.Instructions()->Add();
  add->SetName("add");
  add->SetArity(2);
  TFloatNodePtr parent = binary.CreateNode(add);
  binary.DoInitializeFull(parent.get(), 0, 1);
  binary.DoInitializeFull(parent.get(), 1, 1);
  for (int i = 0; i < 8; ++i) {  // whichever function is drawn
    EXPECT_THROW(binary.DoInitializeFull(parent.get(), 2, 2), EListError);
  }
}

TEST_F(GPInitializationTest, DuplicatesAreRegeneratedWithRisingDepth) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetInitializationDepth(2);
  gp.SetInitialPopulation(200);
  gp.SetOnInitialization(nullptr);
  gp.Initialize();
  std::set<std::string> texts;
  for (int i = 0; i < gp.Population()->Count(); ++i) {
    texts.insert(gp.Population()->Items(i)->DNA()->ToString());
  }
  EXPECT_EQ(texts.size(), 200u);
}

TEST_F(GPInitializationTest, DuplicateCheckGivesUpOnAnExhaustedInstructionSet) {
  AddVariable(*gp.Instructions(), "x");
  gp.SetInitializationMethod(imGrow);
  gp.SetInitialPopulation(5);
  for (int i = 0; i < 5; ++i) gp.Population()->Add();
  // Every individual after the first can only be "x" again: it retries 10 times per depth
  // raise, gives up after the fifth raise and keeps its duplicate.
  const std::int32_t perIndividual = 10 * (gp.kMaxDepthRaises + 1);
  EXPECT_EQ(gp.DoInitialize(), 4 * perIndividual);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(gp.Population()->Items(i)->DNA()->ToString(), "x");

  gp.SetInitialDuplicatesRetries(0);
  EXPECT_EQ(gp.DoInitialize(), 0);
}

TEST_F(GPInitializationTest, SearchSpaceSize) {
  auto* set = gp.Instructions();
  AddFunction(*set, "add", 2, [](double a, double b) { return a + b; });
  AddFunction(*set, "mul", 2, [](double a, double b) { return a * b; });
  AddVariable(*set, "x");
  AddVariable(*set, "y");
  AddConstant(*set, "one", 1);
  EXPECT_EQ(gp.SearchSpaceSize(0), 2);
  EXPECT_EQ(gp.SearchSpaceSize(1), 50);               // (2 + 3)^2 * 2
  EXPECT_EQ(gp.SearchSpaceSize(2), 2 * 53.0 * 53.0);  // (50 + 3)^2 * 2
  AddFunction(*set, "neg", 1, [](double a, double) { return -a; });
  EXPECT_EQ(gp.SearchSpaceSize(1), 2 * 36.0 + 6);  // (3 + 3)^2 * 2 + (3 + 3)
}

}  // namespace
}  // namespace kx::testing
