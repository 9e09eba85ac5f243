#include "example_args.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <stdexcept>
#include <string_view>

namespace examples {

namespace {

// The maximum of --threads: far beyond any machine this runs on, small enough to catch a
// typo before the pool tries to start that many threads.
constexpr int kMaxThreads = 256;

// A whole decimal number in [Min, Max]. The parser's own conversion accepts octal, hex,
// wrapped negatives and saturated overflow, so numbers are read here.
template <class T>
T ParseNumber(const std::string& Name, const std::string& Text, T Min, T Max) {
  T Value{};
  const char* End = Text.data() + Text.size();
  const auto [Stop, Error] = std::from_chars(Text.data(), End, Value);
  if (Text.empty() || Error != std::errc() || Stop != End || Value < Min || Value > Max) {
    throw CLI::ValidationError(Name, "\"" + Text + "\" is not a whole number from " +
                                         std::to_string(Min) + " to " + std::to_string(Max));
  }
  return Value;
}

std::string FolderOf(const std::string& FileName) {
  const std::string::size_type Slash = FileName.rfind('/');
  if (Slash == std::string::npos) return ".";
  return Slash == 0 ? "/" : FileName.substr(0, Slash);
}

// Refuses a --save target that the save at the end would fail on, without creating
// anything: its folder must be a writable folder, and an existing file must be a writable
// file. The checks use the effective ids, as the save's own open does.
void CheckSaveTarget(const std::string& FileName) {
  auto refuse = [&](const std::string& Reason) {
    throw CLI::ValidationError("--save", "cannot write \"" + FileName + "\": " + Reason);
  };
  if (FileName.empty()) refuse("the file name is empty");
  if (FileName.back() == '/') refuse(std::strerror(EISDIR));
  struct stat Info;
  if (::stat(FileName.c_str(), &Info) == 0) {
    if (S_ISDIR(Info.st_mode)) refuse(std::strerror(EISDIR));
    if (::faccessat(AT_FDCWD, FileName.c_str(), W_OK, AT_EACCESS) != 0)
      refuse(std::strerror(errno));
  }
  const std::string Folder = FolderOf(FileName);
  if (::stat(Folder.c_str(), &Info) != 0) refuse(std::strerror(errno));
  if (!S_ISDIR(Info.st_mode)) refuse(std::strerror(ENOTDIR));
  if (::faccessat(AT_FDCWD, Folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    refuse(std::strerror(errno));
  }
}

struct FlagDeclaration {
  Flag Id;
  void (*Declare)(CLI::App& App, Args& Parsed, const Usage& Usage);
};

// One entry per common flag, in the order --help lists them. An option's callback converts
// and checks its value; a CLI::ValidationError thrown there becomes the one-line message.
const FlagDeclaration kFlags[] = {
    {Flag::Seed,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--seed",
              [&Parsed](const std::string& Text) {
                Parsed.Seed = ParseNumber<std::uint64_t>("--seed", Text, 0,
                                                         std::numeric_limits<std::uint64_t>::max());
              },
              "Seed of the library generator; the same seed prints the same run (default 1)")
           ->type_name("N");
     }},
    {Flag::Generations,
     [](CLI::App& App, Args& Parsed, const Usage& Usage) {
       App.add_option_function<std::string>(
              "--generations",
              [&Parsed](const std::string& Text) {
                Parsed.Generations =
                    ParseNumber<int>("--generations", Text, 0, std::numeric_limits<int>::max());
              },
              "Most generations to evolve (default " + std::to_string(Usage.DefaultGenerations) +
                  ")")
           ->type_name("N");
     }},
    {Flag::Save,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--save",
              [&Parsed](const std::string& FileName) {
                CheckSaveTarget(FileName);
                Parsed.Save = FileName;
              },
              "Write the run's document to FILE at the end (checked before the run starts)")
           ->type_name("FILE");
     }},
    {Flag::Load,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option("--load", Parsed.Load, "Continue the run saved in FILE")->type_name("FILE");
     }},
    {Flag::Parallel,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_flag("--parallel", Parsed.Parallel,
                    "Breed and evaluate each generation on the thread pool (same results)");
     }},
    {Flag::Threads,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--threads",
              [&Parsed](const std::string& Text) {
                Parsed.Threads = ParseNumber<int>("--threads", Text, 1, kMaxThreads);
              },
              "Most threads of the pool (default: one per core)")
           ->type_name("N")
           ->needs("--parallel");
     }},
    {Flag::Checkpoint,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--checkpoint",
              [&Parsed](const std::string& FileName) {
                CheckSaveTarget(FileName);
                Parsed.Checkpoint = FileName;
              },
              "Write the run with its exact state to FILE at the end (and with "
              "--checkpoint-every, during the run); --load FILE resumes it")
           ->type_name("FILE");
     }},
    {Flag::CheckpointEvery,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--checkpoint-every",
              [&Parsed](const std::string& Text) {
                Parsed.CheckpointEvery = ParseNumber<int>("--checkpoint-every", Text, 1,
                                                          std::numeric_limits<int>::max());
              },
              "Also checkpoint every N generations")
           ->type_name("N")
           ->needs("--checkpoint");
     }},
    {Flag::Stall,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--stall",
              [&Parsed](const std::string& Text) {
                Parsed.Stall =
                    ParseNumber<int>("--stall", Text, 1, std::numeric_limits<int>::max());
              },
              "Stop when the best fitness has not improved for N generations")
           ->type_name("N");
     }},
    {Flag::TimeLimit,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--time-limit",
              [&Parsed](const std::string& Text) {
                char* end = nullptr;
                const double seconds = std::strtod(Text.c_str(), &end);
                if (Text.empty() || end != Text.c_str() + Text.size() || !(seconds > 0) ||
                    seconds > 1e9) {
                  throw CLI::ValidationError("--time-limit",
                                             "\"" + Text + "\" is not a number of seconds above 0");
                }
                Parsed.TimeLimit = seconds;
              },
              "Stop after the generation during which SECONDS of wall-clock time ran out")
           ->type_name("SECONDS");
     }},
    {Flag::MaxEvaluations,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--max-evaluations",
              [&Parsed](const std::string& Text) {
                Parsed.MaxEvaluations = ParseNumber<std::int64_t>(
                    "--max-evaluations", Text, 1, std::numeric_limits<std::int64_t>::max());
              },
              "Stop after the generation in which the fitness function ran N times in all")
           ->type_name("N");
     }},
    {Flag::Progress,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_flag("--progress", Parsed.Progress,
                    "Show progress on stderr (one updating line on a terminal)");
     }},
    {Flag::Log,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--log",
              [&Parsed](const std::string& FileName) {
                CheckSaveTarget(FileName);
                Parsed.Log = FileName;
              },
              "Write one CSV row per generation to FILE (appended to when resuming with --load)")
           ->type_name("FILE.csv");
     }},
    {Flag::Mpi,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_flag("--mpi", Parsed.Mpi,
                    "Evaluate on every rank of an mpirun launch, rank 0 included (same results)");
     }},
    {Flag::EvalCostUs,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--eval-cost-us",
              [&Parsed](const std::string& Text) {
                Parsed.EvalCostUs = ParseNumber<int>("--eval-cost-us", Text, 0, 10'000'000);
              },
              "Make every fitness evaluation wait N microseconds longer, as a costly one would")
           ->type_name("N");
     }},
    {Flag::MigrateEvery,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--migrate-every",
              [&Parsed](const std::string& Text) {
                Parsed.MigrateEvery =
                    ParseNumber<int>("--migrate-every", Text, 1, std::numeric_limits<int>::max());
              },
              "Generations between migrations (default 5)")
           ->type_name("N");
     }},
    {Flag::Migrants,
     [](CLI::App& App, Args& Parsed, const Usage&) {
       App.add_option_function<std::string>(
              "--migrants",
              [&Parsed](const std::string& Text) {
                Parsed.Migrants = ParseNumber<int>("--migrants", Text, 0, 1'000'000);
              },
              "Individuals each island sends to its neighbour per migration (default 2)")
           ->type_name("N");
     }},
};

bool Supports(const Usage& Usage, Flag Id) {
  for (Flag f : Usage.Flags) {
    if (f == Id) return true;
  }
  return false;
}

std::string ProgramName(const char* Path) {
  const std::string_view Name = Path != nullptr ? Path : "example";
  const std::string_view::size_type Slash = Name.rfind('/');
  return std::string(Slash == std::string_view::npos ? Name : Name.substr(Slash + 1));
}

// The parser's messages can span lines; the user gets one.
std::string OneLine(std::string Text) {
  while (!Text.empty() && (Text.back() == '\n' || Text.back() == ' ')) Text.pop_back();
  for (char& c : Text) {
    if (c == '\n') c = ' ';
  }
  return Text;
}

}  // namespace

Args ParseArgs(int argc, char** argv, const Usage& Usage) {
  const std::string Program = ProgramName(argc > 0 ? argv[0] : nullptr);
  Args Parsed;
  Parsed.Generations = Usage.DefaultGenerations;
  CLI::App App(Usage.Summary, Program);
  for (const FlagDeclaration& Declaration : kFlags) {
    if (Supports(Usage, Declaration.Id)) Declaration.Declare(App, Parsed, Usage);
  }
  if (!Usage.Positional.empty()) {
    App.add_option(Usage.Positional, Parsed.Positional, Usage.PositionalHelp)
        ->required()
        ->type_name("");
  }
  try {
    App.parse(argc, argv);
  } catch (const CLI::Success&) {
    std::fputs(App.help().c_str(), stdout);
    std::exit(0);
  } catch (const CLI::ParseError& Error) {
    std::fprintf(stderr, "%s: %s (see --help)\n", Program.c_str(), OneLine(Error.what()).c_str());
    std::exit(2);
  }
  return Parsed;
}

int RunGuarded(const char* Program, const std::function<int()>& Body) {
  const std::string Name = ProgramName(Program);
  try {
    return Body();
  } catch (const std::exception& Error) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", Name.c_str(), OneLine(Error.what()).c_str());
  } catch (...) {
    std::fflush(stdout);
    std::fprintf(stderr, "%s: unexpected error\n", Name.c_str());
  }
  return 1;
}

void RethrowFor(const std::string& Action, const std::string& FileName) {
  const std::string Prefix = "cannot " + Action + " " + FileName + ": ";
  try {
    throw;
  } catch (const std::exception& Error) {
    throw std::runtime_error(Prefix + Error.what());
  } catch (...) {
    throw std::runtime_error(Prefix + "unexpected error");
  }
}

}  // namespace examples
