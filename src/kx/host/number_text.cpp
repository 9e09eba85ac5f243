#include "kx/host/number_text.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

#include "kx/host/exceptions.hpp"

namespace kx {

namespace {

std::atomic<char> gDecimalSeparator{'.'};

// A non-negative decimal number Digits[0].Digits[1..] x 10^Exponent; no digits means zero.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
};

// Digits the formatter asks the standard conversion for before rounding itself: far more
// than any precision used here, so that rounding halves away from zero happens on
// (practically) the exact decimal expansion of the binary value.
constexpr int kExactDigits = 30;

TDecimal ExactDecimal(double Magnitude) {
  TDecimal result;
  if (Magnitude == 0.0) return result;
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, Magnitude,
                                 std::chars_format::scientific, kExactDigits - 1)
                       .ptr;
  const char* p = buffer;
  for (; p != end && *p != 'e'; ++p) {
    if (*p != '.') result.Digits += *p;
  }
  std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), end, result.Exponent);
  return result;
}

// Keeps Keep significant digits, rounding halves away from zero; Keep may be 0 or
// negative (the number then rounds to one unit of the next higher decade, or to zero).
void RoundDigits(TDecimal& Value, int Keep) {
  if (Value.Digits.empty() || Keep >= static_cast<int>(Value.Digits.size())) return;
  if (Keep < 0) {
    Value.Digits.clear();
    return;
  }
  const bool up = Value.Digits[Keep] >= '5';
  Value.Digits.resize(Keep);
  if (!up) return;
  int i = Keep - 1;
  while (i >= 0 && Value.Digits[i] == '9') Value.Digits[i--] = '0';
  if (i >= 0) {
    ++Value.Digits[i];
  } else {
    // Every kept digit was a 9: the number becomes one unit of the next decade.
    Value.Digits.assign(static_cast<std::size_t>(std::max(Keep, 1)), '0');
    Value.Digits[0] = '1';
    ++Value.Exponent;
  }
}

void TrimTrailingZeros(TDecimal& Value) {
  while (!Value.Digits.empty() && Value.Digits.back() == '0') Value.Digits.pop_back();
}

// Digit I of the number (0 beyond the stored digits).
char DigitAt(const TDecimal& Value, int I) {
  return I >= 0 && I < static_cast<int>(Value.Digits.size()) ? Value.Digits[I] : '0';
}

// Fixed notation with Decimals digits after the separator, or as many as there are
// (Decimals < 0); the integer part is at least "0".
void AppendFixed(std::string& Out, const TDecimal& Value, int Decimals, char Separator) {
  const int count = static_cast<int>(Value.Digits.size());
  if (Value.Exponent < 0) {
    Out += '0';
  } else {
    for (int i = 0; i <= Value.Exponent; ++i) Out += DigitAt(Value, i);
  }
  const int fraction = Decimals >= 0 ? Decimals : std::max(0, count - Value.Exponent - 1);
  if (fraction == 0) return;
  Out += Separator;
  for (int i = 1; i <= fraction; ++i) Out += DigitAt(Value, Value.Exponent + i);
}

bool IsBlank(char C) noexcept { return C == ' ' || (C >= '\t' && C <= '\r'); }

std::string_view Trim(std::string_view Text) noexcept {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return Text;
}

char Upper(char C) noexcept { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }

bool SameLetters(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    if (Upper(A[i]) != Upper(B[i])) return false;
  }
  return true;
}

bool IsDigit(char C) noexcept { return C >= '0' && C <= '9'; }

// The general writer keeps 15 significant digits, so the largest doubles (from about
// 1.797693134862315E308 up to the maximum) come out as 1.79769313486232E308, just past the
// double range. Texts up to that one read as the largest double, so that every finite value
// the writer produces reads back; anything larger still overflows.
constexpr std::string_view kLargestWrittenDigits = "179769313486232";
constexpr long kLargestWrittenExponent = 308;

// Whether the decimal number Text (digits with an optional '.', up to an 'e' or the end)
// times 10^Exponent, whose first significant digit has the decimal exponent Decimal, is at
// most the largest text the writer produces.
bool WithinLargestWritten(std::string_view Text, long Decimal) noexcept {
  if (Decimal != kLargestWrittenExponent) return Decimal < kLargestWrittenExponent;
  std::size_t i = 0;
  for (; i < Text.size() && (Text[i] == '0' || Text[i] == '.'); ++i) {
  }
  std::size_t k = 0;
  for (; i < Text.size() && Text[i] != 'e'; ++i) {
    if (Text[i] == '.') continue;
    const char limit = k < kLargestWrittenDigits.size() ? kLargestWrittenDigits[k] : '0';
    if (Text[i] != limit) return Text[i] < limit;
    ++k;
  }
  return true;
}

// The parser behind every text-to-float conversion. Validates the whole grammar itself
// (the standard conversion accepts forms the library does not) and hands a normalized
// copy to std::from_chars.
bool ParseFloat(std::string_view Text, char Separator, double& Value) noexcept {
  Text = Trim(Text);
  if (Text.empty()) return false;
  bool negative = false;
  std::size_t i = 0;
  if (Text[0] == '+' || Text[0] == '-') {
    negative = Text[0] == '-';
    ++i;
  }
  const std::string_view body = Text.substr(i);
  if (SameLetters(body, "NAN")) {
    Value = std::numeric_limits<double>::quiet_NaN();
    return true;
  }
  if (SameLetters(body, "INF")) {
    Value = negative ? -std::numeric_limits<double>::infinity()
                     : std::numeric_limits<double>::infinity();
    return true;
  }

  char small[96];
  std::string large;
  char* buffer = small;
  if (Text.size() + 2 > sizeof small) {
    large.resize(Text.size() + 2);
    buffer = large.data();
  }
  std::size_t n = 0;
  // Decimal position of the first significant digit relative to the separator, to tell
  // an overflow from an underflow when the standard conversion reports a range error.
  long magnitude = 0;
  bool seenSignificant = false;
  int digits = 0;
  for (; i < Text.size() && IsDigit(Text[i]); ++i, ++digits) {
    buffer[n++] = Text[i];
    if (seenSignificant || Text[i] != '0') {
      seenSignificant = true;
      ++magnitude;
    }
  }
  if (i < Text.size() && Text[i] == Separator) {
    buffer[n++] = '.';
    for (++i; i < Text.size() && IsDigit(Text[i]); ++i, ++digits) {
      buffer[n++] = Text[i];
      if (!seenSignificant && Text[i] != '0') seenSignificant = true;
      if (!seenSignificant) --magnitude;
    }
  }
  if (digits == 0) return false;
  long exponent = 0;
  if (i < Text.size() && (Text[i] == 'e' || Text[i] == 'E')) {
    buffer[n++] = 'e';
    ++i;
    bool negativeExponent = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) {
      negativeExponent = Text[i] == '-';
      if (negativeExponent) buffer[n++] = '-';
      ++i;
    }
    const std::size_t start = i;
    for (; i < Text.size() && IsDigit(Text[i]); ++i) {
      buffer[n++] = Text[i];
      if (exponent < 1000000) exponent = exponent * 10 + (Text[i] - '0');
    }
    if (i == start) return false;
    if (negativeExponent) exponent = -exponent;
  }
  if (i != Text.size()) return false;

  double result = 0.0;
  const auto [ptr, ec] = std::from_chars(buffer, buffer + n, result);
  if (ptr != buffer + n) return false;
  if (ec == std::errc::result_out_of_range) {
    if (seenSignificant && magnitude + exponent > 0) {
      if (!WithinLargestWritten(std::string_view(buffer, n), magnitude - 1 + exponent)) {
        return false;
      }
      result = std::numeric_limits<double>::max();
    } else {
      result = 0.0;
    }
  } else if (ec != std::errc()) {
    return false;
  }
  Value = negative ? -result : result;
  return true;
}

std::string Quoted(std::string_view Text) {
  std::string quoted;
  quoted.reserve(Text.size() + 2);
  quoted += '"';
  quoted += Text;
  quoted += '"';
  return quoted;
}

bool ParseInt64(std::string_view Text, std::int64_t& Value) noexcept {
  Text = Trim(Text);
  if (!Text.empty() && Text[0] == '+') {
    Text.remove_prefix(1);
    if (!Text.empty() && Text[0] == '-') return false;
  }
  if (Text.empty()) return false;
  std::int64_t result = 0;
  const auto [ptr, ec] = std::from_chars(Text.data(), Text.data() + Text.size(), result);
  if (ec != std::errc() || ptr != Text.data() + Text.size()) return false;
  Value = result;
  return true;
}

}  // namespace

char DecimalSeparator() noexcept { return gDecimalSeparator.load(std::memory_order_relaxed); }

void SetDecimalSeparator(char Value) noexcept {
  gDecimalSeparator.store(Value, std::memory_order_relaxed);
}

std::string FloatToStr(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  TDecimal decimal = ExactDecimal(std::fabs(Value));
  RoundDigits(decimal, 15);
  TrimTrailingZeros(decimal);
  if (decimal.Digits.empty()) return "0";

  const char separator = DecimalSeparator();
  std::string text;
  if (Value < 0) text += '-';
  if (decimal.Exponent >= 15 || decimal.Exponent < -5) {
    text += decimal.Digits[0];
    if (decimal.Digits.size() > 1) {
      text += separator;
      text.append(decimal.Digits, 1);
    }
    text += 'E';
    text += std::to_string(decimal.Exponent);
    return text;
  }
  AppendFixed(text, decimal, -1, separator);
  return text;
}

std::string FormatPercent(double Probability) {
  constexpr int kPrecision = 2;
  constexpr int kDecimals = 2;
  const double value = Probability * 100.0;
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  TDecimal decimal = ExactDecimal(std::fabs(value));
  RoundDigits(decimal, kPrecision);
  const char separator = DecimalSeparator();
  std::string text;
  if (!decimal.Digits.empty() && decimal.Exponent + 1 > kPrecision) {
    if (value < 0) text += '-';
    text += DigitAt(decimal, 0);
    text += separator;
    for (int i = 1; i < kPrecision; ++i) text += DigitAt(decimal, i);
    text += 'E';
    text += decimal.Exponent < 0 ? '-' : '+';
    std::string exponent = std::to_string(std::abs(decimal.Exponent));
    if (exponent.size() < 3) text.append(3 - exponent.size(), '0');
    text += exponent;
    return text;
  }
  // Only the digits down to the second decimal survive the fixed notation.
  RoundDigits(decimal, decimal.Exponent + 1 + kDecimals);
  if (value < 0 && !decimal.Digits.empty()) text += '-';
  AppendFixed(text, decimal, kDecimals, separator);
  return text;
}

std::string FloatToRoundTripStr(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, Value).ptr;
  return std::string(buffer, end);
}

double StrToFloat(std::string_view Text) { return StrToFloat(Text, DecimalSeparator()); }

double StrToFloat(std::string_view Text, char Separator) {
  double value = 0.0;
  if (!ParseFloat(Text, Separator, value)) {
    throw EConvertError(Quoted(Text) + " is not a valid floating point value");
  }
  return value;
}

bool TryStrToFloat(std::string_view Text, double& Value) noexcept {
  return ParseFloat(Text, DecimalSeparator(), Value);
}

bool TryStrToFloat(std::string_view Text, double& Value, char Separator) noexcept {
  return ParseFloat(Text, Separator, Value);
}

double StrToFloatDef(std::string_view Text, double Default) noexcept {
  double value = Default;
  return ParseFloat(Text, DecimalSeparator(), value) ? value : Default;
}

std::int32_t StrToInt(std::string_view Text) {
  std::int32_t value = 0;
  if (!TryStrToInt(Text, value))
    throw EConvertError(Quoted(Text) + " is not a valid integer value");
  return value;
}

bool TryStrToInt(std::string_view Text, std::int32_t& Value) noexcept {
  std::int64_t value = 0;
  if (!ParseInt64(Text, value)) return false;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  Value = static_cast<std::int32_t>(value);
  return true;
}

std::int64_t StrToInt64(std::string_view Text) {
  std::int64_t value = 0;
  if (!ParseInt64(Text, value)) throw EConvertError(Quoted(Text) + " is not a valid integer value");
  return value;
}

bool TryStrToInt64(std::string_view Text, std::int64_t& Value) noexcept {
  return ParseInt64(Text, Value);
}

bool StrToBool(std::string_view Text) {
  bool value = false;
  if (!TryStrToBool(Text, value))
    throw EConvertError(Quoted(Text) + " is not a valid boolean value");
  return value;
}

bool TryStrToBool(std::string_view Text, bool& Value) noexcept {
  const std::string_view text = Trim(Text);
  if (SameLetters(text, "True")) {
    Value = true;
    return true;
  }
  if (SameLetters(text, "False")) {
    Value = false;
    return true;
  }
  double number = 0.0;
  if (!ParseFloat(text, DecimalSeparator(), number) || std::isnan(number)) return false;
  Value = number != 0.0;
  return true;
}

}  // namespace kx
