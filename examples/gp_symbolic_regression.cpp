// Symbolic regression: evolves a program for x^4 + x^3 + x^2 + x from 20 samples in [-1, 1]
// with add, subtract, multiply and protected divide over the variable x.
//
//   gp_symbolic_regression [--seed N] [--generations N] [--parallel] [--threads N]
//                          [--save FILE] [--load FILE] [--help]
//
// Prints one line per generation (best and average fitness, average program size), then the
// fittest program. The fitness is the sum of absolute errors over the samples (lower is
// better); a run stops early once it falls to 0.01.
//
// --parallel breeds and evaluates each generation on the thread pool (--threads caps it); a
// given seed prints the same run whatever the number of threads. --save writes the run
// (settings, instruction set, population) as a GeneticProgram document at the end, which
// gp_executor can run. --load reads such a document and continues evolving from its saved
// generation.
//
// Handlers are not part of a document. This example therefore builds its instruction set,
// with the OnExecute and OnExecuteBatch handlers, and attaches the fitness handler before it
// loads: loading merges the saved set into the existing one by name, so the instructions keep
// their handlers, and the loaded programs are evaluated by the handler already in place.

#include <array>
#include <cmath>
#include <cstdio>
#include <kx/kxevo.hpp>
#include <span>
#include <stdexcept>
#include <string>

#include "example_args.hpp"
#include "long_run.hpp"
#include "quartic_instructions.hpp"

namespace {

constexpr int kCases = 20;
constexpr int kDefaultGenerations = 50;

// The example itself; main turns its errors into messages.
int Run(const examples::Args& args) {
  kx::RandSeed(args.Seed);
  kx::SetParallelThreads(args.Threads);

  kx::TKXGeneticProgramming gp;
  examples::AddQuarticInstructions(*gp.Instructions());

  // The samples as one batch: each program runs once over all of them, every node handling
  // all the cases in one handler call.
  kx::TKXGPBatchContext<double> samples(kCases);
  std::span<double> inputs = samples.Column("x");
  std::array<double, kCases> outputs{};
  for (int k = 0; k < kCases; ++k) {
    inputs[k] = -1.0 + 2.0 * k / (kCases - 1);
    outputs[k] = examples::Quartic(inputs[k]);
  }

  gp.SetOnEvaluateFitness([&](kx::TKXObject*, kx::TKXIndividual* Item, double& Fitness) {
    // One results array per thread: --parallel evaluates several programs at once.
    thread_local std::array<double, kCases> predicted{};
    static_cast<kx::TKXGPIndividual<double>*>(Item)->ExecuteBatch(samples, predicted);
    double error = 0;
    for (int k = 0; k < kCases; ++k) error += std::fabs(predicted[k] - outputs[k]);
    // Overflowing programs rank last instead of poisoning the comparisons.
    Fitness = std::isfinite(error) ? error : 1e30;
  });

  gp.SetInitialPopulation(1000);
  gp.SetInitializationMethod(kx::imRampedHalfAndHalf);
  gp.SetInitializationDepth(6);
  gp.SetSelectionMethod(kx::smTournament);
  gp.SetTournamentField(7);
  gp.SetBloatStrategy(kx::bsDepthLimit);
  gp.SetBloatLimit(17);
  gp.SetFitnessMethod(kx::fmMinimize);
  gp.SetFitnessCutoff(0.01);
  gp.SetUseFitnessCutoff(true);

  auto report = [&gp] {
    std::printf("generation %2d: best %.6g, average %.6g, average size %.2f\n", gp.Generation(),
                gp.MinFitness(), gp.AvgFitness(), static_cast<double>(gp.AvgProgramSize()));
  };
  gp.SetOnEvolve([&](kx::TKXObject*) { report(); });

  examples::LongRun longRun(gp, args);
  if (args.Load.empty()) {
    gp.Initialize();
  } else {
    // The document brings its settings, instructions, programs and generation; the
    // handlers above stay. Evaluating once rebuilds the statistics and the selection
    // tables the next generation breeds from.
    examples::WithFile("load", args.Load, [&] {
      gp.LoadFromFile(args.Load);
      if (gp.Population()->Count() == 0) throw std::runtime_error("it holds no population");
    });
    gp.EvaluateFitness();
    std::printf("loaded generation %d with %d programs from %s\n", gp.Generation(),
                gp.Population()->Count(), args.Load.c_str());
  }
  report();
  longRun.SetTarget(gp.Generation() + args.Generations);
  if (args.Parallel) {
    gp.ParallelEvolve(args.Generations);
  } else {
    gp.Evolve(args.Generations);
  }

  kx::TKXGPIndividual<double>* best = gp.FittestIndividual();
  std::printf("fittest program (size %d): %s\n", best->DNA()->Size(),
              best->DNA()->ToString().c_str());
  if (!args.Save.empty()) {
    examples::WithFile("save", args.Save, [&] { gp.SaveToFile(args.Save); });
    std::printf("saved to %s\n", args.Save.c_str());
  }
  std::fflush(stdout);
  longRun.Finish(gp);
  std::cout << std::flush;
  std::printf("best fitness = %.6g\n", best->Fitness());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(
      argc, argv,
      {.Summary = "Symbolic regression: evolves a program for x^4 + x^3 + x^2 + x.",
       .Flags = examples::kAllFlags,
       .DefaultGenerations = kDefaultGenerations});
  return examples::RunGuarded(argv[0], [&] { return Run(args); });
}
