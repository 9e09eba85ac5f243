#include <kx/core/consts.hpp>
#include <numeric>

#include "core/core_test_support.hpp"

namespace kx {
namespace {

// Every value of E has a name that reads back to it; the ordinal after the last has none.
template <class E>
bool RoundTrips(int Count) {
  for (int i = 0; i < Count; ++i) {
    const std::string_view name = EnumName(static_cast<E>(i));
    EXPECT_EQ(EnumFromName<E>(name), static_cast<E>(i)) << name;
  }
  return EnumName(static_cast<E>(Count)).empty();
}

// Names are exact (the texts are pinned where documents and reports write them): only the
// lenient lookup ignores case.
TEST(ConstsTest, EveryEnumerationRoundTripsThroughItsExactNames) {
  EXPECT_TRUE(RoundTrips<TGeneType>(5) && RoundTrips<TGACrossoverMethod>(5) &&
              RoundTrips<TGAFitnessMethod>(4) && RoundTrips<TGASelectionMethod>(6) &&
              RoundTrips<TGAGeneticOperation>(3) && RoundTrips<TExecutionState>(10) &&
              RoundTrips<TExecutionLimit>(3) && RoundTrips<TGPGeneticInstruction>(3) &&
              RoundTrips<TGPCrossoverMethod>(1) && RoundTrips<TGPMutationMethod>(6) &&
              RoundTrips<TGPPointMutationMethod>(2) && RoundTrips<TGPBloatStrategy>(18) &&
              RoundTrips<TGPInitializationMethod>(6));
  for (const char* name : {"fmMaximise", "", "FMMAXIMIZE", " fmMaximize"})
    EXPECT_FALSE(EnumFromName<TGAFitnessMethod>(name).has_value()) << name;
  EXPECT_EQ(EnumFromNameIgnoreCase<TGAFitnessMethod>("FMMAXIMIZE"), fmMaximize);
}

// Sets use bit n for ordinal n; only three mutations are weighted by default.
TEST(ConstsTest, SetsDefaultWeightsAndMessages) {
  EXPECT_EQ(FinishedStates.Bits(), 0x03E0);
  EXPECT_EQ((TGAGeneticOperations{goCrossover, goInvert}.Bits()), 0b101);
  EXPECT_EQ(std::accumulate(DefaultMutationWeights.begin(), DefaultMutationWeights.end(), 0), 75);
  EXPECT_EQ(DefaultMutationWeights[mmReplacement] + DefaultMutationWeights[mmConstant] +
                DefaultMutationWeights[mmPoint],
            0);
  // The texts themselves are pinned where they are raised.
  EXPECT_EQ(FormatMessage(SInvalidInstructionIndex, {-7}),
            "-7 is an invalid instruction set encoding");
  EXPECT_THROW(FormatMessage(SUnknownInstruction, {}), EConvertError);
  EXPECT_THROW(throw EGPException(SNodeFull.Text), EGAException);
  EXPECT_THROW(throw EGAException("x"), EKXException);
}

}  // namespace
}  // namespace kx
