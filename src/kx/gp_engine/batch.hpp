#pragma once

#include <cstddef>
#include <span>

namespace kx {

template <class T>
class TKXGPBatchContext;

// What a batch handler (TNodeBatchEvent) sees of one node over one block of cases: the
// values of the node's arguments and the place for its results, case k of the block being
// case First() + k of the batch context.
template <class T>
class TKXGPBatch {
 public:
  TKXGPBatch(const T* const* Arguments, int ArgumentCount, T* Results, std::size_t First,
             std::size_t Count, const TKXGPBatchContext<T>& Context) noexcept
      : FArguments(Arguments),
        FArgumentCount(ArgumentCount),
        FResults(Results),
        FFirst(First),
        FCount(Count),
        FContext(&Context) {}

  // Number of cases in the block.
  std::size_t Count() const noexcept { return FCount; }
  // Position of the block's first case in the batch context.
  std::size_t First() const noexcept { return FFirst; }
  // A function's arity; 0 for a terminal.
  int ArgumentCount() const noexcept { return FArgumentCount; }
  // The values of the node's child Index (below ArgumentCount()), one per case.
  std::span<const T> Argument(int Index) const noexcept { return {FArguments[Index], FCount}; }
  // Where the handler writes the node's value for every case. It never overlaps an
  // argument. For a terminal it arrives holding the built-in results (the variable's
  // column, the constant's value); for a function its contents are unspecified.
  std::span<T> Results() const noexcept { return {FResults, FCount}; }
  // The whole batch being executed.
  const TKXGPBatchContext<T>& Context() const noexcept { return *FContext; }

 private:
  const T* const* FArguments;
  int FArgumentCount;
  T* FResults;
  std::size_t FFirst;
  std::size_t FCount;
  const TKXGPBatchContext<T>* FContext;
};

}  // namespace kx
