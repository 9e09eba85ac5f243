#include "kx/core/progress_display.hpp"

#include <unistd.h>

#include <cstdio>
#include <ostream>
#include <string>

namespace kx {

namespace {

std::string Duration(double Seconds) {
  const auto total = static_cast<long long>(Seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, total / 60 % 60, total % 60);
  return text;
}

}  // namespace

TKXProgressDisplay::TKXProgressDisplay(std::ostream& Stream, bool Terminal, std::int32_t Target,
                                       double Interval)
    : FStream(Stream), FTerminal(Terminal), FTarget(Target), FInterval(Interval) {}

TKXProgressDisplay::~TKXProgressDisplay() { Finish(); }

bool TKXProgressDisplay::IsTerminal(int Fd) noexcept { return ::isatty(Fd) == 1; }

void TKXProgressDisplay::Update(const TKXGenerationReport& Report) {
  const TClock::time_point now = TClock::now();
  if (!FStarted) {
    FStarted = true;
    FStart = FLastShown = now;
    FFirstGeneration = Report.Generation;
  }
  const double seconds = std::chrono::duration<double>(now - FStart).count();
  const std::int32_t done = Report.Generation - FFirstGeneration;
  const double rate = seconds > 0 ? done / seconds : 0;
  if (!FTerminal && done > 0 && std::chrono::duration<double>(now - FLastShown).count() < FInterval)
    return;
  FLastShown = now;
  char line[160];
  std::snprintf(line, sizeof line, "generation %d  best %.6g  average %.6g  %.1f gen/s",
                Report.Generation, Report.Best, Report.Average, rate);
  std::string text = line;
  if (FTarget > Report.Generation && rate > 0)
    text += "  left " + Duration((FTarget - Report.Generation) / rate);
  if (FTerminal) {
    // Carriage return and erase-to-end keep the single line in place.
    FStream << '\r' << text << "\x1b[K" << std::flush;
    FLineOpen = true;
  } else {
    FStream << text << '\n' << std::flush;
  }
}

void TKXProgressDisplay::Finish() {
  if (!FLineOpen) return;
  FStream << '\n' << std::flush;
  FLineOpen = false;
}

TKXGenerationEvent TKXProgressDisplay::Observer() {
  return [this](TKXObject*, const TKXGenerationReport& Report) { Update(Report); };
}

}  // namespace kx
