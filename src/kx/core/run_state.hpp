#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "kx/core/consts.hpp"
#include "kx/core/stop_rules.hpp"

namespace kx {

/// What a run carries from generation to generation beyond the component's settings and
/// populations: the number of fitness evaluations, the best fitness seen so far and when it
/// was reached (the stall rule's memory), the run's elapsed time, and the cancel request and
/// stop reason of the multi-generation calls. Initialization restarts it; a checkpoint saves
/// it and loading one restores it.
///
/// Evaluations are counted from several threads during a parallel generation, and Cancel may
/// come from any thread (a signal handler included: it is one lock-free store); everything
/// else belongs to the thread running the component.
class TKXRunState {
 public:
  TKXRunState() noexcept { Restart(); }
  TKXRunState(const TKXRunState&) = delete;
  TKXRunState& operator=(const TKXRunState&) = delete;

  /// A new run: no evaluations, no best fitness, the clock at 0.
  void Restart() noexcept;

  /// Fitness-handler calls since Restart (CountEvaluation counts one).
  std::int64_t Evaluations() const noexcept { return FEvaluations.load(std::memory_order_relaxed); }
  /// @copydoc Evaluations
  void CountEvaluation() noexcept { FEvaluations.fetch_add(1, std::memory_order_relaxed); }

  /// The best raw fitness seen so far and the generation that first reached it; HasBest is
  /// false until a generation was recorded.
  bool HasBest() const noexcept { return FHasBest; }
  /// @copydoc HasBest
  TGAFitness BestFitness() const noexcept { return FBestFitness; }
  /// @copydoc HasBest
  std::int32_t BestGeneration() const noexcept { return FBestGeneration; }
  /// Records the best fitness of a generation; only a strict improvement (in the direction of
  /// the fitness method) moves BestGeneration. A NaN never improves.
  void RecordBest(std::int32_t Generation, TGAFitness Fitness, bool Maximizing) noexcept;
  /// Generations since the best fitness last improved, as of Generation.
  std::int32_t StalledGenerations(std::int32_t Generation) const noexcept {
    return FHasBest ? Generation - FBestGeneration : 0;
  }

  /// Wall-clock seconds since Restart, plus what a restored run had used before.
  double ElapsedSeconds() const noexcept;

  /// Brings back a saved run's counters; the clock goes on from ElapsedSeconds.
  void Restore(std::int64_t Evaluations, bool HasBest, TGAFitness BestFitness,
               std::int32_t BestGeneration, double ElapsedSeconds) noexcept;

  /// Asks the running (or the next) multi-generation call to stop after its current
  /// generation. Safe from any thread.
  void Cancel() noexcept { FCancel.store(true, std::memory_order_relaxed); }
  /// Whether Cancel was called and no run has consumed it yet.
  bool CancelPending() const noexcept { return FCancel.load(std::memory_order_relaxed); }
  /// Clears a pending request and says whether there was one: a run that stops on it
  /// consumes it, so the next run starts normally.
  bool TakeCancel() noexcept { return FCancel.exchange(false, std::memory_order_relaxed); }

  /// The clock of one multi-generation call, which the time limit reads.
  void BeginSession() noexcept { FSessionStart = TClock::now(); }
  /// Wall-clock seconds since BeginSession.
  double SessionSeconds() const noexcept;

  /// The rule among Rules (and the cancel request) that holds now, or srNone.
  TKXStopReason Check(const TKXStopRules& Rules, std::int32_t Generation) noexcept;

  /// Why the last multi-generation call returned.
  TKXStopReason StopReason() const noexcept { return FStopReason; }
  /// @copydoc StopReason
  void SetStopReason(TKXStopReason Value) noexcept { FStopReason = Value; }

 private:
  using TClock = std::chrono::steady_clock;

  std::atomic<std::int64_t> FEvaluations{0};
  std::atomic<bool> FCancel{false};
  bool FHasBest = false;
  TGAFitness FBestFitness = 0;
  std::int32_t FBestGeneration = 0;
  TClock::time_point FStart;
  TClock::time_point FSessionStart;
  TKXStopReason FStopReason = srNone;
};

}  // namespace kx
