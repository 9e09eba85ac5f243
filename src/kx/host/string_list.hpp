#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "kx/host/object.hpp"

namespace kx {

/// An ordered list of strings, each with an optional attached object (not owned). Lookups
/// ignore letter case by default. Changes fire OnChange once per modification, or once when
/// the outermost BeginUpdate/EndUpdate bracket closes after changes inside it.
class TKXStringList : public TKXPersistent {
 public:
  /// The change notification.
  using TNotifyEvent = std::function<void(TKXObject* Sender)>;

  /// An empty list.
  TKXStringList() = default;
  /// The class name.
  std::string ClassName() const override { return "TKXStringList"; }

  /// The number of strings.
  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  ///@{
  /// The string at Index; EListError when out of range.
  const std::string& Strings(int Index) const;
  void SetStrings(int Index, const std::string& Value);
  ///@}
  ///@{
  /// The object attached to the string at Index (not owned); EListError when out of range.
  TKXObject* Objects(int Index) const;
  void SetObjects(int Index, TKXObject* Value);
  ///@}

  /// Appends S (and its object) and returns its index.
  int Add(const std::string& S, TKXObject* Object = nullptr);
  /// Inserts S (and its object) at Index (0 to Count); EListError otherwise.
  void Insert(int Index, const std::string& S, TKXObject* Object = nullptr);
  /// Removes the string at Index; EListError when out of range.
  void Delete(int Index);
  /// Removes every string.
  void Clear();

  /// Position of the first string equal to S under the list's comparison, or -1.
  int IndexOf(const std::string& S) const noexcept;
  /// Position of the first entry whose object is Object, or -1.
  int IndexOfObject(const TKXObject* Object) const noexcept;

  ///@{
  /// Comparison of IndexOf: false (the default) ignores letter case.
  bool CaseSensitive() const noexcept { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) noexcept { FCaseSensitive = Value; }
  ///@}

  /// Every string followed by a line break ("\n").
  std::string Text() const;
  /// Replaces the contents with the lines of Value (split at "\n", "\r\n" or "\r").
  void SetText(const std::string& Value);

  /// Copies strings and objects from another string list; other sources go to the
  /// inherited Assign.
  void Assign(TKXPersistent* Source) override;

  /// Opens an update bracket: OnChange fires once, when the outermost bracket closes.
  void BeginUpdate() noexcept { ++FUpdateCount; }
  /// Closes an update bracket.
  void EndUpdate();

  ///@{
  /// Fired after every change, or once per outermost update bracket.
  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }
  ///@}

 private:
  struct Entry {
    std::string Text;
    TKXObject* Object = nullptr;
  };
  void Changed();
  void CheckIndex(int Index) const;

  std::vector<Entry> FItems;
  TNotifyEvent FOnChange;
  int FUpdateCount = 0;
  bool FChangedInUpdate = false;
  bool FCaseSensitive = false;
};

/// Case-insensitive equality of the ASCII letters; other bytes compare exactly.
bool SameText(std::string_view A, std::string_view B) noexcept;

}  // namespace kx
