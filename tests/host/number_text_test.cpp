#include <gtest/gtest.h>

#include <cmath>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <limits>
#include <string>

namespace {

// Restores the process-wide separator even when a test fails midway.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char Value) : FPrevious(kx::DecimalSeparator()) {
    kx::SetDecimalSeparator(Value);
  }
  ~SeparatorGuard() { kx::SetDecimalSeparator(FPrevious); }

 private:
  char FPrevious;
};

}  // namespace

TEST(FloatToStr, GeneralFormatWithFifteenDigits) {
  EXPECT_EQ(kx::FloatToStr(1.0), "1");
  EXPECT_EQ(kx::FloatToStr(0.1), "0.1");
  EXPECT_EQ(kx::FloatToStr(-2.5), "-2.5");
  EXPECT_EQ(kx::FloatToStr(0.5), "0.5");
  EXPECT_EQ(kx::FloatToStr(100.0), "100");
  EXPECT_EQ(kx::FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(kx::FloatToStr(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(kx::FloatToStr(2.0 / 3.0), "0.666666666666667");
  // The nearest float of 0.02, as documents write it.
  EXPECT_EQ(kx::FloatToStr(static_cast<double>(0.02f)), "0.0199999995529652");
  // 0.1 + 0.2 differs from 0.3 only beyond the fifteenth digit.
  EXPECT_EQ(kx::FloatToStr(0.1 + 0.2), "0.3");
}

TEST(FloatToStr, ExponentFormBeyondFifteenIntegerDigitsOrBelowOneHundredThousandth) {
  EXPECT_EQ(kx::FloatToStr(1e20), "1E20");
  EXPECT_EQ(kx::FloatToStr(1e15), "1E15");
  EXPECT_EQ(kx::FloatToStr(-1.25e300), "-1.25E300");
  EXPECT_EQ(kx::FloatToStr(1.5e-7), "1.5E-7");
  EXPECT_EQ(kx::FloatToStr(0.00001), "0.00001");
  EXPECT_EQ(kx::FloatToStr(0.0000099), "9.9E-6");
  // Rounding to 15 digits can add an integer digit.
  EXPECT_EQ(kx::FloatToStr(999999999999999.9), "1E15");
  EXPECT_EQ(kx::FloatToStr(5e-324), "4.94065645841247E-324");
}

TEST(FloatToStr, ZeroAndSpecialValues) {
  EXPECT_EQ(kx::FloatToStr(0.0), "0");
  EXPECT_EQ(kx::FloatToStr(-0.0), "0");
  EXPECT_EQ(kx::FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
  EXPECT_EQ(kx::FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(kx::FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FloatToStr, UsesTheDecimalSeparator) {
  SeparatorGuard guard(',');
  EXPECT_EQ(kx::FloatToStr(2.5), "2,5");
  EXPECT_EQ(kx::FloatToStr(1.5e-7), "1,5E-7");
  EXPECT_EQ(kx::FormatPercent(0.005), "0,50");
  EXPECT_DOUBLE_EQ(kx::StrToFloat("2,5"), 2.5);
  EXPECT_THROW(kx::StrToFloat("2.5"), kx::EConvertError);
}

TEST(FormatPercent, TwoSignificantDigitsShownWithTwoDecimals) {
  EXPECT_EQ(kx::FormatPercent(0.98), "98.00");
  EXPECT_EQ(kx::FormatPercent(0.1), "10.00");
  EXPECT_EQ(kx::FormatPercent(0.123), "12.00");
  EXPECT_EQ(kx::FormatPercent(1.0 / 3.0), "33.00");
  EXPECT_EQ(kx::FormatPercent(0.9), "90.00");
  EXPECT_EQ(kx::FormatPercent(0.02), "2.00");
  EXPECT_EQ(kx::FormatPercent(0.01), "1.00");
  EXPECT_EQ(kx::FormatPercent(0.0), "0.00");
  EXPECT_EQ(kx::FormatPercent(0.005), "0.50");
  EXPECT_EQ(kx::FormatPercent(0.00123), "0.12");
  EXPECT_EQ(kx::FormatPercent(0.0000123), "0.00");
  EXPECT_EQ(kx::FormatPercent(0.999), "1.0E+002");
  EXPECT_EQ(kx::FormatPercent(-0.25), "-25.00");
  // Halves round away from zero: 12.5 is exact in binary.
  EXPECT_EQ(kx::FormatPercent(0.125), "13.00");
}

TEST(FormatPercent, HundredAndMoreUseTheExponentForm) {
  EXPECT_EQ(kx::FormatPercent(1.0), "1.0E+002");
  EXPECT_EQ(kx::FormatPercent(12.5), "1.3E+003");
}

TEST(FloatToRoundTripStr, ReadsBackExactly) {
  for (double v : {0.1, 1.0 / 3.0, 1e20, -2.5e-300, 0.0199999995529652, 123456789.123456789}) {
    const std::string text = kx::FloatToRoundTripStr(v);
    EXPECT_EQ(kx::StrToFloat(text, '.'), v) << text;
  }
  EXPECT_EQ(kx::FloatToRoundTripStr(0.1), "0.1");
}

TEST(StrToFloat, AcceptsDecimalNumbersWithBlanks) {
  EXPECT_DOUBLE_EQ(kx::StrToFloat("2.5"), 2.5);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("  -2.5 "), -2.5);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("+3"), 3.0);
  EXPECT_DOUBLE_EQ(kx::StrToFloat(".5"), 0.5);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("5."), 5.0);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("1E20"), 1e20);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("1.5e-7"), 1.5e-7);
  EXPECT_DOUBLE_EQ(kx::StrToFloat("1e+3"), 1000.0);
  EXPECT_EQ(kx::StrToFloat("1e-400"), 0.0);
  EXPECT_TRUE(std::isnan(kx::StrToFloat("NAN")));
  EXPECT_EQ(kx::StrToFloat("-inf"), -std::numeric_limits<double>::infinity());
}

TEST(StrToFloat, RejectsEverythingElse) {
  for (const char* text : {"", "  ", "abc", "1.5x", "1,5", "e5", ".", "-", "1e", "1e+", "--1",
                           "+-1", "1 2", "0x10", "1.2.3", "1e400", "infinity"}) {
    EXPECT_THROW(kx::StrToFloat(text), kx::EConvertError) << '"' << text << '"';
    double value = 7.0;
    EXPECT_FALSE(kx::TryStrToFloat(text, value)) << text;
    EXPECT_EQ(value, 7.0);
    EXPECT_EQ(kx::StrToFloatDef(text, -1.0), -1.0);
  }
  try {
    kx::StrToFloat("abc");
    FAIL();
  } catch (const kx::EConvertError& e) {
    EXPECT_STREQ(e.what(), "\"abc\" is not a valid floating point value");
  }
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrites) {
  for (double v : {1.0, 0.1, 1e20, 1.5e-7, -2.5, 0.0199999995529652, 123456789012345.0}) {
    EXPECT_EQ(kx::StrToFloat(kx::FloatToStr(v)), v);
  }
}

TEST(TryStrToFloat, ReportsSuccess) {
  double value = 0.0;
  EXPECT_TRUE(kx::TryStrToFloat("2.5", value));
  EXPECT_EQ(value, 2.5);
  EXPECT_TRUE(kx::TryStrToFloat("2,5", value, ','));
  EXPECT_EQ(value, 2.5);
}

TEST(StrToInt, DecimalWithinRange) {
  EXPECT_EQ(kx::StrToInt(" -42 "), -42);
  EXPECT_EQ(kx::StrToInt("+7"), 7);
  EXPECT_EQ(kx::StrToInt("2147483647"), 2147483647);
  EXPECT_THROW(kx::StrToInt("2147483648"), kx::EConvertError);
  EXPECT_EQ(kx::StrToInt64("2147483648"), 2147483648LL);
  for (const char* text : {"", "1.5", "x", "+-1", "1 2"}) {
    std::int32_t value = 3;
    EXPECT_FALSE(kx::TryStrToInt(text, value)) << text;
    EXPECT_EQ(value, 3);
    EXPECT_THROW(kx::StrToInt64(text), kx::EConvertError);
  }
}

TEST(StrToBool, NamesAndNumbers) {
  EXPECT_TRUE(kx::StrToBool("True"));
  EXPECT_TRUE(kx::StrToBool("TRUE"));
  EXPECT_FALSE(kx::StrToBool("false"));
  EXPECT_TRUE(kx::StrToBool("-1"));
  EXPECT_FALSE(kx::StrToBool("0"));
  EXPECT_THROW(kx::StrToBool("yes"), kx::EConvertError);
  EXPECT_THROW(kx::StrToBool(""), kx::EConvertError);
  EXPECT_STREQ(kx::BoolToStr(true), "True");
  EXPECT_STREQ(kx::BoolToStr(false), "False");
}
