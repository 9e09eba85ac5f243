#include <kx/host/variant.hpp>
#include <tuple>

#include "host/host_test_support.hpp"

using V = kx::TKXVariant;

TEST(Variant, KindsTextConversionsAndEqualityFollowTheValueRules) {
  using T = kx::TKXVarType;
  // clang-format off
  const std::tuple<V, T, const char*> rows[] = {
      {V(), T::varEmpty, ""}, {V(V::Null), T::varNull, ""},
      {true, T::varBoolean, "True"}, {false, T::varBoolean, "False"},
      {std::int16_t{-42}, T::varInteger, "-42"}, {std::int64_t{1} << 40, T::varInt64, "1099511627776"},
      {7u, T::varInt64, "7"}, {1.0f, T::varDouble, "1"}, {1e20, T::varDouble, "1E20"},
      {"abc", T::varString, "abc"}};
  // clang-format on
  for (const auto& [value, type, text] : rows) {
    EXPECT_EQ(value.VarType(), type) << text;
    EXPECT_EQ(value.ToString(), text);
  }
  V v = "text";
  v.Clear();
  EXPECT_TRUE(v.IsEmpty() && v.ToFloat() == 0.0 && !v.ToBool());
  // True converts to -1; integer conversions round halves to even; what cannot convert raises.
  // clang-format off
  const std::tuple<V, double, std::int64_t, bool> conversions[] = {
      {3, 3.0, 3, true}, {" -1.5E2 ", -150.0, -150, true}, {true, -1.0, -1, true}, {2.5, 2.5, 2, true},
      {3.5, 3.5, 4, true}, {-2.5, -2.5, -2, true}, {"1.5", 1.5, 2, true}, {"0.5", 0.5, 0, true},
      {0.0, 0.0, 0, false}};
  // clang-format on
  for (const auto& [value, real, integer, truth] : conversions) {
    EXPECT_EQ(value.ToFloat(), real) << value.ToString();
    EXPECT_EQ(value.ToInt64(), integer) << value.ToString();
    EXPECT_EQ(value.ToInt32(), integer) << value.ToString();
    EXPECT_EQ(value.ToBool(), truth) << value.ToString();
  }
  EXPECT_EQ(V("9007199254740993").ToInt64(), 9007199254740993LL);
  EXPECT_TRUE(V("TRUE").ToBool());
  EXPECT_FALSE(V("false").ToBool());
  EXPECT_EQ(kx::testing::ErrorOf<kx::EVariantTypeCastError>([] { V("abc").ToFloat(); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_THROW(V("").ToFloat(), kx::EConvertError);
  EXPECT_THROW(V(V::Null).ToFloat(), kx::EConvertError);
  EXPECT_THROW(V("abc").ToInt64(), kx::EConvertError);
  EXPECT_THROW(V("maybe").ToBool(), kx::EConvertError);
  EXPECT_THROW(V(1e30).ToInt64(), kx::EConvertError);
  EXPECT_THROW(V(std::int64_t{1} << 40).ToInt32(), kx::EConvertError);
  // Numbers compare exactly across kinds; text never equals a number; empty, null and booleans
  // are kinds of their own.
  // clang-format off
  const std::tuple<V, V, bool> pairs[] = {
      {V(), V(), true}, {3, 3.0, true}, {3, std::int64_t{3}, true}, {"a", std::string("a"), true},
      {"a", "A", false}, {"3", 3, false}, {V(), V(V::Null), false}, {V(), 0, false}, {true, -1, false},
      {std::int64_t{9007199254740993}, std::int64_t{9007199254740992}, false}};
  // clang-format on
  for (const auto& [a, b, equal] : pairs)
    EXPECT_EQ(a == b, equal) << a.ToString() << " " << b.ToString();
  kx::testing::SeparatorGuard comma(',');
  EXPECT_EQ(V(2.5).ToString(), "2,5");
  EXPECT_EQ(V("2,5").ToFloat(), 2.5);
}
