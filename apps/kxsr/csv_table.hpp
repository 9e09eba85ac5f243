#pragma once

#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

namespace kxsr {

// Bad input data (a broken CSV file, a missing column): the message is one line meant for
// the user, already naming the file and, where there is one, the line.
class TDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A numeric table read from a CSV file: a header row of column names, then one row of
// numbers per non-blank line.
//
// Accepted: comma or semicolon separators (whichever the header uses; with semicolons a
// decimal comma is read as a point), names and cells in double quotes with "" for a quote,
// blank lines anywhere, CRLF line ends and a UTF-8 byte order mark. Rejected with a
// TDataError: an empty file, a header without rows, a row with another number of cells
// than the header, a cell that is empty or not a finite number, an unterminated quote, and
// empty or duplicate column names.
class TCsvTable {
 public:
  // Reads Stream; Source names it in messages ("data.csv").
  static TCsvTable Read(std::istream& Stream, const std::string& Source);
  static TCsvTable ReadFile(const std::string& FileName);

  const std::vector<std::string>& Names() const noexcept { return FNames; }
  std::size_t RowCount() const noexcept { return FColumns.empty() ? 0 : FColumns[0].size(); }
  // Position of the column called Name (exact match), or -1.
  int IndexOf(const std::string& Name) const noexcept;
  const std::vector<double>& Column(std::size_t Index) const { return FColumns.at(Index); }
  // The source the table was read from, for messages.
  const std::string& Source() const noexcept { return FSource; }

 private:
  std::string FSource;
  std::vector<std::string> FNames;
  std::vector<std::vector<double>> FColumns;
};

}  // namespace kxsr
