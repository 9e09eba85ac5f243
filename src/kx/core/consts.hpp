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

/// The floating-point type of gene values and program values.
using TGAFloat = double;
/// The type of fitness values.
using TGAFitness = double;
/// The type of probabilities and fractions (0 to 1).
using TGAProbability = double;

/// One fitness per individual.
using TGAFitnessArray = std::vector<TGAFitness>;
/// A list of probabilities, for example one per gene.
using TGAProbabilityArray = std::vector<TGAProbability>;
/// Rows of probabilities.
using TGAProbabilityTable = std::vector<TGAProbabilityArray>;
/// A list of 32-bit integers.
using TIntegerArray = std::vector<std::int32_t>;

/// The value type a gene encodes (gtUnknown for a gene of no known type).
enum TGeneType : std::uint8_t { gtUnknown, gtBoolean, gtInteger, gtFloat, gtEnumeration };

/// Where genetic-algorithm crossover may cut the chromosomes: at gene boundaries or at any
/// bit, byte, 16-bit word or 32-bit longword boundary.
enum TGACrossoverMethod : std::uint8_t {
  cmGeneBoundary,
  cmBitBoundary,
  cmByteBoundary,
  cmWordBoundary,
  cmLongwordBoundary
};

/// Whether smaller or larger fitness is better, and whether selection compares the raw or
/// the weighted fitness.
enum TGAFitnessMethod : std::uint8_t {
  fmMinimize,
  fmMaximize,
  fmWeightedMinimize,
  fmWeightedMaximize
};

/// How parents are chosen; smCustom leaves the choice to an application handler.
enum TGASelectionMethod : std::uint8_t {
  smRoulette,
  smRandom,
  smTournament,
  smStochasticTournament,
  smElitist,
  smCustom
};

/// The operators reproduction may apply to a child.
enum TGAGeneticOperation : std::uint8_t { goCrossover, goMutate, goInvert };

/// The states an executor passes through while it runs a program, including its failure
/// states.
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

/// What bounds an executor's run: a number of steps, a time in milliseconds, or nothing.
enum TExecutionLimit : std::uint8_t { elNumberOfSteps, elNumberOfMilliseconds, elNone };

/// The kinds of program instructions: variables and constants are terminals, functions take
/// arguments.
enum TGPGeneticInstruction : std::uint8_t { gpVariable, gpConstant, gpFunction };

/// How programs exchange genetic material (subtree exchange).
enum TGPCrossoverMethod : std::uint8_t { cmSubtree };

/// The program mutation methods: regrow a subtree, replace a node by a similar one, change a
/// constant, shrink a subtree to a terminal, hoist a subtree to the root, and point mutation.
enum TGPMutationMethod : std::uint8_t {
  mmSubtree,
  mmReplacement,
  mmConstant,
  mmShrink,
  mmHoist,
  mmPoint
};

/// Whether point mutation tests each node or the whole tree.
enum TGPPointMutationMethod : std::uint8_t { pmmPerNode, pmmPerTree };

/// How program growth is kept in check: size or depth limits, Tarpeian culling, unfit
/// marking, shrinking or hoisting oversized children, size- or depth-fair crossover, and
/// (covariant, lexicographic) parsimony pressure.
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

/// How initial trees are built: full or grown to the initialization depth, their ramped
/// forms over increasing depths, and the half-and-half mixes.
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
  /// The set of Values.
  constexpr TKXSet(std::initializer_list<E> Values) noexcept {
    for (E v : Values) FMask = static_cast<Mask>(FMask | Bit(v));
  }
  /// The set whose bits are Value.
  static constexpr TKXSet FromMask(Mask Value) noexcept {
    TKXSet s;
    s.FMask = Value;
    return s;
  }

  /// True when Value is in the set.
  constexpr bool Contains(E Value) const noexcept { return (FMask & Bit(Value)) != 0; }
  /// Adds Value to the set.
  constexpr void Include(E Value) noexcept { FMask = static_cast<Mask>(FMask | Bit(Value)); }
  /// Removes Value from the set.
  constexpr void Exclude(E Value) noexcept { FMask = static_cast<Mask>(FMask & ~Bit(Value)); }
  /// True when the set holds no value.
  constexpr bool Empty() const noexcept { return FMask == 0; }
  /// The bit mask (bit n = ordinal n).
  constexpr Mask Bits() const noexcept { return FMask; }
  /// Sets are equal when they hold the same values.
  friend constexpr bool operator==(TKXSet A, TKXSet B) noexcept { return A.FMask == B.FMask; }

 private:
  static constexpr Mask Bit(E Value) noexcept { return static_cast<Mask>(Mask{1} << Value); }
  Mask FMask = 0;
};

/// The operators applied by reproduction.
using TGAGeneticOperations = TKXSet<TGAGeneticOperation, std::uint8_t>;
/// A set of executor states.
using TExecutionStates = TKXSet<TExecutionState, std::uint16_t>;
/// A set of instruction kinds.
using TGPGeneticInstructions = TKXSet<TGPGeneticInstruction, std::uint8_t>;

/// Relative weights of the six program mutation methods, indexed by TGPMutationMethod.
using TGPMutationMethodWeights = std::array<std::uint8_t, 6>;

/// The three groupings of fitness methods that every branch on the method uses.
constexpr bool IsMinimizing(TGAFitnessMethod Method) noexcept {
  return Method == fmMinimize || Method == fmWeightedMinimize;
}
/// True for the maximizing methods.
constexpr bool IsMaximizing(TGAFitnessMethod Method) noexcept {
  return Method == fmMaximize || Method == fmWeightedMaximize;
}
/// True for the weighted methods.
constexpr bool IsWeighted(TGAFitnessMethod Method) noexcept {
  return Method == fmWeightedMinimize || Method == fmWeightedMaximize;
}

///@{
/// The defaults of the component settings of the same names (crossover probability of
/// genetic algorithms and of genetic programming, elitist fraction, fitness cutoff,
/// diversity limit, mutation and inversion probabilities, nonterminal selection bias,
/// parsimony coefficient, Tarpeian probability, adaptation sample size).
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
///@}

///@{
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
///@}

/// The states in which an executor has stopped running.
inline constexpr TExecutionStates FinishedStates{esInvalidOperation, esInvalidState, esError,
                                                 esFinishing, esFinished};

/// The default mutation weights: subtree, shrink and hoist mutation at 25 each.
inline constexpr TGPMutationMethodWeights DefaultMutationWeights{25, 0, 0, 25, 25, 0};

/// Raised by the evolution core and the genetic algorithm.
class EGAException : public EKXException {
 public:
  /// The message-carrying constructors of the base exception.
  using EKXException::EKXException;
};

/// Raised by the program-tree and genetic-programming modules.
class EGPException : public EGAException {
 public:
  using EGAException::EGAException;
};

/// A message of the library: its string-table id and its text.
struct TKXMessage {
  /// The string-table id.
  std::uint16_t Id;
  /// The text, possibly with printf-style placeholders for FormatMessage.
  const char* Text;
  /// The text.
  constexpr operator std::string_view() const noexcept { return Text; }
};

///@{
/// The library's messages, raised with these exact texts.
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
///@}

/// One argument of FormatMessage: a string (%s) or a whole number (%d, %i).
class TKXFormatArg {
 public:
  ///@{
  /// A text argument (not copied: the text must outlive the formatting).
  TKXFormatArg(std::string_view Value) : FText(Value), FIsText(true) {}
  TKXFormatArg(const std::string& Value) : FText(Value), FIsText(true) {}
  TKXFormatArg(const char* Value) : FText(Value), FIsText(true) {}
  ///@}
  ///@{
  /// A whole-number argument.
  TKXFormatArg(std::int64_t Value) noexcept : FNumber(Value) {}
  TKXFormatArg(std::int32_t Value) noexcept : FNumber(Value) {}
  ///@}

  /// True for a text argument.
  bool IsText() const noexcept { return FIsText; }
  /// The text of a text argument.
  std::string_view Text() const noexcept { return FText; }
  /// The number of a whole-number argument.
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
/// The value whose name is exactly Name, or std::nullopt when Name names none.
template <class E>
std::optional<E> EnumFromName(std::string_view Name) noexcept;
/// As EnumFromName, comparing names without regard to letter case.
template <class E>
std::optional<E> EnumFromNameIgnoreCase(std::string_view Name) noexcept;

}  // namespace kx
