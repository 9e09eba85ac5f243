#include "simplify.hpp"

#include <gtest/gtest.h>

#include "formula.hpp"
#include "tree_builder.hpp"

// y = 2x + 0.123456: the 2 rounds, the 0 and its addition go, the offset keeps its digits
// because rounding it would raise the error.
TEST(Simplify, RoundsConstantsAndDropsIdentitiesOnlyWhileTheErrorHolds) {
  TTreeBuilder t({"x"});
  auto tree = t.F("add", t.F("add", t.F("mul", t.V("x"), t.C(2.0000000001)), t.C(3e-13)),
                  t.F("mul", t.C(1), t.C(0.123456)));
  kxsr::TDataset data{{"x"}, {{}}, {}};
  for (int k = 0; k < 20; ++k) {
    data.Inputs[0].push_back(k * 0.5);
    data.Target.push_back(k + 0.123456);
  }
  kxsr::Simplify(tree, data);
  EXPECT_EQ(kxsr::FormatFormula(*tree), "x * 2 + 0.1235");
  EXPECT_EQ(tree->Child(1)->Value(), 0.123456);
}
