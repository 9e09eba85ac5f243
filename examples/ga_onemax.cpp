// OneMax with the genetic algorithm: a 1,024-bit chromosome (GeneSize only, no genes)
// whose fitness is its number of 1 bits, maximized with tournament selection. The run stops
// at the optimum (fitness cutoff 1,024) or after the generation cap. With --parallel the
// generations are bred and evaluated on the thread pool; a given seed prints the same run
// whatever --threads says.
//
//   ga_onemax [--seed N] [--generations N] [--parallel] [--threads N]

#include <cmath>
#include <iomanip>
#include <iostream>
#include <kx/kxevo.hpp>

#include "example_args.hpp"

namespace {

constexpr int kBits = 1024;

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(argc, argv);
  kx::RandSeed(args.Seed);
  kx::SetParallelThreads(args.Threads);
  const int generations = args.Generations >= 0 ? args.Generations : 300;

  kx::TKXGeneticAlgorithm ga;
  ga.SetGeneSize(kBits);
  ga.SetInitialPopulation(500);
  ga.SetFitnessMethod(kx::fmMaximize);
  ga.SetSelectionMethod(kx::smTournament);
  ga.SetTournamentField(6);
  ga.SetCrossoverMethod(kx::cmBitBoundary);
  ga.SetCrossoverProbability(0.9);
  // Per bit: about one flip per child keeps the good bits while still repairing the last
  // zeros. Inversion (complementing a whole run) is far too disruptive for OneMax.
  ga.SetMutationProbability(1.0 / kBits);
  ga.SetOperations({kx::goCrossover, kx::goMutate});
  ga.SetUseFitnessCutoff(true);
  ga.SetFitnessCutoff(kBits);
  ga.SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
    Fitness = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
  ga.SetOnEvolve([&](kx::TKXObject*) {
    if (ga.Generation() % 20 != 0) return;
    std::cout << "generation " << std::setw(4) << ga.Generation() << "  best " << std::setw(5)
              << ga.MaxFitness() << "  average " << std::setw(7)
              << std::round(ga.AvgFitness() * 10) / 10 << '\n';
  });

  ga.Initialize();
  if (args.Parallel) {
    ga.ParallelEvolve(generations);
  } else {
    ga.Evolve(generations);
  }

  std::cout << "generations evolved = " << ga.Generation() << '\n';
  std::cout << "best fitness = " << ga.FittestIndividual()->Fitness() << '\n';
  return 0;
}
