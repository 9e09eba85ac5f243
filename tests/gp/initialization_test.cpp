// Settings, instruction bookkeeping, node factories and tree initialization of the program
// component.

#include <set>

#include "gp_test_support.hpp"

namespace kx::testing {
namespace {

class GPInitializationTest : public ::testing::Test {
 protected:
  GPInitializationTest() { RandSeed(3); }

  TFloatIndividual* Initialize(std::int32_t Count) {  // the first of Count fresh programs
    gp.Population()->Clear();  // a larger population would keep its extra individuals
    gp.SetInitialPopulation(Count);
    gp.Initialize();
    return gp.Population()->Items(0);
  }

  TKXGeneticProgramming gp;
};

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
      Initialize(50);
      const int d = depth == 0 ? 3 : depth;
      const bool ramped =
          method == imRampedFull || method == imRampedGrow || method == imRampedHalfAndHalf;
      for (int i = 0; i < 50; ++i) {
        const bool full =
            method == imFull || method == imRampedFull || (method >= imHalfAndHalf && i % 2 == 0);
        const int r = ramped ? int(i / 50.0 * (d - 1) + 2) : std::max(d, 2);
        const TFloatNode* tree = gp.Population()->Items(i)->DNA();
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
  Initialize(200);
  for (int i = 0; i < 200; ++i) texts.insert(gp.Population()->Items(i)->DNA()->ToString());
  EXPECT_EQ(texts.size(), 200u);
  EXPECT_GT(gp.DoInitialize(), 0);  // the count of trees built again
  gp.SetInitialDuplicatesRetries(0);
  EXPECT_EQ(gp.DoInitialize(), 0);
}

TEST_F(GPInitializationTest, DeepInitialTreesAreGrownWithoutRecursionOrExhaustion) {
  AddInstructions(*gp.Instructions(), {"neg", "x"});
  gp.SetInitializationDepth(1000000);
  EXPECT_EQ(Initialize(2)->DNA()->Depth(), gp.kMaxInitializationDepth - 1);
  gp.Instructions()->ItemByName("neg")->SetArity(2);  // 2^1023 nodes: an error instead
  EXPECT_THROW(Initialize(1), EGPException);
}

}  // namespace
}  // namespace kx::testing
