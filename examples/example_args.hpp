#pragma once

// The command line shared by the examples. Each example declares which of the common flags
// it supports; any other flag is refused:
//   --seed N         seeds the library generator (the same seed prints the same run)
//   --generations N  caps the run
//   --save FILE      writes the component's document at the end (checked before the run)
//   --load FILE      reloads a saved run and continues it
//   --parallel       evolves with ParallelEvolve
//   --threads N      caps the thread pool (with --parallel)
//   --mpi, --eval-cost-us N, --migrate-every N, --migrants N: distributed runs
// --help prints the usage. A malformed or out-of-range flag ends the program with a one-line
// message and exit status 2; RunGuarded turns a library error into a one-line message and
// exit status 1. The last line an evolving example prints is "best fitness = <number>".
//
// Adding a common flag: a value in Flag, a field in Args, and one entry in the flag table of
// example_args.cpp that declares the option (name, help, conversion and range).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace examples {

enum class Flag {
  Seed,
  Generations,
  Save,
  Load,
  Parallel,
  Threads,
  // The long-run flags (see long_run.hpp): checkpoints, stopping rules, progress, run log.
  Checkpoint,
  CheckpointEvery,
  Stall,
  TimeLimit,
  MaxEvaluations,
  Progress,
  Log,
  // Distributed runs (examples built with the distributed module).
  Mpi,
  EvalCostUs,
  MigrateEvery,
  Migrants
};

// Every common flag: what an evolving example that can run long and resume supports.
inline const std::vector<Flag> kAllFlags{Flag::Seed,       Flag::Generations,     Flag::Save,
                                         Flag::Load,       Flag::Parallel,        Flag::Threads,
                                         Flag::Checkpoint, Flag::CheckpointEvery, Flag::Stall,
                                         Flag::TimeLimit,  Flag::MaxEvaluations,  Flag::Progress,
                                         Flag::Log};

// What the user asked for; flags the example does not support keep these defaults.
struct Args {
  std::uint64_t Seed = 1;
  int Generations = 0;  // the example's DefaultGenerations unless given
  std::string Save;
  std::string Load;
  bool Parallel = false;
  int Threads = 0;  // 0: the pool's default
  std::string Checkpoint;
  int CheckpointEvery = 0;  // 0: only at the end
  int Stall = 0;
  double TimeLimit = 0;
  std::int64_t MaxEvaluations = 0;
  bool Progress = false;
  std::string Log;
  bool Mpi = false;
  int EvalCostUs = 0;
  int MigrateEvery = 5;
  int Migrants = 2;
  std::string Positional;
};

// How an example presents itself on the command line.
struct Usage {
  std::string Summary{};       // one line for --help
  std::vector<Flag> Flags{};   // the common flags the example supports
  int DefaultGenerations = 0;  // with Flag::Generations
  std::string Positional{};    // name of a required positional argument, if any
  std::string PositionalHelp{};
};

// Parses the command line. --help prints the usage and exits with status 0; a bad command
// line prints one line to stderr and exits with status 2.
Args ParseArgs(int argc, char** argv, const Usage& Usage);

// Runs Body and returns its exit status; an exception escaping it is printed as one line
// naming the program and exits with status 1 instead of aborting.
int RunGuarded(const char* Program, const std::function<int()>& Body);

// Rethrows the current exception with "cannot <Action> <FileName>: " before its message, so
// that a library error names the file it was about.
[[noreturn]] void RethrowFor(const std::string& Action, const std::string& FileName);

// Calls Operation, naming the file in any error it raises ("cannot load FILE: reason").
template <class Operation>
void WithFile(const std::string& Action, const std::string& FileName, Operation&& Do) {
  try {
    Do();
  } catch (...) {
    RethrowFor(Action, FileName);
  }
}

}  // namespace examples
