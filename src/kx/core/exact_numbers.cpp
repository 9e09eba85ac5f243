#include "kx/core/detail/exact_numbers.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "kx/host/exceptions.hpp"

namespace kx::detail {

void BadRunState(std::string_view Element, std::string_view Text) {
  throw EConvertError("RunState element " + std::string(Element) +
                      " does not hold a valid value: '" + std::string(Text.substr(0, 40)) + "'");
}

std::string_view TrimBlanks(std::string_view Text) noexcept {
  const auto first = Text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = Text.find_last_not_of(" \t\r\n");
  return Text.substr(first, last - first + 1);
}

void AppendExactDouble(std::string& Text, double Value) {
  char buffer[32];
  const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, Value);
  Text.append(buffer, result.ptr);
}

std::string ExactDoublesText(const std::vector<double>& Values) {
  std::string text;
  text.reserve(Values.size() * 12);
  for (const double value : Values) {
    if (!text.empty()) text.push_back(' ');
    AppendExactDouble(text, value);
  }
  return text;
}

double ParseExactDouble(std::string_view Element, std::string_view Text) {
  const std::string_view text = TrimBlanks(Text);
  double value = 0;
  const std::from_chars_result result =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size())
    BadRunState(Element, Text);
  return value;
}

std::vector<double> ParseExactDoubles(std::string_view Element, std::string_view Text) {
  std::vector<double> values;
  std::string_view rest = Text;
  while (true) {
    const auto first = rest.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) break;
    rest.remove_prefix(first);
    const auto end = std::min(rest.find_first_of(" \t\r\n"), rest.size());
    values.push_back(ParseExactDouble(Element, rest.substr(0, end)));
    rest.remove_prefix(end);
  }
  return values;
}

}  // namespace kx::detail
