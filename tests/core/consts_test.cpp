#include <kx/core/consts.hpp>
#include <numeric>

#include "core/core_test_support.hpp"

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

TEST(ConstsTest, NamesAreExactAndOnlyTheLenientLookupIgnoresCase) {
  EXPECT_EQ(EnumName(bsCovariantDepthParsimonyPressure), "bsCovariantDepthParsimonyPressure");
  for (const char* name : {"fmMaximise", "", "FMMAXIMIZE", " fmMaximize"}) {
    EXPECT_FALSE(EnumFromName<TGAFitnessMethod>(name).has_value()) << name;
  }
  EXPECT_EQ(EnumFromNameIgnoreCase<TGAFitnessMethod>("FMMAXIMIZE"), fmMaximize);
}

TEST(ConstsTest, SetsUseOneBitPerOrdinal) {
  EXPECT_EQ(FinishedStates.Bits(), 0x03E0);  // the five last execution states
  TGAGeneticOperations ops{goCrossover, goInvert};
  EXPECT_EQ(ops.Bits(), 0b101);
  ops.Exclude(goCrossover);
  ops.Include(goMutate);
  EXPECT_EQ(ops, (TGAGeneticOperations{goMutate, goInvert}));
  EXPECT_TRUE(TGAGeneticOperations{}.Empty());
}

TEST(ConstsTest, OnlyThreeMutationsAreWeightedByDefault) {
  EXPECT_EQ(std::accumulate(DefaultMutationWeights.begin(), DefaultMutationWeights.end(), 0), 75);
  for (TGPMutationMethod off : {mmReplacement, mmConstant, mmPoint}) {
    EXPECT_EQ(DefaultMutationWeights[off], 0) << EnumName(off);
  }
}

TEST(ConstsTest, MessagesFormatPrintfStyleAndRaiseAsGAExceptions) {
  // The texts themselves are pinned where they are raised.
  EXPECT_EQ(FormatMessage(SInvalidNumInstructionArgs, {-3, "Add"}),
            "Invalid number of arguments (-3) for \"Add\" instruction");
  EXPECT_EQ(FormatMessage(SInvalidInstructionIndex, {-7}),
            "-7 is an invalid instruction set encoding");
  EXPECT_EQ(FormatMessage("100%%"), "100%");
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {}), EConvertError);
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {4}), EConvertError);
  EXPECT_EQ(SNoInstructionsFound.Id, 65534);
  EXPECT_THROW(throw EGPException(SNodeFull.Text), EGAException);
  EXPECT_THROW(throw EGAException("x"), EKXException);
}

}  // namespace
}  // namespace kx
