#include "kx/gp/statistics.hpp"

#include <cmath>
#include <cstddef>

namespace kx {

namespace {

double Mean(std::span<const double> X) noexcept {
  double sum = 0;
  for (double v : X) sum += v;
  return sum / static_cast<double>(X.size());
}

// Sum of the products of the deviations from the means; both spans equally long, not empty.
double CoDeviation(std::span<const double> X, std::span<const double> Y) noexcept {
  const double mx = Mean(X);
  const double my = Mean(Y);
  double sum = 0;
  for (std::size_t i = 0; i < X.size(); ++i) sum += (X[i] - mx) * (Y[i] - my);
  return sum;
}

}  // namespace

double SampleVariance(std::span<const double> X) noexcept {
  if (X.size() < 2) return 0;
  return CoDeviation(X, X) / static_cast<double>(X.size() - 1);
}

double CoVariance(std::span<const double> X, std::span<const double> Y) noexcept {
  // A single pair would divide by N - 1 = 0; it has no measurable spread, so it yields 0.
  if (X.size() != Y.size() || X.size() < 2) return 0;
  return CoDeviation(X, Y) / static_cast<double>(X.size() - 1);
}

double Correlation(std::span<const double> X, std::span<const double> Y) noexcept {
  if (X.size() != Y.size() || X.size() < 2) return 0;
  const double sd = std::sqrt(SampleVariance(X)) * std::sqrt(SampleVariance(Y));
  if (sd == 0) return 0;
  return CoVariance(X, Y) / sd;
}

}  // namespace kx
