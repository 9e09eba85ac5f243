#include "formula.hpp"

#include <cmath>
#include <cstdio>

#include "vocabulary.hpp"

namespace kxsr {
namespace {

// Binding strength of what a text is: sums bind loosest, atoms (names, calls, positive
// numbers) tightest.
enum TPrecedence : int { kSum = 1, kProduct = 2, kNegative = 3, kPower = 4, kAtom = 5 };

struct TText {
  std::string Text;
  int Precedence = kAtom;
  bool NegativeNumber = false;
};

std::string Parenthesized(const TText& Operand, bool Needed) {
  return Needed ? "(" + Operand.Text + ")" : Operand.Text;
}

// LeftToRight: an operand of the same precedence on the right changes the meaning (a - b).
TText Binary(const TText& Left, const char* Op, const TText& Right, int Precedence,
             bool RightAssociative = false, bool LeftToRight = false) {
  const bool leftParens =
      RightAssociative ? Left.Precedence <= Precedence : Left.Precedence < Precedence;
  const bool rightParens = Right.Text.starts_with('-') || Right.Precedence < Precedence ||
                           (Right.Precedence == Precedence && LeftToRight);
  const char* space = Precedence == kPower ? "" : " ";
  return {Parenthesized(Left, leftParens) + space + Op + space + Parenthesized(Right, rightParens),
          Precedence};
}

TText Format(const kx::TKXGPNode<double>& Node) {
  const auto* instruction = Node.Instruction();
  if (instruction == nullptr) return {"nil"};
  if (instruction->Operation() == kx::gpVariable) return {instruction->Name()};
  if (instruction->Operation() != kx::gpFunction) {
    const double value = Node.Value();
    return {FormatConstant(value), value < 0 ? kNegative : kAtom, value < 0};
  }
  std::vector<TText> args;
  for (int c = 0; c < Node.ChildCount(); ++c) args.push_back(Format(*Node.Child(c)));
  const TFunctionInfo* info = FindFunction(instruction->Name());
  if (info == nullptr || static_cast<int>(args.size()) != info->Arity) {
    std::string text = instruction->Name() + "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i].Text;
    return {text + ")"};
  }
  const TText& a = args[0];
  auto flipped = [](TText Negative) {
    Negative.Text.erase(0, 1);
    Negative.Precedence = kAtom;
    Negative.NegativeNumber = false;
    return Negative;
  };
  switch (info->Op) {
    case TOp::Add:
      if (args[1].NegativeNumber) return Binary(a, "-", flipped(args[1]), kSum, false, true);
      return Binary(a, "+", args[1], kSum);
    case TOp::Sub:
      if (args[1].NegativeNumber) return Binary(a, "+", flipped(args[1]), kSum);
      return Binary(a, "-", args[1], kSum, false, true);
    case TOp::Mul:
      return Binary(a, "*", args[1], kProduct);
    case TOp::Div:
      return Binary(a, "/", args[1], kProduct, false, true);
    case TOp::Pow:
      return Binary(a, "^", args[1], kPower, true);
    case TOp::Square:
      return Binary(a, "^", {"2"}, kPower, true);
    case TOp::Cube:
      return Binary(a, "^", {"3"}, kPower, true);
    case TOp::Inv:
      return Binary({"1"}, "/", a, kProduct, false, true);
    default:
      return {std::string(info->Name) + "(" + a.Text + ")"};
  }
}

}  // namespace

std::string FormatConstant(double Value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", Value);
  return text;
}

std::string FormatFormula(const kx::TKXGPNode<double>& Tree) { return Format(Tree).Text; }

}  // namespace kxsr
