#include "run_monitor.hpp"

#include <cstdio>
#include <ostream>

#include "csv_table.hpp"

namespace kxsr {

TRunMonitor::TRunMonitor(double TimeLimit, std::ostream* ProgressStream, const std::string& LogFile)
    : FStart(std::chrono::steady_clock::now()), FTimeLimit(TimeLimit), FProgress(ProgressStream) {
  if (LogFile.empty()) return;
  FLog.open(LogFile);
  if (!FLog) throw TDataError("cannot create " + LogFile);
  FLog << "generation,seconds,best_train_r2,best_size,average_size\n";
}

double TRunMonitor::Elapsed() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
}

bool TRunMonitor::Generation(const TGenerationStatus& Status) {
  const double seconds = Elapsed();
  char line[160];
  if (FProgress != nullptr) {
    std::snprintf(line, sizeof line,
                  "generation %d: best train r2 %.6f, size %d, average size %.1f, %.1f s\n",
                  Status.Generation, Status.BestTrainR2, Status.BestSize, Status.AverageSize,
                  seconds);
    *FProgress << line << std::flush;
  }
  if (FLog.is_open()) {
    std::snprintf(line, sizeof line, "%d,%.3f,%.10g,%d,%.2f\n", Status.Generation, seconds,
                  Status.BestTrainR2, Status.BestSize, Status.AverageSize);
    FLog << line << std::flush;
  }
  return FTimeLimit > 0 && seconds >= FTimeLimit;
}

}  // namespace kxsr
