#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>

#include "kx/core/run_observer.hpp"

namespace kx {

/// Shows a run's progress from its generation reports. On a terminal it keeps one line up to
/// date (generation, best and average fitness, generations per second and the time left to
/// reach the target generation); elsewhere (a file, a pipe) it writes a plain line at most
/// every Interval seconds, so logs stay short. Finish ends the self-updating line.
class TKXProgressDisplay {
 public:
  /// Target is the generation the run is expected to reach (0: unknown, no time left shown).
  TKXProgressDisplay(std::ostream& Stream, bool Terminal, std::int32_t Target,
                     double Interval = 5.0);
  ~TKXProgressDisplay();

  /// Shows Report: rewrites the line on a terminal, otherwise prints a line once Interval
  /// seconds have passed since the last one.
  void Update(const TKXGenerationReport& Report);
  /// Ends the display: a terminal's line is closed, a plain display prints its last report.
  void Finish();
  /// The display as an observer, for SetOnGeneration; it must outlive the component's use.
  TKXGenerationEvent Observer();

  /// True when the C standard stream Fd (1 or 2) is a terminal.
  static bool IsTerminal(int Fd) noexcept;

 private:
  using TClock = std::chrono::steady_clock;

  std::ostream& FStream;
  bool FTerminal;
  std::int32_t FTarget;
  double FInterval;
  bool FStarted = false;
  bool FLineOpen = false;
  std::int32_t FFirstGeneration = 0;
  TClock::time_point FStart;
  TClock::time_point FLastShown;
};

}  // namespace kx
