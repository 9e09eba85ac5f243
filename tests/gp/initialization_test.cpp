// Settings, instruction bookkeeping, node factories and tree initialization of the program
// component.

#include <set>

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

class GPInitializationTest : public ::testing::Test {
 protected:
  GPInitializationTest() { RandSeed(3); }

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

// Limits and depths are bounded; weights are stored in 8 bits (a negative one as 0) and keep
// their sum; a probability outside [0, 1] is clamped, a NaN one refused.
TEST_F(GPInitializationTest, SetterRules) {
  gp.SetBloatLimit(3);
  gp.SetInitializationDepth(-4);
  EXPECT_EQ(std::tuple(gp.BloatLimit(), gp.InitializationDepth()), std::tuple(5, 0));
  gp.SetInitializationDepth(1000000);
  EXPECT_EQ(gp.InitializationDepth(), gp.kMaxInitializationDepth);
  for (auto [weight, stored, sum] : {std::tuple{10, 10, 85}, {-1, 0, 75}, {300, 44, 119}}) {
    gp.SetMutateWeights(mmPoint, weight);
    EXPECT_EQ(std::tuple(gp.GetMutateWeights(mmPoint), gp.MutationWeightSum()),
              std::tuple(stored, sum));
  }
  gp.SetSelectionNonTerminalsProbability(7);
  gp.SetSelectionNonTerminalsProbability(std::nan(""));
  EXPECT_EQ(gp.SelectionNonTerminalsProbability(), 1);
}

// Pure arity or kind changes move the instruction between functions and terminals and keep
// the population; any other change, addition or deletion empties it (and the previous one).
TEST_F(GPInitializationTest, InstructionsAreSortedIntoFunctionsAndTerminals) {
  auto* set = gp.Instructions();
  AddInstructions(*set, {"x", "add", "one"});
  auto lists = [&] {
    std::string text;
    for (int i = 0; i < gp.FunctionsCount(); ++i) text += gp.Functions(i)->Name() + " ";
    for (int i = 0; i < gp.TerminalsCount(); ++i) text += "| " + gp.Terminals(i)->Name();
    return text;
  };
  EXPECT_EQ(lists(), "add | x| one");
  Initialize(4);
  for (auto [name, arity, expected] : {std::tuple{"one", 2, "add one | x"},
                                       {"add", 0, "one | x| add"},
                                       {"add", 3, "one add | x"}}) {
    set->ItemByName(name)->SetArity(arity);
    EXPECT_EQ(lists(), expected) << name << " " << arity;
  }
  EXPECT_EQ(gp.Population()->Count(), 4);
  set->ItemByName("one")->SetName("unit");
  EXPECT_EQ(gp.Population()->Count(), 0);
  Initialize(4);
  AddInstructions(*set, {"y"});
  EXPECT_EQ(gp.Population()->Count() + gp.PreviousGeneration()->Count(), 0);
  set->Delete(set->ItemByName("add")->Index());
  set->Delete(0);
  EXPECT_EQ(lists(), "unit | y");
}

TEST_F(GPInitializationTest, NodeFactoriesAndSearchSpace) {
  EXPECT_THAT([&] { gp.GetNode(); }, ::testing::ThrowsMessage<EGPException>("No nodes found"));
  AddInstructions(*gp.Instructions(), {"x", "add", "sub", "neg"});
  TFloatNodePtr parent = gp.GetOperationNode();
  EXPECT_EQ(parent->ClassName(), "TKXGPFloatNode");
  TFloatNode* leaf = gp.GetTerminalNode(parent.get(), 0);
  TFloatNode* first = gp.GetNode(parent.get(), 0);  // inserted before the leaf
  EXPECT_EQ(std::tuple(parent->Child(0), parent->Child(1)), std::tuple(first, leaf));
  EXPECT_EQ(gp.GetNode(parent.get(), leaf, 2)->Instruction()->Name(), "x");
  // Similar instructions: same kind and arity, the given one included.
  std::set<std::string> names;
  for (int i = 0; i < 200; ++i)
    names.insert(gp.GetSimilarInstruction(gp.Instructions()->Items(1))->Name());
  EXPECT_EQ(names, (std::set<std::string>{"add", "sub"}));
  // Depth 0 counts the functions; each level more sums (previous + terminals)^arity.
  gp.Instructions()->Delete(3);
  AddInstructions(*gp.Instructions(), {"y", "one"});
  EXPECT_EQ(gp.SearchSpaceSize(0), 2);
  EXPECT_EQ(gp.SearchSpaceSize(1), 50);               // (2 + 3)^2 * 2
  EXPECT_EQ(gp.SearchSpaceSize(2), 2 * 53.0 * 53.0);  // (50 + 3)^2 * 2
  AddInstructions(*gp.Instructions(), {"neg"});
  EXPECT_EQ(gp.SearchSpaceSize(1), 2 * 36.0 + 6);  // (3 + 3)^2 * 2 + (3 + 3)
}

// Every method over several depths: full trees (imFull, imRampedFull, even positions of the
// half-and-half methods) have every branch r levels deep, grown ones at most r, some fewer; r is
// max(D, 2) or, ramped, the integer part of i / N * (D - 1) + 2, D derived from the function
// count when 0.
TEST_F(GPInitializationTest, InitialTreesFollowTheMethod) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitialDuplicatesRetries(0);
  int grownSmaller = 0;
  for (int method = imFull; method <= imRampedHalfAndHalf; ++method) {
    for (int depth : {0, 1, 2, 6}) {
      gp.SetInitializationMethod(TGPInitializationMethod(method));
      gp.SetInitializationDepth(depth);
      const std::vector<TFloatIndividual*> individuals = Initialize(50);
      const int d = depth == 0 ? 3 : depth;
      const bool ramped =
          method == imRampedFull || method == imRampedGrow || method == imRampedHalfAndHalf;
      for (int i = 0; i < 50; ++i) {
        const bool full =
            method == imFull || method == imRampedFull || (method >= imHalfAndHalf && i % 2 == 0);
        const int r = ramped ? int(i / 50.0 * (d - 1) + 2) : std::max(d, 2);
        const TFloatNode* tree = individuals[i]->DNA();
        EXPECT_TRUE(full ? tree->Size() == (1 << r) - 1 : tree->Depth() <= r - 1)
            << method << " " << depth << " " << i;
        grownSmaller += !full && tree->Size() < (1 << r) - 1;
      }
    }
  }
  EXPECT_GT(grownSmaller, 100);
}

TEST_F(GPInitializationTest, MissingInstructionsAreReported) {
  // No functions: D = 1, but a full tree needs a function at its root. A non-function
  // carrying arguments is what a document reader may leave.
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"x"}, "No operations found"},
      {{"add"}, "No terminals found"},
      {{"x", "odd"}, "Invalid terminal node.  Node requires greater than 0 children"}};
  for (const auto& [names, message] : cases) {
    TKXGeneticProgramming component;
    AddInstructions(*component.Instructions(), names);
    if (auto* odd = component.Instructions()->FindItemName("odd")) {
      odd->SetArity(2);
      odd->LoadOperation(gpVariable);
    }
    component.SetInitialPopulation(2);
    EXPECT_THAT([&] { component.Initialize(); }, ::testing::ThrowsMessage<EGPException>(message));
  }
}

// Duplicates are built again, with rising depth; without the check none are.
TEST_F(GPInitializationTest, DuplicatesAreRegeneratedWithRisingDepth) {
  AddArithmetic(*gp.Instructions());
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetInitializationDepth(2);
  std::set<std::string> texts;
  for (auto* individual : Initialize(200)) texts.insert(individual->DNA()->ToString());
  EXPECT_EQ(texts.size(), 200u);
  EXPECT_GT(gp.DoInitialize(), 0);  // the count of trees built again
  gp.SetInitialDuplicatesRetries(0);
  EXPECT_EQ(gp.DoInitialize(), 0);
}

}  // namespace
}  // namespace kx::testing
