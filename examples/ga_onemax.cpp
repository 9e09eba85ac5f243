// OneMax with the genetic algorithm: a 1,024-bit chromosome (GeneSize only, no genes)
// whose fitness is its number of 1 bits, maximized with tournament selection. The run stops
// at the optimum (fitness cutoff 1,024) or after the generation cap. With --parallel the
// generations are bred and evaluated on the thread pool; a given seed prints the same run
// whatever --threads says. --save writes the run (settings and population) as a document at
// the end; --load reads such a document back and continues that run from its generation.
// With --mpi, under mpirun, rank 0 runs the algorithm and every rank evaluates: the output is
// exactly that of the same command without it. --eval-cost-us N makes each evaluation wait N
// microseconds, as a costly fitness function would (a sleep, so the cores stay free).
//
//   ga_onemax [--seed N] [--generations N] [--parallel] [--threads N] [--save FILE]
//             [--load FILE] [--mpi] [--eval-cost-us N] [--help]

#include <chrono>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <kx/kxevo.hpp>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>
#ifdef KX_EXAMPLES_MPI
#include <kx/mpi/communicator.hpp>
#include <kx/mpi/distributed_evaluation.hpp>
#endif

#include "example_args.hpp"
#include "long_run.hpp"

namespace {

constexpr int kBits = 1024;

std::vector<examples::Flag> Flags() {
  std::vector<examples::Flag> flags = examples::kAllFlags;
  flags.push_back(examples::Flag::EvalCostUs);
#ifdef KX_EXAMPLES_MPI
  flags.push_back(examples::Flag::Mpi);
#endif
  return flags;
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args =
      examples::ParseArgs(argc, argv,
                          {.Summary = "OneMax: evolves a 1,024-bit chromosome towards all ones.",
                           .Flags = Flags(),
                           .DefaultGenerations = 300});
  return examples::RunGuarded(argv[0], [&] {
#ifdef KX_EXAMPLES_MPI
    // Declared first, so that the layer ends after everything that uses it.
    std::unique_ptr<kx::TKXMPISession> session;
    std::unique_ptr<kx::TKXCommunicator> world;
    if (args.Mpi) {
      session = std::make_unique<kx::TKXMPISession>(argc, argv);
      world = std::make_unique<kx::TKXCommunicator>();
    }
#endif
    kx::RandSeed(args.Seed);
    kx::SetParallelThreads(args.Threads);

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
    const auto cost = std::chrono::microseconds(args.EvalCostUs);
    ga.SetOnEvaluateFitness(
        [cost](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
          if (cost.count() > 0) std::this_thread::sleep_for(cost);
          Fitness = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
        });
    ga.SetOnEvolve([&](kx::TKXObject*) {
      if (ga.Generation() % 20 != 0) return;
      std::cout << "generation " << std::setw(4) << ga.Generation() << "  best " << std::setw(5)
                << ga.MaxFitness() << "  average " << std::setw(7)
                << std::round(ga.AvgFitness() * 10) / 10 << '\n';
    });

    auto run = [&] {
      examples::LongRun longRun(ga, args);
      if (args.Load.empty()) {
        ga.Initialize();
      } else {
        // The document brings the settings it stores, the chromosomes and the generation; the
        // handlers and Operations above stay. A component loads the saved generation number
        // only when it is already initialized (a fresh one starts the loaded population at 0),
        // so initialize it empty first. Evaluating once afterwards rebuilds the statistics and
        // the selection tables the next generation breeds from.
        const std::int32_t size = ga.InitialPopulation();
        ga.SetInitialPopulation(0);
        ga.Initialize();
        ga.SetInitialPopulation(size);
        examples::WithFile("load", args.Load, [&] {
          ga.LoadFromFile(args.Load);
          // A chromosome of another length would be read past its end or half empty.
          if (ga.GeneSize() != kBits) {
            throw std::runtime_error("its chromosomes have " + std::to_string(ga.GeneSize()) +
                                     " bits, not " + std::to_string(kBits));
          }
          if (ga.Population()->Count() == 0) throw std::runtime_error("it holds no population");
        });
        ga.EvaluateFitness();
        std::cout << "loaded generation " << ga.Generation() << " with " << ga.Population()->Count()
                  << " individuals from " << args.Load << '\n';
      }
      longRun.SetTarget(ga.Generation() + args.Generations);
      if (args.Parallel) {
        ga.ParallelEvolve(args.Generations);
      } else {
        ga.Evolve(args.Generations);
      }

      std::cout << "generations evolved = " << ga.Generation() << '\n';
      if (!args.Save.empty()) {
        examples::WithFile("save", args.Save, [&] { ga.SaveToFile(args.Save); });
        std::cout << "saved to " << args.Save << '\n';
      }
      longRun.Finish(ga);
      std::cout << "best fitness = " << ga.FittestIndividual()->Fitness() << '\n';
    };
#ifdef KX_EXAMPLES_MPI
    if (world) {
      // Every rank builds the same algorithm; the others serve evaluations until rank 0 is done.
      kx::TKXDistributedEvaluation evaluation(*world, ga);
      evaluation.Run(run);
      return 0;
    }
#endif
    run();
    return 0;
  });
}
