#include "kx/gp_engine/batch_context.hpp"

#include <atomic>

#include "kx/core/consts.hpp"
#include "kx/host/variant.hpp"

namespace kx {

namespace {

std::atomic<std::uint64_t> NextVersion{1};

}  // namespace

template <class T>
TKXGPBatchContext<T>::TKXGPBatchContext(std::size_t Count) : FCount(Count) {
  Renew();
}

template <class T>
void TKXGPBatchContext<T>::SetCount(std::size_t Value) {
  for (std::vector<T>& column : FColumns) column.resize(Value);
  FCount = Value;
  Renew();
}

template <class T>
std::span<T> TKXGPBatchContext<T>::Column(const std::string& Name) {
  const int index = IndexOf(Name);
  if (index >= 0) return FColumns[static_cast<std::size_t>(index)];
  FColumns.emplace_back(FCount);
  FNames.push_back(Name);
  Renew();
  return FColumns.back();
}

template <class T>
const T* TKXGPBatchContext<T>::FindColumn(std::string_view Name) const noexcept {
  const int index = IndexOf(Name);
  return index >= 0 ? FColumns[static_cast<std::size_t>(index)].data() : nullptr;
}

template <class T>
bool TKXGPBatchContext<T>::RemoveColumn(std::string_view Name) {
  const int index = IndexOf(Name);
  if (index < 0) return false;
  FColumns.erase(FColumns.begin() + index);
  FNames.erase(FNames.begin() + index);
  Renew();
  return true;
}

template <class T>
void TKXGPBatchContext<T>::Clear() noexcept {
  FColumns.clear();
  FNames.clear();
  Renew();
}

template <class T>
void TKXGPBatchContext<T>::Assign(TKXPersistent* Source) {
  auto* source = dynamic_cast<TKXGPBatchContext<T>*>(Source);
  if (source == nullptr) {
    TKXPersistent::Assign(Source);
    return;
  }
  if (source == this) return;
  FCount = source->FCount;
  FNames = source->FNames;
  FColumns = source->FColumns;
  Renew();
}

template <class T>
int TKXGPBatchContext<T>::IndexOf(std::string_view Name) const noexcept {
  for (std::size_t i = 0; i < FNames.size(); ++i) {
    if (FNames[i] == Name) return static_cast<int>(i);
  }
  return -1;
}

template <class T>
void TKXGPBatchContext<T>::Renew() noexcept {
  FVersion = NextVersion.fetch_add(1, std::memory_order_relaxed);
}

template class TKXGPBatchContext<TGAFloat>;
template class TKXGPBatchContext<TKXVariant>;

}  // namespace kx
