// kxsr: finds a formula for one column of a CSV file in terms of the others.
//
//   kxsr DATA.csv --target COLUMN [options]     evolve, print the model and its scores
//   kxsr predict MODEL.xml DATA.csv [-o OUT]     evaluate a saved model on new data
//
// Exit status: 0 done, 1 unusable data or a failure while running, 2 a bad command line.
// Every error is one line on standard error.

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <kx/kxevo.hpp>
#include <limits>
#include <string>

#include "csv_table.hpp"
#include "dataset.hpp"
#include "formula.hpp"
#include "predict.hpp"
#include "run_monitor.hpp"
#include "search.hpp"
#include "vocabulary.hpp"

namespace {

struct TOptions {
  std::string Data;
  std::string Target;
  std::string TestData;
  double TestFraction = 0.25;
  std::uint64_t Seed = 1;
  double TimeLimit = 0;
  int Threads = 0;
  std::string Functions{kxsr::kDefaultFunctions};
  std::string Save;
  std::string Log;
  bool Progress = false;
  bool Pareto = false;
  kxsr::TSearchSettings Search;
  std::string Model;
  std::string Output;
};

std::string Score(double Value, const char* Format) {
  char text[40];
  std::snprintf(text, sizeof text, Format, Value);
  return text;
}

void PrintPareto(kxsr::TSymbolicRegression& Search, const std::vector<kxsr::TModel>& Models,
                 const kxsr::TDataset& Test) {
  // Non-dominated by size and test error (training error when there is no test set).
  std::printf("pareto front (size, %s rmse, model):\n", Test.Count() ? "test" : "train");
  double bestError = std::numeric_limits<double>::infinity();
  for (const kxsr::TModel& model : Models) {  // smallest first
    double error = std::sqrt(model.TrainError);
    if (Test.Count() > 0) {
      error = kxsr::RootMeanSquaredError(Test.Target, Search.Predict(*model.Tree, Test));
    }
    if (!(error < bestError)) continue;
    bestError = error;
    std::printf("  %3d  %-12s  %s\n", model.Size, Score(error, "%.6g").c_str(),
                kxsr::FormatFormula(*model.Tree).c_str());
  }
}

int RunSearch(const TOptions& Options) {
  kx::RandSeed(Options.Seed);
  if (Options.Threads > 0) kx::SetParallelThreads(Options.Threads);
  const kxsr::TCsvTable table = kxsr::TCsvTable::ReadFile(Options.Data);
  const kxsr::TDataset data = kxsr::SelectTarget(table, Options.Target);
  kxsr::TSplit split;
  if (Options.TestData.empty()) {
    split = kxsr::SplitCases(data, Options.TestFraction);
  } else {
    split.Train = data;
    split.Test = kxsr::SelectTarget(kxsr::TCsvTable::ReadFile(Options.TestData), Options.Target);
    if (split.Test.Names != split.Train.Names) {
      throw kxsr::TDataError(Options.TestData + ": its columns differ from " + Options.Data + "'s");
    }
  }

  kxsr::TSearchSettings settings = Options.Search;
  settings.Functions = kxsr::SplitList(Options.Functions);
  kxsr::TSymbolicRegression search(split.Train, settings);
  kxsr::TRunMonitor monitor(Options.TimeLimit, Options.Progress ? &std::cerr : nullptr,
                            Options.Log);
  search.Run(monitor);

  const std::vector<kxsr::TModel> models = search.Models();
  if (models.empty()) throw kxsr::TDataError("no program was finite on the training data");
  if (Options.Pareto) PrintPareto(search, models, split.Test);
  const kxsr::TModel& best = search.Best(models);
  const double trainR2 =
      kxsr::RSquared(split.Train.Target, search.Predict(*best.Tree, split.Train));
  std::printf("model = %s\n", kxsr::FormatFormula(*best.Tree).c_str());
  std::printf("size = %d\n", best.Size);
  std::printf("train r2 = %s\n", Score(trainR2, "%.8g").c_str());
  if (split.Test.Count() > 0) {
    const std::vector<double> predicted = search.Predict(*best.Tree, split.Test);
    std::printf("test r2 = %s\n",
                Score(kxsr::RSquared(split.Test.Target, predicted), "%.8g").c_str());
    std::printf("test rmse = %s\n",
                Score(kxsr::RootMeanSquaredError(split.Test.Target, predicted), "%.6g").c_str());
  } else {
    std::printf("test r2 = n/a\ntest rmse = n/a\n");
  }
  if (!Options.Save.empty()) search.Save(*best.Tree, Options.Save);
  return 0;
}

int RunPredictCommand(const TOptions& Options) {
  if (Options.Output.empty()) {
    kxsr::RunPredict(Options.Model, Options.Data, std::cout);
    return 0;
  }
  std::ofstream out(Options.Output);
  if (!out) throw kxsr::TDataError("cannot create " + Options.Output);
  kxsr::RunPredict(Options.Model, Options.Data, out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  CLI::App app{"kxsr: symbolic regression on CSV data", "kxsr"};
  app.add_option("data", options.Data, "CSV file with a header row")->type_name("DATA.csv");
  app.add_option("--target", options.Target, "the column to explain");
  app.add_option("--test-fraction", options.TestFraction, "share of rows held out for testing")
      ->check(CLI::Range(0.0, 0.95))
      ->capture_default_str();
  app.add_option("--test-data", options.TestData, "test rows from this file instead of a split");
  app.add_option("--seed", options.Seed, "seed of the run")->capture_default_str();
  app.add_option("--generations", options.Search.Generations, "generation budget")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--time-limit", options.TimeLimit, "seconds (0: none)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--population", options.Search.Population, "programs per generation")
      ->check(CLI::Range(2, 1000000))
      ->capture_default_str();
  app.add_option("--functions", options.Functions, "comma-separated function names")
      ->check(CLI::Validator(
          [](std::string& Value) -> std::string {
            const auto names = kxsr::SplitList(Value);
            if (names.empty()) return "no function given";
            for (const auto& name : names) {
              if (kxsr::FindFunction(name) == nullptr) return "unknown function \"" + name + "\"";
            }
            return {};
          },
          "NAME,..."))
      ->capture_default_str();
  app.add_option("--threads", options.Threads, "threads of the parallel loop (0: all)")
      ->check(CLI::NonNegativeNumber);
  app.add_option("--max-size", options.Search.MaxSize, "largest program size")
      ->check(CLI::Range(1, 1000))
      ->capture_default_str();
  app.add_option("--parsimony", options.Search.Parsimony, "fitness cost of one node")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--fit-iterations", options.Search.FitIterations,
                 "constant-fitting steps per promising program (0: none)")
      ->check(CLI::Range(0, 1000))
      ->capture_default_str();
  app.add_option("--fit-share", options.Search.FitShare,
                 "share of each generation, the fittest first, whose constants are fitted")
      ->check(CLI::Range(0.0, 1.0))
      ->capture_default_str();
  app.add_option("--restart", options.Search.Restart,
                 "generations without progress before starting anew (0: never)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();
  app.add_option("--save", options.Save, "write the model as a program document")
      ->type_name("MODEL.xml");
  app.add_flag("--progress", options.Progress, "one line per generation on standard error");
  app.add_option("--log", options.Log, "one CSV row per generation")->type_name("RUN.csv");
  app.add_flag("--pareto", options.Pareto, "list the models on the size/error front");

  CLI::App* predict = app.add_subcommand("predict", "evaluate a saved model on a CSV file");
  predict->add_option("model", options.Model, "document written by --save")->required();
  predict->add_option("data", options.Data, "CSV file with the model's variables")->required();
  predict->add_option("-o,--output", options.Output, "write here instead of standard output");

  try {
    app.parse(argc, argv);
    if (!predict->parsed()) {
      if (options.Data.empty()) throw CLI::RequiredError("data");
      if (options.Target.empty()) throw CLI::RequiredError("--target");
    }
  } catch (const CLI::CallForHelp& E) {
    return app.exit(E);
  } catch (const CLI::CallForAllHelp& E) {
    return app.exit(E);
  } catch (const CLI::ParseError& E) {
    std::fprintf(stderr, "kxsr: %s (see kxsr --help)\n", E.what());
    return 2;
  }

  try {
    return predict->parsed() ? RunPredictCommand(options) : RunSearch(options);
  } catch (const kxsr::TDataError& E) {
    std::fprintf(stderr, "kxsr: %s\n", E.what());
  } catch (const std::exception& E) {
    std::fprintf(stderr, "kxsr: error: %s\n", E.what());
  }
  return 1;
}
