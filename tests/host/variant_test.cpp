#include <kx/host/variant.hpp>
#include <tuple>

#include "host/host_test_support.hpp"

using kx::TKXVariant;
using kx::TKXVarType;

TEST(Variant, KindsAndTextFollowTheValueTextRules) {
  const std::tuple<TKXVariant, TKXVarType, const char*> rows[] = {
      {TKXVariant(), TKXVarType::varEmpty, ""},
      {TKXVariant(TKXVariant::Null), TKXVarType::varNull, ""},
      {true, TKXVarType::varBoolean, "True"},
      {false, TKXVarType::varBoolean, "False"},
      {std::int16_t{-42}, TKXVarType::varInteger, "-42"},
      {std::int64_t{1} << 40, TKXVarType::varInt64, "1099511627776"},
      {7u, TKXVarType::varInt64, "7"},
      {1.0f, TKXVarType::varDouble, "1"},
      {1e20, TKXVarType::varDouble, "1E20"},
      {"abc", TKXVarType::varString, "abc"}};
  for (const auto& [value, type, text] : rows) {
    EXPECT_EQ(value.VarType(), type) << text;
    EXPECT_EQ(value.ToString(), text);
  }
  TKXVariant v = "text";
  v.Clear();
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.ToFloat(), 0.0);
  EXPECT_FALSE(v.ToBool());
  kx::testing::SeparatorGuard comma(',');
  EXPECT_EQ(TKXVariant(2.5).ToString(), "2,5");
  EXPECT_EQ(TKXVariant("2,5").ToFloat(), 2.5);
}

// True converts to -1; integer conversions round halves to even; what cannot convert raises.
TEST(Variant, ConversionsRoundHalvesToEvenOrRaise) {
  const std::tuple<TKXVariant, double, std::int64_t, bool> rows[] = {
      {3, 3.0, 3, true},      {" -1.5E2 ", -150.0, -150, true},
      {true, -1.0, -1, true}, {2.5, 2.5, 2, true},
      {3.5, 3.5, 4, true},    {-2.5, -2.5, -2, true},
      {"1.5", 1.5, 2, true},  {"0.5", 0.5, 0, true},
      {0.0, 0.0, 0, false}};
  for (const auto& [value, real, integer, truth] : rows) {
    EXPECT_EQ(value.ToFloat(), real) << value.ToString();
    EXPECT_EQ(value.ToInt64(), integer) << value.ToString();
    EXPECT_EQ(value.ToInt32(), integer) << value.ToString();
    EXPECT_EQ(value.ToBool(), truth) << value.ToString();
  }
  EXPECT_EQ(TKXVariant("9007199254740993").ToInt64(), 9007199254740993LL);
  EXPECT_TRUE(TKXVariant("TRUE").ToBool());
  EXPECT_FALSE(TKXVariant("false").ToBool());
  EXPECT_EQ(kx::testing::ErrorOf<kx::EVariantTypeCastError>([] { TKXVariant("abc").ToFloat(); }),
            "Could not convert variant of type (String) into type (Double)");
  EXPECT_THROW(TKXVariant("").ToFloat(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(TKXVariant::Null).ToFloat(), kx::EConvertError);
  EXPECT_THROW(TKXVariant("abc").ToInt64(), kx::EConvertError);
  EXPECT_THROW(TKXVariant("maybe").ToBool(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(1e30).ToInt64(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(std::int64_t{1} << 40).ToInt32(), kx::EConvertError);
}

// Numbers compare exactly across kinds; text never equals a number; empty, null and booleans
// are kinds of their own.
TEST(Variant, EqualityComparesNumbersExactlyAndNeverConvertsText) {
  using V = TKXVariant;
  for (const auto& [a, b] :
       {std::pair<V, V>{V(), V()}, {3, 3.0}, {3, std::int64_t{3}}, {"a", std::string("a")}}) {
    EXPECT_EQ(a, b) << a.ToString();
  }
  for (const auto& [a, b] : {std::pair<V, V>{"a", "A"},
                             {"3", 3},
                             {V(), V(V::Null)},
                             {V(), 0},
                             {true, -1},
                             {std::int64_t{9007199254740993}, std::int64_t{9007199254740992}}}) {
    EXPECT_NE(a, b) << a.ToString() << " " << b.ToString();
  }
}
