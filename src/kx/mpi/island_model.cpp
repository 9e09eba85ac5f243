// Islands: one component per rank, exchanging individuals at fixed generations.
//
// A migration message is (count, then per emigrant its raw fitness and its compact form).
// Every rank sends to its targets first (the sends never block), then receives from its
// sources in ascending rank order, so the immigrants land in the same slots on every run.

#include "kx/mpi/island_model.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <numeric>
#include <string>

#include "kx/core/genetic_component.hpp"
#include "kx/host/random.hpp"
#include "kx/mpi/byte_buffer.hpp"
#include "kx/mpi/individual_codec.hpp"

namespace kx {

namespace {

enum TTag : int { kMigrants = 1, kBest = 2 };

std::uint64_t SplitMix(std::uint64_t Value) noexcept {
  Value += 0x9e3779b97f4a7c15ULL;
  Value = (Value ^ (Value >> 30u)) * 0xbf58476d1ce4e5b9ULL;
  Value = (Value ^ (Value >> 27u)) * 0x94d049bb133111ebULL;
  return Value ^ (Value >> 31u);
}

using TClock = std::chrono::steady_clock;

double SecondsSince(TClock::time_point Start) {
  return std::chrono::duration<double>(TClock::now() - Start).count();
}

// Smaller is fitter; a NaN ranks below everything.
double RankKey(TGAFitness Fitness, bool Maximizing) noexcept {
  if (std::isnan(Fitness)) return std::numeric_limits<double>::infinity();
  return Maximizing ? -Fitness : Fitness;
}

// Runs Local on this rank; when it raises here or on any other rank, every rank raises
// (this one its own error), so that no rank goes on alone into the next collective call.
template <class Operation>
void OnAllRanks(TKXCommunicator& Communicator, const char* What, Operation&& Local) {
  std::exception_ptr error;
  try {
    Local();
  } catch (...) {
    error = std::current_exception();
  }
  const bool failed = Communicator.AllMax(error ? 1 : 0) != 0;
  if (error) std::rethrow_exception(error);
  if (failed) throw EGAException(std::string(What) + " failed on another island");
}

}  // namespace

TKXIslandModel::TKXIslandModel(const TKXCommunicator& Communicator,
                               TKXCustomGeneticComponent& Component)
    : FCommunicator(Communicator),
      FComponent(Component),
      FCodec(CreateIndividualCodec(Component)) {}

TKXIslandModel::~TKXIslandModel() = default;

std::uint64_t TKXIslandModel::IslandSeed(std::uint64_t RunSeed, int Rank) noexcept {
  return SplitMix(SplitMix(RunSeed) + static_cast<std::uint64_t>(Rank));
}

void TKXIslandModel::Seed(std::uint64_t RunSeed) {
  FRunSeed = RunSeed;
  RandSeed(IslandSeed(RunSeed, Rank()));
}

std::int32_t TKXIslandModel::Evolve(std::int32_t Generations) {
  const TClock::time_point start = TClock::now();
  std::int32_t done = 0;
  const auto running = [this] { return !FComponent.Initialized() || !FComponent.IsFinished(); };
  bool anyRunning = FCommunicator.AllMax(running() ? 1 : 0) != 0;
  while (anyRunning && done < Generations) {
    FComponent.Evolve();
    ++done;
    // One collective per generation, which also lines the islands up before a migration: the
    // largest generation (a finished island's counter stands still, so the running islands'
    // is the archipelago's) and, in its low bit, whether an island at that generation still
    // runs. Running islands all stand at the largest generation, so an even value means that
    // every island has finished.
    const std::int64_t state =
        FCommunicator.AllMax(2 * std::int64_t{FComponent.Generation()} + (running() ? 1 : 0));
    anyRunning = state % 2 != 0;
    const std::int64_t generation = state / 2;
    if (generation % FMigrateEvery == 0) {
      const TClock::time_point migration = TClock::now();
      Migrate(generation);
      FMigrationSeconds += SecondsSince(migration);
    }
  }
  FEvolveSeconds += SecondsSince(start);
  return done;
}

void TKXIslandModel::Neighbours(std::int64_t Generation, std::vector<int>& Targets,
                                std::vector<int>& Sources) const {
  Targets.clear();
  Sources.clear();
  const int size = Size();
  const int rank = Rank();
  if (size < 2) return;
  switch (FTopology) {
    case tpRing:
      Targets.push_back((rank + 1) % size);
      Sources.push_back((rank + size - 1) % size);
      break;
    case tpFullyConnected:
      for (int other = 0; other < size; ++other) {
        if (other == rank) continue;
        Targets.push_back(other);
        Sources.push_back(other);
      }
      break;
    case tpRandom: {
      // The same draws on every rank: each island's target, none its own.
      TKXRandom draws(SplitMix(FRunSeed ^ 0x6d6967726174696fULL),
                      static_cast<std::uint64_t>(Generation));
      for (int from = 0; from < size; ++from) {
        int to = draws.Integer(size - 1);
        if (to >= from) ++to;
        if (from == rank) Targets.push_back(to);
        if (to == rank) Sources.push_back(from);
      }
      break;
    }
  }
}

std::vector<std::int32_t> TKXIslandModel::Ranked() {
  TKXPopulation* population = FComponent.Population();
  const std::int32_t count = population->Count();
  const bool maximizing = IsMaximizing(FComponent.FitnessMethod());
  std::vector<double> keys(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i)
    keys[i] = RankKey(population->ItemAt(i)->Fitness(), maximizing);
  std::vector<std::int32_t> order(static_cast<std::size_t>(count));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&keys](std::int32_t A, std::int32_t B) { return keys[A] < keys[B]; });
  return order;
}

std::vector<std::int32_t> TKXIslandModel::ChooseEmigrants() {
  const std::int32_t count = FComponent.Population()->Count();
  const std::int32_t wanted = std::min(FMigrants, count);
  if (FEmigrantChoice == ecBest) {
    std::vector<std::int32_t> order = Ranked();
    order.resize(static_cast<std::size_t>(wanted));
    return order;
  }
  TKXPopulation* population = FComponent.Population();
  const bool maximizing = IsMaximizing(FComponent.FitnessMethod());
  std::vector<std::int32_t> chosen;
  for (std::int32_t k = 0; k < wanted; ++k) {
    std::int32_t best = RandomInt(count);
    for (std::int32_t j = 1; j < FComponent.TournamentField(); ++j) {
      const std::int32_t other = RandomInt(count);
      if (RankKey(population->ItemAt(other)->Fitness(), maximizing) <
          RankKey(population->ItemAt(best)->Fitness(), maximizing))
        best = other;
    }
    chosen.push_back(best);
  }
  return chosen;
}

std::vector<std::int32_t> TKXIslandModel::ChooseResidents(std::int32_t Count) {
  const std::int32_t size = FComponent.Population()->Count();
  if (FReplacement == rpWorst) {
    std::vector<std::int32_t> order = Ranked();
    std::reverse(order.begin(), order.end());
    order.resize(static_cast<std::size_t>(Count));
    return order;
  }
  std::vector<std::int32_t> slots(static_cast<std::size_t>(size));
  std::iota(slots.begin(), slots.end(), 0);
  for (std::int32_t i = 0; i < Count; ++i) std::swap(slots[i], slots[i + RandomInt(size - i)]);
  slots.resize(static_cast<std::size_t>(Count));
  return slots;
}

void TKXIslandModel::Migrate() { Migrate(FCommunicator.AllMax(FComponent.Generation())); }

void TKXIslandModel::Migrate(std::int64_t Generation) {
  const std::int64_t generation = Generation;
  std::vector<int> targets;
  std::vector<int> sources;
  Neighbours(generation, targets, sources);
  ++FMigrations;
  if (targets.empty() && sources.empty()) return;

  TKXPopulation* population = FComponent.Population();
  std::vector<std::byte> message;
  TKXByteWriter out(message);
  const std::vector<std::int32_t> emigrants = ChooseEmigrants();
  out.Put(static_cast<std::uint32_t>(emigrants.size()));
  for (const std::int32_t index : emigrants) {
    TKXIndividual* item = population->ItemAt(index);
    out.Put(item->Fitness());
    FCodec->Encode(*item, out);
  }
  for (const int target : targets) {
    FCommunicator.Send(target, kMigrants, message);
    FEmigrants += static_cast<std::int64_t>(emigrants.size());
  }

  const TClock::time_point exchange = TClock::now();
  std::vector<std::vector<std::byte>> arrivals(sources.size());
  std::size_t total = 0;
  for (std::size_t s = 0; s < sources.size(); ++s) {
    FCommunicator.Receive(sources[s], kMigrants, arrivals[s]);
    TKXByteReader in(arrivals[s]);
    total += in.Get<std::uint32_t>();
  }
  FCommunicator.Flush();
  FExchangeSeconds += SecondsSince(exchange);

  const auto placed = static_cast<std::int32_t>(
      std::min<std::size_t>(total, static_cast<std::size_t>(population->Count())));
  const std::vector<std::int32_t> residents = ChooseResidents(placed);
  std::int32_t next = 0;
  for (const std::vector<std::byte>& arrival : arrivals) {
    TKXByteReader in(arrival);
    const auto count = in.Get<std::uint32_t>();
    for (std::uint32_t k = 0; k < count && next < placed; ++k) {
      const auto fitness = in.Get<TGAFitness>();
      TKXIndividual* item = population->ItemAt(residents[next++]);
      FCodec->Decode(in, *item);
      item->RestoreFitness(fitness);
    }
  }
  FImmigrants += placed;
  // Every fitness is cached: this only renews the statistics and the selection tables.
  FComponent.EvaluateFitness();
}

TKXIslandModel::TBest TKXIslandModel::GatherBest(TKXIndividual* Into) {
  const bool maximizing = IsMaximizing(FComponent.FitnessMethod());
  TKXIndividual* fittest = FComponent.FittestIndividual();
  std::vector<std::byte> mine;
  TKXByteWriter out(mine);
  out.Put(static_cast<std::uint8_t>(fittest != nullptr));
  if (fittest != nullptr) {
    out.Put(fittest->Fitness());
    FCodec->Encode(*fittest, out);
  }
  if (Rank() != 0) {
    FCommunicator.Send(0, kBest, std::move(mine));
    FCommunicator.Flush();
    return {Rank(), fittest != nullptr ? fittest->Fitness() : 0};
  }

  TBest best;
  bool found = false;
  std::vector<std::byte> bestBytes;
  std::vector<std::byte> bytes;
  for (int rank = 0; rank < Size(); ++rank) {
    if (rank == 0) {
      bytes = mine;
    } else {
      FCommunicator.Receive(rank, kBest, bytes);
    }
    TKXByteReader in(bytes);
    if (in.Get<std::uint8_t>() == 0) continue;
    const auto fitness = in.Get<TGAFitness>();
    if (!found || RankKey(fitness, maximizing) < RankKey(best.Fitness, maximizing)) {
      found = true;
      best = {rank, fitness};
      bestBytes = bytes;
    }
  }
  if (found && Into != nullptr) {
    TKXByteReader in(bestBytes);
    in.Get<std::uint8_t>();
    const auto fitness = in.Get<TGAFitness>();
    FCodec->Decode(in, *Into);
    Into->RestoreFitness(fitness);
  }
  return best;
}

std::string TKXIslandModel::CheckpointName(const std::string& Prefix, int Rank) {
  return Prefix + "." + std::to_string(Rank) + ".xml";
}

void TKXIslandModel::SaveCheckpoint(const std::string& Prefix) {
  OnAllRanks(FCommunicator, "Checkpoint",
             [&] { FComponent.SaveCheckpoint(CheckpointName(Prefix, Rank())); });
}

void TKXIslandModel::LoadCheckpoint(const std::string& Prefix) {
  OnAllRanks(FCommunicator, "Loading the checkpoint",
             [&] { FComponent.LoadFromFile(CheckpointName(Prefix, Rank())); });
}

}  // namespace kx
