#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "kx/gp_engine/batch.hpp"
#include "kx/gp_engine/batch_context.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/node.hpp"

namespace kx {

/// Executes a program tree for every case of a batch context, a block of cases at a time:
/// each node runs once per block, so the cost of dispatching to its instruction is shared by
/// the block's cases and the handlers' loops run over plain arrays.
///
/// Per node: a node whose instruction has OnExecuteBatch gets the values of all its
/// children (whatever the instruction's arity says; a terminal's results arrive holding its
/// built-in values) and writes its own; a variable or constant without OnExecute takes its
/// built-in value (the variable's column, the empty value for a variable the context lacks
/// or a function without handlers, the node's value) without any call; every other node
/// (OnExecute but no OnExecuteBatch, or a function with fewer children than its arity) is
/// executed case by case through Execute in a context holding the case's values of every
/// column, so its instruction behaves exactly as in a single execution. A block-executed
/// node evaluates every child for every case, including arguments a case-by-case handler
/// might have skipped; a node whose children hold a node Execute would refuse (no
/// instruction, too few arguments, a vacant binary side) is executed case by case instead,
/// so such an error is raised only where a single execution raises it. The walks keep their
/// own stacks, so trees of any depth run (MaxExecutionDepth limits the nested Execute calls
/// of case-by-case nodes only).
///
/// An evaluator keeps its working memory between calls; use one per thread. It also keeps
/// the last tree's compiled steps: executing the same tree again checks them against the
/// tree (its shape, every node's instruction and what decides how a node runs) and compiles
/// again only after a change. Nodes are reached from the tree, never from the steps, so a
/// tree freed in between costs a compile and nothing else.
template <class T>
class TKXGPBatchEvaluator {
 public:
  /// Cases handled per node execution: 8 KiB of values (1,024 doubles), enough to make the
  /// per-node dispatch negligible, small enough for a binary node's two arguments and its
  /// result to stay in the first-level cache together.
  static constexpr std::size_t kBlockSize = std::max<std::size_t>(64, 8192 / sizeof(T));

  TKXGPBatchEvaluator();
  ~TKXGPBatchEvaluator();
  TKXGPBatchEvaluator(const TKXGPBatchEvaluator&) = delete;
  TKXGPBatchEvaluator& operator=(const TKXGPBatchEvaluator&) = delete;

  /// Results[k] receives Tree's value for case k of Context. Results must hold exactly
  /// Context.Count() values (std::invalid_argument otherwise) and must not overlap the
  /// context's columns. A root without instruction raises the node's EGPException before
  /// anything runs. An error raised by a handler or a case-by-case execution propagates;
  /// Results is then partly written.
  void Execute(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context, std::span<T> Results);

  /// True while Execute runs (a handler executing another batch needs another evaluator).
  bool Busy() const noexcept { return FBusy; }

 private:
  enum class TStepKind : std::uint8_t { Column, Constant, Batch, Scalar };
  /// One node of the tree in post-order, with where its values come from or go to.
  struct TStep {
    TStepKind Kind;
    /// A batch-executed terminal: the handler's results start as the built-in ones.
    bool Prefill = false;
    std::int32_t Arguments = 0;
    /// A block buffer (Constant: filled once; Batch, Scalar: the output), or kToResults.
    std::int32_t Buffer = -1;
    TKXGPNode<T>* Node = nullptr;
    /// Column, prefilled variable: the variable's values; nullptr when absent.
    const T* Column = nullptr;
    /// The node's instruction when compiled, and its traits (TraitsOf).
    const TKXGPInstruction<T>* Instruction = nullptr;
    std::uint64_t Traits = 0;
  };
  static constexpr std::int32_t kToResults = -2;

  /// Everything of an instruction that decides how its nodes compile.
  static std::uint64_t TraitsOf(const TKXGPInstruction<T>& Instruction) noexcept;
  void Compile(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context);
  /// True when the steps compiled last are Tree's as it stands; refreshes their columns.
  bool StillCompiled(const TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context);
  /// Fills the steps for Tree, the nodes in FRefused running case by case. Checking: returns
  /// false, with the steps unfinished, at the first node a single execution would refuse.
  bool Walk(TKXGPNode<T>& Tree, const TKXGPBatchContext<T>& Context, bool Checking);
  /// Collects in FRefused (sorted) the block-executed nodes that must run case by case
  /// because a node below them, among the children the batch would evaluate, is one Execute
  /// refuses; such nodes count as refused for their parents too.
  void FindRefused(TKXGPNode<T>& Tree);
  bool Refused(const TKXGPNode<T>* Node) const noexcept;
  const T* ColumnOf(const TKXGPInstruction<T>& Variable, const TKXGPBatchContext<T>& Context);
  void AddStep(TKXGPNode<T>* Node, TStepKind Kind, std::int32_t Arguments);
  void PrepareScalarContext(const TKXGPBatchContext<T>& Context);
  void RunBlock(const TKXGPBatchContext<T>& Context, std::size_t First, std::size_t Count,
                T* Results);
  void RunScalar(const TStep& Step, std::size_t First, std::size_t Count, T* Out);
  T* Buffer(std::int32_t Index) noexcept {
    return FBuffers.data() + static_cast<std::size_t>(Index) * kBlockSize;
  }

  std::vector<TStep> FSteps;
  std::vector<const T*> FOperands;
  std::vector<T> FBuffers;
  std::int32_t FBufferCount = 0;
  /// Compiling: each pending value's buffer (-1 for one that is not a temporary), and the
  /// temporaries free for reuse.
  std::vector<std::int32_t> FPending;
  std::vector<std::int32_t> FFreeBuffers;
  std::vector<std::pair<TKXGPNode<T>*, bool>> FWalk;
  std::vector<const TKXGPNode<T>*> FRefused;
  struct TFrame {
    TKXGPNode<T>* Node;
    int Next;
    bool Refused;
  };
  std::vector<TFrame> FFrames;
  /// The steps cover every node of the tree (no case-by-case subtree, no refused node), so
  /// that StillCompiled can check them all.
  bool FReusable = false;
  /// StillCompiled's pending nodes, expected as the next steps backwards.
  std::vector<const TKXGPNode<T>*> FExpected;
  std::size_t FMaxOperands = 0;
  /// Columns found for variables, by the instruction's name serial (direct-mapped), valid
  /// for the context version FColumnsVersion: repeated executions compare no names.
  static constexpr std::size_t kColumnSlots = 64;
  std::vector<std::pair<std::uint64_t, const T*>> FColumnSlots;
  std::uint64_t FColumnsVersion = 0;
  bool FHasScalar = false;
  /// The single-case context of scalar steps, holding a value per column of the batch
  /// context it was prepared for.
  std::unique_ptr<TKXGPContext<T>> FScalarContext;
  std::vector<std::pair<T*, const T*>> FScalarValues;
  std::uint64_t FScalarVersion = 0;
  bool FBusy = false;
};

}  // namespace kx
