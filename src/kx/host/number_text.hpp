#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// Text forms of numbers and booleans as the library writes and reads them. Every float
// text honours one process-wide decimal separator (the "locale setting"), '.' by default.

/// The decimal separator of float texts written and read by the functions below.
char DecimalSeparator() noexcept;
/// Changes the process-wide decimal separator; set it before any thread formats numbers.
void SetDecimalSeparator(char Value) noexcept;

/// General text with at most 15 significant digits: fixed notation when the (rounded) value
/// has at most 15 integer digits and a magnitude of at least 0.00001, otherwise exponent
/// form "dE[-]n" (no '+', no leading exponent zeros). Trailing zeros and a trailing separator
/// are dropped: 1.0 -> "1", 0.1 -> "0.1", 1e20 -> "1E20", 1.5e-7 -> "1.5E-7". Zero (of either
/// sign) is "0"; NaN is "NAN", infinities "INF" and "-INF".
std::string FloatToStr(double Value);

/// A probability as a percentage: Probability x 100, rounded to two significant digits and
/// written in fixed notation with two decimals: 0.123 -> "12.00", 1/3 -> "33.00",
/// 0.005 -> "0.50". A value of 100 or more has more integer digits than the precision of
/// two and is written in exponent form instead: mantissa with two digits, "E", a sign and at
/// least three exponent digits (1 -> "1.0E+002", 12.5 -> "1.3E+003").
std::string FormatPercent(double Probability);

/// The shortest text that reads back to exactly Value, always with '.' as separator and
/// independent of DecimalSeparator() (for streams and files): 0.1 -> "0.1", 1e20 -> "1e+20".
std::string FloatToRoundTripStr(double Value);

///@{
/// Strict text-to-float: the whole text, apart from leading and trailing blanks, must be a
/// decimal number: optional sign, digits with at most one separator (at least one digit),
/// optional exponent "e"/"E" with optional sign and digits. "NAN", "INF" and "-INF" (any
/// letter case) read back what FloatToStr writes. Otherwise (empty text included) raises
/// EConvertError: "abc" is not a valid floating point value. A magnitude beyond the double
/// range is not valid either, except up to 1.79769313486232E308, the text FloatToStr writes
/// for the largest doubles, which reads as the largest double (so every finite value
/// FloatToStr writes reads back); a magnitude below the range reads as zero.
double StrToFloat(std::string_view Text);
double StrToFloat(std::string_view Text, char Separator);
///@}
///@{
/// Lenient text-to-float: as StrToFloat, but reports failure by returning false and leaves
/// Value unchanged.
bool TryStrToFloat(std::string_view Text, double& Value) noexcept;
bool TryStrToFloat(std::string_view Text, double& Value, char Separator) noexcept;
///@}
/// The converted text, or Default when the text is not a number.
double StrToFloatDef(std::string_view Text, double Default) noexcept;

/// Decimal integers with optional sign (and leading/trailing blanks). Out-of-range or
/// malformed texts fail: the Str* forms raise EConvertError ("x" is not a valid integer
/// value), the Try* forms return false and leave Value unchanged.
std::int32_t StrToInt(std::string_view Text);
bool TryStrToInt(std::string_view Text, std::int32_t& Value) noexcept;
std::int64_t StrToInt64(std::string_view Text);
bool TryStrToInt64(std::string_view Text, std::int64_t& Value) noexcept;

/// "True" or "False".
inline const char* BoolToStr(bool Value) noexcept { return Value ? "True" : "False"; }
/// Reads "True"/"False" in any letter case, or a number (zero is false, anything else
/// true); other texts raise EConvertError ("x" is not a valid boolean value) or, for the
/// Try form, return false and leave Value unchanged.
bool StrToBool(std::string_view Text);
bool TryStrToBool(std::string_view Text, bool& Value) noexcept;

}  // namespace kx
