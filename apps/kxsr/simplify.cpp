#include "simplify.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "compiled_program.hpp"
#include "formula.hpp"
#include "vocabulary.hpp"

namespace kxsr {
namespace {

using TNode = kx::TKXGPNode<double>;

double SumOfSquares(TCompiledProgram& Program, const TDataset& Train,
                    const std::vector<double>& Constants, std::vector<double>& Predicted) {
  Program.Evaluate(Train, Constants, Predicted);
  double sse = 0;
  for (std::size_t k = 0; k < Predicted.size(); ++k) {
    const double d = Predicted[k] - Train.Target[k];
    sse += d * d;
  }
  return std::isfinite(sse) ? sse : std::numeric_limits<double>::infinity();
}

void RoundConstants(TNode& Tree, const TDataset& Train) {
  auto program = TCompiledProgram::Compile(Tree, Train.Names);
  if (!program || program->ConstantCount() == 0) return;
  std::vector<double> constants = program->Constants(), predicted(Train.Count());
  const double base = SumOfSquares(*program, Train, constants, predicted);
  if (!std::isfinite(base)) return;
  const double allowed = base * 1.001 + 1e-12 * Variance(Train.Target) * Train.Count();
  for (double& constant : constants) {
    const double original = constant;
    for (double candidate : {0.0, std::round(original), std::stod(FormatConstant(original))}) {
      if (candidate == original) break;
      constant = candidate;
      if (SumOfSquares(*program, Train, constants, predicted) <= allowed) break;
      constant = original;
    }
  }
  program->SetConstants(constants);
}

bool IsConstant(const TNode& Node, double Value) {
  const auto* instruction = Node.Instruction();
  return instruction != nullptr && instruction->Operation() == kx::gpConstant &&
         Node.Value() == Value;
}

// The child that Node reduces to (a + 0, x * 1, ...), or -1.
int IdentityOperand(const TNode& Node) {
  const TFunctionInfo* info = FunctionOf(Node);
  if (info == nullptr || Node.ChildCount() != 2) return -1;
  const TNode& a = *Node.Child(0);
  const TNode& b = *Node.Child(1);
  switch (info->Op) {
    case TOp::Add:
      return IsConstant(b, 0) ? 0 : IsConstant(a, 0) ? 1 : -1;
    case TOp::Sub:
      return IsConstant(b, 0) ? 0 : -1;
    case TOp::Mul:
      return IsConstant(b, 1) ? 0 : IsConstant(a, 1) ? 1 : -1;
    case TOp::Div:
    case TOp::Pow:
      return IsConstant(b, 1) ? 0 : -1;
    default:
      return -1;
  }
}

// Replaces one identity by its operand; false when there is none left.
bool RemoveOneIdentity(std::unique_ptr<TNode>& Tree) {
  std::vector<TNode*> stack{Tree.get()};
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    const int keep = IdentityOperand(*node);
    if (keep < 0) {
      for (int c = 0; c < node->ChildCount(); ++c) stack.push_back(node->Child(c));
      continue;
    }
    auto operand = node->ExtractChild(node->Child(keep));
    if (node == Tree.get()) {
      Tree = std::move(operand);
    } else {
      TNode* parent = node->Parent();
      parent->InsertChild(parent->IndexOf(node), std::move(operand));
      parent->ExtractChild(node);
    }
    return true;
  }
  return false;
}

}  // namespace

void Simplify(std::unique_ptr<TNode>& Tree, const TDataset& Train) {
  RoundConstants(*Tree, Train);
  while (RemoveOneIdentity(Tree)) {
  }
}

}  // namespace kxsr
