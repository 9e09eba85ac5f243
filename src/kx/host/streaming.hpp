#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace kx {

class TKXCollection;
class TKXComponent;

/// Component streaming. A component declares its published properties and its extra
/// entries to a filer in TKXComponent::DefineProperties; the writer asks each declared item
/// for its text, the reader applies the texts found in a stream through the declared
/// setters, in declaration order.
///
/// Stream text form (one component per stream):
/// @code{.unparsed}
///   object <Name>: <ClassName>
///     <Property> = <value>
///     <Collection> = <
///       item
///         <Property> = <value>
///       end
///     >
///     ...
///   end
/// @endcode
/// Values: integers in decimal, floats in the shortest text that reads back exactly
/// (dot as separator), booleans True/False, strings in single quotes with '' for a quote,
/// enumerations by value name, sets as [name, name], string lists as ('a', 'b').
class TKXFiler {
 public:
  virtual ~TKXFiler() = default;

  /// A published property. Get gives its stream text; Set applies a stream text (and may
  /// throw on a text it cannot convert); it is written only when Stored is true.
  virtual void Property(const std::string& Name, const std::function<std::string()>& Get,
                        const std::function<void(const std::string&)>& Set, bool Stored) = 0;

  /// An extra float entry declared by a DefineProperties hook: written (by WriteData) only
  /// when HasData is true; applied through ReadData when a stream holds an entry of the name.
  virtual void DefineFloat(const std::string& Name, const std::function<void(double)>& ReadData,
                           const std::function<double()>& WriteData, bool HasData) = 0;

  /// A published collection: written, when Stored, as one block per item holding what the
  /// item's DefineProperties declares; read by emptying Items and adding one item per block
  /// (inside an update bracket), each item then reading its block.
  virtual void Collection(const std::string& Name, TKXCollection& Items, bool Stored) = 0;

  ///@{
  /// Typed helpers over Property; Default is the declared default (the property is stored
  /// when its value differs from it).
  void IntProperty(const std::string& Name, const std::function<std::int32_t()>& Get,
                   const std::function<void(std::int32_t)>& Set, std::int32_t Default);
  void BoolProperty(const std::string& Name, const std::function<bool()>& Get,
                    const std::function<void(bool)>& Set, bool Default);
  void StringProperty(const std::string& Name, const std::function<std::string()>& Get,
                      const std::function<void(const std::string&)>& Set);
  void FloatProperty(const std::string& Name, const std::function<double()>& Get,
                     const std::function<void(double)>& Set, bool Stored);
  void StringsProperty(const std::string& Name,
                       const std::function<std::vector<std::string>()>& Get,
                       const std::function<void(const std::vector<std::string>&)>& Set,
                       bool Stored);
  ///@}
};

/// Passes declarations on to Target in a given order of names: Flush declares the
/// properties and collections named in Order in that order, then the others in the order
/// they came, then the extra float entries in the order they came. A component whose
/// properties are declared by several classes uses it to stream them in its published
/// order (which is also the order a stream is applied in).
class TKXOrderedFiler final : public TKXFiler {
 public:
  /// A filer passing declarations on to Target, the names in Order first.
  TKXOrderedFiler(TKXFiler& Target, std::vector<std::string> Order);
  ~TKXOrderedFiler() override;

  void Property(const std::string& Name, const std::function<std::string()>& Get,
                const std::function<void(const std::string&)>& Set, bool Stored) override;
  void DefineFloat(const std::string& Name, const std::function<void(double)>& ReadData,
                   const std::function<double()>& WriteData, bool HasData) override;
  void Collection(const std::string& Name, TKXCollection& Items, bool Stored) override;

  /// Declares everything received so far to the target, and forgets it.
  void Flush();

 private:
  struct TDeclaration;
  TKXFiler& FTarget;
  std::vector<std::string> FOrder;
  std::vector<TDeclaration> FDeclarations;
};

/// Value texts of the stream form, for DefineProperties hooks that declare properties of
/// their own kinds through TKXFiler::Property.
/// A string in single quotes with '' for a quote; control characters (which would break
/// the line form) are written outside the quotes as #<code>: "a\nb" -> 'a'#10'b'.
std::string QuoteStreamString(std::string_view Value);
/// Reads QuoteStreamString's form back; anything else raises EConvertError.
std::string UnquoteStreamString(std::string_view Text);
/// The shortest text that reads back to exactly Value, with '.' as separator.
std::string FloatToStreamText(double Value);
/// Reads a float stream text ('.' separator); not a number raises EConvertError.
double StreamTextToFloat(std::string_view Text);
/// A string list as ('a', 'b'), each line quoted as QuoteStreamString does; () when empty.
std::string StringsToStreamText(const std::vector<std::string>& Lines);
/// Reads StringsToStreamText's form back; anything else raises EConvertError.
std::vector<std::string> StreamTextToStrings(std::string_view Text);

/// Writes Component's stored properties and extra entries to Stream.
void WriteComponent(std::ostream& Stream, TKXComponent& Component);
/// Reads a stream written by WriteComponent into Component: every entry whose name the
/// component declares is applied; the component's name is taken from the header. A stream
/// that is not in the text form above raises EConvertError naming the line, and so does a
/// value its property cannot convert (the properties before it are then already applied).
/// Each entry is applied once, through the first declaration of its name; entries the
/// component does not declare are ignored, and so is the class name of the header.
void ReadComponent(std::istream& Stream, TKXComponent& Component);

}  // namespace kx
