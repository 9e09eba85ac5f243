#include "kx/xml/xml_values.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "kx/host/number_text.hpp"

namespace kx {

std::string SingleToXMLText(double Value) {
  std::string Text = FloatToStr(static_cast<double>(static_cast<float>(Value)));
  const char Separator = DecimalSeparator();
  if (Separator != '.') std::replace(Text.begin(), Text.end(), Separator, '.');
  return Text;
}

std::string DoubleToXMLText(double Value) { return FloatToRoundTripStr(Value); }

std::string Int32ToXMLText(std::int32_t Value) { return std::to_string(Value); }

std::string UInt32ToXMLText(std::uint32_t Value) { return std::to_string(Value); }

const char* BooleanToXMLText(bool Value) noexcept { return Value ? "true" : "false"; }

float XMLTextToSingle(std::string_view Text) { return static_cast<float>(StrToFloat(Text, '.')); }

double XMLTextToDouble(std::string_view Text) { return StrToFloat(Text, '.'); }

std::int32_t XMLTextToInt32(std::string_view Text) { return StrToInt(Text); }

std::uint32_t XMLTextToUInt32(std::string_view Text) {
  return static_cast<std::uint32_t>(StrToInt64(Text));
}

bool XMLTextToBoolean(std::string_view Text) {
  // Numbers in documents use '.' whatever the process-wide separator is.
  double Number = 0.0;
  if (TryStrToFloat(Text, Number, '.') && !std::isnan(Number)) return Number != 0.0;
  return StrToBool(Text);
}

bool XMLTextIsTrue(std::string_view Text) noexcept {
  constexpr std::string_view True = "true";
  if (Text.size() != True.size()) return false;
  for (std::size_t I = 0; I < Text.size(); ++I) {
    if (std::tolower(static_cast<unsigned char>(Text[I])) != True[I]) return false;
  }
  return true;
}

bool XMLTextIsBlank(std::string_view Text) noexcept {
  return std::all_of(Text.begin(), Text.end(),
                     [](char C) { return std::isspace(static_cast<unsigned char>(C)) != 0; });
}

}  // namespace kx
