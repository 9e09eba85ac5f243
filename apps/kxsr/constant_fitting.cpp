#include "constant_fitting.hpp"

#include <Eigen/Dense>
#include <cmath>
#include <limits>
#include <vector>

namespace kxsr {
namespace {

double SumOfSquares(const std::vector<double>& Predicted, const std::vector<double>& Target,
                    std::vector<double>& Residuals) {
  double sse = 0;
  for (std::size_t k = 0; k < Target.size(); ++k) {
    Residuals[k] = Predicted[k] - Target[k];
    sse += Residuals[k] * Residuals[k];
  }
  return std::isfinite(sse) ? sse : std::numeric_limits<double>::infinity();
}

}  // namespace

double FitConstants(TCompiledProgram& Program, const TDataset& Data, int Iterations) {
  const std::size_t n = Data.Count();
  const std::size_t p = Program.ConstantCount();
  std::vector<double> constants = Program.Constants();
  std::vector<double> predicted(n), residuals(n), jacobian(n * p);
  Program.Differentiate(Data, constants, predicted, jacobian);
  double sse = SumOfSquares(predicted, Data.Target, residuals);
  const double initial = sse;
  if (p == 0 || n == 0 || !std::isfinite(sse)) return sse;

  using Matrix = Eigen::MatrixXd;
  using Vector = Eigen::VectorXd;
  double lambda = 1e-3;
  std::vector<double> trial(p), trialResiduals(n);
  for (int iteration = 0; iteration < Iterations && sse > 0; ++iteration) {
    const Eigen::Map<const Matrix> J(jacobian.data(), static_cast<Eigen::Index>(n),
                                     static_cast<Eigen::Index>(p));
    const Eigen::Map<const Vector> r(residuals.data(), static_cast<Eigen::Index>(n));
    if (!J.allFinite()) break;
    const Matrix JtJ = J.transpose() * J;
    const Vector gradient = J.transpose() * r;
    bool accepted = false;
    // Raise the damping until a step lowers the error (a few tries per iteration).
    for (int attempt = 0; attempt < 8 && !accepted; ++attempt) {
      Matrix A = JtJ;
      for (Eigen::Index j = 0; j < A.rows(); ++j) A(j, j) += lambda * (JtJ(j, j) + 1e-12);
      const Vector step = A.ldlt().solve(-gradient);
      if (!step.allFinite()) {
        lambda *= 10;
        continue;
      }
      for (std::size_t j = 0; j < p; ++j)
        trial[j] = constants[j] + step(static_cast<Eigen::Index>(j));
      Program.Evaluate(Data, trial, predicted);
      const double trialSse = SumOfSquares(predicted, Data.Target, trialResiduals);
      if (trialSse < sse) {
        accepted = true;
        const bool converged = sse - trialSse <= 1e-12 * sse;
        constants = trial;
        sse = trialSse;
        lambda = std::max(lambda / 3, 1e-12);
        if (converged) iteration = Iterations;
      } else {
        lambda *= 4;
      }
    }
    if (!accepted) break;
    Program.Differentiate(Data, constants, predicted, jacobian);
    SumOfSquares(predicted, Data.Target, residuals);
  }
  if (sse < initial) Program.SetConstants(constants);
  return std::min(sse, initial);
}

}  // namespace kxsr
