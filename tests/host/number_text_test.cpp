#include "host/host_test_support.hpp"

using L = std::numeric_limits<double>;

// 0.1 + 0.2 differs from 0.3 only beyond the fifteenth digit; 999999999999999.9 gains an
// integer digit when rounded to fifteen.
TEST(FloatToStr, GeneralFormatWithFifteenDigitsPercentagesAndTheDecimalSeparator) {
  // clang-format off
  const std::pair<double, const char*> rows[] = {
      {1.0, "1"}, {-2.5, "-2.5"}, {123456789012345.0, "123456789012345"},
      {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"},
      {static_cast<double>(0.02f), "0.0199999995529652"}, {0.1 + 0.2, "0.3"}, {1e15, "1E15"},
      {-1.25e300, "-1.25E300"}, {1.5e-7, "1.5E-7"}, {0.00001, "0.00001"}, {0.0000099, "9.9E-6"},
      {999999999999999.9, "1E15"}, {5e-324, "4.94065645841247E-324"}, {-0.0, "0"},
      {L::quiet_NaN(), "NAN"}, {L::infinity(), "INF"}, {-L::infinity(), "-INF"}};
  // clang-format on
  for (const auto& [value, text] : rows) EXPECT_EQ(kx::FloatToStr(value), text) << text;
  EXPECT_EQ(kx::FloatToRoundTripStr(0.1), "0.1");
  // Percentages: two significant digits shown with two decimals; halves round away from zero;
  // from 99.5% on the value has three digits and shows as exponent.
  const std::pair<double, const char*> percents[] = {
      {0.98, "98.00"},   {0.123, "12.00"}, {1.0 / 3.0, "33.00"}, {0.02, "2.00"},
      {0.0, "0.00"},     {0.005, "0.50"},  {0.00123, "0.12"},    {0.0000123, "0.00"},
      {-0.25, "-25.00"}, {0.125, "13.00"}, {0.999, "1.0E+002"},  {1.0, "1.0E+002"},
      {12.5, "1.3E+003"}};
  for (const auto& [value, text] : percents) EXPECT_EQ(kx::FormatPercent(value), text) << value;
  // Texts use the decimal separator unless one is given.
  kx::testing::SeparatorGuard guard(',');
  EXPECT_EQ(kx::FloatToStr(1.5e-7) + " " + kx::FormatPercent(0.005), "1,5E-7 0,50");
  EXPECT_EQ(kx::StrToFloat("2,5"), 2.5);
  EXPECT_THROW(kx::StrToFloat("2.5"), kx::EConvertError);
  double value = 0.0;
  EXPECT_TRUE(kx::TryStrToFloat("2.5", value, '.') && value == 2.5);
}

// Round-trip texts read back bit for bit (with the sign of zero), 15-digit ones within their
// precision: the range edges and random bit patterns of finite doubles.
TEST(FloatToStr, EveryFiniteDoubleReadsBack) {
  std::vector<double> values = {
      -0.0,     L::max(),         -L::max(),      std::nextafter(L::max(), 0.0),
      L::min(), -L::denorm_min(), L::denorm_min()};
  for (kx::TKXRandom random(2024); values.size() < 4000;) {
    const double v = std::bit_cast<double>((std::uint64_t{random.Next()} << 32) | random.Next());
    if (std::isfinite(v)) values.push_back(v);
  }
  for (const double v : values) {
    ASSERT_EQ(std::bit_cast<std::uint64_t>(kx::StrToFloat(kx::FloatToRoundTripStr(v), '.')),
              std::bit_cast<std::uint64_t>(v))
        << v;
    const double general = kx::StrToFloat(kx::FloatToStr(v));
    ASSERT_LE(std::fabs(general - v), std::fmax(std::fabs(v) * 1e-14, L::denorm_min())) << v;
  }
}

TEST(StrToFloat, AcceptsDecimalNumbersWithBlanksAndRejectsEverythingElseAsDoStrToIntAndBool) {
  const std::pair<const char*, double> rows[] = {
      {"  -2.5 ", -2.5}, {"+3", 3.0},      {".5", 0.5},     {"5.", 5.0},
      {"1E20", 1e20},    {"1e+3", 1000.0}, {"1e-400", 0.0}, {"-inf", -L::infinity()}};
  for (const auto& [text, value] : rows) EXPECT_EQ(kx::StrToFloat(text), value) << text;
  EXPECT_TRUE(std::isnan(kx::StrToFloat("NAN")));
  for (const char* text :
       {"", "  ", "abc", "1.5x", "1,5", "e5", ".", "-", "1e", "1e+", "--1", "+-1", "1 2", "0x10",
        "1.2.3", "1e400", "infinity", "1.797693134862321E308"}) {
    EXPECT_THROW(kx::StrToFloat(text), kx::EConvertError) << '"' << text << '"';
    double value = 7.0;
    EXPECT_FALSE(kx::TryStrToFloat(text, value)) << text;
    EXPECT_EQ(value, 7.0);
  }
  EXPECT_EQ(kx::testing::ErrorOf([] { kx::StrToFloat("abc"); }),
            "\"abc\" is not a valid floating point value");
  EXPECT_EQ(kx::StrToInt(" -42 "), -42);
  EXPECT_EQ(kx::StrToInt("+2147483647"), 2147483647);
  EXPECT_THROW(kx::StrToInt("2147483648"), kx::EConvertError);
  EXPECT_EQ(kx::StrToInt64("2147483648"), 2147483648LL);
  for (const char* text : {"", "1.5", "x", "+-1", "1 2"}) {
    EXPECT_THROW(kx::StrToInt(text), kx::EConvertError) << text;
    EXPECT_THROW(kx::StrToInt64(text), kx::EConvertError) << text;
  }
  for (const char* text : {"True", "TRUE", "-1", "2"}) EXPECT_TRUE(kx::StrToBool(text)) << text;
  for (const char* text : {"false", "0"}) EXPECT_FALSE(kx::StrToBool(text)) << text;
  for (const char* text : {"yes", ""}) EXPECT_THROW(kx::StrToBool(text), kx::EConvertError);
}
