#pragma once

#include <chrono>
#include <fstream>
#include <iosfwd>
#include <string>

namespace kxsr {

// Where a run stands after one generation.
struct TGenerationStatus {
  int Generation = 0;
  double BestTrainR2 = 0;
  int BestSize = 0;
  double AverageSize = 0;
};

// The run's clock and its per-generation outputs: the time limit, the progress lines and
// the CSV log. Kept apart from the search so that a library-level stopping rule or progress
// display can take its place without touching the search.
class TRunMonitor {
 public:
  // TimeLimit in seconds (0: none). Progress lines go to ProgressStream when not null; a
  // non-empty LogFile receives one CSV row per generation (TDataError when it cannot be
  // created).
  TRunMonitor(double TimeLimit, std::ostream* ProgressStream, const std::string& LogFile);

  // Records a generation; true when the run must stop (the time limit is reached).
  bool Generation(const TGenerationStatus& Status);
  // Seconds since construction.
  double Elapsed() const;

 private:
  std::chrono::steady_clock::time_point FStart;
  double FTimeLimit;
  std::ostream* FProgress;
  std::ofstream FLog;
};

}  // namespace kxsr
