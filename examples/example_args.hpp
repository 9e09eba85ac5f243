#pragma once

// The command line every evolving example accepts:
//   --seed N         seeds the library generator (the same seed prints the same run)
//   --generations N  caps the run
//   --save FILE      writes the component's document at the end
//   --load FILE      reloads a saved run and continues it
//   --parallel       evolves with ParallelEvolve
//   --threads N      caps the thread pool
// The last line an example prints is "best fitness = <number>".

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

namespace examples {

struct Args {
  std::uint64_t Seed = 1;
  int Generations = -1;  // -1: the example's own default
  std::string Save;
  std::string Load;
  bool Parallel = false;
  int Threads = 0;  // 0: the pool's default
  std::string Positional;
};

inline Args ParseArgs(int argc, char** argv) {
  Args args;
  auto value = [&](int& i) -> std::string {
    if (i + 1 >= argc) {
      std::cerr << argv[i] << " needs a value\n";
      std::exit(2);
    }
    return argv[++i];
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--seed") {
      args.Seed = std::stoull(value(i));
    } else if (arg == "--generations") {
      args.Generations = std::stoi(value(i));
    } else if (arg == "--save") {
      args.Save = value(i);
    } else if (arg == "--load") {
      args.Load = value(i);
    } else if (arg == "--parallel") {
      args.Parallel = true;
    } else if (arg == "--threads") {
      args.Threads = std::stoi(value(i));
    } else if (!arg.empty() && arg[0] != '-' && args.Positional.empty()) {
      args.Positional = std::string(arg);
    } else {
      std::cerr << "unknown argument " << arg << '\n';
      std::exit(2);
    }
  }
  return args;
}

}  // namespace examples
