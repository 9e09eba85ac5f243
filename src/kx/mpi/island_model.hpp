#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/mpi/communicator.hpp"

namespace kx {

class TKXCustomGeneticComponent;
class TKXIndividual;
class TKXIndividualCodec;

/// Where an island's emigrants go: to the next rank (ring), to every other rank (fully
/// connected), or each migration to one other rank drawn from the run's seed (random).
enum TKXTopology : std::uint8_t {
  tpRing,            ///< To rank + 1, the last to rank 0.
  tpFullyConnected,  ///< To every other rank.
  tpRandom           ///< To one other rank, drawn anew for each migration.
};
/// Which individuals emigrate: the island's best, or the winners of tournaments of the
/// component's TournamentField.
enum TKXEmigrantChoice : std::uint8_t {
  ecBest,       ///< The fittest residents.
  ecTournament  ///< Each the winner of a tournament.
};
/// Which residents the immigrants replace: the island's worst, or residents drawn at random.
enum TKXReplacement : std::uint8_t {
  rpWorst,  ///< The least fit residents.
  rpRandom  ///< Residents drawn at random (each at most once).
};

/// The island model: every rank evolves its own component (a genetic algorithm or any
/// program component; all ranks build the same one) from a seed derived from the run's seed
/// and its rank, and every MigrateEvery generations each island sends Migrants individuals to
/// its neighbours on the topology, where they replace residents. Migration is synchronous and
/// ordered (immigrants are placed in the order of their source ranks, and every random choice
/// comes from the island's own generator or from the run's seed), so the same seed and the
/// same number of ranks give the same run. Immigrants keep the fitness they had: they are not
/// evaluated again.
///
/// Every call but the property accessors is collective: all ranks make it together.
class TKXIslandModel {
 public:
  /// Islands of Component (not owned, which must outlive this object) over a private
  /// duplicate of Communicator.
  TKXIslandModel(const TKXCommunicator& Communicator, TKXCustomGeneticComponent& Component);
  ~TKXIslandModel();
  TKXIslandModel(const TKXIslandModel&) = delete;
  TKXIslandModel& operator=(const TKXIslandModel&) = delete;

  /// The seed of the island of rank Rank in a run seeded with RunSeed.
  static std::uint64_t IslandSeed(std::uint64_t RunSeed, int Rank) noexcept;
  /// Seeds this island's generator (the library generator of this rank) with its island seed
  /// and keeps RunSeed for the random topology. Call it before evolving a new run; a resumed
  /// run gets its generator back from its checkpoint instead, and its run seed from here
  /// (SetRunSeed).
  void Seed(std::uint64_t RunSeed);
  ///@{
  /// The run's seed, which the random topology is drawn from.
  std::uint64_t RunSeed() const noexcept { return FRunSeed; }
  void SetRunSeed(std::uint64_t Value) noexcept { FRunSeed = Value; }
  ///@}

  /// Up to Generations generations of every island, migrating after each generation whose
  /// number is a multiple of MigrateEvery; stops early once every island is finished (an
  /// island finished alone keeps taking part in migrations). The first call initializes the
  /// islands. Returns the number of generations run.
  std::int32_t Evolve(std::int32_t Generations);
  /// One migration now.
  void Migrate();

  /// The best individual of all islands and its island.
  struct TBest {
    int Rank = 0;            ///< The island it lives on.
    TGAFitness Fitness = 0;  ///< Its raw fitness.
  };
  /// Finds the best individual of all islands (ties go to the lowest rank). On rank 0 it is
  /// copied into Into when given (an individual of a population of the same kind of
  /// component, its fitness restored) and returned; the other ranks get their own best.
  TBest GatherBest(TKXIndividual* Into = nullptr);

  /// "<Prefix>.<Rank>.xml": the checkpoint file of island Rank.
  static std::string CheckpointName(const std::string& Prefix, int Rank);
  /// Each island saves a checkpoint of its component (see CheckpointName).
  void SaveCheckpoint(const std::string& Prefix);
  /// Each island loads its checkpoint into its component, which then continues the run
  /// exactly where the checkpoints were taken (the run seed must be set as before).
  void LoadCheckpoint(const std::string& Prefix);

  ///@{
  /// Generations between migrations (at least 1; 5 by default).
  std::int32_t MigrateEvery() const noexcept { return FMigrateEvery; }
  void SetMigrateEvery(std::int32_t Value) noexcept { FMigrateEvery = Value < 1 ? 1 : Value; }
  ///@}
  ///@{
  /// Emigrants sent to each neighbour per migration (at least 0, at most the population; 2 by
  /// default).
  std::int32_t Migrants() const noexcept { return FMigrants; }
  void SetMigrants(std::int32_t Value) noexcept { FMigrants = Value < 0 ? 0 : Value; }
  ///@}
  ///@{
  /// The topology (ring by default).
  TKXTopology Topology() const noexcept { return FTopology; }
  void SetTopology(TKXTopology Value) noexcept { FTopology = Value; }
  ///@}
  ///@{
  /// How emigrants are chosen (the best by default).
  TKXEmigrantChoice EmigrantChoice() const noexcept { return FEmigrantChoice; }
  void SetEmigrantChoice(TKXEmigrantChoice Value) noexcept { FEmigrantChoice = Value; }
  ///@}
  ///@{
  /// Whom immigrants replace (the worst by default).
  TKXReplacement Replacement() const noexcept { return FReplacement; }
  void SetReplacement(TKXReplacement Value) noexcept { FReplacement = Value; }
  ///@}

  /// Individuals this island sent and received since construction.
  std::int64_t Emigrants() const noexcept { return FEmigrants; }
  /// @copydoc Emigrants
  std::int64_t Immigrants() const noexcept { return FImmigrants; }
  /// Migrations run since construction.
  std::int64_t Migrations() const noexcept { return FMigrations; }
  /// Wall-clock seconds this island spent in migrations, of them in the exchange of messages
  /// (mostly waiting for the neighbours' messages), and in Evolve as a whole.
  double MigrationSeconds() const noexcept { return FMigrationSeconds; }
  /// @copydoc MigrationSeconds
  double ExchangeSeconds() const noexcept { return FExchangeSeconds; }
  /// @copydoc MigrationSeconds
  double EvolveSeconds() const noexcept { return FEvolveSeconds; }
  /// This rank and the number of islands.
  int Rank() const noexcept { return FCommunicator.Rank(); }
  /// @copydoc Rank
  int Size() const noexcept { return FCommunicator.Size(); }

 private:
  /// The migration after the archipelago's generation Generation.
  void Migrate(std::int64_t Generation);
  /// The ranks this island sends to, and those it receives from (ascending), for the
  /// migration after generation Generation.
  void Neighbours(std::int64_t Generation, std::vector<int>& Targets,
                  std::vector<int>& Sources) const;
  /// Population indices of the emigrants, and of the residents to replace by Count immigrants.
  std::vector<std::int32_t> ChooseEmigrants();
  std::vector<std::int32_t> ChooseResidents(std::int32_t Count);
  /// Population indices ordered from the fittest (ties by index).
  std::vector<std::int32_t> Ranked();

  TKXCommunicator FCommunicator;
  TKXCustomGeneticComponent& FComponent;
  std::unique_ptr<TKXIndividualCodec> FCodec;
  std::uint64_t FRunSeed = 0;
  std::int32_t FMigrateEvery = 5;
  std::int32_t FMigrants = 2;
  TKXTopology FTopology = tpRing;
  TKXEmigrantChoice FEmigrantChoice = ecBest;
  TKXReplacement FReplacement = rpWorst;
  std::int64_t FEmigrants = 0;
  std::int64_t FImmigrants = 0;
  std::int64_t FMigrations = 0;
  double FMigrationSeconds = 0;
  double FExchangeSeconds = 0;
  double FEvolveSeconds = 0;
};

}  // namespace kx
