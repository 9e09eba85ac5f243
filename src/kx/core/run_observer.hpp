#pragma once

#include <cstdint>
#include <functional>

#include "kx/core/consts.hpp"

namespace kx {

class TKXObject;

/// One generation at a glance, as the OnGeneration observer, progress displays and run logs
/// see it. Fitnesses are raw: Best is the fittest individual's, Worst the other end of the
/// range (under a maximizing method Best is the maximum and Worst the minimum).
struct TKXGenerationReport {
  std::int32_t Generation = 0;  ///< The component's Generation.
  TGAFitness Best = 0;          ///< The fittest individual's raw fitness.
  TGAFitness Average = 0;       ///< The population's average raw fitness.
  TGAFitness Worst = 0;         ///< The other end of the fitness range.
  TGAFitness Diversity = 0;     ///< The component's Diversity.
  /// Fitness-handler calls since initialization.
  std::int64_t Evaluations = 0;
  /// Wall-clock seconds since initialization, earlier sessions of a resumed run included.
  double ElapsedSeconds = 0;
  /// Program components fill these in; HasPrograms tells them from the other kinds.
  bool HasPrograms = false;
  double AvgProgramSize = 0;   ///< Average nodes per program (program components only).
  double AvgProgramDepth = 0;  ///< Average program depth (program components only).
};

/// Fired once per generation: after initialization (generation 0) and after every generation
/// bred, sequential or parallel, on the calling thread, before OnEvolve.
using TKXGenerationEvent =
    std::function<void(TKXObject* Sender, const TKXGenerationReport& Report)>;

}  // namespace kx
