#pragma once

// Number lists of a run state: each double in its shortest text that reads back exactly
// (infinities and NaN included), separated by blanks.

#include <string>
#include <string_view>
#include <vector>

namespace kx::detail {

/// Text without leading and trailing blanks, tabs and line ends.
std::string_view TrimBlanks(std::string_view Text) noexcept;
/// Appends Value's shortest exact text to Text.
void AppendExactDouble(std::string& Text, double Value);
/// The values' exact texts separated by blanks.
std::string ExactDoublesText(const std::vector<double>& Values);
/// Reads one exact text back; anything else raises EConvertError naming the run-state Element.
double ParseExactDouble(std::string_view Element, std::string_view Text);
/// Reads ExactDoublesText's form back; anything else raises EConvertError naming the
/// run-state Element.
std::vector<double> ParseExactDoubles(std::string_view Element, std::string_view Text);
/// Raises the error a run-state element with an unreadable value gets.
[[noreturn]] void BadRunState(std::string_view Element, std::string_view Text);

}  // namespace kx::detail
