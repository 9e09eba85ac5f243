#include "kx/host/streaming.hpp"

#include <istream>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kx/host/component.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/number_text.hpp"

namespace kx {

namespace {

bool IsBlank(char C) noexcept { return C == ' ' || C == '\t' || C == '\r' || C == '\n'; }

std::string_view Trim(std::string_view Text) noexcept {
  while (!Text.empty() && IsBlank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && IsBlank(Text.back())) Text.remove_suffix(1);
  return Text;
}

bool IsNameChar(char C) noexcept {
  return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') || C == '_' ||
         C == '.';
}

bool IsName(std::string_view Text) noexcept {
  if (Text.empty()) return false;
  for (char c : Text) {
    if (!IsNameChar(c)) return false;
  }
  return true;
}

[[noreturn]] void StreamError(int Line, const std::string& Reason) {
  throw EConvertError("Invalid component stream at line " + std::to_string(Line) + ": " + Reason);
}

// Collects the stream lines of the stored items, in declaration order.
class TKXWriterFiler final : public TKXFiler {
 public:
  explicit TKXWriterFiler(std::ostream& Stream) : FStream(Stream) {}

  void Property(const std::string& Name, const std::function<std::string()>& Get,
                const std::function<void(const std::string&)>& /*Set*/, bool Stored) override {
    if (Stored) WriteLine(Name, Get());
  }

  void DefineFloat(const std::string& Name, const std::function<void(double)>& /*ReadData*/,
                   const std::function<double()>& WriteData, bool HasData) override {
    if (HasData) WriteLine(Name, FloatToStreamText(WriteData()));
  }

 private:
  void WriteLine(const std::string& Name, const std::string& Value) {
    FStream << "  " << Name << " = " << Value << '\n';
  }

  std::ostream& FStream;
};

struct TStreamEntry {
  std::string Value;
  int Line = 0;
  bool Applied = false;
};

// Applies the entries read from a stream to the items the component declares.
class TKXReaderFiler final : public TKXFiler {
 public:
  explicit TKXReaderFiler(std::unordered_map<std::string, TStreamEntry>& Entries)
      : FEntries(Entries) {}

  void Property(const std::string& Name, const std::function<std::string()>& /*Get*/,
                const std::function<void(const std::string&)>& Set, bool /*Stored*/) override {
    TStreamEntry* entry = Take(Name);
    if (entry == nullptr || !Set) return;
    try {
      Set(entry->Value);
    } catch (const EConvertError& e) {
      StreamError(entry->Line, Name + ": " + e.what());
    }
  }

  void DefineFloat(const std::string& Name, const std::function<void(double)>& ReadData,
                   const std::function<double()>& /*WriteData*/, bool /*HasData*/) override {
    TStreamEntry* entry = Take(Name);
    if (entry == nullptr || !ReadData) return;
    double value = 0.0;
    if (!TryStrToFloat(entry->Value, value, '.')) {
      StreamError(entry->Line, Name + ": \"" + entry->Value + "\" is not a valid float");
    }
    ReadData(value);
  }

 private:
  // The entry of Name when the stream has one not yet applied; it is then marked applied.
  TStreamEntry* Take(const std::string& Name) {
    const auto it = FEntries.find(Name);
    if (it == FEntries.end() || it->second.Applied) return nullptr;
    it->second.Applied = true;
    return &it->second;
  }

  std::unordered_map<std::string, TStreamEntry>& FEntries;
};

}  // namespace

void TKXFiler::IntProperty(const std::string& Name, const std::function<std::int32_t()>& Get,
                           const std::function<void(std::int32_t)>& Set, std::int32_t Default) {
  Property(
      Name, [&Get] { return std::to_string(Get()); },
      [&Set](const std::string& Text) { Set(StrToInt(Text)); }, Get() != Default);
}

void TKXFiler::BoolProperty(const std::string& Name, const std::function<bool()>& Get,
                            const std::function<void(bool)>& Set, bool Default) {
  Property(
      Name, [&Get] { return std::string(BoolToStr(Get())); },
      [&Set](const std::string& Text) { Set(StrToBool(Text)); }, Get() != Default);
}

void TKXFiler::StringProperty(const std::string& Name, const std::function<std::string()>& Get,
                              const std::function<void(const std::string&)>& Set) {
  Property(
      Name, [&Get] { return QuoteStreamString(Get()); },
      [&Set](const std::string& Text) { Set(UnquoteStreamString(Text)); }, !Get().empty());
}

void TKXFiler::FloatProperty(const std::string& Name, const std::function<double()>& Get,
                             const std::function<void(double)>& Set, bool Stored) {
  Property(
      Name, [&Get] { return FloatToStreamText(Get()); },
      [&Set](const std::string& Text) { Set(StreamTextToFloat(Text)); }, Stored);
}

std::string QuoteStreamString(std::string_view Value) {
  std::string text;
  text.reserve(Value.size() + 2);
  bool quoted = false;
  for (char c : Value) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32) {
      if (quoted) text += '\'';
      quoted = false;
      text += '#';
      text += std::to_string(code);
      continue;
    }
    if (!quoted) text += '\'';
    quoted = true;
    text += c;
    if (c == '\'') text += '\'';
  }
  if (quoted) text += '\'';
  if (text.empty()) text = "''";
  return text;
}

std::string UnquoteStreamString(std::string_view Text) {
  const std::string_view text = Trim(Text);
  if (text.empty()) throw EConvertError("Missing string value");
  std::string value;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\'') {
      ++i;
      for (;;) {
        if (i >= text.size()) throw EConvertError("Unterminated string " + std::string(text));
        if (text[i] == '\'') {
          if (i + 1 < text.size() && text[i + 1] == '\'') {
            value += '\'';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        value += text[i++];
      }
    } else if (text[i] == '#') {
      const std::size_t start = ++i;
      int code = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
        code = code * 10 + (text[i++] - '0');
      }
      if (i == start || code > 255) throw EConvertError("Invalid string " + std::string(text));
      value += static_cast<char>(code);
    } else {
      throw EConvertError("Invalid string " + std::string(text));
    }
  }
  return value;
}

std::string FloatToStreamText(double Value) { return FloatToRoundTripStr(Value); }

double StreamTextToFloat(std::string_view Text) { return StrToFloat(Text, '.'); }

void WriteComponent(std::ostream& Stream, TKXComponent& Component) {
  Stream << "object " << Component.Name() << ": " << Component.ClassName() << '\n';
  TKXWriterFiler filer(Stream);
  Component.DefineProperties(filer);
  Stream << "end\n";
}

void ReadComponent(std::istream& Stream, TKXComponent& Component) {
  std::unordered_map<std::string, TStreamEntry> entries;
  std::string name;
  std::string line;
  int number = 0;
  bool header = false;
  bool ended = false;
  while (std::getline(Stream, line)) {
    ++number;
    const std::string_view text = Trim(line);
    if (text.empty()) continue;
    if (ended) StreamError(number, "text after end");
    if (!header) {
      // object <Name>: <ClassName>
      const std::size_t colon = text.find(':');
      if (text.substr(0, 7) != "object " || colon == std::string_view::npos) {
        StreamError(number, "expected \"object <Name>: <ClassName>\"");
      }
      const std::string_view objectName = Trim(text.substr(7, colon - 7));
      const std::string_view className = Trim(text.substr(colon + 1));
      if ((!objectName.empty() && !IsName(objectName)) || !IsName(className)) {
        StreamError(number, "expected \"object <Name>: <ClassName>\"");
      }
      name = objectName;
      header = true;
      continue;
    }
    if (text == "end") {
      ended = true;
      continue;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) StreamError(number, "expected \"<Property> = <value>\"");
    const std::string_view property = Trim(text.substr(0, equals));
    const std::string_view value = Trim(text.substr(equals + 1));
    if (!IsName(property) || value.empty()) {
      StreamError(number, "expected \"<Property> = <value>\"");
    }
    // A repeated entry replaces the earlier one.
    entries.insert_or_assign(std::string(property), TStreamEntry{std::string(value), number});
  }
  if (!header) StreamError(number + 1, "the stream is empty");
  if (!ended) StreamError(number + 1, "missing \"end\"");

  Component.SetName(name);
  TKXReaderFiler filer(entries);
  Component.DefineProperties(filer);
}

}  // namespace kx
