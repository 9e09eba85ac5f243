#include "kx/core/run_state.hpp"

#include <algorithm>
#include <cmath>

namespace kx {

namespace {

double SecondsSince(std::chrono::steady_clock::time_point Start) noexcept {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

}  // namespace

void TKXRunState::Restart() noexcept {
  FEvaluations.store(0, std::memory_order_relaxed);
  FHasBest = false;
  FBestFitness = 0;
  FBestGeneration = 0;
  FStart = FSessionStart = TClock::now();
}

void TKXRunState::RecordBest(std::int32_t Generation, TGAFitness Fitness,
                             bool Maximizing) noexcept {
  if (std::isnan(Fitness)) return;
  const bool improved = !FHasBest || (Maximizing ? Fitness > FBestFitness : Fitness < FBestFitness);
  if (!improved) return;
  FHasBest = true;
  FBestFitness = Fitness;
  FBestGeneration = Generation;
}

double TKXRunState::ElapsedSeconds() const noexcept { return SecondsSince(FStart); }

double TKXRunState::SessionSeconds() const noexcept { return SecondsSince(FSessionStart); }

void TKXRunState::Restore(std::int64_t Evaluations, bool HasBest, TGAFitness BestFitness,
                          std::int32_t BestGeneration, double ElapsedSeconds) noexcept {
  FEvaluations.store(Evaluations, std::memory_order_relaxed);
  FHasBest = HasBest;
  FBestFitness = BestFitness;
  FBestGeneration = BestGeneration;
  // Bounded so that the clock arithmetic cannot overflow, whatever a document says.
  constexpr double kMaxSeconds = 1e9;
  const double elapsed = std::isfinite(ElapsedSeconds) && ElapsedSeconds > 0
                             ? std::min(ElapsedSeconds, kMaxSeconds)
                             : 0;
  FStart = TClock::now() -
           std::chrono::duration_cast<TClock::duration>(std::chrono::duration<double>(elapsed));
}

TKXStopReason TKXRunState::Check(const TKXStopRules& Rules, std::int32_t Generation) noexcept {
  if (TakeCancel()) return srCancelled;
  if (Rules.MaxEvaluations() > 0 && Evaluations() >= Rules.MaxEvaluations()) return srEvaluations;
  if (Rules.StallGenerations() > 0 && StalledGenerations(Generation) >= Rules.StallGenerations())
    return srStall;
  if (Rules.TimeLimit() > 0 && SessionSeconds() >= Rules.TimeLimit()) return srTimeLimit;
  return srNone;
}

}  // namespace kx
