#pragma once

#include <fstream>
#include <string>

#include "kx/core/run_observer.hpp"

namespace kx {

/// Writes a run log as CSV: a header row, then one row per generation report, flushed as it
/// goes so a log of an interrupted run is complete up to its last generation. Columns:
/// generation,best,average,worst,diversity,evaluations,elapsed_seconds,avg_size,avg_depth
/// (the program columns are empty for representations without programs).
class TKXRunLog {
 public:
  /// Opens FileName; with Append and an existing non-empty file the rows continue it without
  /// a second header (a resumed run). EKXException when the file cannot be opened.
  explicit TKXRunLog(const std::string& FileName, bool Append = false);

  /// Appends one row for Report and flushes it, so a crash loses no finished generation.
  void Write(const TKXGenerationReport& Report);
  /// The log as an observer, for SetOnGeneration; the log must outlive the component's use.
  TKXGenerationEvent Observer();

  /// The header row: the column names, comma-separated, without the line end.
  static const char* const Header;

 private:
  std::ofstream FStream;
};

}  // namespace kx
