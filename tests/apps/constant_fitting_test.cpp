#include "constant_fitting.hpp"

#include <gtest/gtest.h>

#include <cmath>

#include "compiled_program.hpp"
#include "tree_builder.hpp"

// y = 2.5 * sin(1.3 * x) + 0.7 on 40 cases, from constants that start off.
TEST(ConstantFitting, ConvergesOnTheConstantsOfAKnownFormula) {
  TTreeBuilder t({"x"});
  auto tree = t.F("add", t.F("mul", t.C(2), t.F("sin", t.F("mul", t.C(1.1), t.V("x")))), t.C(0));
  kxsr::TDataset data{{"x"}, {{}}, {}};
  for (int k = 0; k < 40; ++k) {
    const double x = -2 + 0.1 * k;
    data.Inputs[0].push_back(x);
    data.Target.push_back(2.5 * std::sin(1.3 * x) + 0.7);
  }
  auto program = kxsr::TCompiledProgram::Compile(*tree, data.Names);
  ASSERT_TRUE(program.has_value() && program->ConstantCount() == 3u);
  EXPECT_LT(kxsr::FitConstants(*program, data, 50), 1e-16);
  const double expected[] = {2.5, 1.3, 0.7};  // read back from the tree
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(program->Constants()[i], expected[i], 1e-7) << i;
}

TEST(ConstantFitting, KeepsTheConstantsWhenNothingIsFinite) {
  TTreeBuilder t({"x"});
  auto tree = t.F("log", t.F("mul", t.C(-1), t.V("x")));
  kxsr::TDataset data{{"x"}, {{1, 2, 3}}, {0, 1, 2}};
  auto program = kxsr::TCompiledProgram::Compile(*tree, data.Names);
  EXPECT_TRUE(std::isinf(kxsr::FitConstants(*program, data, 10)));
  EXPECT_EQ(program->Constants()[0], -1);
}
