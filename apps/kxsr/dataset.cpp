#include "dataset.hpp"

#include <algorithm>
#include <cmath>
#include <kx/kxevo.hpp>
#include <limits>
#include <numeric>

namespace kxsr {

TDataset SelectTarget(const TCsvTable& Table, const std::string& Target) {
  const int target = Table.IndexOf(Target);
  if (target < 0) {
    std::string names;
    for (const auto& name : Table.Names()) names += (names.empty() ? "" : ", ") + name;
    throw TDataError(Table.Source() + ": no column \"" + Target + "\" (columns: " + names + ")");
  }
  if (Table.Names().size() < 2) {
    throw TDataError(Table.Source() + ": no input columns besides the target \"" + Target + "\"");
  }
  TDataset data;
  for (std::size_t c = 0; c < Table.Names().size(); ++c) {
    if (static_cast<int>(c) == target) continue;
    data.Names.push_back(Table.Names()[c]);
    data.Inputs.push_back(Table.Column(c));
  }
  data.Target = Table.Column(static_cast<std::size_t>(target));
  return data;
}

TSplit SplitCases(const TDataset& Data, double TestFraction) {
  const std::size_t count = Data.Count();
  TestFraction = std::clamp(std::isnan(TestFraction) ? 0.0 : TestFraction, 0.0, 1.0);
  std::size_t testCount = static_cast<std::size_t>(std::llround(TestFraction * count));
  testCount = std::min(testCount, count == 0 ? 0 : count - 1);

  std::vector<std::size_t> order(count);
  std::iota(order.begin(), order.end(), 0);
  for (std::size_t i = count; i > 1; --i) {
    const auto j = static_cast<std::size_t>(kx::RandomInt(static_cast<std::int32_t>(i)));
    std::swap(order[i - 1], order[j]);
  }
  std::vector<bool> isTest(count, false);
  for (std::size_t i = 0; i < testCount; ++i) isTest[order[i]] = true;

  TSplit split;
  for (TDataset* part : {&split.Train, &split.Test}) {
    part->Names = Data.Names;
    part->Inputs.resize(Data.Names.size());
  }
  for (std::size_t row = 0; row < count; ++row) {
    TDataset& part = isTest[row] ? split.Test : split.Train;
    for (std::size_t c = 0; c < Data.Inputs.size(); ++c)
      part.Inputs[c].push_back(Data.Inputs[c][row]);
    part.Target.push_back(Data.Target[row]);
  }
  return split;
}

double Variance(std::span<const double> Values) {
  if (Values.size() < 2) return 0;
  const double mean = std::accumulate(Values.begin(), Values.end(), 0.0) / Values.size();
  double sum = 0;
  for (double v : Values) sum += (v - mean) * (v - mean);
  return sum / Values.size();
}

double RSquared(std::span<const double> Actual, std::span<const double> Predicted) {
  double sse = 0;
  for (std::size_t k = 0; k < Actual.size(); ++k) {
    const double d = Predicted[k] - Actual[k];
    sse += d * d;
  }
  if (!std::isfinite(sse)) return -std::numeric_limits<double>::infinity();
  const double sst = Variance(Actual) * Actual.size();
  if (sst == 0) return sse == 0 ? 1.0 : 0.0;
  return 1.0 - sse / sst;
}

double RootMeanSquaredError(std::span<const double> Actual, std::span<const double> Predicted) {
  if (Actual.empty()) return 0;
  double sse = 0;
  for (std::size_t k = 0; k < Actual.size(); ++k) {
    const double d = Predicted[k] - Actual[k];
    sse += d * d;
  }
  return std::sqrt(sse / Actual.size());
}

}  // namespace kxsr
