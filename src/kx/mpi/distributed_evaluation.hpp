#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "kx/mpi/communicator.hpp"

namespace kx {

class TKXCustomGeneticComponent;
class TKXIndividualCodec;
struct TKXFitnessBatch;

/// Master-worker evaluation: rank 0 runs the component as usual, and the stale individuals
/// of each population evaluation (initialization and every generation) are evaluated by all
/// ranks. They go out in small chunks, a new one to each rank as it returns a result, so
/// ranks with slow individuals get fewer and none idles while work remains. Every rank
/// builds the same component (settings, instruction set, OnEvaluateFitness); the others only
/// serve evaluations until rank 0 is done.
///
/// The handler of the individual at population index i runs with the generator stream
/// TKXCustomGeneticComponent::EvaluationStream(i) of the batch's seed, on whichever rank
/// evaluates it. So Evolve and ParallelEvolve give exactly the populations and fitnesses of
/// the same call on one process with the same seed when the handler draws no random numbers,
/// whatever the number of ranks. A handler that draws still gives the same run whatever the
/// number of ranks, but not that of a run without batches, whose draws come from the library
/// generator in evaluation order.
///
/// A handler that raises on any rank makes rank 0's generation raise EGAException "Fitness
/// evaluation failed on rank R: message" once every chunk in flight has come back; the other
/// ranks keep serving, so the application may go on or end, and no rank is left waiting.
class TKXDistributedEvaluation {
 public:
  /// Evaluations for Component (not owned, which must outlive this object) over a private
  /// duplicate of Communicator. Collective: every rank constructs it.
  TKXDistributedEvaluation(const TKXCommunicator& Communicator,
                           TKXCustomGeneticComponent& Component);
  /// On rank 0, tells the other ranks to stop serving (when Run has not already).
  ~TKXDistributedEvaluation();
  TKXDistributedEvaluation(const TKXDistributedEvaluation&) = delete;
  TKXDistributedEvaluation& operator=(const TKXDistributedEvaluation&) = delete;

  /// On rank 0: evaluations are handed out while Master runs (it evolves the component), then
  /// the other ranks are stopped, also when Master raises (which then propagates). On the
  /// other ranks: serves evaluations until rank 0 stops them. Returns true on rank 0.
  bool Run(const std::function<void()>& Master);

  ///@{
  /// Whether rank 0 evaluates chunks itself between handing them out (true by default). With
  /// a single rank it always does.
  bool MasterEvaluates() const noexcept { return FMasterEvaluates; }
  void SetMasterEvaluates(bool Value) noexcept { FMasterEvaluates = Value; }
  ///@}
  ///@{
  /// Individuals per chunk; 0 (the default) picks about 32 chunks per evaluating rank.
  std::int32_t ChunkSize() const noexcept { return FChunkSize; }
  void SetChunkSize(std::int32_t Value) noexcept { FChunkSize = Value < 0 ? 0 : Value; }
  ///@}
  /// On rank 0, the number of individuals each rank evaluated so far (indexed by rank).
  const std::vector<std::int64_t>& EvaluatedBy() const noexcept { return FEvaluatedBy; }
  /// This rank and the number of ranks.
  int Rank() const noexcept { return FCommunicator.Rank(); }
  /// @copydoc Rank
  int Size() const noexcept { return FCommunicator.Size(); }

 private:
  /// Rank 0: the batch handler installed on the component while Run's Master runs.
  void EvaluateBatch(TKXFitnessBatch& Batch);
  /// Rank 0: stops the serving ranks once.
  void StopWorkers();
  /// The other ranks: answers chunks until told to stop.
  void Serve();

  TKXCommunicator FCommunicator;
  TKXCustomGeneticComponent& FComponent;
  std::unique_ptr<TKXIndividualCodec> FCodec;
  bool FMasterEvaluates = true;
  std::int32_t FChunkSize = 0;
  bool FStopped = false;
  std::vector<std::int64_t> FEvaluatedBy;
};

}  // namespace kx
