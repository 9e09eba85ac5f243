#include "kx/core/stop_rules.hpp"

#include <algorithm>
#include <cmath>

namespace kx {

std::string_view StopReasonName(TKXStopReason Reason) noexcept {
  switch (Reason) {
    case srGenerations:
      return "generations";
    case srFitnessCutoff:
      return "cutoff";
    case srDiversity:
      return "diversity";
    case srGenerationLimit:
      return "generation limit";
    case srFinished:
      return "finished";
    case srHalted:
      return "halted";
    case srStall:
      return "stall";
    case srTimeLimit:
      return "time limit";
    case srEvaluations:
      return "evaluations";
    case srCancelled:
      return "cancelled";
    case srNone:
      break;
  }
  return "none";
}

void TKXStopRules::SetStallGenerations(std::int32_t Value) noexcept {
  FStallGenerations = std::max(Value, std::int32_t{0});
}

void TKXStopRules::SetTimeLimit(double Seconds) noexcept {
  FTimeLimit = std::isfinite(Seconds) && Seconds > 0 ? Seconds : 0;
}

void TKXStopRules::SetMaxEvaluations(std::int64_t Value) noexcept {
  FMaxEvaluations = std::max(Value, std::int64_t{0});
}

}  // namespace kx
