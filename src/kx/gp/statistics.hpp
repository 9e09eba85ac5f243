#pragma once

#include <span>

namespace kx {

/// Sample covariance of two equally long series (divisor N - 1). 0 when the lengths
/// differ, when the series are empty, and for a single pair (no spread can be measured).
double CoVariance(std::span<const double> X, std::span<const double> Y) noexcept;

/// Sample correlation coefficient of two equally long series: their covariance divided by
/// the product of their sample standard deviations. 0 when the lengths differ, when the
/// series are empty, for a single pair, and when either series is constant.
double Correlation(std::span<const double> X, std::span<const double> Y) noexcept;

/// Sample variance (divisor N - 1); 0 for fewer than two values.
double SampleVariance(std::span<const double> X) noexcept;

}  // namespace kx
