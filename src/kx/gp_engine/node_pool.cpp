#include "kx/gp_engine/node_pool.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>

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

// Each size keeps its free blocks in an array of addresses rather than in a list threaded
// through the blocks: freeing then writes nothing into a block that has left the cache, and
// the next block to hand out is known, and prefetched, without reading the previous one.
// Trivially destructible, so it stays usable while the thread's other objects are destroyed
// (a node freed by a thread_local owner after the release below goes straight back).
struct TThreadBlocks {
  std::array<void**, kSizes> Lists;
  std::array<std::uint32_t, kSizes> Counts;
  std::array<std::uint32_t, kSizes> Capacities;
  bool Registered;
  bool Closed;
};
thread_local TThreadBlocks Blocks{};

void ReleaseAll() noexcept {
  for (std::size_t i = 0; i < kSizes; ++i) {
    for (std::uint32_t k = 0; k < Blocks.Counts[i]; ++k) ::operator delete(Blocks.Lists[i][k]);
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

// Room for one more address in list Index; false when the list is full or cannot grow.
bool MakeRoom(std::size_t Index) noexcept {
  const std::uint32_t capacity = Blocks.Capacities[Index];
  if (Blocks.Counts[Index] < capacity) return true;
  if (capacity >= TKXNodePool::kNodePoolBlocksPerSize) return false;
  const std::uint32_t grown = capacity == 0 ? kFirstCapacity : 2 * capacity;
  auto* list = static_cast<void**>(::operator new(grown * sizeof(void*), std::nothrow));
  if (list == nullptr) return false;
  std::copy_n(Blocks.Lists[Index], Blocks.Counts[Index], list);
  ::operator delete(Blocks.Lists[Index]);
  Blocks.Lists[Index] = list;
  Blocks.Capacities[Index] = grown;
  return true;
}

}  // namespace

// Blocks of a kept size are always made of the rounded size, so that any of them can be
// freed through any path below.
void* TKXNodePool::Allocate(std::size_t Size) {
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled()) return ::operator new(Size);
  if (std::uint32_t& count = Blocks.Counts[index]; count > 0) {
    void* block = Blocks.Lists[index][--count];
    // A few blocks ahead, so that each arrives before it is handed out; both lines of a node.
    if (count >= kPrefetchAhead) {
      auto* next = static_cast<const char*>(Blocks.Lists[index][count - kPrefetchAhead]);
      __builtin_prefetch(next, 1);
      __builtin_prefetch(next + 64, 1);
    }
    return block;
  }
  return ::operator new((index + 1) * kStep);
}

void TKXNodePool::Free(void* Block, std::size_t Size) noexcept {
  if (Block == nullptr) return;
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled() || Blocks.Closed) {
    ::operator delete(Block);
    return;
  }
  if (!Blocks.Registered) Register();
  if (!MakeRoom(index)) {
    ::operator delete(Block);
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
