// The island model: every rank of an mpirun launch evolves its own population of programs for
// x^4 + x^3 + x^2 + x (as gp_symbolic_regression does, from a seed derived from --seed and the
// rank), and every --migrate-every generations each island sends its --migrants best programs
// to the next rank, where they replace the worst. Migration is synchronous and ordered, so a
// seed and a number of ranks print the same run every time.
//
//   mpirun -np 4 gp_islands [--seed N] [--generations N] [--migrate-every M] [--migrants K]
//                           [--progress] [--help]
//
// Rank 0 prints the archipelago's best program; --progress adds, on stderr, the share of the
// time rank 0 spent migrating (the exchange of messages apart, which is mostly waiting).

#include <array>
#include <cmath>
#include <cstdio>
#include <kx/kxevo.hpp>
#include <kx/mpi/communicator.hpp>
#include <kx/mpi/island_model.hpp>
#include <span>

#include "example_args.hpp"
#include "quartic_instructions.hpp"

namespace {

constexpr int kCases = 20;

int Run(const examples::Args& args, int& argc, char**& argv) {
  kx::TKXMPISession session(argc, argv);
  kx::TKXCommunicator world;

  kx::TKXGeneticProgramming gp;
  examples::AddQuarticInstructions(*gp.Instructions());
  kx::TKXGPBatchContext<double> samples(kCases);
  std::span<double> inputs = samples.Column("x");
  std::array<double, kCases> outputs{};
  for (int k = 0; k < kCases; ++k) {
    inputs[k] = -1.0 + 2.0 * k / (kCases - 1);
    outputs[k] = examples::Quartic(inputs[k]);
  }
  gp.SetOnEvaluateFitness([&](kx::TKXObject*, kx::TKXIndividual* Item, double& Fitness) {
    std::array<double, kCases> predicted{};
    static_cast<kx::TKXGPIndividual<double>*>(Item)->ExecuteBatch(samples, predicted);
    double error = 0;
    for (int k = 0; k < kCases; ++k) error += std::fabs(predicted[k] - outputs[k]);
    Fitness = std::isfinite(error) ? error : 1e30;
  });
  gp.SetInitialPopulation(300);
  gp.SetInitializationMethod(kx::imRampedHalfAndHalf);
  gp.SetInitializationDepth(6);
  gp.SetSelectionMethod(kx::smTournament);
  gp.SetTournamentField(7);
  gp.SetBloatStrategy(kx::bsDepthLimit);
  gp.SetBloatLimit(17);
  gp.SetFitnessMethod(kx::fmMinimize);

  kx::TKXIslandModel islands(world, gp);
  islands.SetMigrateEvery(args.MigrateEvery);
  islands.SetMigrants(args.Migrants);
  islands.Seed(args.Seed);
  const std::int32_t generations = islands.Evolve(args.Generations);

  // Rank 0 receives the best program into an individual of its own population.
  kx::TKXGPIndividual<double>* best = world.Rank() == 0 ? gp.Population()->Add() : nullptr;
  const kx::TKXIslandModel::TBest found = islands.GatherBest(best);
  if (world.Rank() != 0) return 0;
  std::printf("islands = %d, generations = %d, migrations = %lld, immigrants on island 0 = %lld\n",
              world.Size(), generations, static_cast<long long>(islands.Migrations()),
              static_cast<long long>(islands.Immigrants()));
  std::printf("best island = %d\n", found.Rank);
  std::printf("best program (size %d): %s\n", best->DNA()->Size(), best->DNA()->ToString().c_str());
  if (args.Progress) {
    const double total = islands.EvolveSeconds();
    const double migration = islands.MigrationSeconds();
    const double exchange = islands.ExchangeSeconds();
    std::fprintf(stderr,
                 "rank 0: %.1f ms in %d generations; migrations %.3f ms (%.2f%%), of which the "
                 "exchange of messages %.3f ms and the rest %.3f ms (%.3f%%)\n",
                 total * 1e3, generations, migration * 1e3, 100 * migration / total, exchange * 1e3,
                 (migration - exchange) * 1e3, 100 * (migration - exchange) / total);
  }
  std::printf("best fitness = %.6g\n", found.Fitness);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(
      argc, argv,
      {.Summary = "Islands of symbolic regression, one per rank, exchanging their best programs.",
       .Flags = {examples::Flag::Seed, examples::Flag::Generations, examples::Flag::MigrateEvery,
                 examples::Flag::Migrants, examples::Flag::Progress},
       .DefaultGenerations = 30});
  return examples::RunGuarded(argv[0], [&] { return Run(args, argc, argv); });
}
