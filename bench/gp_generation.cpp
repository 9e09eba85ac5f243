// Cost of one generation of the float program component on the symbolic-regression
// workload of the gp_symbolic_regression example (x^4 + x^3 + x^2 + x, add, subtract,
// multiply and protected divide over x, 1,000 programs, ramped half-and-half, tournaments
// of 7, depth limit 17), with 20 and with 10,000 fitness cases, each program executed case
// by case (Execute) or once over all cases (ExecuteBatch).
//
// Counters: nodes/s is the number of program nodes executed per second of the generation;
// the cost of everything else (selection, copying children, flattening, node choice,
// mutation, statistics) is the generation time minus the node executions, which the two
// case counts separate: with 10,000 cases the generation is almost all execution.

#include <benchmark/benchmark.h>

#include <cmath>
#include <kx/gp/genetic_programming.hpp>
#include <kx/gp_engine/batch_context.hpp>
#include <kx/host/random.hpp>
#include <span>
#include <vector>

#include "quartic_instructions.hpp"

namespace {

class TRegression {
 public:
  TRegression(int Cases, bool Batch) : FCases(static_cast<std::size_t>(Cases)) {
    examples::AddQuarticInstructions(*FGP.Instructions());
    std::span<double> inputs = FCases.Column("x");
    for (int k = 0; k < Cases; ++k) {
      inputs[k] = -1.0 + 2.0 * k / (Cases - 1);
      FOutputs.push_back(examples::Quartic(inputs[k]));
    }
    FPredicted.resize(FOutputs.size());
    FContext.Values().AddOrSetValue("x", 0.0);
    FGP.SetOnEvaluateFitness([this, Batch](kx::TKXObject*, kx::TKXIndividual* Item,
                                           double& Fitness) {
      auto* program = static_cast<kx::TKXGPIndividual<double>*>(Item);
      FNodes += static_cast<double>(program->DNA()->Size()) * static_cast<double>(FOutputs.size());
      if (Batch) {
        program->ExecuteBatch(FCases, FPredicted);
      } else {
        const double* inputs = FCases.FindColumn("x");
        for (std::size_t k = 0; k < FOutputs.size(); ++k) {
          FContext.Values().AddOrSetValue("x", inputs[k]);
          FPredicted[k] = program->Execute(FContext);
        }
      }
      double error = 0;
      for (std::size_t k = 0; k < FOutputs.size(); ++k) {
        error += std::fabs(FPredicted[k] - FOutputs[k]);
      }
      Fitness = std::isfinite(error) ? error : 1e30;
    });
    FGP.SetInitialPopulation(1000);
    FGP.SetInitializationMethod(kx::imRampedHalfAndHalf);
    FGP.SetInitializationDepth(6);
    FGP.SetSelectionMethod(kx::smTournament);
    FGP.SetTournamentField(7);
    FGP.SetBloatStrategy(kx::bsDepthLimit);
    FGP.SetBloatLimit(17);
  }

  void Restart() {
    kx::RandSeed(1);
    FGP.Population()->Clear();
    FGP.Initialize();
  }

  kx::TKXGeneticProgramming FGP;
  double FNodes = 0;

 private:
  kx::TKXGPBatchContext<double> FCases;
  std::vector<double> FOutputs;
  std::vector<double> FPredicted;
  kx::TKXGPContext<double> FContext;
};

// One generation per iteration; every 10 generations the run restarts from the same seed
// (untimed), so every repetition measures the same early generations.
void GPGeneration(benchmark::State& State) {
  TRegression regression(static_cast<int>(State.range(0)), State.range(1) != 0);
  regression.Restart();
  int generation = 0;
  double nodes = 0;
  for (auto _ : State) {
    if (generation == 10) {
      State.PauseTiming();
      regression.Restart();
      generation = 0;
      State.ResumeTiming();
    }
    regression.FNodes = 0;
    regression.FGP.Evolve();
    nodes += regression.FNodes;
    ++generation;
  }
  State.counters["nodes/s"] = benchmark::Counter(nodes, benchmark::Counter::kIsRate);
  State.counters["avg size"] = regression.FGP.AvgProgramSize();
}

BENCHMARK(GPGeneration)
    ->ArgNames({"cases", "batch"})
    ->ArgsProduct({{20, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
