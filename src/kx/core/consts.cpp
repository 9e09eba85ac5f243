#include "kx/core/consts.hpp"

#include <cmath>
#include <span>

#include "kx/host/number_text.hpp"
#include "kx/host/string_list.hpp"

namespace kx {

namespace {

// The value names of each enumeration, in ordinal order.
constexpr std::string_view kTGeneTypeNames[] = {"gtUnknown", "gtBoolean", "gtInteger", "gtFloat",
                                                "gtEnumeration"};
constexpr std::span<const std::string_view> NamesOf(const TGeneType*) noexcept {
  return kTGeneTypeNames;
}
constexpr std::string_view kTGACrossoverMethodNames[] = {
    "cmGeneBoundary", "cmBitBoundary", "cmByteBoundary", "cmWordBoundary", "cmLongwordBoundary"};
constexpr std::span<const std::string_view> NamesOf(const TGACrossoverMethod*) noexcept {
  return kTGACrossoverMethodNames;
}
constexpr std::string_view kTGAFitnessMethodNames[] = {"fmMinimize", "fmMaximize",
                                                       "fmWeightedMinimize", "fmWeightedMaximize"};
constexpr std::span<const std::string_view> NamesOf(const TGAFitnessMethod*) noexcept {
  return kTGAFitnessMethodNames;
}
constexpr std::string_view kTGASelectionMethodNames[] = {
    "smRoulette", "smRandom", "smTournament", "smStochasticTournament", "smElitist", "smCustom"};
constexpr std::span<const std::string_view> NamesOf(const TGASelectionMethod*) noexcept {
  return kTGASelectionMethodNames;
}
constexpr std::string_view kTGAGeneticOperationNames[] = {"goCrossover", "goMutate", "goInvert"};
constexpr std::span<const std::string_view> NamesOf(const TGAGeneticOperation*) noexcept {
  return kTGAGeneticOperationNames;
}
constexpr std::string_view kTExecutionStateNames[] = {
    "esInitializing",     "esInitialized",  "esEncoding", "esEncoded",   "esExecuting",
    "esInvalidOperation", "esInvalidState", "esError",    "esFinishing", "esFinished"};
constexpr std::span<const std::string_view> NamesOf(const TExecutionState*) noexcept {
  return kTExecutionStateNames;
}
constexpr std::string_view kTExecutionLimitNames[] = {"elNumberOfSteps", "elNumberOfMilliseconds",
                                                      "elNone"};
constexpr std::span<const std::string_view> NamesOf(const TExecutionLimit*) noexcept {
  return kTExecutionLimitNames;
}
constexpr std::string_view kTGPGeneticInstructionNames[] = {"gpVariable", "gpConstant",
                                                            "gpFunction"};
constexpr std::span<const std::string_view> NamesOf(const TGPGeneticInstruction*) noexcept {
  return kTGPGeneticInstructionNames;
}
constexpr std::string_view kTGPCrossoverMethodNames[] = {"cmSubtree"};
constexpr std::span<const std::string_view> NamesOf(const TGPCrossoverMethod*) noexcept {
  return kTGPCrossoverMethodNames;
}
constexpr std::string_view kTGPMutationMethodNames[] = {"mmSubtree", "mmReplacement", "mmConstant",
                                                        "mmShrink",  "mmHoist",       "mmPoint"};
constexpr std::span<const std::string_view> NamesOf(const TGPMutationMethod*) noexcept {
  return kTGPMutationMethodNames;
}
constexpr std::string_view kTGPPointMutationMethodNames[] = {"pmmPerNode", "pmmPerTree"};
constexpr std::span<const std::string_view> NamesOf(const TGPPointMutationMethod*) noexcept {
  return kTGPPointMutationMethodNames;
}
constexpr std::string_view kTGPBloatStrategyNames[] = {"bsNone",
                                                       "bsSizeLimit",
                                                       "bsDepthLimit",
                                                       "bsTarpeianSize",
                                                       "bsTarpeianDepth",
                                                       "bsUnfitSize",
                                                       "bsUnfitDepth",
                                                       "bsShrinkDepth",
                                                       "bsShrinkSize",
                                                       "bsHoistDepth",
                                                       "bsHoistSize",
                                                       "bsSizeFairCrossover",
                                                       "bsDepthFairCrossover",
                                                       "bsSizeParsimonyPressure",
                                                       "bsDepthParsimonyPressure",
                                                       "bsCovariantSizeParsimonyPressure",
                                                       "bsCovariantDepthParsimonyPressure",
                                                       "bsLexicographicParsimonyPressure"};
constexpr std::span<const std::string_view> NamesOf(const TGPBloatStrategy*) noexcept {
  return kTGPBloatStrategyNames;
}
constexpr std::string_view kTGPInitializationMethodNames[] = {
    "imFull", "imGrow", "imRampedFull", "imRampedGrow", "imHalfAndHalf", "imRampedHalfAndHalf"};
constexpr std::span<const std::string_view> NamesOf(const TGPInitializationMethod*) noexcept {
  return kTGPInitializationMethodNames;
}

}  // namespace

template <class E>
std::string_view EnumName(E Value) noexcept {
  const std::span<const std::string_view> table = NamesOf(static_cast<const E*>(nullptr));
  const auto ordinal = static_cast<std::size_t>(Value);
  return ordinal < table.size() ? table[ordinal] : std::string_view{};
}

template <class E>
std::optional<E> EnumFromName(std::string_view Name) noexcept {
  const std::span<const std::string_view> table = NamesOf(static_cast<const E*>(nullptr));
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i] == Name) return static_cast<E>(i);
  }
  return std::nullopt;
}

template <class E>
std::optional<E> EnumFromNameIgnoreCase(std::string_view Name) noexcept {
  const std::span<const std::string_view> table = NamesOf(static_cast<const E*>(nullptr));
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (SameText(table[i], Name)) return static_cast<E>(i);
  }
  return std::nullopt;
}

// Every enumeration of the vocabulary converts to and from its value names.
template std::string_view EnumName<TGeneType>(TGeneType) noexcept;
template std::optional<TGeneType> EnumFromName<TGeneType>(std::string_view) noexcept;
template std::optional<TGeneType> EnumFromNameIgnoreCase<TGeneType>(std::string_view) noexcept;
template std::string_view EnumName<TGACrossoverMethod>(TGACrossoverMethod) noexcept;
template std::optional<TGACrossoverMethod> EnumFromName<TGACrossoverMethod>(
    std::string_view) noexcept;
template std::optional<TGACrossoverMethod> EnumFromNameIgnoreCase<TGACrossoverMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGAFitnessMethod>(TGAFitnessMethod) noexcept;
template std::optional<TGAFitnessMethod> EnumFromName<TGAFitnessMethod>(std::string_view) noexcept;
template std::optional<TGAFitnessMethod> EnumFromNameIgnoreCase<TGAFitnessMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGASelectionMethod>(TGASelectionMethod) noexcept;
template std::optional<TGASelectionMethod> EnumFromName<TGASelectionMethod>(
    std::string_view) noexcept;
template std::optional<TGASelectionMethod> EnumFromNameIgnoreCase<TGASelectionMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGAGeneticOperation>(TGAGeneticOperation) noexcept;
template std::optional<TGAGeneticOperation> EnumFromName<TGAGeneticOperation>(
    std::string_view) noexcept;
template std::optional<TGAGeneticOperation> EnumFromNameIgnoreCase<TGAGeneticOperation>(
    std::string_view) noexcept;
template std::string_view EnumName<TExecutionState>(TExecutionState) noexcept;
template std::optional<TExecutionState> EnumFromName<TExecutionState>(std::string_view) noexcept;
template std::optional<TExecutionState> EnumFromNameIgnoreCase<TExecutionState>(
    std::string_view) noexcept;
template std::string_view EnumName<TExecutionLimit>(TExecutionLimit) noexcept;
template std::optional<TExecutionLimit> EnumFromName<TExecutionLimit>(std::string_view) noexcept;
template std::optional<TExecutionLimit> EnumFromNameIgnoreCase<TExecutionLimit>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPGeneticInstruction>(TGPGeneticInstruction) noexcept;
template std::optional<TGPGeneticInstruction> EnumFromName<TGPGeneticInstruction>(
    std::string_view) noexcept;
template std::optional<TGPGeneticInstruction> EnumFromNameIgnoreCase<TGPGeneticInstruction>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPCrossoverMethod>(TGPCrossoverMethod) noexcept;
template std::optional<TGPCrossoverMethod> EnumFromName<TGPCrossoverMethod>(
    std::string_view) noexcept;
template std::optional<TGPCrossoverMethod> EnumFromNameIgnoreCase<TGPCrossoverMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPMutationMethod>(TGPMutationMethod) noexcept;
template std::optional<TGPMutationMethod> EnumFromName<TGPMutationMethod>(
    std::string_view) noexcept;
template std::optional<TGPMutationMethod> EnumFromNameIgnoreCase<TGPMutationMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPPointMutationMethod>(TGPPointMutationMethod) noexcept;
template std::optional<TGPPointMutationMethod> EnumFromName<TGPPointMutationMethod>(
    std::string_view) noexcept;
template std::optional<TGPPointMutationMethod> EnumFromNameIgnoreCase<TGPPointMutationMethod>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPBloatStrategy>(TGPBloatStrategy) noexcept;
template std::optional<TGPBloatStrategy> EnumFromName<TGPBloatStrategy>(std::string_view) noexcept;
template std::optional<TGPBloatStrategy> EnumFromNameIgnoreCase<TGPBloatStrategy>(
    std::string_view) noexcept;
template std::string_view EnumName<TGPInitializationMethod>(TGPInitializationMethod) noexcept;
template std::optional<TGPInitializationMethod> EnumFromName<TGPInitializationMethod>(
    std::string_view) noexcept;
template std::optional<TGPInitializationMethod> EnumFromNameIgnoreCase<TGPInitializationMethod>(
    std::string_view) noexcept;

std::string FormatMessage(std::string_view Text, std::initializer_list<TKXFormatArg> Args) {
  std::string out;
  out.reserve(Text.size() + 16);
  auto next = Args.begin();
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c != '%' || i + 1 >= Text.size()) {
      out += c;
      continue;
    }
    const char spec = Text[++i];
    if (spec == '%') {
      out += '%';
      continue;
    }
    if (spec != 's' && spec != 'd' && spec != 'i') {
      out += '%';
      out += spec;
      continue;
    }
    if (next == Args.end())
      throw EConvertError("Format '" + std::string(Text) +
                          "' invalid or incompatible with argument");
    const bool wantsText = spec == 's';
    if (next->IsText() != wantsText) {
      throw EConvertError("Format '" + std::string(Text) +
                          "' invalid or incompatible with argument");
    }
    if (wantsText) {
      out += next->Text();
    } else {
      out += std::to_string(next->Number());
    }
    ++next;
  }
  return out;
}

void CheckFinite(double Value, std::string_view Name) {
  if (std::isfinite(Value)) return;
  throw EGAException(std::string(Name) + " must be a finite number (" + FloatToStr(Value) + ")");
}

void CheckInRange(std::int64_t Value, std::int64_t Low, std::int64_t High, std::string_view Name) {
  if (Value >= Low && Value <= High) return;
  throw EGAException(std::string(Name) + " " + std::to_string(Value) + " is out of range (" +
                     std::to_string(Low) + " to " + std::to_string(High) + ")");
}

}  // namespace kx
