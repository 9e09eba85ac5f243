#pragma once

#include <kx/kxevo.hpp>
#include <string>

namespace kxsr {

// The infix text of a program tree for people: "1.5 * x^2 - sin(y) / x". Constants are
// printed with 4 significant digits; parentheses appear only where precedence and the
// left-to-right reading of - and / need them (a + b - c, a - (b + c), a / (b * c)); a
// negative constant added or subtracted flips the operator (x - 2 for x + -2) and one in
// any other right-hand place stands in parentheses. Square and cube print as powers,
// inv as a quotient. Unknown functions print in call form, a node without instruction as
// "nil".
std::string FormatFormula(const kx::TKXGPNode<double>& Tree);

// A constant as FormatFormula prints it.
std::string FormatConstant(double Value);

}  // namespace kxsr
