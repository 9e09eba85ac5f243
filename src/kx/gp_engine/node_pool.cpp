#include "kx/gp_engine/node_pool.hpp"

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

struct TFreeBlock {
  TFreeBlock* Next;
};

// Trivially destructible, so it stays usable while the thread's other objects are destroyed
// (a node freed by a thread_local owner after the release below goes straight back).
struct TThreadBlocks {
  std::array<TFreeBlock*, kSizes> Heads;
  std::array<std::uint32_t, kSizes> Counts;
  bool Registered;
  bool Closed;
};
thread_local TThreadBlocks Blocks{};

void ReleaseAll() noexcept {
  for (std::size_t i = 0; i < kSizes; ++i) {
    while (TFreeBlock* block = Blocks.Heads[i]) {
      Blocks.Heads[i] = block->Next;
      ::operator delete(block);
    }
    Blocks.Counts[i] = 0;
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

}  // namespace

// Blocks of a kept size are always made of the rounded size, so that any of them can be
// freed through any path below.
void* TKXNodePool::Allocate(std::size_t Size) {
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled()) return ::operator new(Size);
  const std::size_t size = (index + 1) * kStep;
  if (TFreeBlock* block = Blocks.Heads[index]) {
    Blocks.Heads[index] = block->Next;
    --Blocks.Counts[index];
    // Freed blocks have long left the cache: fetch the next one while this one is used.
    __builtin_prefetch(block->Next, 1);
    return block;
  }
  return ::operator new(size);
}

void TKXNodePool::Free(void* Block, std::size_t Size) noexcept {
  if (Block == nullptr) return;
  const std::size_t index = SizeIndex(Size);
  if (index == kSizes || !Enabled()) {
    ::operator delete(Block);
    return;
  }
  if (Blocks.Closed || Blocks.Counts[index] >= kNodePoolBlocksPerSize) {
    ::operator delete(Block);
    return;
  }
  if (!Blocks.Registered) Register();
  auto* block = static_cast<TFreeBlock*>(Block);
  block->Next = Blocks.Heads[index];
  Blocks.Heads[index] = block;
  ++Blocks.Counts[index];
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
