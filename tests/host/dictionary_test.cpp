#include <kx/host/dictionary.hpp>

#include "host/host_test_support.hpp"

using TValues = kx::TKXDictionary<std::string, double>;
using kx::testing::ErrorOf;

// Keys are exact and case-sensitive; a missing key reads as the value type's default.
TEST(Dictionary, ExactKeysErrorsValueAccessAndAssign) {
  TValues d;
  d.Add("x", 1.5);
  d.Add("X", 2.5);
  EXPECT_EQ(ErrorOf<kx::EListError>([&] { d.Add("x", 9.0); }), "Duplicates not allowed");
  EXPECT_EQ(ErrorOf<kx::EListError>([&] { (void)d.Items("b"); }), "Item not found");
  EXPECT_EQ(ErrorOf<kx::EListError>([&] { d.SetItems("b", 2.0); }), "Item not found");
  d.AddOrSetValue("x", 3.0);
  d.AddOrSetValue("y", 4.0);
  EXPECT_EQ(d.Count(), 3);
  double value = 99.0;
  EXPECT_TRUE(d.TryGetValue("x", value) && value == 3.0 && d.Items("X") == 2.5);
  EXPECT_TRUE(!d.TryGetValue("b", value) && value == 0.0);
  EXPECT_TRUE(d.Remove("x") && !d.Remove("x"));
  d.Add("x", 5.0);  // a removed key can be added again
  // Assign copies independently and rejects other kinds.
  TValues b;
  b.Add("z", 3.0);
  b.Assign(&d);
  b.Assign(&b);
  d.SetItems("x", 10.0);
  EXPECT_EQ(b.Count() * 10 + b.Items("x"), 35);
  kx::TKXDictionary<std::string, int> other;
  EXPECT_THROW(b.Assign(&other), kx::EConvertError);
  EXPECT_THROW(b.Assign(static_cast<kx::TKXPersistent*>(nullptr)), kx::EConvertError);
  EXPECT_EQ(b.Count(), 3);
}
