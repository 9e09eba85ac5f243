#include "kx/mpi/island_model.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "mpi_test_support.hpp"

namespace kx::testing {
namespace {

struct TIslandRun {
  std::vector<std::pair<std::string, TGAFitness>> Population;
  TKXIslandModel::TBest Best;
  std::int64_t Emigrants, Immigrants, Migrations;
};

using TSetup = std::tuple<TKXTopology, TKXEmigrantChoice, TKXReplacement>;

// An archipelago of Setup that Start seeds (or restores), evolved Generations, then Finish.
TIslandRun RunIslands(const TSetup& Setup, const std::function<void(TKXIslandModel&)>& Start,
                      std::int32_t Generations,
                      const std::function<void(TKXIslandModel&)>& Finish = nullptr) {
  std::unique_ptr<TKXCustomGeneticComponent> gp = MakeGP();
  TKXIslandModel islands(World(), *gp);
  islands.SetMigrateEvery(3);
  islands.SetMigrants(2);
  islands.SetTopology(std::get<0>(Setup));
  islands.SetEmigrantChoice(std::get<1>(Setup));
  islands.SetReplacement(std::get<2>(Setup));
  Start(islands);
  islands.Evolve(Generations);
  if (Finish) Finish(islands);
  const TKXIslandModel::TBest best = islands.GatherBest();
  return {Snapshot(*gp), best, islands.Emigrants(), islands.Immigrants(), islands.Migrations()};
}

auto Seeded(std::uint64_t Seed) {
  return [Seed](TKXIslandModel& Islands) { Islands.Seed(Seed); };
}

// The same seed repeats the archipelago exactly, another seed does not; each migration moves
// Migrants individuals along every edge of the topology.
TEST(IslandModel, RepeatsWithTheSeedAndMigratesAlongTheTopology) {
  const int others = World().Size() - 1;
  // The set-up, and the emigrants per migration (and immigrants, but for the random topology).
  const std::pair<TSetup, std::int64_t> cases[] = {
      {{tpRing, ecBest, rpWorst}, others > 0 ? 2 : 0},
      {{tpFullyConnected, ecTournament, rpRandom}, 2 * others},
      {{tpRandom, ecBest, rpRandom}, others > 0 ? 2 : 0}};
  for (const auto& [setup, per_migration] : cases) {
    SCOPED_TRACE(static_cast<int>(std::get<0>(setup)));
    const TIslandRun first = RunIslands(setup, Seeded(5), 7);
    const TIslandRun again = RunIslands(setup, Seeded(5), 7);
    EXPECT_EQ(first.Population, again.Population);
    EXPECT_NE(first.Population, RunIslands(setup, Seeded(6), 7).Population);
    EXPECT_EQ(first.Best.Rank, again.Best.Rank);
    EXPECT_EQ(first.Best.Fitness, again.Best.Fitness);
    EXPECT_EQ(first.Migrations, 2);  // after generations 3 and 6
    EXPECT_EQ(first.Emigrants, 2 * per_migration);
    EXPECT_TRUE(std::get<0>(setup) == tpRandom || first.Immigrants == first.Emigrants);
    // Rank 0's own islanders are no better (lower) than the best gathered from all islands.
    for (const auto& [program, fitness] : first.Population) {
      EXPECT_TRUE(World().Rank() != 0 || first.Best.Fitness <= fitness) << fitness;
    }
  }
}

// Before the first migration each island has evolved from its own seed, and the best
// gathered is the best of all islands (non-negative doubles order as their bits).
TEST(IslandModel, IslandsStartApartAndTheBestIsGatheredFromAll) {
  const TIslandRun run = RunIslands({tpRing, ecBest, rpWorst}, Seeded(5), 1);
  std::string programs;
  TGAFitness own = run.Population.front().second;
  for (const auto& [program, fitness] : run.Population) {
    programs += program;
    own = std::min(own, fitness);
  }
  const auto hash = static_cast<std::int64_t>(std::hash<std::string>{}(programs) >> 2);
  EXPECT_EQ(World().AllMax(hash) == -World().AllMax(-hash), World().Size() == 1);
  const auto best = std::bit_cast<TGAFitness>(-World().AllMax(-std::bit_cast<std::int64_t>(own)));
  EXPECT_TRUE(World().Rank() != 0 || run.Best.Fitness == best) << run.Best.Fitness << " " << best;
}

// Checkpoints taken midway, loaded into fresh components, continue the run exactly.
TEST(IslandModel, CheckpointsResumeTheArchipelago) {
  const TSetup setup{tpRandom, ecTournament, rpWorst};
  const TIslandRun straight = RunIslands(setup, Seeded(9), 8);
  const std::string prefix = ::testing::TempDir() + "kx_islands_" + std::to_string(World().Size());
  RunIslands(setup, Seeded(9), 3, [&](TKXIslandModel& Islands) { Islands.SaveCheckpoint(prefix); });
  const auto resume = [&](TKXIslandModel& Islands) {
    Islands.SetRunSeed(9);
    Islands.LoadCheckpoint(prefix);
  };
  const TIslandRun resumed = RunIslands(setup, resume, 5);
  EXPECT_EQ(resumed.Population, straight.Population);
  EXPECT_EQ(resumed.Best.Fitness, straight.Best.Fitness);
  std::remove(TKXIslandModel::CheckpointName(prefix, World().Rank()).c_str());
}

}  // namespace
}  // namespace kx::testing
