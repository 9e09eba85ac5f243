#pragma once

#include <cstdint>
#include <string_view>

namespace kx {

/// Why a multi-generation run (Evolve(Generations), ParallelEvolve(Generations)) returned.
/// The names StopReasonName gives are the text applications print:
///   srGenerations     "generations"       the requested number of generations was evolved
///   srFitnessCutoff   "cutoff"            the fitness cutoff was reached (UseFitnessCutoff)
///   srDiversity       "diversity"         the diversity fell below DiversityLimit
///   srGenerationLimit "generation limit"  Generation reached GenerationLimit
///   srFinished        "finished"          an overridden IsFinished ended the run otherwise
///   srHalted          "halted"            the application set Halt
///   srStall           "stall"             the best fitness did not improve for too long
///   srTimeLimit       "time limit"        the run's wall-clock time ran out
///   srEvaluations     "evaluations"       the fitness-evaluation budget was used up
///   srCancelled       "cancelled"         Cancel was called (from any thread)
///   srNone            "none"              no run has returned yet
enum TKXStopReason : std::uint8_t {
  srNone,
  srGenerations,
  srFitnessCutoff,
  srDiversity,
  srGenerationLimit,
  srFinished,
  srHalted,
  srStall,
  srTimeLimit,
  srEvaluations,
  srCancelled
};

std::string_view StopReasonName(TKXStopReason Reason) noexcept;

/// Stopping rules beyond the component's own termination test, all off (0) by default. They
/// are tested between generations, after the termination test and Halt, so a run ends after
/// the generation in which a rule came to hold.
class TKXStopRules {
 public:
  /// Stop once the best fitness ever seen has not improved for this many generations.
  std::int32_t StallGenerations() const noexcept { return FStallGenerations; }
  /// A negative count stores 0 (off).
  void SetStallGenerations(std::int32_t Value) noexcept;
  /// Stop once a run (one Evolve(Generations) call) has taken this many seconds of wall-clock
  /// time; each call starts its own clock, so a resumed run gets the whole limit again.
  double TimeLimit() const noexcept { return FTimeLimit; }
  /// A negative or non-finite limit stores 0 (off).
  void SetTimeLimit(double Seconds) noexcept;
  /// Stop once the fitness handler has been called this many times since initialization
  /// (the count a checkpoint carries over into a resumed run).
  std::int64_t MaxEvaluations() const noexcept { return FMaxEvaluations; }
  /// A negative budget stores 0 (off).
  void SetMaxEvaluations(std::int64_t Value) noexcept;

 private:
  std::int32_t FStallGenerations = 0;
  double FTimeLimit = 0;
  std::int64_t FMaxEvaluations = 0;
};

}  // namespace kx
