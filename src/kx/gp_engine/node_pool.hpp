#pragma once

#include <cstddef>

namespace kx {

/// The memory of program nodes. Breeding frees and makes nodes by the thousand, in bursts of
/// whole trees; the general allocator's per-thread cache holds only a few blocks per size,
/// so most of those calls reached its shared heap. Each thread instead keeps the blocks it
/// freed, by size in steps of 16 bytes up to 256, and hands them out again: a block moves
/// between threads freely (made on one, freed on another, it joins the second's list), no
/// list is shared, so nothing locks on the way. New blocks are cut from 16 KiB slabs. A
/// list keeps at most kNodePoolBlocksPerSize blocks; beyond that, and when a thread ends,
/// blocks go to a shared depot, from which threads refill before they cut a new slab.
/// Slabs are never given back: the pool holds the most node memory the process ever used
/// at once. Larger nodes come from the general allocator.
class TKXNodePool {
 public:
  /// Blocks a thread keeps per size.
  static constexpr std::size_t kNodePoolBlocksPerSize = 65536;

  /// A block of at least Size bytes with the alignment of the general allocator.
  static void* Allocate(std::size_t Size);
  /// Returns a block that Allocate made for Size bytes.
  static void Free(void* Block, std::size_t Size) noexcept;
  /// False under AddressSanitizer, whose leak check cannot follow blocks kept in a
  /// thread's lists: every block then goes straight to the general allocator, which also
  /// lets the sanitizer report a node used after it was freed.
  static bool Enabled() noexcept;
  /// The blocks the calling thread keeps for Size bytes (0 for sizes it does not keep).
  static std::size_t Kept(std::size_t Size) noexcept;
};

}  // namespace kx
