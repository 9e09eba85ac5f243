#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "kx/host/object.hpp"

namespace kx {

/// Ranks objects (not owned) by a 32-bit float priority. Position 0 holds the best item and
/// positions 0..k the k+1 best, in ranking order: smallest priority first by default, largest
/// first after SetLargestFirst(true). Equal priorities keep their push order (earlier push
/// first); NaN priorities rank after every number.
///
/// Built for "push all, then read": pushes only append, and the first read after a change
/// sorts once (stably). Reads may run concurrently on several threads once the pushes are
/// done; pushes, Clear and order changes must not overlap with anything else.
class TFloatPriorityQueue : public TKXObject {
 public:
  /// An empty queue ranking the smallest priority first.
  TFloatPriorityQueue() = default;
  /// An empty queue in the given order.
  explicit TFloatPriorityQueue(bool LargestFirst) noexcept : FLargestFirst(LargestFirst) {}

  /// The class name.
  std::string ClassName() const override { return "TFloatPriorityQueue"; }

  ///@{
  /// The order: false ranks the smallest priority first, true the largest.
  bool LargestFirst() const noexcept { return FLargestFirst; }
  void SetLargestFirst(bool Value) noexcept;
  ///@}
  ///@{
  /// The same order seen the other way: ascending is smallest priority first.
  bool Ascending() const noexcept { return !FLargestFirst; }
  void SetAscending(bool Value) noexcept { SetLargestFirst(!Value); }
  ///@}

  /// Removes every item (the objects are not touched).
  void Clear() noexcept;
  /// Reserves room for Capacity items.
  void Reserve(int Capacity) { FEntries.reserve(static_cast<std::size_t>(Capacity)); }
  /// Adds Item with Priority; the ranking is sorted again before the next read.
  void Push(TKXObject* Item, float Priority);

  /// The number of items.
  int Count() const noexcept { return static_cast<int>(FEntries.size()); }
  /// The item at Position in ranking order (0 is the best); EListError out of range.
  TKXObject* Items(int Position) const;
  /// The priority of the item at Position; EListError out of range.
  float Priorities(int Position) const;
  /// Items(Position) cast to the pushed class T.
  template <class T>
  T* ItemAs(int Position) const {
    return static_cast<T*>(Items(Position));
  }

 private:
  struct TEntry {
    float Priority;
    TKXObject* Item;
  };
  void EnsureSorted() const;
  void CheckPosition(int Position) const;

  mutable std::vector<TEntry> FEntries;
  mutable std::atomic<bool> FSorted{true};
  mutable std::mutex FSortLock;
  bool FLargestFirst = false;
};

}  // namespace kx
