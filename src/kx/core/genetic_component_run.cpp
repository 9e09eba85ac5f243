// The optional side of long runs: the stop reason, cancellation, the per-generation report
// and its observer.

#include "kx/core/genetic_component.hpp"
#include "kx/core/run_state.hpp"

namespace kx {

TKXStopReason TKXCustomGeneticComponent::StopReason() const noexcept {
  return FRunState->StopReason();
}

void TKXCustomGeneticComponent::Cancel() noexcept { FRunState->Cancel(); }

TKXStopReason TKXCustomGeneticComponent::FinishedReason() {
  const TKXStopReason reason = TerminationReason();
  return reason == srNone ? srFinished : reason;
}

TKXGenerationReport TKXCustomGeneticComponent::GenerationReport() {
  TKXGenerationReport report;
  report.Generation = FGeneration;
  const bool maximizing = IsMaximizing(FFitnessMethod);
  report.Best = maximizing ? FMaxFitness : FMinFitness;
  report.Worst = maximizing ? FMinFitness : FMaxFitness;
  report.Average = GetAvgFitness();
  report.Diversity = GetDiversity();
  report.Evaluations = FRunState->Evaluations();
  report.ElapsedSeconds = FRunState->ElapsedSeconds();
  DescribeGeneration(report);
  return report;
}

void TKXCustomGeneticComponent::DescribeGeneration(TKXGenerationReport& /*Report*/) {}

void TKXCustomGeneticComponent::DoRunStateRestored() {}

void TKXCustomGeneticComponent::GenerationDone() {
  if (Population()->Count() == 0) return;
  if (FFittestIndividual != nullptr) {
    FRunState->RecordBest(FGeneration, FFittestIndividual->Fitness(), IsMaximizing(FFitnessMethod));
  }
  if (FOnGeneration) FOnGeneration(this, GenerationReport());
}

}  // namespace kx
