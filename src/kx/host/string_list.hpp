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
  using TNotifyEvent = std::function<void(TKXObject* Sender)>;

  TKXStringList() = default;
  std::string ClassName() const override { return "TKXStringList"; }

  int Count() const noexcept { return static_cast<int>(FItems.size()); }
  ///@{
  /// The string at Index; EListError when out of range.
  const std::string& Strings(int Index) const;
  void SetStrings(int Index, const std::string& Value);
  ///@}
  TKXObject* Objects(int Index) const;
  void SetObjects(int Index, TKXObject* Value);

  /// Appends S (and its object) and returns its index.
  int Add(const std::string& S, TKXObject* Object = nullptr);
  void Insert(int Index, const std::string& S, TKXObject* Object = nullptr);
  void Delete(int Index);
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

  void BeginUpdate() noexcept { ++FUpdateCount; }
  void EndUpdate();

  const TNotifyEvent& OnChange() const noexcept { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

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
