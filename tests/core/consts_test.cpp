#include <kx/core/consts.hpp>
#include <numeric>

#include "core/core_test_support.hpp"

namespace kx {
namespace {

// The value names of E in ordinal order, each checked to read back to its value; the ordinal
// after the last has no name.
template <class E>
std::string Names(int Count) {
  std::string names;
  for (int i = 0; i < Count; ++i) {
    const std::string_view name = EnumName(static_cast<E>(i));
    EXPECT_EQ(EnumFromName<E>(name), static_cast<E>(i)) << name;
    names += (i ? " " : "") + std::string(name);
  }
  EXPECT_TRUE(EnumName(static_cast<E>(Count)).empty()) << names;
  return names;
}

TEST(ConstsTest, EveryEnumerationHasItsExactNamesInOrderAndReadsThemBack) {
  EXPECT_EQ(Names<TGeneType>(5), "gtUnknown gtBoolean gtInteger gtFloat gtEnumeration");
  EXPECT_EQ(Names<TGACrossoverMethod>(5),
            "cmGeneBoundary cmBitBoundary cmByteBoundary cmWordBoundary cmLongwordBoundary");
  EXPECT_EQ(Names<TGAFitnessMethod>(4),
            "fmMinimize fmMaximize fmWeightedMinimize fmWeightedMaximize");
  EXPECT_EQ(Names<TGASelectionMethod>(6),
            "smRoulette smRandom smTournament smStochasticTournament smElitist smCustom");
  EXPECT_EQ(Names<TGAGeneticOperation>(3), "goCrossover goMutate goInvert");
  EXPECT_EQ(Names<TExecutionState>(10),
            "esInitializing esInitialized esEncoding esEncoded esExecuting esInvalidOperation "
            "esInvalidState esError esFinishing esFinished");
  EXPECT_EQ(Names<TExecutionLimit>(3), "elNumberOfSteps elNumberOfMilliseconds elNone");
  EXPECT_EQ(Names<TGPGeneticInstruction>(3), "gpVariable gpConstant gpFunction");
  EXPECT_EQ(Names<TGPCrossoverMethod>(1), "cmSubtree");
  EXPECT_EQ(Names<TGPMutationMethod>(6),
            "mmSubtree mmReplacement mmConstant mmShrink mmHoist mmPoint");
  EXPECT_EQ(Names<TGPPointMutationMethod>(2), "pmmPerNode pmmPerTree");
  EXPECT_EQ(Names<TGPBloatStrategy>(18),
            "bsNone bsSizeLimit bsDepthLimit bsTarpeianSize bsTarpeianDepth bsUnfitSize "
            "bsUnfitDepth bsShrinkDepth bsShrinkSize bsHoistDepth bsHoistSize "
            "bsSizeFairCrossover bsDepthFairCrossover bsSizeParsimonyPressure "
            "bsDepthParsimonyPressure bsCovariantSizeParsimonyPressure "
            "bsCovariantDepthParsimonyPressure bsLexicographicParsimonyPressure");
  EXPECT_EQ(Names<TGPInitializationMethod>(6),
            "imFull imGrow imRampedFull imRampedGrow imHalfAndHalf imRampedHalfAndHalf");
  for (const char* name : {"fmMaximise", "", "FMMAXIMIZE", " fmMaximize"}) {
    EXPECT_FALSE(EnumFromName<TGAFitnessMethod>(name).has_value()) << name;
  }
  EXPECT_EQ(EnumFromNameIgnoreCase<TGAFitnessMethod>("FMMAXIMIZE"), fmMaximize);
}

// Sets use bit n for ordinal n; only three mutations are weighted by default.
TEST(ConstsTest, SetsAndDefaultWeights) {
  EXPECT_EQ(FinishedStates.Bits(), 0x03E0);
  EXPECT_EQ((TGAGeneticOperations{goCrossover, goInvert}.Bits()), 0b101);
  EXPECT_EQ(std::accumulate(DefaultMutationWeights.begin(), DefaultMutationWeights.end(), 0), 75);
  for (TGPMutationMethod off : {mmReplacement, mmConstant, mmPoint}) {
    EXPECT_EQ(DefaultMutationWeights[off], 0) << EnumName(off);
  }
}

// The texts themselves are pinned where they are raised.
TEST(ConstsTest, MessagesFormatPrintfStyleAndRaiseAsGAExceptions) {
  EXPECT_EQ(FormatMessage(SInvalidNumInstructionArgs, {-3, "Add"}),
            "Invalid number of arguments (-3) for \"Add\" instruction");
  EXPECT_EQ(FormatMessage(SInvalidInstructionIndex, {-7}),
            "-7 is an invalid instruction set encoding");
  EXPECT_EQ(FormatMessage("100%%"), "100%");
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {}), EConvertError);
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {4}), EConvertError);
  EXPECT_THROW(throw EGPException(SNodeFull.Text), EGAException);
  EXPECT_THROW(throw EGAException("x"), EKXException);
}

}  // namespace
}  // namespace kx
