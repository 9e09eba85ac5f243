#pragma once

/// @file
/// The vocabulary every module shares: numeric aliases, array types, enumerations and sets,
/// default constants, the exception classes and the message table.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kx/host/exceptions.hpp"

namespace kx {

using TGAFloat = double;
using TGAFitness = double;
using TGAProbability = double;

using TGAFitnessArray = std::vector<TGAFitness>;
using TGAProbabilityArray = std::vector<TGAProbability>;
using TGAProbabilityTable = std::vector<TGAProbabilityArray>;
using TIntegerArray = std::vector<std::int32_t>;

enum TGeneType : std::uint8_t { gtUnknown, gtBoolean, gtInteger, gtFloat, gtEnumeration };

enum TGACrossoverMethod : std::uint8_t {
  cmGeneBoundary,
  cmBitBoundary,
  cmByteBoundary,
  cmWordBoundary,
  cmLongwordBoundary
};

enum TGAFitnessMethod : std::uint8_t {
  fmMinimize,
  fmMaximize,
  fmWeightedMinimize,
  fmWeightedMaximize
};

enum TGASelectionMethod : std::uint8_t {
  smRoulette,
  smRandom,
  smTournament,
  smStochasticTournament,
  smElitist,
  smCustom
};

enum TGAGeneticOperation : std::uint8_t { goCrossover, goMutate, goInvert };

enum TExecutionState : std::uint8_t {
  esInitializing,
  esInitialized,
  esEncoding,
  esEncoded,
  esExecuting,
  esInvalidOperation,
  esInvalidState,
  esError,
  esFinishing,
  esFinished
};

enum TExecutionLimit : std::uint8_t { elNumberOfSteps, elNumberOfMilliseconds, elNone };

enum TGPGeneticInstruction : std::uint8_t { gpVariable, gpConstant, gpFunction };

enum TGPCrossoverMethod : std::uint8_t { cmSubtree };

enum TGPMutationMethod : std::uint8_t {
  mmSubtree,
  mmReplacement,
  mmConstant,
  mmShrink,
  mmHoist,
  mmPoint
};

enum TGPPointMutationMethod : std::uint8_t { pmmPerNode, pmmPerTree };

enum TGPBloatStrategy : std::uint8_t {
  bsNone,
  bsSizeLimit,
  bsDepthLimit,
  bsTarpeianSize,
  bsTarpeianDepth,
  bsUnfitSize,
  bsUnfitDepth,
  bsShrinkDepth,
  bsShrinkSize,
  bsHoistDepth,
  bsHoistSize,
  bsSizeFairCrossover,
  bsDepthFairCrossover,
  bsSizeParsimonyPressure,
  bsDepthParsimonyPressure,
  bsCovariantSizeParsimonyPressure,
  bsCovariantDepthParsimonyPressure,
  bsLexicographicParsimonyPressure
};

enum TGPInitializationMethod : std::uint8_t {
  imFull,
  imGrow,
  imRampedFull,
  imRampedGrow,
  imHalfAndHalf,
  imRampedHalfAndHalf
};

/// A set of enumeration values stored as a bit mask (bit n = ordinal n), as the sets of
/// the documents and reports are.
template <class E, class Mask>
class TKXSet {
 public:
  constexpr TKXSet() noexcept = default;
  constexpr TKXSet(std::initializer_list<E> Values) noexcept {
    for (E v : Values) FMask = static_cast<Mask>(FMask | Bit(v));
  }
  static constexpr TKXSet FromMask(Mask Value) noexcept {
    TKXSet s;
    s.FMask = Value;
    return s;
  }

  constexpr bool Contains(E Value) const noexcept { return (FMask & Bit(Value)) != 0; }
  constexpr void Include(E Value) noexcept { FMask = static_cast<Mask>(FMask | Bit(Value)); }
  constexpr void Exclude(E Value) noexcept { FMask = static_cast<Mask>(FMask & ~Bit(Value)); }
  constexpr bool Empty() const noexcept { return FMask == 0; }
  constexpr Mask Bits() const noexcept { return FMask; }
  friend constexpr bool operator==(TKXSet A, TKXSet B) noexcept { return A.FMask == B.FMask; }

 private:
  static constexpr Mask Bit(E Value) noexcept { return static_cast<Mask>(Mask{1} << Value); }
  Mask FMask = 0;
};

using TGAGeneticOperations = TKXSet<TGAGeneticOperation, std::uint8_t>;
using TExecutionStates = TKXSet<TExecutionState, std::uint16_t>;
using TGPGeneticInstructions = TKXSet<TGPGeneticInstruction, std::uint8_t>;

/// Relative weights of the six program mutation methods, indexed by TGPMutationMethod.
using TGPMutationMethodWeights = std::array<std::uint8_t, 6>;

/// The three groupings of fitness methods that every branch on the method uses.
constexpr bool IsMinimizing(TGAFitnessMethod Method) noexcept {
  return Method == fmMinimize || Method == fmWeightedMinimize;
}
constexpr bool IsMaximizing(TGAFitnessMethod Method) noexcept {
  return Method == fmMaximize || Method == fmWeightedMaximize;
}
constexpr bool IsWeighted(TGAFitnessMethod Method) noexcept {
  return Method == fmWeightedMinimize || Method == fmWeightedMaximize;
}

inline constexpr TGAProbability CROSSOVER_PROBABILITY = 0.98;
inline constexpr TGAProbability GP_CROSSOVER_PROBABILITY = 0.9;
inline constexpr TGAProbability DEFAULT_ELITIST_PCT = 0.1;
inline constexpr TGAFitness DEFAULT_FITNESS_CUTOFF = 1.0;
inline constexpr TGAProbability DEFAULT_DIVERSITY_LIMIT = 0.02;
inline constexpr TGAProbability MUTATION_PROBABILITY = 0.01;
inline constexpr TGAProbability INVERSION_PROBABILITY = 0.1;
inline constexpr TGAProbability NONTERMINALS_SELECTION_PROBABILITY = 0.9;
inline constexpr TGAFloat DEFAULT_PARSIMONY_COEFFICIENT = 1.0;
inline constexpr TGAFloat DEFAULT_TARPEIAN_PROBABILITY = 0.3;
inline constexpr TGAProbability DEFAULT_ADAPTION_SAMPLE_SIZE = 0.25;

/// Upper bounds of the core's count settings, which drive the work of every generation
/// (their setters clamp to these, as they clamp to their lower bounds):
/// - a tournament draws TournamentField entrants per parent, so a generation costs
///   population x TournamentField comparisons; with replacement, fields beyond a few
///   hundred entrants already pick the best individual almost surely;
/// - InitialPopulation individuals are created by every initialization and bred in both
///   generations: a million is far beyond practical runs, and still fits in memory;
/// - InitialDuplicatesRetries is one budget of re-draws for a whole initialization; beyond a
///   million re-draws it only spins on a chromosome too narrow to hold distinct individuals.
inline constexpr std::int32_t MAX_TOURNAMENT_FIELD = 1024;
inline constexpr std::int32_t MAX_INITIAL_POPULATION = 1 << 20;
inline constexpr std::int32_t MAX_INITIAL_DUPLICATES_RETRIES = 1 << 20;

inline constexpr TExecutionStates FinishedStates{esInvalidOperation, esInvalidState, esError,
                                                 esFinishing, esFinished};

inline constexpr TGPMutationMethodWeights DefaultMutationWeights{25, 0, 0, 25, 25, 0};

/// Raised by the evolution core and the genetic algorithm.
class EGAException : public EKXException {
 public:
  using EKXException::EKXException;
};

/// Raised by the program-tree and genetic-programming modules.
class EGPException : public EGAException {
 public:
  using EGAException::EGAException;
};

/// A message of the library: its string-table id and its text.
struct TKXMessage {
  std::uint16_t Id;
  const char* Text;
  constexpr operator std::string_view() const noexcept { return Text; }
};

inline constexpr TKXMessage SNoFitnessFunction{65520, "No fitness function defined"};
inline constexpr TKXMessage SNoSelectionFunction{65521, "No custom selection function defined"};
inline constexpr TKXMessage SNoConstantMutation{65522, "No constant mutation function defined"};
inline constexpr TKXMessage SNoEnumerationFound{65523, "No enumerated value found in chromosome"};
inline constexpr TKXMessage SValueNotEnumeration{65524, "\"%s\" is not a valid enumerated value"};
inline constexpr TKXMessage SInstructionNotUnique{65525, "instruction name must be unique"};
inline constexpr TKXMessage SUnknownInstruction{65526, "Unknown instruction \"%s\""};
inline constexpr TKXMessage SInvalidInstructionIndex{65527,
                                                     "%i is an invalid instruction set encoding"};
inline constexpr TKXMessage SInvalidNumInstructionArgs{
    65528, "Invalid number of arguments (%d) for \"%s\" instruction"};
inline constexpr TKXMessage SMissingVirtualMachine{65529, "Missing Virtual Machine"};
inline constexpr TKXMessage SMissingGeneticProgram{65530, "Missing Genetic Program Engine"};
inline constexpr TKXMessage SInvalidOperationCode{65531, "INVALID OPERATION"};
inline constexpr TKXMessage SNoTerminalsFound{65532, "No terminals found"};
inline constexpr TKXMessage SNoOperationsFound{65533, "No operations found"};
inline constexpr TKXMessage SNoInstructionsFound{65534, "No nodes found"};
inline constexpr TKXMessage SNoInstructionAssigned{65535, "No instruction assigned to node"};
inline constexpr TKXMessage SNodeFull{65504, "Node cannot accept anymore children"};
inline constexpr TKXMessage SInvalidTerminalNode{
    65505, "Invalid terminal node.  Node requires greater than 0 children"};

/// One argument of FormatMessage: a string (%s) or a whole number (%d, %i).
class TKXFormatArg {
 public:
  TKXFormatArg(std::string_view Value) : FText(Value), FIsText(true) {}
  TKXFormatArg(const std::string& Value) : FText(Value), FIsText(true) {}
  TKXFormatArg(const char* Value) : FText(Value), FIsText(true) {}
  TKXFormatArg(std::int64_t Value) noexcept : FNumber(Value) {}
  TKXFormatArg(std::int32_t Value) noexcept : FNumber(Value) {}

  bool IsText() const noexcept { return FIsText; }
  std::string_view Text() const noexcept { return FText; }
  std::int64_t Number() const noexcept { return FNumber; }

 private:
  std::string_view FText;
  std::int64_t FNumber = 0;
  bool FIsText = false;
};

/// Formats Text printf-style: %s takes a string, %d and %i a whole number, %% a percent sign.
/// A placeholder whose argument is missing or of the other kind raises EConvertError.
std::string FormatMessage(std::string_view Text, std::initializer_list<TKXFormatArg> Args = {});

/// Raises EGAException "<Name> must be a finite number (NAN)" unless Value is finite: a NaN
/// or an infinity in a probability, limit or cutoff passes every clamp and comparison and
/// would spread through a whole run.
void CheckFinite(double Value, std::string_view Name);
/// Raises EGAException "<Name> <Value> is out of range (<Low> to <High>)" unless Value lies
/// in [Low, High]; sizes are checked before anything is allocated for them.
void CheckInRange(std::int64_t Value, std::int64_t Low, std::int64_t High, std::string_view Name);

/// Enumeration value names, as documents and reports write them. EnumName gives the name of
/// a value; EnumFromName finds a value by its exact name (std::nullopt when it is not one).
template <class E>
std::string_view EnumName(E Value) noexcept;
template <class E>
std::optional<E> EnumFromName(std::string_view Name) noexcept;
/// As EnumFromName, comparing names without regard to letter case.
template <class E>
std::optional<E> EnumFromNameIgnoreCase(std::string_view Name) noexcept;

}  // namespace kx
