#include "kx/xml/xml_document.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <iterator>
#include <ostream>
#include <sstream>

#include "kx/xml/atomic_file.hpp"
#include "kx/xml/detail/xml_node_access.hpp"
#include "kx/xml/xml_error.hpp"
#include "kx/xml/xml_node.hpp"
#include "kx/xml/xml_values.hpp"

namespace kx {

namespace {

// Entity references are decoded by the loader itself (pugixml keeps unknown ones as text
// without complaint); top-level text is kept as a fragment so that it can be rejected.
constexpr unsigned ParseOptions = (pugi::parse_default & ~pugi::parse_escapes) |
                                  pugi::parse_declaration | pugi::parse_ws_pcdata_single |
                                  pugi::parse_fragment;

// Elements deeper than this are written without indentation.
constexpr int MaxIndentDepth = 64;

// Where in the parsed text something lies, for error messages.
class TTextPosition {
 public:
  TTextPosition(const char* Buffer, std::size_t Size, bool InPlace) noexcept
      : FBuffer(Buffer), FSize(Size), FInPlace(InPlace) {}

  // " at line L, column C (offset O)" for an offset into the text.
  std::string AtOffset(std::ptrdiff_t Offset) const {
    std::string Where = " at ";
    if (FInPlace && Offset >= 0 && static_cast<std::size_t>(Offset) <= FSize) {
      int Line = 1;
      std::ptrdiff_t LineStart = 0;
      for (std::ptrdiff_t I = 0; I < Offset; ++I) {
        if (FBuffer[I] == '\n') {
          ++Line;
          LineStart = I + 1;
        }
      }
      Where += "line " + std::to_string(Line) + ", column " +
               std::to_string(Offset - LineStart + 1) + " (offset " + std::to_string(Offset) + ")";
    } else {
      Where += "offset " + std::to_string(Offset);
    }
    return Where;
  }

  // The same for a text the tree points to, or nothing when it lies elsewhere.
  std::string At(const char* Text) const {
    if (!FInPlace || Text < FBuffer || Text > FBuffer + FSize) return "";
    return AtOffset(Text - FBuffer);
  }

 private:
  const char* FBuffer;
  std::size_t FSize;
  bool FInPlace;
};

void AppendUtf8(std::string& Out, unsigned long Code) {
  if (Code < 0x80) {
    Out += static_cast<char>(Code);
  } else if (Code < 0x800) {
    Out += static_cast<char>(0xC0 | (Code >> 6));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    Out += static_cast<char>(0xE0 | (Code >> 12));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (Code >> 18));
    Out += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

// Decodes one reference "&...;" at the start of Text into Out; returns its length, or 0
// when it is not a predefined entity or a valid character reference.
std::size_t DecodeReference(std::string_view Text, std::string& Out) {
  std::size_t End = Text.find(';');
  if (End == std::string_view::npos) return 0;
  std::string_view Name = Text.substr(1, End - 1);
  static constexpr std::pair<std::string_view, char> Predefined[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
  for (const auto& [Entity, Char] : Predefined) {
    if (Name == Entity) {
      Out += Char;
      return End + 1;
    }
  }
  if (Name.size() < 2 || Name[0] != '#') return 0;
  const bool Hex = Name[1] == 'x';
  std::string_view Digits = Name.substr(Hex ? 2 : 1);
  if (Digits.empty() || Digits.size() > 8) return 0;
  unsigned long Code = 0;
  for (char C : Digits) {
    int Digit;
    if (C >= '0' && C <= '9') {
      Digit = C - '0';
    } else if (Hex && C >= 'a' && C <= 'f') {
      Digit = C - 'a' + 10;
    } else if (Hex && C >= 'A' && C <= 'F') {
      Digit = C - 'A' + 10;
    } else {
      return 0;
    }
    Code = Code * (Hex ? 16 : 10) + static_cast<unsigned long>(Digit);
  }
  if (Code == 0 || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF)) return 0;
  AppendUtf8(Out, Code);
  return End + 1;
}

// Decodes the references of a text value; raises EXMLError on one that is not known.
// Returns false when the text has none (and needs no change).
bool DecodeReferences(const char* Value, std::string& Out, const TTextPosition& Position,
                      const std::string& Source) {
  std::string_view Text(Value);
  std::size_t Amp = Text.find('&');
  if (Amp == std::string_view::npos) return false;
  Out.assign(Text.substr(0, Amp));
  while (Amp != std::string_view::npos) {
    std::size_t Length = DecodeReference(Text.substr(Amp), Out);
    if (Length == 0) {
      std::size_t Semicolon = Text.find(';', Amp);
      std::size_t Shown = Semicolon == std::string_view::npos ? 1 : Semicolon - Amp + 1;
      std::string_view Reference = Text.substr(Amp, std::min<std::size_t>(Shown, 32));
      throw EXMLError("Cannot load " + Source + ": unknown entity or bad character reference \"" +
                      std::string(Reference) + "\"" + Position.At(Value + Amp));
    }
    std::size_t Next = Text.find('&', Amp + Length);
    Out.append(Text.substr(Amp + Length, Next == std::string_view::npos ? std::string_view::npos
                                                                        : Next - Amp - Length));
    Amp = Next;
  }
  return true;
}

// Checks the nodes at document level: one root element, no text around it.
void CheckTopLevel(const pugi::xml_document& Doc, const TTextPosition& Position,
                   const std::string& Source) {
  pugi::xml_node Root;
  for (pugi::xml_node Node : Doc.children()) {
    switch (Node.type()) {
      case pugi::node_element:
        if (Root) {
          throw EXMLError("Cannot load " + Source + ": a second root element \"" + Node.name() +
                          "\" follows the root element \"" + Root.name() + "\"" +
                          Position.At(Node.name()));
        }
        Root = Node;
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        if (!XMLTextIsBlank(Node.value())) {
          throw EXMLError("Cannot load " + Source + ": text outside the root element" +
                          Position.At(Node.value()));
        }
        break;
      default:
        break;
    }
  }
  if (!Root) throw EXMLError("Cannot load " + Source + ": no root element");
}

// Decodes entity and character references in all texts and attribute values, walking the
// tree without recursion.
void DecodeTree(pugi::xml_document& Doc, const TTextPosition& Position, const std::string& Source) {
  std::string Decoded;
  pugi::xml_node Node = Doc.first_child();
  while (Node) {
    if (Node.type() == pugi::node_pcdata) {
      if (DecodeReferences(Node.value(), Decoded, Position, Source)) {
        Node.set_value(Decoded.data(), Decoded.size());
      }
    }
    for (pugi::xml_attribute Attribute : Node.attributes()) {
      if (DecodeReferences(Attribute.value(), Decoded, Position, Source)) {
        Attribute.set_value(Decoded.data(), Decoded.size());
      }
    }
    if (pugi::xml_node Child = Node.first_child()) {
      Node = Child;
      continue;
    }
    while (Node && !Node.next_sibling()) Node = Node.parent();
    if (Node) Node = Node.next_sibling();
  }
}

void WriteEscaped(std::ostream& Stream, std::string_view Text) {
  for (char C : Text) {
    switch (C) {
      case '&':
        Stream << "&amp;";
        break;
      case '<':
        Stream << "&lt;";
        break;
      case '>':
        Stream << "&gt;";
        break;
      case '"':
        Stream << "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(C) < 0x20) {
          Stream << "&#" << static_cast<int>(C) << ';';
        } else {
          Stream << C;
        }
    }
  }
}

void WriteAttributes(std::ostream& Stream, pugi::xml_node Node, bool Declaration) {
  for (pugi::xml_attribute Attribute : Node.attributes()) {
    Stream << ' ' << Attribute.name() << "=\"";
    // The text is always written as UTF-8, whatever encoding the loaded file declared.
    if (Declaration && std::strcmp(Attribute.name(), "encoding") == 0) {
      Stream << "UTF-8";
    } else {
      WriteEscaped(Stream, Attribute.value());
    }
    Stream << '"';
  }
}

bool HoldsOnlyElements(pugi::xml_node Node) noexcept {
  if (Node.type() != pugi::node_element || !Node.first_child()) return false;
  for (pugi::xml_node Child : Node.children()) {
    if (Child.type() == pugi::node_pcdata || Child.type() == pugi::node_cdata) return false;
  }
  return true;
}

void WriteIndent(std::ostream& Stream, int Depth) {
  for (int I = 0; I < Depth; ++I) Stream << "  ";
}

// Recursion is bounded by MaxIndentDepth: deeper subtrees go to pugixml's own writer,
// which does not recurse.
void WriteNode(std::ostream& Stream, pugi::xml_node Node, bool Indent, int Depth) {
  if (Node.type() == pugi::node_document) {
    for (pugi::xml_node Child : Node.children()) {
      WriteNode(Stream, Child, Indent, 0);
      // Without indentation the declaration and the root element still get a line each.
      if (!Indent && Child.type() != pugi::node_declaration) Stream << '\n';
    }
    return;
  }
  if (Indent) WriteIndent(Stream, Depth);
  if (Node.type() == pugi::node_declaration) {
    Stream << "<?" << Node.name();
    WriteAttributes(Stream, Node, true);
    Stream << "?>\n";
    return;
  }
  if (Indent && Depth < MaxIndentDepth && HoldsOnlyElements(Node)) {
    Stream << '<' << Node.name();
    WriteAttributes(Stream, Node, false);
    Stream << ">\n";
    for (pugi::xml_node Child : Node.children()) WriteNode(Stream, Child, Indent, Depth + 1);
    WriteIndent(Stream, Depth);
    Stream << "</" << Node.name() << ">\n";
    return;
  }
  Node.print(Stream, "", pugi::format_raw, pugi::encoding_utf8);
  if (Indent) Stream << '\n';
}

std::string DescribeFile(const std::string& FileName) { return "\"" + FileName + "\""; }

}  // namespace

struct TKXXMLDocument::TTree {
  pugi::xml_document Document;
  /// The text the tree was parsed from in place; element names and texts point into it.
  std::unique_ptr<char[]> Buffer;
};

TKXXMLDocument::TKXXMLDocument() : FTree(std::make_unique<TTree>()) {}

TKXXMLDocument::~TKXXMLDocument() = default;

std::unique_ptr<TKXXMLDocument> TKXXMLDocument::New(const char* RootTag) {
  auto Doc = std::make_unique<TKXXMLDocument>();
  pugi::xml_node Declaration = Doc->FTree->Document.append_child(pugi::node_declaration);
  Declaration.append_attribute("version") = "1.0";
  Declaration.append_attribute("encoding") = "UTF-8";
  Doc->FTree->Document.append_child(RootTag);
  return Doc;
}

TKXXMLNode TKXXMLDocument::DocumentNode() const noexcept { return NodeHandle(FTree->Document); }

TKXXMLNode TKXXMLDocument::DocumentElement() const noexcept {
  return NodeHandle(FTree->Document.document_element());
}

TKXXMLNode TKXXMLDocument::RootElement(const char* Tag) const {
  const pugi::xml_node Root = ParsedNode(DocumentElement());
  if (!Root) throw EXMLError(std::string("The document has no root element \"") + Tag + "\"");
  if (std::strcmp(Root.name(), Tag) != 0) {
    throw EXMLError(std::string("The root element is \"") + Root.name() + "\" where \"" + Tag +
                    "\" was expected");
  }
  return NodeHandle(Root);
}

void TKXXMLDocument::LoadFromFile(const std::string& FileName) {
  const std::string Source = DescribeFile(FileName);
  std::FILE* File = std::fopen(FileName.c_str(), "rb");
  if (!File) throw EXMLError("Cannot open " + Source + ": " + std::strerror(errno));
  std::string Text;
  char Chunk[64 * 1024];
  std::size_t Read;
  while ((Read = std::fread(Chunk, 1, sizeof(Chunk), File)) > 0) Text.append(Chunk, Read);
  const int Error = std::ferror(File) ? errno : 0;
  std::fclose(File);
  if (Error != 0) throw EXMLError("Cannot read " + Source + ": " + std::strerror(Error));
  auto Buffer = std::make_unique<char[]>(Text.size());
  std::memcpy(Buffer.get(), Text.data(), Text.size());
  Parse(std::move(Buffer), Text.size(), Source);
}

void TKXXMLDocument::LoadFromStream(std::istream& Stream) {
  std::string Text{std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>()};
  if (Stream.bad()) throw EXMLError("Cannot read the XML stream");
  LoadFromXML(Text);
}

void TKXXMLDocument::LoadFromXML(std::string_view Text) {
  auto Buffer = std::make_unique<char[]>(Text.size());
  std::memcpy(Buffer.get(), Text.data(), Text.size());
  Parse(std::move(Buffer), Text.size(), "the XML text");
}

void TKXXMLDocument::Parse(std::unique_ptr<char[]> Buffer, std::size_t Size,
                           const std::string& Source) {
  auto Tree = std::make_unique<TTree>();
  pugi::xml_parse_result Result =
      Tree->Document.load_buffer_inplace(Buffer.get(), Size, ParseOptions);
  // Only UTF-8 text is parsed in place; positions in other encodings are given as offsets.
  const TTextPosition Position(Buffer.get(), Size, Result.encoding == pugi::encoding_utf8);
  if (!Result) {
    throw EXMLError("Cannot load " + Source + ": " + Result.description() +
                    Position.AtOffset(Result.offset));
  }
  CheckTopLevel(Tree->Document, Position, Source);
  DecodeTree(Tree->Document, Position, Source);
  Tree->Buffer = std::move(Buffer);
  FTree = std::move(Tree);
}

void TKXXMLDocument::SaveToStream(std::ostream& Stream) const {
  WriteNode(Stream, FTree->Document, FAutoIndent, 0);
  if (!Stream) throw EXMLError("Cannot write the XML document to the stream");
}

void TKXXMLDocument::SaveToFile(const std::string& FileName) const {
  SaveDocumentToFile(*this, FileName);
}

std::string TKXXMLDocument::SaveToXML() const { return NodeToXML(DocumentNode(), FAutoIndent); }

void TKXXMLDocument::Clear() { FTree = std::make_unique<TTree>(); }

void WriteXML(TKXXMLNode Node, std::ostream& Stream, bool Indent) {
  WriteNode(Stream, ParsedNode(Node), Indent, 0);
}

std::string NodeToXML(TKXXMLNode Node, bool Indent) {
  std::ostringstream Stream;
  WriteXML(Node, Stream, Indent);
  return Stream.str();
}

void SaveDocumentToFile(const TKXXMLDocument& Doc, const std::string& FileName) {
  SaveToFileAtomically(FileName, [&Doc](std::ostream& Stream) { Doc.SaveToStream(Stream); });
}

}  // namespace kx
