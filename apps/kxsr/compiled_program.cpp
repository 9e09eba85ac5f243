#include "compiled_program.hpp"

#include <algorithm>
#include <utility>

namespace kxsr {

std::optional<TCompiledProgram> TCompiledProgram::Compile(kx::TKXGPNode<double>& Tree,
                                                          const std::vector<std::string>& Names) {
  TCompiledProgram program;
  // Post-order walk with an explicit stack: (node, children visited).
  std::vector<std::pair<kx::TKXGPNode<double>*, bool>> walk{{&Tree, false}};
  std::size_t depth = 0;
  while (!walk.empty()) {
    auto [node, visited] = walk.back();
    const auto* instruction = node->Instruction();
    if (instruction == nullptr) return std::nullopt;
    if (!visited && instruction->Operation() == kx::gpFunction) {
      walk.back().second = true;
      const TFunctionInfo* info = FindFunction(instruction->Name());
      if (info == nullptr || node->ChildCount() != info->Arity) return std::nullopt;
      for (int c = node->ChildCount() - 1; c >= 0; --c) walk.emplace_back(node->Child(c), false);
      continue;
    }
    walk.pop_back();
    TStep step{TKind::Function, TOp::Add, 0};
    switch (instruction->Operation()) {
      case kx::gpFunction: {
        const TFunctionInfo* info = FindFunction(instruction->Name());
        step.Op = info->Op;
        step.Index = info->Arity;
        depth -= static_cast<std::size_t>(info->Arity - 1);
        break;
      }
      case kx::gpVariable: {
        const auto found = std::find(Names.begin(), Names.end(), instruction->Name());
        if (found == Names.end()) return std::nullopt;
        step = {TKind::Variable, TOp::Add, static_cast<int>(found - Names.begin())};
        ++depth;
        break;
      }
      default:
        step = {TKind::Constant, TOp::Add, static_cast<int>(program.FConstantNodes.size())};
        program.FConstantNodes.push_back(node);
        ++depth;
        break;
    }
    program.FMaxStack = std::max(program.FMaxStack, depth);
    program.FSteps.push_back(step);
  }
  return program;
}

std::vector<double> TCompiledProgram::Constants() const {
  std::vector<double> values;
  values.reserve(FConstantNodes.size());
  for (const auto* node : FConstantNodes) values.push_back(node->Value());
  return values;
}

void TCompiledProgram::SetConstants(std::span<const double> Values) const {
  for (std::size_t j = 0; j < FConstantNodes.size(); ++j) FConstantNodes[j]->SetValue(Values[j]);
}

void TCompiledProgram::Evaluate(const TDataset& Data, std::span<const double> Values,
                                std::span<double> Out) {
  Run(Data, Values, Out, {}, false);
}

void TCompiledProgram::Differentiate(const TDataset& Data, std::span<const double> Values,
                                     std::span<double> Out, std::span<double> Jacobian) {
  Run(Data, Values, Out, Jacobian, true);
}

// Forward mode: each stack level holds the values of every case and, with derivatives,
// their tangents for every constant (constant-major), so a function's chain rule is one
// pass over its arguments' levels.
void TCompiledProgram::Run(const TDataset& Data, std::span<const double> Values,
                           std::span<double> Out, std::span<double> Jacobian, bool Derivatives) {
  const std::size_t n = Data.Count();
  const std::size_t p = Derivatives ? FConstantNodes.size() : 0;
  FValues.resize(FMaxStack * n);
  FTangents.resize(FMaxStack * n * p);
  std::size_t top = 0;  // number of occupied levels
  auto value = [&](std::size_t level) { return FValues.data() + level * n; };
  auto tangent = [&](std::size_t level) { return FTangents.data() + level * n * p; };
  for (const TStep& step : FSteps) {
    if (step.Kind == TKind::Variable) {
      std::copy_n(Data.Inputs[static_cast<std::size_t>(step.Index)].data(), n, value(top));
      std::fill_n(tangent(top), n * p, 0.0);
      ++top;
      continue;
    }
    if (step.Kind == TKind::Constant) {
      std::fill_n(value(top), n, Values[static_cast<std::size_t>(step.Index)]);
      std::fill_n(tangent(top), n * p, 0.0);
      if (p > 0) std::fill_n(tangent(top) + static_cast<std::size_t>(step.Index) * n, n, 1.0);
      ++top;
      continue;
    }
    const bool binary = step.Index == 2;
    const std::size_t a = binary ? top - 2 : top - 1;
    double* va = value(a);
    const double* vb = binary ? value(a + 1) : nullptr;
    double* ta = tangent(a);
    const double* tb = binary ? tangent(a + 1) : nullptr;
    for (std::size_t k = 0; k < n; ++k) {
      const double x = va[k];
      const double y = binary ? vb[k] : 0.0;
      if (p > 0) {
        double dx = 0, dy = 0;
        Partials(step.Op, x, y, dx, dy);
        for (std::size_t j = 0; j < p; ++j) {
          double& t = ta[j * n + k];
          // Skip zero tangents: 0 * inf would turn an unaffected case into NaN.
          const double fromA = t == 0 ? 0.0 : dx * t;
          const double fromB = binary && tb[j * n + k] != 0 ? dy * tb[j * n + k] : 0.0;
          t = fromA + fromB;
        }
      }
      va[k] = Apply(step.Op, x, y);
    }
    top = a + 1;
  }
  std::copy_n(value(0), n, Out.data());
  if (p > 0) std::copy_n(tangent(0), n * p, Jacobian.data());
}

}  // namespace kxsr
