// The master hands out chunks of a batch and collects their fitnesses; workers answer chunks.
//
// Messages: a task is (chunk, seed, count, then per individual its population index and its
// compact form); a result is (chunk, count, the fitnesses); an error is (chunk, text); stop
// is empty. While plenty remain, every worker holds up to three tasks, so it starts the next
// one while its result travels; near the end one, so that no rank finishes a queue while the
// others idle. Rank 0 answers results between its own evaluations.

#include "kx/mpi/distributed_evaluation.hpp"

#include <algorithm>
#include <optional>
#include <string>

#include "kx/core/genetic_component.hpp"
#include "kx/host/random.hpp"
#include "kx/mpi/byte_buffer.hpp"
#include "kx/mpi/individual_codec.hpp"

namespace kx {

namespace {

enum TTag : int { kTask = 1, kResult = 2, kError = 3, kStop = 4 };

constexpr int kTasksPerWorker = 3;
constexpr std::size_t kChunksPerRank = 32;

std::string FailureText(int Rank, const char* What) {
  return "Fitness evaluation failed on rank " + std::to_string(Rank) + ": " + What;
}

// Runs the application's handler on Item as the parallel loop would for population index
// Index: with that index's own generator stream.
TGAFitness EvaluateOne(TKXCustomGeneticComponent& Component, TKXIndividual* Item,
                       std::uint64_t Seed, std::int32_t Index) {
  const TKXFitnessEvent& handler = Component.OnEvaluateFitness();
  if (!handler) throw EGAException(SNoFitnessFunction.Text);
  TKXRandom random(Seed, TKXCustomGeneticComponent::EvaluationStream(Index));
  TKXRandomScope scope(random);
  TGAFitness fitness = 0;
  handler(&Component, Item, fitness);
  return fitness;
}

}  // namespace

TKXDistributedEvaluation::TKXDistributedEvaluation(const TKXCommunicator& Communicator,
                                                   TKXCustomGeneticComponent& Component)
    : FCommunicator(Communicator),
      FComponent(Component),
      FCodec(CreateIndividualCodec(Component)),
      FEvaluatedBy(static_cast<std::size_t>(FCommunicator.Size()), 0) {}

TKXDistributedEvaluation::~TKXDistributedEvaluation() {
  if (Rank() != 0) return;
  try {
    StopWorkers();
  } catch (...) {
    // Nothing to report to from a destructor; the channel is freed next.
  }
}

bool TKXDistributedEvaluation::Run(const std::function<void()>& Master) {
  if (Rank() != 0) {
    Serve();
    return false;
  }
  struct TMasterScope {
    TKXDistributedEvaluation& Owner;
    ~TMasterScope() {
      Owner.FComponent.SetOnEvaluateBatch(nullptr);
      try {
        Owner.StopWorkers();
      } catch (...) {
        // Master's own exception, if any, is the one to report.
      }
    }
  } scope{*this};
  FStopped = false;
  FComponent.SetOnEvaluateBatch(
      [this](TKXObject*, TKXFitnessBatch& Batch) { EvaluateBatch(Batch); });
  Master();
  return true;
}

void TKXDistributedEvaluation::StopWorkers() {
  if (FStopped) return;
  FStopped = true;
  for (int rank = 1; rank < Size(); ++rank) FCommunicator.Send(rank, kStop, {});
  FCommunicator.Flush();
}

void TKXDistributedEvaluation::EvaluateBatch(TKXFitnessBatch& Batch) {
  const std::size_t count = Batch.Items.size();
  const int workers = Size() - 1;
  const bool masterEvaluates = FMasterEvaluates || workers == 0;
  const std::size_t evaluators = static_cast<std::size_t>(workers) + (masterEvaluates ? 1 : 0);
  const std::size_t chunk =
      FChunkSize > 0 ? static_cast<std::size_t>(FChunkSize)
                     : std::max<std::size_t>(1, (count + evaluators * kChunksPerRank - 1) /
                                                    (evaluators * kChunksPerRank));
  const std::size_t chunks = (count + chunk - 1) / chunk;
  std::size_t next = 0;
  int outstanding = 0;
  std::optional<std::string> failure;
  std::vector<int> inFlight(static_cast<std::size_t>(Size()), 0);
  // A worker's second task keeps it busy while its result travels; near the end of the batch
  // it would leave the others idle while that worker finishes two, so it gets one only while
  // plenty remain.
  auto wantsMore = [&](int Rank) {
    if (failure || next >= chunks) return false;
    const int held = inFlight[static_cast<std::size_t>(Rank)];
    return held == 0 || (held < kTasksPerWorker && chunks - next > evaluators * kTasksPerWorker);
  };

  auto send = [&](int Rank) {
    const std::size_t first = next * chunk;
    const std::size_t last = std::min(count, first + chunk);
    std::vector<std::byte> bytes;
    TKXByteWriter out(bytes);
    out.Put(static_cast<std::uint64_t>(next));
    out.Put(Batch.Seed);
    out.Put(static_cast<std::uint32_t>(last - first));
    for (std::size_t i = first; i < last; ++i) {
      out.Put(Batch.Indices[i]);
      FCodec->Encode(*Batch.Items[i], out);
    }
    FCommunicator.Send(Rank, kTask, std::move(bytes));
    ++next;
    ++outstanding;
    ++inFlight[static_cast<std::size_t>(Rank)];
  };
  std::vector<std::byte> reply;
  auto handle = [&](const TKXCommunicator::TMessage& Message) {
    --outstanding;
    --inFlight[static_cast<std::size_t>(Message.Source)];
    TKXByteReader in(reply);
    const auto number = static_cast<std::size_t>(in.Get<std::uint64_t>());
    if (Message.Tag == kError) {
      if (!failure) failure = in.GetText();
    } else {
      const std::size_t first = number * chunk;
      const auto values = in.Get<std::uint32_t>();
      if (number >= chunks || values != std::min(count, first + chunk) - first)
        throw EGAException("Malformed message");
      for (std::size_t i = 0; i < values; ++i) Batch.Fitnesses[first + i] = in.Get<double>();
      FEvaluatedBy[static_cast<std::size_t>(Message.Source)] += values;
    }
    while (wantsMore(Message.Source)) send(Message.Source);
  };

  // Answers the results that have arrived, so that no worker waits for its next task.
  auto answer = [&] {
    while (outstanding > 0 && FCommunicator.Probe(TKXCommunicator::kAny, TKXCommunicator::kAny))
      handle(FCommunicator.Receive(TKXCommunicator::kAny, TKXCommunicator::kAny, reply));
  };

  for (int round = 0; round < kTasksPerWorker; ++round)
    for (int rank = 1; rank <= workers; ++rank)
      if (wantsMore(rank)) send(rank);
  while (true) {
    answer();
    if (!failure && masterEvaluates && next < chunks) {
      const std::size_t first = next++ * chunk;
      const std::size_t last = std::min(count, first + chunk);
      try {
        for (std::size_t i = first; i < last; ++i) {
          Batch.Fitnesses[i] =
              EvaluateOne(FComponent, Batch.Items[i], Batch.Seed, Batch.Indices[i]);
          ++FEvaluatedBy[0];
          answer();
        }
      } catch (const std::exception& error) {
        failure = FailureText(0, error.what());
      } catch (...) {
        failure = FailureText(0, "unknown error");
      }
      continue;
    }
    if (outstanding == 0) break;
    handle(FCommunicator.Receive(TKXCommunicator::kAny, TKXCommunicator::kAny, reply));
  }
  if (failure) throw EGAException(*failure);
}

void TKXDistributedEvaluation::Serve() {
  TKXPopulation* population = FComponent.Population();
  if (population->Count() == 0) population->Add();
  TKXIndividual* scratch = population->ItemAt(0);
  std::vector<std::byte> task;
  while (true) {
    const TKXCommunicator::TMessage message = FCommunicator.Receive(0, TKXCommunicator::kAny, task);
    if (message.Tag == kStop) break;
    TKXByteReader in(task);
    const auto number = in.Get<std::uint64_t>();
    std::vector<std::byte> reply;
    TKXByteWriter out(reply);
    out.Put(number);
    try {
      const auto seed = in.Get<std::uint64_t>();
      const auto values = in.Get<std::uint32_t>();
      out.Put(values);
      for (std::uint32_t i = 0; i < values; ++i) {
        const auto index = in.Get<std::int32_t>();
        FCodec->Decode(in, *scratch);
        out.Put(EvaluateOne(FComponent, scratch, seed, index));
      }
    } catch (const std::exception& error) {
      reply.resize(sizeof number);
      out.PutText(FailureText(Rank(), error.what()));
      FCommunicator.Send(0, kError, std::move(reply));
      continue;
    } catch (...) {
      reply.resize(sizeof number);
      out.PutText(FailureText(Rank(), "unknown error"));
      FCommunicator.Send(0, kError, std::move(reply));
      continue;
    }
    FCommunicator.Send(0, kResult, std::move(reply));
  }
  FCommunicator.Flush();
}

}  // namespace kx
