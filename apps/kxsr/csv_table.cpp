#include "csv_table.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <string_view>
#include <unordered_set>

namespace kxsr {
namespace {

std::string_view Trim(std::string_view Text) {
  const auto first = Text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = Text.find_last_not_of(" \t\r");
  return Text.substr(first, last - first + 1);
}

// Splits one line into cells, unquoting quoted ones; false for an unterminated quote.
bool SplitLine(std::string_view Line, char Separator, std::vector<std::string>& Cells) {
  Cells.clear();
  std::string cell;
  bool quoted = false;
  for (std::size_t i = 0; i < Line.size(); ++i) {
    const char ch = Line[i];
    if (quoted) {
      if (ch != '"') {
        cell += ch;
      } else if (i + 1 < Line.size() && Line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (ch == '"' && Trim(cell).empty()) {
      cell.clear();
      quoted = true;
    } else if (ch == Separator) {
      Cells.emplace_back(Trim(cell));
      cell.clear();
    } else {
      cell += ch;
    }
  }
  if (quoted) return false;
  Cells.emplace_back(Trim(cell));
  return true;
}

// The header decides: the separator that occurs more often outside quotes.
char DetectSeparator(std::string_view Header) {
  std::size_t commas = 0, semicolons = 0;
  bool quoted = false;
  for (char ch : Header) {
    if (ch == '"') quoted = !quoted;
    if (quoted) continue;
    commas += ch == ',';
    semicolons += ch == ';';
  }
  return semicolons > commas ? ';' : ',';
}

bool ParseNumber(std::string Cell, bool DecimalComma, double& Value) {
  if (DecimalComma) std::replace(Cell.begin(), Cell.end(), ',', '.');
  const char* first = Cell.data();
  const char* last = first + Cell.size();
  if (first != last && *first == '+') ++first;
  const auto [end, error] = std::from_chars(first, last, Value);
  return error == std::errc() && end == last && first != last;
}

std::string At(const std::string& Source, std::size_t Line) {
  return Source + ":" + std::to_string(Line) + ": ";
}

}  // namespace

TCsvTable TCsvTable::ReadFile(const std::string& FileName) {
  std::ifstream stream(FileName, std::ios::binary);
  if (!stream) throw TDataError("cannot open " + FileName);
  return Read(stream, FileName);
}

TCsvTable TCsvTable::Read(std::istream& Stream, const std::string& Source) {
  TCsvTable table;
  table.FSource = Source;
  std::string line;
  std::size_t lineNumber = 0;
  char separator = ',';
  std::vector<std::string> cells;
  while (std::getline(Stream, line)) {
    ++lineNumber;
    if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (Trim(line).empty()) continue;
    if (table.FNames.empty()) {
      separator = DetectSeparator(line);
      if (!SplitLine(line, separator, cells)) {
        throw TDataError(At(Source, lineNumber) + "unterminated quote in the header");
      }
      std::unordered_set<std::string> seen;
      for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].empty()) {
          throw TDataError(At(Source, lineNumber) + "column " + std::to_string(c + 1) +
                           " of the header has no name");
        }
        if (!seen.insert(cells[c]).second) {
          throw TDataError(At(Source, lineNumber) + "column name \"" + cells[c] +
                           "\" appears twice");
        }
      }
      table.FNames = cells;
      table.FColumns.resize(cells.size());
      continue;
    }
    if (!SplitLine(line, separator, cells)) {
      throw TDataError(At(Source, lineNumber) + "unterminated quote");
    }
    if (cells.size() != table.FNames.size()) {
      throw TDataError(At(Source, lineNumber) + std::to_string(cells.size()) +
                       (cells.size() == 1 ? " cell" : " cells") + " where the header has " +
                       std::to_string(table.FNames.size()) + " columns");
    }
    for (std::size_t c = 0; c < cells.size(); ++c) {
      double value = 0;
      if (cells[c].empty()) {
        throw TDataError(At(Source, lineNumber) + "empty cell in column \"" + table.FNames[c] +
                         "\"");
      }
      if (!ParseNumber(cells[c], separator == ';', value) || !std::isfinite(value)) {
        throw TDataError(At(Source, lineNumber) + "\"" + cells[c] + "\" in column \"" +
                         table.FNames[c] + "\" is not a finite number");
      }
      table.FColumns[c].push_back(value);
    }
  }
  if (Stream.bad()) throw TDataError("cannot read " + Source);
  if (table.FNames.empty()) throw TDataError(Source + ": the file is empty");
  if (table.RowCount() == 0) throw TDataError(Source + ": no data rows after the header");
  return table;
}

int TCsvTable::IndexOf(const std::string& Name) const noexcept {
  const auto found = std::find(FNames.begin(), FNames.end(), Name);
  return found == FNames.end() ? -1 : static_cast<int>(found - FNames.begin());
}

}  // namespace kxsr
