#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <kx/core/consts.hpp>
#include <numeric>

namespace kx {
namespace {

template <class E>
void ExpectNamesRoundTrip(int Count) {
  for (int i = 0; i < Count; ++i) {
    const auto value = static_cast<E>(i);
    const std::string_view name = EnumName(value);
    ASSERT_FALSE(name.empty()) << i;
    EXPECT_EQ(EnumFromName<E>(name), value) << name;
  }
  EXPECT_TRUE(EnumName(static_cast<E>(Count)).empty());
}

TEST(ConstsTest, EveryEnumerationRoundTripsThroughItsNames) {
  ExpectNamesRoundTrip<TGeneType>(5);
  ExpectNamesRoundTrip<TGACrossoverMethod>(5);
  ExpectNamesRoundTrip<TGAFitnessMethod>(4);
  ExpectNamesRoundTrip<TGASelectionMethod>(6);
  ExpectNamesRoundTrip<TGAGeneticOperation>(3);
  ExpectNamesRoundTrip<TExecutionState>(10);
  ExpectNamesRoundTrip<TExecutionLimit>(3);
  ExpectNamesRoundTrip<TGPGeneticInstruction>(3);
  ExpectNamesRoundTrip<TGPCrossoverMethod>(1);
  ExpectNamesRoundTrip<TGPMutationMethod>(6);
  ExpectNamesRoundTrip<TGPPointMutationMethod>(2);
  ExpectNamesRoundTrip<TGPBloatStrategy>(18);
  ExpectNamesRoundTrip<TGPInitializationMethod>(6);
}

TEST(ConstsTest, OrdinalsAndNamesAreThoseOfTheVocabulary) {
  EXPECT_EQ(EnumName(smStochasticTournament), "smStochasticTournament");
  EXPECT_EQ(static_cast<int>(smCustom), 5);
  EXPECT_EQ(static_cast<int>(bsLexicographicParsimonyPressure), 17);
  EXPECT_EQ(EnumName(bsCovariantDepthParsimonyPressure), "bsCovariantDepthParsimonyPressure");
  EXPECT_EQ(EnumName(imRampedHalfAndHalf), "imRampedHalfAndHalf");
  EXPECT_EQ(EnumName(cmSubtree), "cmSubtree");
  EXPECT_EQ(sizeof(TGPBloatStrategy), 1u);
}

TEST(ConstsTest, UnknownNamesAreNotValues) {
  EXPECT_FALSE(EnumFromName<TGAFitnessMethod>("fmMaximise").has_value());
  EXPECT_FALSE(EnumFromName<TGAFitnessMethod>("").has_value());
  EXPECT_FALSE(EnumFromName<TGAFitnessMethod>("FMMAXIMIZE").has_value());
  EXPECT_EQ(EnumFromNameIgnoreCase<TGAFitnessMethod>("FMMAXIMIZE"), fmMaximize);
}

TEST(ConstsTest, FinishedStatesAreTheFiveLastStates) {
  EXPECT_EQ(FinishedStates.Bits(), 0x03E0);
  for (int s = esInitializing; s <= esExecuting; ++s) {
    EXPECT_FALSE(FinishedStates.Contains(static_cast<TExecutionState>(s)));
  }
  for (int s = esInvalidOperation; s <= esFinished; ++s) {
    EXPECT_TRUE(FinishedStates.Contains(static_cast<TExecutionState>(s)));
  }
}

TEST(ConstsTest, DefaultMutationWeightsSwitchOffThreeMethods) {
  EXPECT_EQ(std::accumulate(DefaultMutationWeights.begin(), DefaultMutationWeights.end(), 0), 75);
  EXPECT_EQ(DefaultMutationWeights[mmReplacement], 0);
  EXPECT_EQ(DefaultMutationWeights[mmConstant], 0);
  EXPECT_EQ(DefaultMutationWeights[mmPoint], 0);
  EXPECT_EQ(DefaultMutationWeights[mmSubtree], 25);
}

TEST(ConstsTest, ConstantsAreTheNearestDoubles) {
  EXPECT_EQ(std::bit_cast<std::uint64_t>(CROSSOVER_PROBABILITY), 0x3FEF5C28F5C28F5CULL);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(DEFAULT_DIVERSITY_LIMIT), 0x3F947AE147AE147BULL);
}

TEST(ConstsTest, FitnessMethodGroupings) {
  EXPECT_TRUE(IsMinimizing(fmWeightedMinimize));
  EXPECT_FALSE(IsMinimizing(fmMaximize));
  EXPECT_TRUE(IsMaximizing(fmWeightedMaximize));
  EXPECT_TRUE(IsWeighted(fmWeightedMinimize));
  EXPECT_FALSE(IsWeighted(fmMinimize));
}

TEST(ConstsTest, SetsUseOneBitPerOrdinal) {
  TGAGeneticOperations ops{goCrossover, goInvert};
  EXPECT_EQ(ops.Bits(), 0b101);
  ops.Exclude(goCrossover);
  ops.Include(goMutate);
  EXPECT_EQ(ops, (TGAGeneticOperations{goMutate, goInvert}));
  EXPECT_TRUE(TGAGeneticOperations{}.Empty());
}

TEST(ConstsTest, GPExceptionsAreCaughtAsGAExceptions) {
  try {
    throw EGPException(SNodeFull.Text);
  } catch (const EGAException& e) {
    EXPECT_STREQ(e.what(), "Node cannot accept anymore children");
  }
  EXPECT_THROW(throw EGAException("x"), EKXException);
}

TEST(ConstsTest, MessagesFormatPrintfStyle) {
  EXPECT_EQ(FormatMessage(SValueNotEnumeration, {"Steel"}),
            "\"Steel\" is not a valid enumerated value");
  EXPECT_EQ(FormatMessage(SInvalidNumInstructionArgs, {3, "Add"}),
            "Invalid number of arguments (3) for \"Add\" instruction");
  EXPECT_EQ(FormatMessage(SInvalidInstructionIndex, {-7}),
            "-7 is an invalid instruction set encoding");
  EXPECT_EQ(FormatMessage("100%%"), "100%");
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {}), EConvertError);
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {4}), EConvertError);
  EXPECT_EQ(SNoInstructionsFound.Id, 65534);
  EXPECT_STREQ(SInvalidTerminalNode.Text,
               "Invalid terminal node.  Node requires greater than 0 children");
}

}  // namespace
}  // namespace kx
