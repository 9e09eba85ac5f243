#pragma once

#include <cstddef>
#include <span>

namespace kx {

template <class T>
class TKXGPBatchContext;
template <class T>
class TKXGPNode;

/// Raises the list-index EListError that Node's Child(Index) raises (or, for a vacant side
/// of a binary node, the list-index-out-of-bounds one): an argument index a handler asked
/// for that the node does not have.
template <class T>
[[noreturn]] void RaiseArgumentIndex(const TKXGPNode<T>& Node, int Index);

/// What a batch handler (TNodeBatchEvent) sees of one node over one block of cases: the
/// values of the node's arguments (one per child of the node, evaluated as Execute evaluates
/// the child) and the place for its results, case k of the block being case First() + k of
/// the batch context.
template <class T>
class TKXGPBatch {
 public:
  /// The block of Count cases starting at case First of Context, for Node with its
  /// ArgumentCount argument columns and its Results column.
  TKXGPBatch(const TKXGPNode<T>& Node, const T* const* Arguments, int ArgumentCount, T* Results,
             std::size_t First, std::size_t Count, const TKXGPBatchContext<T>& Context) noexcept
      : FNode(&Node),
        FArguments(Arguments),
        FArgumentCount(ArgumentCount),
        FResults(Results),
        FFirst(First),
        FCount(Count),
        FContext(&Context) {}

  /// Number of cases in the block.
  std::size_t Count() const noexcept { return FCount; }
  /// Position of the block's first case in the batch context.
  std::size_t First() const noexcept { return FFirst; }
  /// The node's child count (whatever its instruction's arity says).
  int ArgumentCount() const noexcept { return FArgumentCount; }
  /// The values of the node's child Index, one per case. An index outside 0 to
  /// ArgumentCount() - 1 raises the EListError that the node's Child(Index) raises.
  std::span<const T> Argument(int Index) const {
    if (static_cast<unsigned>(Index) >= static_cast<unsigned>(FArgumentCount)) {
      RaiseArgumentIndex(*FNode, Index);
    }
    return {FArguments[Index], FCount};
  }
  /// Where the handler writes the node's value for every case. It never overlaps an
  /// argument. For a terminal it arrives holding the built-in results (the variable's
  /// column, the constant's value); for a function its contents are unspecified.
  std::span<T> Results() const noexcept { return {FResults, FCount}; }
  /// The whole batch being executed.
  const TKXGPBatchContext<T>& Context() const noexcept { return *FContext; }

 private:
  const TKXGPNode<T>* FNode;
  const T* const* FArguments;
  int FArgumentCount;
  T* FResults;
  std::size_t FFirst;
  std::size_t FCount;
  const TKXGPBatchContext<T>* FContext;
};

}  // namespace kx
