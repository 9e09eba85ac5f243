#pragma once

// The vocabulary and target of the symbolic-regression examples: gp_symbolic_regression
// evolves programs with it, gp_executor runs a saved one with the same handlers, and the
// benchmarks gp_generation and parallel_evolve time the same workload.

#include <cmath>
#include <cstddef>
#include <kx/kxevo.hpp>
#include <string>

namespace examples {

// The function the programs approximate: x^4 + x^3 + x^2 + x.
inline double Quartic(double x) { return x * x * x * x + x * x * x + x * x + x; }

template <class Op>
void AddFunction(kx::TKXGPFloatInstructions& Set, const std::string& Name,
                 const std::string& Comment, Op Combine) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  instruction->SetComment(Comment);
  instruction->SetArity(2);
  instruction->SetOnExecute([Combine](kx::TKXObject*, kx::TKXGPNode<double>* Node,
                                      kx::TKXGPContext<double>* Context, double& Result) {
    Result = Combine(Node->Child(0)->Execute(Context), Node->Child(1)->Execute(Context));
  });
  // The same operation over a block of cases, for batch execution.
  instruction->SetOnExecuteBatch(
      [Combine](kx::TKXObject*, kx::TKXGPNode<double>*, kx::TKXGPBatch<double>& Batch) {
        const double* a = Batch.Argument(0).data();
        const double* b = Batch.Argument(1).data();
        double* result = Batch.Results().data();
        for (std::size_t k = 0; k < Batch.Count(); ++k) result[k] = Combine(a[k], b[k]);
      });
}

// Add, Sub, Mul, protected Div (dividing by almost zero gives 1) and the variable x.
inline void AddQuarticInstructions(kx::TKXGPFloatInstructions& Set) {
  AddFunction(Set, "Add", "a + b", [](double a, double b) { return a + b; });
  AddFunction(Set, "Sub", "a - b", [](double a, double b) { return a - b; });
  AddFunction(Set, "Mul", "a * b", [](double a, double b) { return a * b; });
  AddFunction(Set, "Div", "a / b, 1 when b is 0",
              [](double a, double b) { return std::fabs(b) < 1e-9 ? 1.0 : a / b; });
  Set.Add()->SetName("x");
}

}  // namespace examples
