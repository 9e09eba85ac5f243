#include <gtest/gtest.h>

#include <cstdint>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <kx/host/variant.hpp>
#include <string>
#include <utility>

using kx::TKXVariant;
using kx::TKXVarType;

TEST(Variant, EmptyAndTheKindsConstructionPicks) {
  TKXVariant v;
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.ToString(), "");
  EXPECT_EQ(v.ToFloat(), 0.0);
  EXPECT_FALSE(v.ToBool());
  const std::pair<TKXVariant, TKXVarType> rows[] = {
      {TKXVariant(true), TKXVarType::varBoolean},
      {TKXVariant(std::int16_t{7}), TKXVarType::varInteger},
      {TKXVariant(std::int64_t{7}), TKXVarType::varInt64},
      {TKXVariant(7u), TKXVarType::varInt64},
      {TKXVariant(2.5f), TKXVarType::varDouble},
      {TKXVariant("abc"), TKXVarType::varString},
      {TKXVariant(TKXVariant::Null), TKXVarType::varNull}};
  for (const auto& [value, type] : rows) EXPECT_EQ(value.VarType(), type) << value.ToString();
  v = "text";
  v.Clear();
  EXPECT_TRUE(v.IsEmpty());
}

TEST(Variant, ToStringFollowsTheValueTextRules) {
  const std::pair<TKXVariant, const char*> rows[] = {
      {TKXVariant(true), "True"},
      {TKXVariant(false), "False"},
      {TKXVariant(-42), "-42"},
      {TKXVariant(std::int64_t{1} << 40), "1099511627776"},
      {TKXVariant(1.0), "1"},
      {TKXVariant(1e20), "1E20"},
      {TKXVariant(TKXVariant::Null), ""}};
  for (const auto& [value, text] : rows) EXPECT_EQ(value.ToString(), text);

  const char previous = kx::DecimalSeparator();
  kx::SetDecimalSeparator(',');
  const std::string text = TKXVariant(2.5).ToString();
  const bool parsed = [] {
    try {
      return TKXVariant("2,5").ToFloat() == 2.5;
    } catch (...) {
      return false;
    }
  }();
  kx::SetDecimalSeparator(previous);
  EXPECT_EQ(text, "2,5");
  EXPECT_TRUE(parsed);
}

TEST(Variant, NumericConversions) {
  EXPECT_EQ(TKXVariant(3).ToFloat(), 3.0);
  EXPECT_EQ(TKXVariant(" -1.5E2 ").ToFloat(), -150.0);
  // Booleans convert as the host framework does: True is -1.
  EXPECT_EQ(TKXVariant(true).ToFloat(), -1.0);
  EXPECT_EQ(TKXVariant(true).ToInt32(), -1);
  // Integer conversion rounds halves to even.
  EXPECT_EQ(TKXVariant(2.5).ToInt64(), 2);
  EXPECT_EQ(TKXVariant(3.5).ToInt64(), 4);
  EXPECT_EQ(TKXVariant(-2.5).ToInt32(), -2);
  EXPECT_EQ(TKXVariant("1.5").ToInt64(), 2);
  EXPECT_EQ(TKXVariant("9007199254740993").ToInt64(), 9007199254740993LL);
  EXPECT_TRUE(TKXVariant(2).ToBool());
  EXPECT_FALSE(TKXVariant(0.0).ToBool());
  EXPECT_TRUE(TKXVariant("TRUE").ToBool());
  EXPECT_FALSE(TKXVariant("false").ToBool());
  EXPECT_TRUE(TKXVariant("0.5").ToBool());
}

TEST(Variant, NonNumericConversionsRaiseTheVariantError) {
  EXPECT_THROW(TKXVariant("abc").ToFloat(), kx::EVariantTypeCastError);
  EXPECT_THROW(TKXVariant("").ToFloat(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(TKXVariant::Null).ToFloat(), kx::EConvertError);
  EXPECT_THROW(TKXVariant("abc").ToInt64(), kx::EConvertError);
  EXPECT_THROW(TKXVariant("maybe").ToBool(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(1e30).ToInt64(), kx::EConvertError);
  EXPECT_THROW(TKXVariant(std::int64_t{1} << 40).ToInt32(), kx::EConvertError);
  try {
    (void)TKXVariant("abc").ToFloat();
    FAIL();
  } catch (const kx::EConvertError& e) {
    EXPECT_STREQ(e.what(), "Could not convert variant of type (String) into type (Double)");
  }
}

TEST(Variant, EqualityComparesNumbersExactlyAndNeverConvertsText) {
  EXPECT_EQ(TKXVariant(), TKXVariant());
  EXPECT_EQ(TKXVariant(3), TKXVariant(3.0));
  EXPECT_EQ(TKXVariant(3), TKXVariant(std::int64_t{3}));
  EXPECT_EQ(TKXVariant("a"), TKXVariant(std::string("a")));
  EXPECT_NE(TKXVariant("a"), TKXVariant("A"));
  EXPECT_NE(TKXVariant("3"), TKXVariant(3));
  EXPECT_NE(TKXVariant(), TKXVariant(TKXVariant::Null));
  EXPECT_NE(TKXVariant(), TKXVariant(0));
  EXPECT_NE(TKXVariant(true), TKXVariant(-1));
  EXPECT_NE(TKXVariant(std::int64_t{9007199254740993}), TKXVariant(std::int64_t{9007199254740992}));
}
