// The concrete program components, streaming and assignment of their settings, and the
// structural invariants under long random variation.

#include "gp_test_support.hpp"
#include "host/host_test_support.hpp"
#include "kx/gp_engine/binary_node.hpp"
#include "kx/host/streaming.hpp"

namespace kx::testing {
namespace {

TEST(GPComponentsTest, BinaryComponentRefusesAThirdArgument) {
  RandSeed(2);
  TKXBinaryGeneticProgramming binary;
  AddArithmetic(*binary.Instructions());
  binary.SetInitialPopulation(10);
  binary.SetInitializationDepth(4);
  binary.Initialize();
  for (int i = 0; i < 10; ++i) {
    auto* root = dynamic_cast<TKXGPBinaryNode<TGAFloat>*>(binary.Population()->Items(i)->DNA());
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->Left(), root->Child(0));
    EXPECT_EQ(root->Size(), 15);
    ExpectConsistent(*binary.Population()->Items(i));
  }
  AddInstructions(*binary.Instructions(), {"sum3"});
  for (int i = 0; i < 3; ++i) binary.Instructions()->Delete(0);  // only x and sum3 are left
  EXPECT_THROW(binary.Initialize(), EListError);
}

TEST(GPComponentsTest, StreamsThePublishedSettings) {
  // Defaults are not written, except the crossover probability that differs from the core's;
  // the selection method's declared default is the plain tournament, not the initial value.
  TKXGeneticProgramming gp;
  const std::string fresh = StreamText(gp);
  EXPECT_THAT(fresh, ::testing::HasSubstr("SelectionMethod = smStochasticTournament"));
  EXPECT_THAT(fresh, ::testing::HasSubstr("CrossoverProbability = 0.9\n"));
  EXPECT_EQ(StreamEntryNames(fresh),
            (std::vector<std::string>{"SelectionMethod", "CrossoverProbability"}));
  TKXGeneticProgramming tournament;
  tournament.SetSelectionMethod(smTournament);
  EXPECT_EQ(StreamEntryNames(StreamText(tournament)),
            std::vector<std::string>{"CrossoverProbability"});

  AddArithmetic(*gp.Instructions());
  AddConstant(*gp.Instructions(), "two", 2.0)->SetComment("a 'constant'");
  gp.SetOperations({goMutate});  // not published by the program components
  gp.SetTournamentField(3);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetMutateWeights(mmPoint, 40);
  gp.SetMutateWeights(mmSubtree, 0);
  gp.SetPointMutationProbability(0.25);
  gp.SetParsimonyCoefficient(0.5);
  gp.SetSelectionNonTerminalsProbability(0.75);
  gp.SetTarpeianProbability(0.6);
  std::stringstream stream;
  WriteComponent(stream, gp);
  const std::string text = stream.str();
  EXPECT_EQ(text.find("TournamentField"), text.rfind("TournamentField"));  // declared once
  // The published order; the float entries come last.
  EXPECT_EQ(StreamEntryNames(text),
            (std::vector<std::string>{"InitializationMethod", "Instructions", "MutateSubtreeWeight",
                                      "MutatePointWeight", "SelectionMethod", "TournamentField",
                                      "CrossoverProbability", "SelectionNonTerminalsProbability",
                                      "ParsimonyCoefficient", "PointMutationProbability",
                                      "TarpeianProbability"}));
  EXPECT_NE(
      text.find("    item\n      Arity = 2\n      Name = 'add'\n      Operation = gpFunction\n"),
      std::string::npos)
      << text;

  TKXGeneticProgramming copy;
  ReadComponent(stream, copy);
  EXPECT_EQ(copy.MutationWeights(), (TGPMutationMethodWeights{0, 0, 0, 25, 25, 40}));
  EXPECT_EQ(copy.MutationWeightSum(), 90);
  EXPECT_EQ(copy.TarpeianProbability(), 0.6);
  ASSERT_EQ(copy.Instructions()->Count(), 5);
  EXPECT_EQ(copy.Instructions()->Items(4)->ToString(), "two 'a 'constant'' gpConstant");
  EXPECT_EQ(copy.FunctionsCount(), 3);
  EXPECT_EQ(copy.TerminalsCount(), 2);
  // Every other setting is read back as written.
  EXPECT_EQ(StreamText(copy), text);
}

// Assign copies settings, instructions (handlers only with AssignAll) and populations, whose
// trees must not depend on the source afterwards.
TEST(GPComponentsTest, AssignCopiesSettingsInstructionsAndPopulations) {
  auto source = std::make_unique<TKXGeneticProgramming>();
  source->SetBloatStrategy(bsHoistSize);
  source->SetMutateWeights(mmConstant, 9);
  source->SetTarpeianProbability(0.7);
  EvolveQuadratic(*source, 31, 20, 2);
  TKXGeneticProgramming target;
  target.Assign(source.get());
  EXPECT_EQ(target.BloatStrategy(), bsHoistSize);
  EXPECT_EQ(target.MutationWeightSum(), 84);
  EXPECT_EQ(target.TarpeianProbability(), 0.7);
  EXPECT_FALSE(target.Instructions()->ItemByName("add")->OnExecute());
  target.AssignAll(source.get());
  EXPECT_TRUE(target.Instructions()->ItemByName("add")->OnExecute());
  target.Assign(source.get());
  source.reset();
  ASSERT_EQ(target.Population()->Count(), 20);
  TKXGPContext<TGAFloat> context;
  context.Values().AddOrSetValue("x", 0.5);
  for (int i = 0; i < target.Population()->Count(); ++i) {
    for (const TFloatNode* node : target.Population()->Items(i)->FlattenedDNA()) {
      EXPECT_EQ(node->Instruction()->Collection(), target.Instructions());
    }
    EXPECT_TRUE(std::isfinite(target.Population()->Items(i)->Execute(context)));
  }
}

// Thousands of random variations of a small population under every bloat strategy: every tree
// stays well-formed, its parent links and cached measures right and its node list equal to the
// tree.
TEST(GPComponentsTest, InvariantsHoldUnderLongRandomVariation) {
  RandSeed(99);
  TKXGeneticProgramming gp;
  AddInstructions(*gp.Instructions(), {"add", "sub", "mul", "x", "neg", "sum3", "one"});
  gp.SetOnConstantMutation([](TKXObject*, TFloatNode* Node) { Node->SetValue(Node->Value() * 2); });
  gp.SetInitialPopulation(12);
  gp.SetInitializationMethod(imRampedHalfAndHalf);
  gp.SetMutationWeights({5, 5, 5, 5, 5, 5});
  gp.SetPointMutationProbability(0.3);
  gp.SetBloatLimit(9);
  gp.Initialize();
  auto* population = gp.Population();
  for (int step = 0; step < 4000; ++step) {
    gp.SetBloatStrategy(
        static_cast<TGPBloatStrategy>(RandomInt(bsLexicographicParsimonyPressure + 1)));
    auto* a = population->Items(RandomInt(12));
    auto* b = population->Items(RandomInt(12));
    auto* c = population->Items(RandomInt(12));
    auto* d = population->Items(RandomInt(12));
    if (c == d || c == a || c == b || d == a || d == b) continue;
    const int operation = RandomInt(4);
    if (operation == 0) {
      gp.DoReproduce(a, b, c, d);
    } else if (operation == 1) {
      gp.DoReproduce(a, b, c);
    } else if (operation == 2) {
      gp.DoMutate(c);
    } else {
      gp.DoCrossover(a, b, c, d);
      gp.DoInvert(d);
    }
    // Keep the programs from growing without bound.
    for (auto* child : {c, d}) {
      if (child->DNA()->Size() > 200) child->AssignDNA(gp.DoInitializeGrow(4));
    }
    if (step % 200 == 0 || step > 3950) {
      for (int i = 0; i < population->Count(); ++i) {
        ExpectConsistent(*population->Items(i));
        if (::testing::Test::HasFailure()) FAIL() << "at step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace kx::testing
