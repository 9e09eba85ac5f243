#pragma once

#include <vector>

namespace kx::detail {

/// Asks the processor for every node of a program's flattened list at once. The nodes of a
/// program bred generations ago lie scattered outside the cache; a walk from the root would
/// take their misses one after another, while the list lets them overlap. A stale list is
/// harmless: a prefetch never faults.
template <class TNode>
inline void PrefetchNodes(const std::vector<TNode*>& Nodes) noexcept {
  // A node takes two cache lines.
  for (const TNode* node : Nodes) {
    __builtin_prefetch(node);
    __builtin_prefetch(reinterpret_cast<const char*>(node) + 64);
  }
}

}  // namespace kx::detail
