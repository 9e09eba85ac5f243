#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "kx/xml/kx_xml_node.hpp"
#include "kx/xml/xml_error.hpp"

namespace kx {

/// A document object: owns the parsed tree of one XML document, loads it from files, streams
/// and text, and saves it. Loading is strict where the parser is lenient: text outside the
/// root element, a second root element and unknown entity references are rejected like any
/// other malformed input, with EXMLError naming the problem, its line and column. A failed
/// load leaves the previous content untouched. Documents carry no namespaces.
class TKXXMLDocument {
 public:
  /// An empty document (no declaration, no root element).
  TKXXMLDocument();
  ~TKXXMLDocument();
  TKXXMLDocument(const TKXXMLDocument&) = delete;
  TKXXMLDocument& operator=(const TKXXMLDocument&) = delete;

  /// A new document with an XML version "1.0" declaration and an empty root element RootTag.
  static std::unique_ptr<TKXXMLDocument> New(const char* RootTag);

  /// The document node at the top of the parsed tree. Loading replaces the tree: nodes taken
  /// from it before a load are invalid.
  TKXXMLNode DocumentNode() const noexcept;
  /// The root element, or a null node when there is none.
  TKXXMLNode DocumentElement() const noexcept;
  /// The root element, which must carry Tag; EXMLError when it has another tag or there is
  /// no root element.
  TKXXMLNode RootElement(const char* Tag) const;

  ///@{
  /// Whether saving indents nested elements (off by default).
  bool AutoIndent() const noexcept { return FAutoIndent; }
  void SetAutoIndent(bool Value) noexcept { FAutoIndent = Value; }
  ///@}

  ///@{
  /// Replace the content by a parsed file, stream or text (encoding detected from the byte
  /// order mark or the declaration, UTF-8 by default); EXMLError on any failure.
  void LoadFromFile(const std::string& FileName);
  void LoadFromStream(std::istream& Stream);
  void LoadFromXML(std::string_view Text);
  ///@}

  ///@{
  /// Write the whole document as UTF-8, indented when AutoIndent is on. SaveToFile replaces
  /// the file only once the whole document has been written (see SaveDocumentToFile).
  void SaveToStream(std::ostream& Stream) const;
  void SaveToFile(const std::string& FileName) const;
  std::string SaveToXML() const;
  ///@}

  /// Removes everything, declaration included.
  void Clear();

 private:
  /// The parsed tree and the text it was parsed from in place.
  struct TTree;

  void Parse(std::unique_ptr<char[]> Buffer, std::size_t Size, const std::string& Source);

  std::unique_ptr<TTree> FTree;
  bool FAutoIndent = false;
};

/// Writes Node (a document node writes the whole document) as UTF-8 text. With Indent each
/// element that holds only elements gets its own lines, nested two blanks per level; the
/// indentation stops at a fixed depth, below which elements are written without line breaks,
/// so the output of a deeply nested tree stays proportional to its size.
void WriteXML(TKXXMLNode Node, std::ostream& Stream, bool Indent);
/// The text WriteXML writes.
std::string NodeToXML(TKXXMLNode Node, bool Indent = false);

/// Saves Doc to FileName atomically: the text goes to a temporary file in the same folder,
/// which replaces FileName only after it was completely written and flushed to disk. A
/// failed save raises EXMLError and leaves an existing file as it was.
void SaveDocumentToFile(const TKXXMLDocument& Doc, const std::string& FileName);

/// A document object together with the wrapper of its root element, as the New and Load
/// document functions return them; the document lives as long as this object (or as long as
/// the owner of ReleaseDocument).
template <class TRoot>
class TXMLDocumentBinding {
 public:
  /// Binds Document and the wrapper of its root.
  TXMLDocumentBinding(std::unique_ptr<TKXXMLDocument> Document, TRoot Root) noexcept
      : FDocument(std::move(Document)), FRoot(Root) {}

  /// The document.
  TKXXMLDocument& Document() const noexcept { return *FDocument; }
  /// The wrapper of the document's root element.
  const TRoot& Root() const noexcept { return FRoot; }
  /// Members of the root wrapper, reached directly.
  const TRoot* operator->() const noexcept { return &FRoot; }
  /// Hands the document to the caller; Root stays valid as long as the document lives.
  std::unique_ptr<TKXXMLDocument> ReleaseDocument() noexcept { return std::move(FDocument); }

 private:
  std::unique_ptr<TKXXMLDocument> FDocument;
  TRoot FRoot;
};

/// The mechanics of the document functions: Get binds the root element of an existing
/// document, which must carry RootTag; New creates a document with that root; Load parses
/// a file whose root must carry RootTag.
template <class TRoot>
TRoot GetDocumentRoot(TKXXMLDocument& Doc, const char* RootTag) {
  return TRoot(Doc.RootElement(RootTag));
}

template <class TRoot>
TXMLDocumentBinding<TRoot> NewDocumentRoot(const char* RootTag) {
  std::unique_ptr<TKXXMLDocument> Doc = TKXXMLDocument::New(RootTag);
  TRoot Root(Doc->DocumentElement());
  return TXMLDocumentBinding<TRoot>(std::move(Doc), Root);
}

template <class TRoot>
TXMLDocumentBinding<TRoot> LoadDocumentRoot(const std::string& FileName, const char* RootTag) {
  auto Doc = std::make_unique<TKXXMLDocument>();
  Doc->LoadFromFile(FileName);
  TKXXMLNode Root;
  try {
    Root = Doc->RootElement(RootTag);
  } catch (const EXMLError& E) {
    throw EXMLError("Cannot load \"" + FileName + "\": " + E.what());
  }
  return TXMLDocumentBinding<TRoot>(std::move(Doc), TRoot(Root));
}

}  // namespace kx
