// Symbolic regression: evolves a program for x^4 + x^3 + x^2 + x from 20 samples in [-1, 1]
// with add, subtract, multiply and protected divide over the variable x.
//
//   gp_symbolic_regression [--seed N] [--generations N]
//
// Prints one line per generation (best and average fitness, average program size), then the
// fittest program. The fitness is the sum of absolute errors over the samples (lower is
// better); a run stops early once it falls to 0.01.

#include <array>
#include <cmath>
#include <cstdio>
#include <kx/kxevo.hpp>
#include <string>

#include "example_args.hpp"

namespace {

constexpr int kCases = 20;
constexpr int kDefaultGenerations = 50;

double Target(double x) { return x * x * x * x + x * x * x + x * x + x; }

template <class Op>
void AddFunction(kx::TKXGPFloatInstructions& Set, const std::string& Name,
                 const std::string& Comment, Op Combine) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  instruction->SetComment(Comment);
  instruction->SetArity(2);
  instruction->SetOnExecute([Combine](kx::TKXObject*, kx::TKXGPNode<double>* Node,
                                      kx::TKXGPContext<double>* Context, double& Result) {
    Result = Combine(Node->Child(0)->Execute(Context), Node->Child(1)->Execute(Context));
  });
}

}  // namespace

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(argc, argv);
  kx::RandSeed(args.Seed);
  const int generations = args.Generations >= 0 ? args.Generations : kDefaultGenerations;

  kx::TKXGeneticProgramming gp;
  kx::TKXGPFloatInstructions& set = *gp.Instructions();
  AddFunction(set, "Add", "a + b", [](double a, double b) { return a + b; });
  AddFunction(set, "Sub", "a - b", [](double a, double b) { return a - b; });
  AddFunction(set, "Mul", "a * b", [](double a, double b) { return a * b; });
  // Protected division: dividing by (almost) zero gives 1.
  AddFunction(set, "Div", "a / b, 1 when b is 0",
              [](double a, double b) { return std::fabs(b) < 1e-9 ? 1.0 : a / b; });
  auto* x = set.Add();
  x->SetName("x");

  std::array<double, kCases> inputs{};
  std::array<double, kCases> outputs{};
  for (int k = 0; k < kCases; ++k) {
    inputs[k] = -1.0 + 2.0 * k / (kCases - 1);
    outputs[k] = Target(inputs[k]);
  }

  kx::TKXGPContext<double> context;
  context.Values().AddOrSetValue("x", 0.0);
  gp.SetOnEvaluateFitness([&](kx::TKXObject*, kx::TKXIndividual* Item, double& Fitness) {
    auto* program = static_cast<kx::TKXGPIndividual<double>*>(Item);
    double error = 0;
    for (int k = 0; k < kCases; ++k) {
      context.Values().AddOrSetValue("x", inputs[k]);
      error += std::fabs(program->Execute(context) - outputs[k]);
    }
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

  gp.Initialize();
  report();
  gp.Evolve(generations);

  kx::TKXGPIndividual<double>* best = gp.FittestIndividual();
  std::printf("fittest program (size %d): %s\n", best->DNA()->Size(),
              best->DNA()->ToString().c_str());
  std::printf("best fitness = %.6g\n", best->Fitness());
  return 0;
}
