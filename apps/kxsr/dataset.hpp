#pragma once

#include <span>
#include <string>
#include <vector>

#include "csv_table.hpp"

namespace kxsr {

// Cases for a regression: one column per input variable, named by the CSV header, and the
// target values.
struct TDataset {
  std::vector<std::string> Names;
  std::vector<std::vector<double>> Inputs;
  std::vector<double> Target;

  std::size_t Count() const noexcept { return Target.size(); }
};

struct TSplit {
  TDataset Train;
  TDataset Test;
};

// The target column Target and every other column as inputs; TDataError when Target is
// absent or is the only column.
TDataset SelectTarget(const TCsvTable& Table, const std::string& Target);

// Puts round(TestFraction * count) cases, drawn by a shuffle from the library generator
// (so the seed decides), into the test set and the rest, in their file order, into the
// training set. At least one case stays for training. TestFraction is clamped to [0, 1).
TSplit SplitCases(const TDataset& Data, double TestFraction);

// Goodness of fit of Predicted against Actual (same length): 1 - SSE / SST, with SST taken
// around Actual's mean; a constant Actual gives 1 for a perfect fit and 0 otherwise.
// Non-finite predictions give -infinity.
double RSquared(std::span<const double> Actual, std::span<const double> Predicted);
double RootMeanSquaredError(std::span<const double> Actual, std::span<const double> Predicted);
// The sample variance of Values around their mean (divisor N), 0 for fewer than 2.
double Variance(std::span<const double> Values);

}  // namespace kxsr
