#include <gtest/gtest.h>

#include <cstdint>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <kx/host/variant.hpp>
#include <string>

using kx::TKXVariant;
using kx::TKXVarType;

TEST(Variant, DefaultIsUnassigned) {
  TKXVariant v;
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.VarType(), TKXVarType::varEmpty);
  EXPECT_EQ(v.ToString(), "");
  EXPECT_EQ(v.ToFloat(), 0.0);
  EXPECT_EQ(v.ToInt64(), 0);
  EXPECT_FALSE(v.ToBool());
}

TEST(Variant, ConstructionPicksTheKind) {
  EXPECT_EQ(TKXVariant(true).VarType(), TKXVarType::varBoolean);
  EXPECT_EQ(TKXVariant(7).VarType(), TKXVarType::varInteger);
  EXPECT_EQ(TKXVariant(std::int16_t{7}).VarType(), TKXVarType::varInteger);
  EXPECT_EQ(TKXVariant(std::int64_t{7}).VarType(), TKXVarType::varInt64);
  EXPECT_EQ(TKXVariant(7u).VarType(), TKXVarType::varInt64);
  EXPECT_EQ(TKXVariant(2.5).VarType(), TKXVarType::varDouble);
  EXPECT_EQ(TKXVariant(2.5f).VarType(), TKXVarType::varDouble);
  EXPECT_EQ(TKXVariant("abc").VarType(), TKXVarType::varString);
  EXPECT_EQ(TKXVariant(std::string("abc")).VarType(), TKXVarType::varString);
  EXPECT_TRUE(TKXVariant(TKXVariant::Null).IsNull());

  TKXVariant v = 3;
  v = "text";
  ASSERT_NE(v.AsString(), nullptr);
  EXPECT_EQ(*v.AsString(), "text");
  v.Clear();
  EXPECT_TRUE(v.IsEmpty());
  EXPECT_EQ(v.AsString(), nullptr);
}

TEST(Variant, ToStringFollowsTheValueTextRules) {
  EXPECT_EQ(TKXVariant(true).ToString(), "True");
  EXPECT_EQ(TKXVariant(false).ToString(), "False");
  EXPECT_EQ(TKXVariant(-42).ToString(), "-42");
  EXPECT_EQ(TKXVariant(std::int64_t{1} << 40).ToString(), "1099511627776");
  EXPECT_EQ(TKXVariant(1.0).ToString(), "1");
  EXPECT_EQ(TKXVariant(2.5).ToString(), "2.5");
  EXPECT_EQ(TKXVariant(1e20).ToString(), "1E20");
  EXPECT_EQ(TKXVariant("abc").ToString(), "abc");
  EXPECT_EQ(TKXVariant(TKXVariant::Null).ToString(), "");
}

TEST(Variant, ToStringUsesTheDecimalSeparator) {
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

TEST(Variant, ToFloatConvertsNumbersAndNumericText) {
  EXPECT_EQ(TKXVariant(3).ToFloat(), 3.0);
  EXPECT_EQ(TKXVariant(2.5).ToFloat(), 2.5);
  EXPECT_EQ(TKXVariant("3").ToFloat(), 3.0);
  EXPECT_EQ(TKXVariant(" -1.5E2 ").ToFloat(), -150.0);
  // Booleans convert as the host framework does: True is -1.
  EXPECT_EQ(TKXVariant(true).ToFloat(), -1.0);
  EXPECT_EQ(TKXVariant(false).ToFloat(), 0.0);
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

TEST(Variant, IntegerConversionRoundsHalvesToEven) {
  EXPECT_EQ(TKXVariant(2.5).ToInt64(), 2);
  EXPECT_EQ(TKXVariant(3.5).ToInt64(), 4);
  EXPECT_EQ(TKXVariant(-2.5).ToInt32(), -2);
  EXPECT_EQ(TKXVariant("12").ToInt32(), 12);
  EXPECT_EQ(TKXVariant("9007199254740993").ToInt64(), 9007199254740993LL);
  EXPECT_EQ(TKXVariant("1.5").ToInt64(), 2);
  EXPECT_EQ(TKXVariant(true).ToInt32(), -1);
}

TEST(Variant, ToBool) {
  EXPECT_TRUE(TKXVariant(2).ToBool());
  EXPECT_FALSE(TKXVariant(0.0).ToBool());
  EXPECT_TRUE(TKXVariant("TRUE").ToBool());
  EXPECT_FALSE(TKXVariant("false").ToBool());
  EXPECT_TRUE(TKXVariant("0.5").ToBool());
}

TEST(Variant, Equality) {
  EXPECT_EQ(TKXVariant(), TKXVariant());
  EXPECT_EQ(TKXVariant(3), TKXVariant(3.0));
  EXPECT_EQ(TKXVariant(3), TKXVariant(std::int64_t{3}));
  EXPECT_EQ(TKXVariant("a"), TKXVariant(std::string("a")));
  EXPECT_NE(TKXVariant("a"), TKXVariant("A"));
  // No text-to-number conversion in comparisons.
  EXPECT_NE(TKXVariant("3"), TKXVariant(3));
  EXPECT_NE(TKXVariant(), TKXVariant(TKXVariant::Null));
  EXPECT_NE(TKXVariant(), TKXVariant(0));
  EXPECT_NE(TKXVariant(true), TKXVariant(-1));
  // Large 64-bit integers compare exactly, not through doubles.
  EXPECT_NE(TKXVariant(std::int64_t{9007199254740993}), TKXVariant(std::int64_t{9007199254740992}));
}
