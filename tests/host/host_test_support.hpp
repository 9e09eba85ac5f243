#pragma once

#include <gtest/gtest.h>

// What the host tests share: the library's common headers and the standard ones they use.
#include <algorithm>
#include <bit>
#include <cmath>
#include <kx/host/collection.hpp>
#include <kx/host/component.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/number_text.hpp>
#include <kx/host/random.hpp>
#include <kx/host/streaming.hpp>
#include <kx/host/string_list.hpp>
#include <limits>
#include <sstream>

namespace kx::testing {

// Sets the process-wide decimal separator and restores it even when a test fails midway.
struct SeparatorGuard {
  explicit SeparatorGuard(char Value) : Previous(DecimalSeparator()) { SetDecimalSeparator(Value); }
  ~SeparatorGuard() { SetDecimalSeparator(Previous); }
  const char Previous;
};

// A collection item with a string and an integer property; a count set through SetCount
// reports the change to its collection.
class TTestItem : public TKXCollectionItem {
 public:
  using TKXCollectionItem::TKXCollectionItem;
  std::string ClassName() const override { return "TTestItem"; }
  std::string Label;
  std::int32_t Count = 0;
  void SetCount(std::int32_t Value) {
    Count = Value;
    Changed(false);
  }
  void Assign(TKXPersistent* Source) override {
    auto* s = dynamic_cast<TTestItem*>(Source);
    s ? void(Count = s->Count) : TKXCollectionItem::Assign(Source);
  }
  void DefineProperties(TKXFiler& Filer) override {
    Filer.StringProperty(
        "Label", [this] { return Label; }, [this](const std::string& v) { Label = v; });
    Filer.IntProperty(
        "Count", [this] { return Count; }, [this](std::int32_t v) { Count = v; }, 0);
  }
};

// The message of the E that Action raises, or "no error".
template <class E = EKXException, class F>
std::string ErrorOf(F&& Action) {
  try {
    Action();
  } catch (const E& e) {
    return e.what();
  }
  return "no error";
}

// The stream text of Component.
inline std::string StreamText(TKXComponent& Component) {
  std::ostringstream out;
  WriteComponent(out, Component);
  return out.str();
}

// The names of the component's own entries in a stream text, in order (collection items'
// entries, indented deeper, are left out).
inline std::vector<std::string> StreamEntryNames(const std::string& Text) {
  std::vector<std::string> names;
  std::istringstream in(Text);
  for (std::string line; std::getline(in, line);) {
    if (line.size() > 2 && line.rfind("  ", 0) == 0 && line[2] != ' ' && line != "  >")
      names.push_back(line.substr(2, line.find(" = ") - 2));
  }
  return names;
}

}  // namespace kx::testing
