#include "kx/mpi/island_model.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "mpi_test_support.hpp"

namespace kx::testing {
namespace {

struct TIslandRun {
  std::vector<std::pair<std::string, TGAFitness>> Population;
  TKXIslandModel::TBest Best;
  std::int64_t Emigrants;
  std::int64_t Immigrants;
  std::int64_t Migrations;
};

struct TSetup {
  TKXTopology Topology;
  TKXEmigrantChoice Choice;
  TKXReplacement Replacement;
};

void Configure(TKXIslandModel& Islands, const TSetup& Setup) {
  Islands.SetMigrateEvery(3);
  Islands.SetMigrants(2);
  Islands.SetTopology(Setup.Topology);
  Islands.SetEmigrantChoice(Setup.Choice);
  Islands.SetReplacement(Setup.Replacement);
}

TIslandRun RunIslands(const TSetup& Setup, std::uint64_t Seed, std::int32_t Generations) {
  std::unique_ptr<TKXCustomGeneticComponent> gp = MakeGP();
  TKXIslandModel islands(World(), *gp);
  Configure(islands, Setup);
  islands.Seed(Seed);
  islands.Evolve(Generations);
  const TKXIslandModel::TBest best = islands.GatherBest();
  return {Snapshot(*gp), best, islands.Emigrants(), islands.Immigrants(), islands.Migrations()};
}

// The same seed repeats the archipelago exactly, another seed does not; each migration moves
// Migrants individuals along every edge of the topology.
TEST(IslandModel, RepeatsWithTheSeedAndMigratesAlongTheTopology) {
  const int others = World().Size() - 1;
  struct TCase {
    TSetup Setup;
    std::int64_t EmigrantsPerMigration;  // and immigrants, but for the random topology
  } cases[] = {{{tpRing, ecBest, rpWorst}, others > 0 ? 2 : 0},
               {{tpFullyConnected, ecTournament, rpRandom}, 2 * others},
               {{tpRandom, ecBest, rpRandom}, others > 0 ? 2 : 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Setup.Topology));
    const TIslandRun first = RunIslands(c.Setup, 5, 7);
    const TIslandRun again = RunIslands(c.Setup, 5, 7);
    const TIslandRun other = RunIslands(c.Setup, 6, 7);
    EXPECT_EQ(first.Population, again.Population);
    EXPECT_NE(first.Population, other.Population);
    EXPECT_EQ(first.Best.Rank, again.Best.Rank);
    EXPECT_EQ(first.Best.Fitness, again.Best.Fitness);
    EXPECT_EQ(first.Migrations, 2);  // after generations 3 and 6
    EXPECT_EQ(first.Emigrants, 2 * c.EmigrantsPerMigration);
    if (c.Setup.Topology != tpRandom) {
      EXPECT_EQ(first.Immigrants, first.Emigrants);
    }
    // Rank 0's own islanders are no better (lower) than the best gathered from all islands.
    if (World().Rank() == 0) {
      for (const auto& [program, fitness] : first.Population)
        EXPECT_LE(first.Best.Fitness, fitness);
    }
  }
}

// Checkpoints taken midway, loaded into fresh components, continue the run exactly.
TEST(IslandModel, CheckpointsResumeTheArchipelago) {
  const TSetup setup{tpRandom, ecTournament, rpWorst};
  const TIslandRun straight = RunIslands(setup, 9, 8);
  const std::string prefix = ::testing::TempDir() + "kx_islands_" + std::to_string(World().Size());
  {
    std::unique_ptr<TKXCustomGeneticComponent> gp = MakeGP();
    TKXIslandModel islands(World(), *gp);
    Configure(islands, setup);
    islands.Seed(9);
    islands.Evolve(3);
    islands.SaveCheckpoint(prefix);
  }
  std::unique_ptr<TKXCustomGeneticComponent> gp = MakeGP();
  TKXIslandModel islands(World(), *gp);
  Configure(islands, setup);
  islands.SetRunSeed(9);
  islands.LoadCheckpoint(prefix);
  islands.Evolve(5);
  EXPECT_EQ(Snapshot(*gp), straight.Population);
  EXPECT_EQ(islands.GatherBest().Fitness, straight.Best.Fitness);
  std::remove(TKXIslandModel::CheckpointName(prefix, World().Rank()).c_str());
}

}  // namespace
}  // namespace kx::testing
