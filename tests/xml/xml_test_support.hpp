#pragma once

#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/host_test_support.hpp"
#include "kx/xml/xml_document.hpp"
#include "kx/xml/xml_error.hpp"

namespace kx::test {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A fresh folder for the files of one test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string Pattern = (std::filesystem::temp_directory_path() / "kx_xml_XXXXXX").string();
    if (!mkdtemp(Pattern.data())) throw std::runtime_error("mkdtemp failed");
    FPath = Pattern;
  }
  ~TempFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  std::string File(const std::string& Name) const { return (FPath / Name).string(); }
  std::vector<std::string> Names() const {
    std::vector<std::string> Result;
    for (const auto& Entry : std::filesystem::directory_iterator(FPath)) {
      Result.push_back(Entry.path().filename().string());
    }
    return Result;
  }

 private:
  std::filesystem::path FPath;
};

inline void WriteFile(const std::string& FileName, const std::string& Text) {
  std::ofstream(FileName, std::ios::binary) << Text;
}

inline std::string ReadFile(const std::string& FileName) {
  std::ifstream Stream(FileName, std::ios::binary);
  std::ostringstream Text;
  Text << Stream.rdbuf();
  return Text.str();
}

// The message of the error of type TError that Action raises, or "no error".
template <class TError = EXMLError, class F>
std::string ErrorOf(F&& Action) {
  return kx::testing::ErrorOf<TError>(std::forward<F>(Action));
}

// The tags of the element children of Node, in document order.
inline std::vector<std::string> ChildTags(TKXXMLNode Node) {
  std::vector<std::string> Tags;
  for (TKXXMLNode Child = Node.FirstChild(); Child; Child = Child.NextSibling()) {
    if (Child.NodeType() == TXMLNodeType::ntElement) Tags.emplace_back(Child.NodeName());
  }
  return Tags;
}

// The document without the run state's wall clock, which runs on between two saves.
inline std::string WithoutClock(std::string Text) {
  const std::size_t at = Text.find("<ElapsedSeconds>");
  if (at != std::string::npos) Text.erase(at, Text.find("</ElapsedSeconds>", at) - at);
  return Text;
}

}  // namespace kx::test
