// Runs a program saved by gp_symbolic_regression --save FILE without any evolution: the
// executor loads the document's instruction set and fittest program, and evaluates it on 9
// new points between -0.9 and 0.9 (not the training samples), next to the true quartic.
//
//   gp_executor FILE [--help]
//
// Handlers are not part of a document: the executor first gets the same instructions with
// the same OnExecute handlers as the evolving example; loading merges the saved set into
// them by name, so the handlers stay attached. The last line is the sum of absolute errors.

#include <cmath>
#include <cstdio>
#include <kx/kxevo.hpp>
#include <stdexcept>

#include "example_args.hpp"
#include "quartic_instructions.hpp"

int main(int argc, char** argv) {
  const examples::Args args = examples::ParseArgs(
      argc, argv,
      {.Summary = "Runs a program saved by gp_symbolic_regression --save FILE on new points.",
       .Positional = "FILE",
       .PositionalHelp = "A document saved by gp_symbolic_regression --save"});
  return examples::RunGuarded(argv[0], [&] {
    kx::TKXGeneticProgrammingExecutor executor;
    examples::AddQuarticInstructions(*executor.Instructions());
    examples::WithFile("load", args.Positional, [&] {
      executor.LoadFromFile(args.Positional);
      if (executor.GPProgram() == nullptr) throw std::runtime_error("it holds no program");
    });
    std::printf("program (size %d): %s\n", executor.GPProgram()->Size(),
                executor.GPProgram()->ToString().c_str());

    kx::TKXGPContext<double> context;
    double error = 0;
    for (int k = 0; k < 9; ++k) {
      const double x = -0.9 + 0.225 * k;
      context.Values().AddOrSetValue("x", x);
      const double predicted = executor.Execute(context);
      const double expected = examples::Quartic(x);
      error += std::fabs(predicted - expected);
      std::printf("x = %6.3f  predicted %10.6f  true %10.6f  error %.3g\n", x, predicted, expected,
                  std::fabs(predicted - expected));
    }
    std::printf("best fitness = %.6g\n", error);
    return 0;
  });
}
