#pragma once

#include <vector>

namespace kx::detail {

/// Working memory of a function that runs often and may be re-entered (a copy that a node
/// factory starts inside a copy): the outermost holder gets the thread's own list for Site,
/// warm after the first use, so nothing is allocated; a nested one gets a list of its own.
/// The list is emptied when its holder ends.
template <class TItem, class Site>
class TScratchList {
 public:
  TScratchList() noexcept : FOuter(!InUse()), FItems(FOuter ? Shared() : FOwn) { InUse() = true; }
  ~TScratchList() {
    FItems.clear();
    if (FOuter) InUse() = false;
  }
  TScratchList(const TScratchList&) = delete;
  TScratchList& operator=(const TScratchList&) = delete;

  std::vector<TItem>& operator*() noexcept { return FItems; }
  std::vector<TItem>* operator->() noexcept { return &FItems; }

 private:
  static std::vector<TItem>& Shared() noexcept {
    thread_local std::vector<TItem> items;
    return items;
  }
  static bool& InUse() noexcept {
    thread_local bool inUse = false;
    return inUse;
  }

  bool FOuter;
  std::vector<TItem> FOwn;
  std::vector<TItem>& FItems;
};

}  // namespace kx::detail
