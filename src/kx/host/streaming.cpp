#include "kx/host/streaming.hpp"

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kx/host/collection.hpp"
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

// Writes the stream lines of the stored items, in declaration order, at one indentation.
class TKXWriterFiler final : public TKXFiler {
 public:
  TKXWriterFiler(std::ostream& Stream, int Indent) : FStream(Stream), FIndent(Indent) {}

  void Property(const std::string& Name, const std::function<std::string()>& Get,
                const std::function<void(const std::string&)>& /*Set*/, bool Stored) override {
    if (Stored) WriteLine(Name + " = " + Get());
  }

  void DefineFloat(const std::string& Name, const std::function<void(double)>& /*ReadData*/,
                   const std::function<double()>& WriteData, bool HasData) override {
    if (HasData) WriteLine(Name + " = " + FloatToStreamText(WriteData()));
  }

  void Collection(const std::string& Name, TKXCollection& Items, bool Stored) override {
    if (!Stored) return;
    WriteLine(Name + " = <");
    TKXWriterFiler item(FStream, FIndent + 4);
    for (int i = 0; i < Items.Count(); ++i) {
      WriteLine("  item");
      Items.ItemAt(i)->DefineProperties(item);
      WriteLine("  end");
    }
    WriteLine(">");
  }

 private:
  void WriteLine(const std::string& Text) {
    FStream << std::string(static_cast<std::size_t>(FIndent), ' ') << Text << '\n';
  }

  std::ostream& FStream;
  int FIndent;
};

// The entries of the object or of one collection item, by property name.
struct TStreamBlock;

struct TStreamEntry {
  std::string Value;
  int Line = 0;
  bool Applied = false;
  bool IsCollection = false;
  std::vector<TStreamBlock> Items;
};

struct TStreamBlock {
  std::unordered_map<std::string, TStreamEntry> Entries;
};

// Applies the entries read from a stream to the items the component declares.
class TKXReaderFiler final : public TKXFiler {
 public:
  explicit TKXReaderFiler(TStreamBlock& Block) : FBlock(Block) {}

  void Property(const std::string& Name, const std::function<std::string()>& /*Get*/,
                const std::function<void(const std::string&)>& Set, bool /*Stored*/) override {
    TStreamEntry* entry = Take(Name);
    if (entry == nullptr || !Set) return;
    if (entry->IsCollection) StreamError(entry->Line, Name + ": expected a value");
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
    if (entry->IsCollection || !TryStrToFloat(entry->Value, value, '.')) {
      StreamError(entry->Line, Name + ": \"" + entry->Value + "\" is not a valid float");
    }
    ReadData(value);
  }

  void Collection(const std::string& Name, TKXCollection& Items, bool /*Stored*/) override {
    TStreamEntry* entry = Take(Name);
    if (entry == nullptr) return;
    if (!entry->IsCollection) StreamError(entry->Line, Name + ": expected a collection");
    struct TBracket {
      TKXCollection& Items;
      explicit TBracket(TKXCollection& C) : Items(C) { Items.BeginUpdate(); }
      ~TBracket() { Items.EndUpdate(); }
    } bracket(Items);
    Items.Clear();
    for (TStreamBlock& block : entry->Items) {
      TKXReaderFiler item(block);
      Items.Add()->DefineProperties(item);
    }
  }

 private:
  // The entry of Name when the stream has one not yet applied; it is then marked applied.
  TStreamEntry* Take(const std::string& Name) {
    const auto it = FBlock.Entries.find(Name);
    if (it == FBlock.Entries.end() || it->second.Applied) return nullptr;
    it->second.Applied = true;
    return &it->second;
  }

  TStreamBlock& FBlock;
};

}  // namespace

void TKXFiler::IntProperty(const std::string& Name, const std::function<std::int32_t()>& Get,
                           const std::function<void(std::int32_t)>& Set, std::int32_t Default) {
  Property(
      Name, [Get] { return std::to_string(Get()); },
      [Set](const std::string& Text) { Set(StrToInt(Text)); }, Get() != Default);
}

void TKXFiler::BoolProperty(const std::string& Name, const std::function<bool()>& Get,
                            const std::function<void(bool)>& Set, bool Default) {
  Property(
      Name, [Get] { return std::string(BoolToStr(Get())); },
      [Set](const std::string& Text) { Set(StrToBool(Text)); }, Get() != Default);
}

void TKXFiler::StringProperty(const std::string& Name, const std::function<std::string()>& Get,
                              const std::function<void(const std::string&)>& Set) {
  Property(
      Name, [Get] { return QuoteStreamString(Get()); },
      [Set](const std::string& Text) { Set(UnquoteStreamString(Text)); }, !Get().empty());
}

void TKXFiler::FloatProperty(const std::string& Name, const std::function<double()>& Get,
                             const std::function<void(double)>& Set, bool Stored) {
  Property(
      Name, [Get] { return FloatToStreamText(Get()); },
      [Set](const std::string& Text) { Set(StreamTextToFloat(Text)); }, Stored);
}

void TKXFiler::StringsProperty(const std::string& Name,
                               const std::function<std::vector<std::string>()>& Get,
                               const std::function<void(const std::vector<std::string>&)>& Set,
                               bool Stored) {
  Property(
      Name, [Get] { return StringsToStreamText(Get()); },
      [Set](const std::string& Text) { Set(StreamTextToStrings(Text)); }, Stored);
}

// Every declaration is kept whole (the functions are copies), so it can be passed on later.
struct TKXOrderedFiler::TDeclaration {
  enum class TKind : std::uint8_t { Property, Float, Collection } Kind;
  std::string Name;
  std::function<std::string()> Get;
  std::function<void(const std::string&)> Set;
  std::function<void(double)> ReadData;
  std::function<double()> WriteData;
  TKXCollection* Items = nullptr;
  bool Stored = false;
  bool Done = false;
};

TKXOrderedFiler::TKXOrderedFiler(TKXFiler& Target, std::vector<std::string> Order)
    : FTarget(Target), FOrder(std::move(Order)) {}

TKXOrderedFiler::~TKXOrderedFiler() = default;

void TKXOrderedFiler::Property(const std::string& Name, const std::function<std::string()>& Get,
                               const std::function<void(const std::string&)>& Set, bool Stored) {
  FDeclarations.push_back({TDeclaration::TKind::Property, Name, Get, Set, {}, {}, nullptr, Stored});
}

void TKXOrderedFiler::DefineFloat(const std::string& Name,
                                  const std::function<void(double)>& ReadData,
                                  const std::function<double()>& WriteData, bool HasData) {
  FDeclarations.push_back(
      {TDeclaration::TKind::Float, Name, {}, {}, ReadData, WriteData, nullptr, HasData});
}

void TKXOrderedFiler::Collection(const std::string& Name, TKXCollection& Items, bool Stored) {
  FDeclarations.push_back({TDeclaration::TKind::Collection, Name, {}, {}, {}, {}, &Items, Stored});
}

void TKXOrderedFiler::Flush() {
  std::vector<TDeclaration> declarations = std::move(FDeclarations);
  FDeclarations.clear();
  auto declare = [this](TDeclaration& Item) {
    Item.Done = true;
    switch (Item.Kind) {
      case TDeclaration::TKind::Property:
        FTarget.Property(Item.Name, Item.Get, Item.Set, Item.Stored);
        break;
      case TDeclaration::TKind::Float:
        FTarget.DefineFloat(Item.Name, Item.ReadData, Item.WriteData, Item.Stored);
        break;
      case TDeclaration::TKind::Collection:
        FTarget.Collection(Item.Name, *Item.Items, Item.Stored);
        break;
    }
  };
  const auto isFloat = [](const TDeclaration& Item) {
    return Item.Kind == TDeclaration::TKind::Float;
  };
  for (const std::string& name : FOrder) {
    for (TDeclaration& item : declarations) {
      if (!item.Done && !isFloat(item) && item.Name == name) declare(item);
    }
  }
  for (TDeclaration& item : declarations) {
    if (!item.Done && !isFloat(item)) declare(item);
  }
  for (TDeclaration& item : declarations) {
    if (!item.Done) declare(item);
  }
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

std::string StringsToStreamText(const std::vector<std::string>& Lines) {
  std::string text = "(";
  for (std::size_t i = 0; i < Lines.size(); ++i) {
    if (i > 0) text += ", ";
    text += QuoteStreamString(Lines[i]);
  }
  return text + ")";
}

std::vector<std::string> StreamTextToStrings(std::string_view Text) {
  const std::string_view text = Trim(Text);
  if (text.size() < 2 || text.front() != '(' || text.back() != ')') {
    throw EConvertError("Invalid string list " + std::string(text));
  }
  const std::string_view inner = Trim(text.substr(1, text.size() - 2));
  std::vector<std::string> lines;
  if (inner.empty()) return lines;
  // A comma separates lines only outside quotes ('' inside a string toggles twice).
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= inner.size(); ++i) {
    if (i < inner.size() && inner[i] == '\'') {
      quoted = !quoted;
    } else if (i == inner.size() || (!quoted && inner[i] == ',')) {
      lines.push_back(UnquoteStreamString(inner.substr(start, i - start)));
      start = i + 1;
    }
  }
  return lines;
}

std::string FloatToStreamText(double Value) { return FloatToRoundTripStr(Value); }

double StreamTextToFloat(std::string_view Text) { return StrToFloat(Text, '.'); }

void WriteComponent(std::ostream& Stream, TKXComponent& Component) {
  Stream << "object " << Component.Name() << ": " << Component.ClassName() << '\n';
  TKXWriterFiler filer(Stream, 2);
  Component.DefineProperties(filer);
  Stream << "end\n";
}

void ReadComponent(std::istream& Stream, TKXComponent& Component) {
  TStreamBlock root;
  std::string name;
  std::string line;
  int number = 0;
  bool header = false;
  bool ended = false;
  // The open object or items (a block) and collections (an entry), innermost last.
  struct TFrame {
    TStreamBlock* Block = nullptr;
    TStreamEntry* Collection = nullptr;
  };
  std::vector<TFrame> open;
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
      open.push_back({&root, nullptr});
      continue;
    }
    if (TStreamEntry* collection = open.back().Collection) {
      if (text == "item") {
        open.push_back({&collection->Items.emplace_back(), nullptr});
      } else if (text == ">") {
        open.pop_back();
      } else {
        StreamError(number, "expected \"item\" or \">\"");
      }
      continue;
    }
    if (text == "end") {
      open.pop_back();
      ended = open.empty();
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
    TStreamEntry entry;
    entry.Value = value;
    entry.Line = number;
    entry.IsCollection = value == "<";
    auto& entries = open.back().Block->Entries;
    TStreamEntry& stored =
        entries.insert_or_assign(std::string(property), std::move(entry)).first->second;
    if (stored.IsCollection) open.push_back({nullptr, &stored});
  }
  if (!header) StreamError(number + 1, "the stream is empty");
  if (!ended) StreamError(number + 1, "missing \"end\"");

  Component.SetName(name);
  TKXReaderFiler filer(root);
  Component.DefineProperties(filer);
}

}  // namespace kx
