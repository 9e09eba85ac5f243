#include "kx/gp_engine/node_pool.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <new>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KX_NODE_POOL_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(KX_NODE_POOL_ASAN)
#define KX_NODE_POOL_ASAN 1
#endif

namespace kx {

namespace {

constexpr std::size_t kStep = 16;
constexpr std::size_t kSizes = 16;
constexpr std::uint32_t kFirstCapacity = 256;
constexpr std::uint32_t kPrefetchAhead = 4;
// Blocks are made a slab at a time: one call of the general allocator for a couple of
// hundred nodes, where one call per node cost breeding about a tenth of its time.
constexpr std::size_t kSlabBytes = 16 * 1024;
// Blocks a thread takes from the shared depot at once.
constexpr std::size_t kDepotBatch = 256;

// Each size keeps its free blocks in an array of addresses rather than in a list threaded
// through the blocks: freeing then writes nothing into a block that has left the cache, and
// the next block to hand out is known, and prefetched, without reading the previous one.
// Trivially destructible, so it stays usable while the thread's other objects are destroyed
// (a node freed by a thread_local owner after the release below goes to the depot).
struct TThreadBlocks {
  std::array<void**, kSizes> Lists;
  std::array<std::uint32_t, kSizes> Counts;
  std::array<std::uint32_t, kSizes> Capacities;
  bool Registered;
  bool Closed;
};
thread_local TThreadBlocks Blocks{};

// The blocks no thread keeps (beyond a thread's limit, or left by an ended thread), and the
// slabs all blocks were cut from. A block is part of a slab, so it never goes back to the
// general allocator by itself; the slabs stay allocated, and reachable, for the process's
// life. Never destroyed: static objects may free nodes after every destructor ran.
struct TDepot {
  std::mutex Lock;
  std::array<std::vector<void*>, kSizes> Lists;
  std::vector<void*> Slabs;
};
TDepot& Depot() {
  static TDepot& depot = *new TDepot;
  return depot;
}

void ToDepot(std::size_t Index, void* Block) {
  TDepot& depot = Depot();
  std::lock_guard<std::mutex> lock(depot.Lock);
  depot.Lists[Index].push_back(Block);
}

void ReleaseAll() noexcept {
  TDepot& depot = Depot();
  std::unique_lock<std::mutex> lock(depot.Lock, std::defer_lock);
  try {
    lock.lock();
  } catch (...) {
  }
  for (std::size_t i = 0; i < kSizes; ++i) {
    // Without the lock or room in the depot the blocks stay unused in their slab.
    try {
      if (lock.owns_lock()) {
        depot.Lists[i].insert(depot.Lists[i].end(), Blocks.Lists[i],
                              Blocks.Lists[i] + Blocks.Counts[i]);
      }
    } catch (...) {
    }
    ::operator delete(Blocks.Lists[i]);
    Blocks.Lists[i] = nullptr;
    Blocks.Counts[i] = 0;
    Blocks.Capacities[i] = 0;
  }
}

// Returns the thread's blocks when the thread ends. Its constructor runs on the thread's
// first call of Arm, which registers the destructor for that thread.
struct TThreadRelease {
  TThreadRelease() noexcept { Blocks.Registered = true; }
  ~TThreadRelease() {
    ReleaseAll();
    Blocks.Closed = true;
  }
  TThreadRelease(const TThreadRelease&) = delete;
  TThreadRelease& operator=(const TThreadRelease&) = delete;
  void Arm() const noexcept {}
};
thread_local TThreadRelease Release;

// The list for Size, or kSizes when blocks of that size are not kept.
std::size_t SizeIndex(std::size_t Size) noexcept {
  return Size == 0 || Size > kSizes * kStep ? kSizes : (Size - 1) / kStep;
}

void Register() noexcept { Release.Arm(); }

// Room for Extra more addresses in list Index; false when the list would pass the limit or
// cannot grow.
bool MakeRoom(std::size_t Index, std::uint32_t Extra = 1) noexcept {
  const std::uint32_t needed = Blocks.Counts[Index] + Extra;
  std::uint32_t capacity = Blocks.Capacities[Index];
  if (needed <= capacity) return true;
  if (needed > TKXNodePool::kNodePoolBlocksPerSize) return false;
  if (capacity == 0) capacity = kFirstCapacity;
  while (capacity < needed) capacity *= 2;
  auto* list = static_cast<void**>(::operator new(capacity * sizeof(void*), std::nothrow));
  if (list == nullptr) return false;
  std::copy_n(Blocks.Lists[Index], Blocks.Counts[Index], list);
  ::operator delete(Blocks.Lists[Index]);
  Blocks.Lists[Index] = list;
  Blocks.Capacities[Index] = capacity;
  return true;
}

// Fills the empty list Index from the depot, or else with the blocks of a new slab.
void Refill(std::size_t Index) {
  if (!Blocks.Registered) Register();
  const std::size_t size = (Index + 1) * kStep;
  const auto perSlab = static_cast<std::uint32_t>(kSlabBytes / size);
  if (!MakeRoom(Index, perSlab)) throw std::bad_alloc();
  TDepot& depot = Depot();
  char* slab = nullptr;
  {
    std::lock_guard<std::mutex> lock(depot.Lock);
    std::vector<void*>& kept = depot.Lists[Index];
    if (!kept.empty()) {
      const std::size_t taken =
          std::min<std::size_t>(kept.size(), std::min(kDepotBatch, std::size_t{perSlab}));
      std::copy_n(kept.end() - static_cast<std::ptrdiff_t>(taken), taken, Blocks.Lists[Index]);
      kept.resize(kept.size() - taken);
      Blocks.Counts[Index] = static_cast<std::uint32_t>(taken);
      return;
    }
    depot.Slabs.reserve(depot.Slabs.size() + 1);
    slab = static_cast<char*>(::operator new(kSlabBytes));
    depot.Slabs.push_back(slab);
  }
  // Handed out from the end of the list: the slab's first block goes first.
  for (std::uint32_t k = 0; k < perSlab; ++k) {
    Blocks.Lists[Index][k] = slab + (perSlab - 1 - k) * size;
  }
  Blocks.Counts[Index] = perSlab;
}

}  // namespace

void* TKXNodePool::Allocate(std::size_t Size) {
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled()) return ::operator new(Size);
  if (Blocks.Counts[index] == 0) Refill(index);
  std::uint32_t& count = Blocks.Counts[index];
  void* block = Blocks.Lists[index][--count];
  // A few blocks ahead, so that each arrives before it is handed out; both lines of a node.
  if (count >= kPrefetchAhead) {
    auto* next = static_cast<const char*>(Blocks.Lists[index][count - kPrefetchAhead]);
    __builtin_prefetch(next, 1);
    __builtin_prefetch(next + 64, 1);
  }
  return block;
}

void TKXNodePool::Free(void* Block, std::size_t Size) noexcept {
  if (Block == nullptr) return;
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled()) {
    ::operator delete(Block);
    return;
  }
  if (!Blocks.Closed && !Blocks.Registered) Register();
  if (Blocks.Closed || !MakeRoom(index)) {
    // Without room in the depot either, the block stays unused in its slab.
    try {
      ToDepot(index, Block);
    } catch (...) {
    }
    return;
  }
  Blocks.Lists[index][Blocks.Counts[index]++] = Block;
}

bool TKXNodePool::Enabled() noexcept {
#ifdef KX_NODE_POOL_ASAN
  return false;
#else
  return true;
#endif
}

std::size_t TKXNodePool::Kept(std::size_t Size) noexcept {
  const std::size_t index = SizeIndex(Size);
  return index == kSizes ? 0 : Blocks.Counts[index];
}

}  // namespace kx
