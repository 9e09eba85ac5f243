#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kx {

// Text forms of the values stored in documents. Documents always use '.' as decimal
// separator, whatever the process-wide separator of number_text.hpp says, so that a file
// reads back on any machine. Conversions that fail raise EConvertError.

/// A 32-bit float: Value is narrowed to float, widened back and written with 15 significant
/// digits (0.02 -> "0.0199999995529652").
std::string SingleToXMLText(double Value);
/// A 64-bit float: the shortest text that reads back to exactly Value.
std::string DoubleToXMLText(double Value);
std::string Int32ToXMLText(std::int32_t Value);
std::string UInt32ToXMLText(std::uint32_t Value);
/// "true" or "false".
const char* BooleanToXMLText(bool Value) noexcept;

/// The text converted to a double and narrowed to a 32-bit float (returned widened).
float XMLTextToSingle(std::string_view Text);
double XMLTextToDouble(std::string_view Text);
std::int32_t XMLTextToInt32(std::string_view Text);
/// The text converted to a 64-bit integer and truncated to its low 32 bits.
std::uint32_t XMLTextToUInt32(std::string_view Text);
/// The general text-to-boolean conversion: "true"/"false" in any letter case or a number
/// with '.' as separator (zero is false); other texts raise EConvertError.
bool XMLTextToBoolean(std::string_view Text);
/// The rule of simple boolean elements: true exactly when the lower-cased text is "true";
/// every other text, the empty one included, is false and never an error.
bool XMLTextIsTrue(std::string_view Text) noexcept;
/// True when Text holds nothing but blanks (no value for a simple number element).
bool XMLTextIsBlank(std::string_view Text) noexcept;

}  // namespace kx
