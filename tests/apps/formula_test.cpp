#include "formula.hpp"

#include <gtest/gtest.h>

#include "tree_builder.hpp"

TEST(Formula, PrintsInfixWithOnlyTheNeededParentheses) {
  TTreeBuilder t;
  const std::pair<TTreeBuilder::TNodePtr, const char*> cases[] = {
      {t.F("add", t.V("x"), t.F("mul", t.C(2), t.V("y"))), "x + 2 * y"},
      {t.F("add", t.V("x"), t.F("sub", t.V("y"), t.C(1))), "x + y - 1"},
      {t.F("sub", t.V("x"), t.F("add", t.V("y"), t.C(1))), "x - (y + 1)"},
      {t.F("sub", t.F("sub", t.V("x"), t.V("y")), t.V("x")), "x - y - x"},
      {t.F("div", t.V("x"), t.F("mul", t.V("y"), t.V("x"))), "x / (y * x)"},
      {t.F("mul", t.F("add", t.V("x"), t.V("y")), t.V("x")), "(x + y) * x"},
      {t.F("add", t.V("x"), t.C(-2)), "x - 2"},
      {t.F("sub", t.V("x"), t.C(-2.5)), "x + 2.5"},
      {t.F("mul", t.V("x"), t.C(-0.5)), "x * (-0.5)"},
      {t.F("mul", t.C(-0.5), t.V("x")), "-0.5 * x"},
      {t.F("square", t.F("add", t.V("x"), t.C(1))), "(x + 1)^2"},
      {t.F("pow", t.V("x"), t.F("pow", t.V("y"), t.C(2))), "x^y^2"},
      {t.F("pow", t.F("pow", t.V("x"), t.V("y")), t.C(2)), "(x^y)^2"},
      {t.F("sin", t.F("div", t.V("x"), t.C(3.14159265))), "sin(x / 3.142)"},
      {t.F("inv", t.F("mul", t.V("x"), t.V("y"))), "1 / (x * y)"},
      {t.F("exp", t.F("cube", t.C(0.000123456))), "exp(0.0001235^3)"},
  };
  for (const auto& [tree, text] : cases) EXPECT_EQ(kxsr::FormatFormula(*tree), text);
}
