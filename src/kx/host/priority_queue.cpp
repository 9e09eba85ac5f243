#include "kx/host/priority_queue.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "kx/host/exceptions.hpp"

namespace kx {

void TFloatPriorityQueue::SetLargestFirst(bool Value) noexcept {
  if (Value == FLargestFirst) return;
  FLargestFirst = Value;
  if (FEntries.size() > 1) FSorted.store(false, std::memory_order_relaxed);
}

void TFloatPriorityQueue::Clear() noexcept {
  FEntries.clear();
  FSorted.store(true, std::memory_order_relaxed);
}

void TFloatPriorityQueue::Push(TKXObject* Item, float Priority) {
  FEntries.push_back({Priority, Item});
  if (FEntries.size() > 1) FSorted.store(false, std::memory_order_relaxed);
}

TKXObject* TFloatPriorityQueue::Items(int Position) const {
  CheckPosition(Position);
  EnsureSorted();
  return FEntries[static_cast<std::size_t>(Position)].Item;
}

float TFloatPriorityQueue::Priorities(int Position) const {
  CheckPosition(Position);
  EnsureSorted();
  return FEntries[static_cast<std::size_t>(Position)].Priority;
}

void TFloatPriorityQueue::EnsureSorted() const {
  if (FSorted.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(FSortLock);
  if (FSorted.load(std::memory_order_relaxed)) return;
  // A stable sort keeps pushes of equal priority in push order; NaNs go last either way.
  const bool largestFirst = FLargestFirst;
  std::stable_sort(FEntries.begin(), FEntries.end(),
                   [largestFirst](const TEntry& A, const TEntry& B) {
                     if (std::isnan(A.Priority)) return false;
                     if (std::isnan(B.Priority)) return true;
                     return largestFirst ? A.Priority > B.Priority : A.Priority < B.Priority;
                   });
  FSorted.store(true, std::memory_order_release);
}

void TFloatPriorityQueue::CheckPosition(int Position) const {
  if (Position < 0 || Position >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(Position) + ")");
  }
}

}  // namespace kx
