#include "kx/host/string_list.hpp"

#include <string>

#include "kx/host/exceptions.hpp"

namespace kx {

namespace {
char ToUpperAscii(char C) noexcept {
  return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C;
}
}  // namespace

bool SameText(std::string_view A, std::string_view B) noexcept {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    if (ToUpperAscii(A[i]) != ToUpperAscii(B[i])) return false;
  }
  return true;
}

const std::string& TKXStringList::Strings(int Index) const {
  CheckIndex(Index);
  return FItems[Index].Text;
}

void TKXStringList::SetStrings(int Index, const std::string& Value) {
  CheckIndex(Index);
  FItems[Index].Text = Value;
  Changed();
}

TKXObject* TKXStringList::Objects(int Index) const {
  CheckIndex(Index);
  return FItems[Index].Object;
}

void TKXStringList::SetObjects(int Index, TKXObject* Value) {
  CheckIndex(Index);
  FItems[Index].Object = Value;
  Changed();
}

int TKXStringList::Add(const std::string& S, TKXObject* Object) {
  FItems.push_back({S, Object});
  Changed();
  return Count() - 1;
}

void TKXStringList::Insert(int Index, const std::string& S, TKXObject* Object) {
  if (Index < 0 || Index > Count()) {
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
  FItems.insert(FItems.begin() + Index, Entry{S, Object});
  Changed();
}

void TKXStringList::Delete(int Index) {
  CheckIndex(Index);
  FItems.erase(FItems.begin() + Index);
  Changed();
}

void TKXStringList::Clear() {
  if (FItems.empty()) return;
  FItems.clear();
  Changed();
}

int TKXStringList::IndexOf(const std::string& S) const noexcept {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    const bool equal = FCaseSensitive ? FItems[i].Text == S : SameText(FItems[i].Text, S);
    if (equal) return static_cast<int>(i);
  }
  return -1;
}

int TKXStringList::IndexOfObject(const TKXObject* Object) const noexcept {
  for (std::size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i].Object == Object) return static_cast<int>(i);
  }
  return -1;
}

std::string TKXStringList::Text() const {
  std::string text;
  for (const auto& item : FItems) {
    text += item.Text;
    text += '\n';
  }
  return text;
}

void TKXStringList::SetText(const std::string& Value) {
  BeginUpdate();
  FItems.clear();
  std::size_t start = 0;
  while (start < Value.size()) {
    std::size_t end = Value.find_first_of("\r\n", start);
    if (end == std::string::npos) end = Value.size();
    FItems.push_back({Value.substr(start, end - start), nullptr});
    if (end < Value.size() && Value[end] == '\r' && end + 1 < Value.size() &&
        Value[end + 1] == '\n')
      ++end;
    start = end + 1;
  }
  FChangedInUpdate = true;
  EndUpdate();
}

void TKXStringList::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXStringList*>(Source);
  if (source == nullptr) {
    TKXPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  BeginUpdate();
  FItems = source->FItems;
  FChangedInUpdate = true;
  EndUpdate();
}

void TKXStringList::EndUpdate() {
  if (FUpdateCount > 0) --FUpdateCount;
  if (FUpdateCount == 0 && FChangedInUpdate) {
    FChangedInUpdate = false;
    if (FOnChange) FOnChange(this);
  }
}

void TKXStringList::Changed() {
  if (FUpdateCount > 0) {
    FChangedInUpdate = true;
    return;
  }
  if (FOnChange) FOnChange(this);
}

void TKXStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  }
}

}  // namespace kx
