#include "csv_table.hpp"

#include <gtest/gtest.h>

#include <sstream>

namespace {

kxsr::TCsvTable Read(const std::string& Text) {
  std::istringstream stream(Text);
  return kxsr::TCsvTable::Read(stream, "d.csv");
}

TEST(CsvTable, ReadsQuotedNamesSemicolonsDecimalCommasAndBlankLines) {
  const auto table = Read("\xEF\xBB\xBF\"x; 1\";\"say \"\"y\"\"\"\r\n\n1,5;-2\r\n  \n3;+4e1\n");
  EXPECT_EQ(table.Names(), (std::vector<std::string>{"x; 1", "say \"y\""}));
  EXPECT_EQ(table.Column(0), (std::vector<double>{1.5, 3}));
  EXPECT_EQ(table.Column(1), (std::vector<double>{-2, 40}));
}

TEST(CsvTable, BrokenFilesGiveOneLineWithTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      // text, message
      {"", "d.csv: the file is empty"},
      {"\n  \n", "d.csv: the file is empty"},
      {"x,y\n\n", "d.csv: no data rows after the header"},
      {"x,y\n1,2\n\n3,abc\n", "d.csv:4: \"abc\" in column \"y\" is not a finite number"},
      {"x,y\n1,nan\n", "d.csv:2: \"nan\" in column \"y\" is not a finite number"},
      {"x,y\n1,2,3\n", "d.csv:2: 3 cells where the header has 2 columns"},
      {"x,y\n1\n", "d.csv:2: 1 cell where the header has 2 columns"},
      {"x,y\n1,\n", "d.csv:2: empty cell in column \"y\""},
      {"x,y\n1,\"2\n", "d.csv:2: unterminated quote"},
      {"x,x\n1,2\n", "d.csv:1: column name \"x\" appears twice"},
      {"x,,y\n1,2,3\n", "d.csv:1: column 2 of the header has no name"},
  };
  for (const auto& [text, expected] : cases) {
    try {
      Read(text);
      ADD_FAILURE() << "no error: " << text;
    } catch (const kxsr::TDataError& E) {
      EXPECT_STREQ(E.what(), expected) << text;
    }
  }
}

}  // namespace
