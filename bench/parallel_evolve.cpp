// ParallelEvolve against Evolve for a genetic algorithm whose fitness is expensive (about
// 20 us per evaluation: a busy loop over the chromosome's words, calibrated at start-up).
// Evaluation dominates such a run, so the parallel loop should approach the thread count in
// speed-up. BM_SpeedUp times both loops from the same start in each iteration and reports
// the ratio; BM_Evolve and BM_ParallelEvolve give the two timings on their own.
//
// BM_GPSpeedUp does the same for the symbolic regression of the quartic x^4 + x^3 + x^2 + x
// over 10,000 fitness cases, where executing the programs dominates.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <kx/ga/genetic_algorithm.hpp>
#include <kx/gp/genetic_programming.hpp>
#include <kx/host/parallel_for.hpp>
#include <kx/host/random.hpp>
#include <memory>
#include <vector>

#include "quartic_instructions.hpp"

namespace {

constexpr int kWords = 16;
constexpr int kBits = kWords * 64;
constexpr int kIndividuals = 200;
constexpr int kGenerations = 10;
constexpr int kThreads = 2;
constexpr double kTargetMicroseconds = 20;

using TClock = std::chrono::steady_clock;

// Rounds of mixing over the chromosome's words; the result feeds the fitness, so the work
// cannot be optimized away.
std::uint64_t BusyHash(const kx::TKXGABits& Bits, int Rounds) {
  std::array<std::uint64_t, kWords> words{};
  for (int i = 0; i < kWords; ++i)
    words[i] = static_cast<std::uint64_t>(Bits.GetAsInt64(64 * i, 64));
  std::uint64_t hash = 0;
  for (int r = 0; r < Rounds; ++r) {
    for (std::uint64_t& x : words) {
      x ^= x >> 33;
      x *= 0xff51afd7ed558ccdULL;
      x ^= x >> 29;
      hash += x;
    }
  }
  return hash;
}

double Seconds(TClock::duration Elapsed) { return std::chrono::duration<double>(Elapsed).count(); }

// The number of rounds that takes about kTargetMicroseconds on this machine.
int CalibratedRounds() {
  static const int rounds = [] {
    kx::TKXGABits bits;
    bits.SetSize(kBits);
    bits.Randomize();
    constexpr int kProbeRounds = 200;
    constexpr int kProbes = 500;
    std::uint64_t sink = 0;
    const auto start = TClock::now();
    for (int i = 0; i < kProbes; ++i) sink += BusyHash(bits, kProbeRounds);
    benchmark::DoNotOptimize(sink);
    const double perRound = Seconds(TClock::now() - start) * 1e6 / (kProbes * kProbeRounds);
    return std::max(1, static_cast<int>(kTargetMicroseconds / perRound));
  }();
  return rounds;
}

// OneMax whose evaluation costs the calibrated busy loop.
std::unique_ptr<kx::TKXGeneticAlgorithm> MakeGA() {
  kx::RandSeed(7);
  auto ga = std::make_unique<kx::TKXGeneticAlgorithm>();
  ga->SetGeneSize(kBits);
  ga->SetInitialPopulation(kIndividuals);
  ga->SetFitnessMethod(kx::fmMaximize);
  ga->SetSelectionMethod(kx::smTournament);
  ga->SetCrossoverMethod(kx::cmBitBoundary);
  ga->SetCrossoverProbability(0.9);
  ga->SetMutationProbability(1.0 / kBits);
  ga->SetOperations({kx::goCrossover, kx::goMutate});
  const int rounds = CalibratedRounds();
  ga->SetOnEvaluateFitness(
      [rounds](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
        const kx::TKXGABits& bits = *static_cast<kx::TKXGAIndividual*>(Item)->Bits();
        Fitness = bits.CountOnes() + static_cast<double>(BusyHash(bits, rounds) & 0xff) / 1e6;
      });
  ga->Initialize();
  return ga;
}

// One timed run of kGenerations from a fresh component, excluding its initialization.
double TimeRun(bool Parallel) {
  auto ga = MakeGA();
  const auto start = TClock::now();
  const int evolved = Parallel ? ga->ParallelEvolve(kGenerations) : ga->Evolve(kGenerations);
  const double elapsed = Seconds(TClock::now() - start);
  benchmark::DoNotOptimize(evolved);
  return elapsed;
}

void SetPerGenerationCounter(benchmark::State& State, const char* Name, double Seconds) {
  State.counters[Name] = benchmark::Counter(Seconds * 1e3 / kGenerations / State.iterations());
}

void BM_SpeedUp(benchmark::State& State) {
  kx::SetParallelThreads(kThreads);
  double sequential = 0;
  double parallel = 0;
  for (auto _ : State) {
    sequential += TimeRun(false);
    parallel += TimeRun(true);
  }
  kx::SetParallelThreads(0);
  SetPerGenerationCounter(State, "evolve_ms_per_generation", sequential);
  SetPerGenerationCounter(State, "parallel_ms_per_generation", parallel);
  State.counters["speed_up"] = sequential / parallel;
  State.counters["threads"] = kThreads;
  State.counters["us_per_evaluation_target"] = kTargetMicroseconds;
}
BENCHMARK(BM_SpeedUp)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3.0);

void BM_Evolve(benchmark::State& State) {
  for (auto _ : State) {
    State.PauseTiming();
    auto ga = MakeGA();
    State.ResumeTiming();
    benchmark::DoNotOptimize(ga->Evolve(kGenerations));
    State.PauseTiming();
    ga.reset();
    State.ResumeTiming();
  }
}
BENCHMARK(BM_Evolve)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParallelEvolve(benchmark::State& State) {
  kx::SetParallelThreads(kThreads);
  for (auto _ : State) {
    State.PauseTiming();
    auto ga = MakeGA();
    State.ResumeTiming();
    benchmark::DoNotOptimize(ga->ParallelEvolve(kGenerations));
    State.PauseTiming();
    ga.reset();
    State.ResumeTiming();
  }
  kx::SetParallelThreads(0);
}
BENCHMARK(BM_ParallelEvolve)->Unit(benchmark::kMillisecond)->UseRealTime();

// The calibration itself: one evaluation's cost, to check it is near the target.
void BM_Evaluation(benchmark::State& State) {
  kx::TKXGABits bits;
  bits.SetSize(kBits);
  bits.Randomize();
  const int rounds = CalibratedRounds();
  for (auto _ : State) benchmark::DoNotOptimize(BusyHash(bits, rounds));
}
BENCHMARK(BM_Evaluation)->Unit(benchmark::kMicrosecond);

constexpr int kGPCases = 10000;
constexpr int kGPIndividuals = 200;
constexpr int kGPGenerations = 3;

std::unique_ptr<kx::TKXGeneticProgramming> MakeGP() {
  kx::RandSeed(11);
  auto gp = std::make_unique<kx::TKXGeneticProgramming>();
  examples::AddQuarticInstructions(*gp->Instructions());
  static const std::vector<double> xs = [] {
    std::vector<double> v(kGPCases);
    for (int i = 0; i < kGPCases; ++i) v[i] = -1.0 + 2.0 * i / (kGPCases - 1);
    return v;
  }();
  gp->SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& Fitness) {
    // One context per evaluation: evaluations run on several threads.
    kx::TKXGPContext<double> context;
    auto* program = static_cast<kx::TKXGPIndividual<double>*>(Item);
    double error = 0;
    for (double x : xs) {
      context.Values().AddOrSetValue("x", x);
      error += std::fabs(program->Execute(context) - examples::Quartic(x));
    }
    Fitness = std::isfinite(error) ? error : 1e30;
  });
  gp->SetInitialPopulation(kGPIndividuals);
  gp->SetInitializationMethod(kx::imRampedHalfAndHalf);
  gp->SetSelectionMethod(kx::smTournament);
  gp->SetTournamentField(7);
  gp->SetBloatStrategy(kx::bsDepthLimit);
  gp->SetBloatLimit(8);
  gp->Initialize();
  return gp;
}

double TimeGPRun(bool Parallel) {
  auto gp = MakeGP();
  const auto start = TClock::now();
  const int evolved = Parallel ? gp->ParallelEvolve(kGPGenerations) : gp->Evolve(kGPGenerations);
  const double elapsed = Seconds(TClock::now() - start);
  benchmark::DoNotOptimize(evolved);
  return elapsed;
}

// Program sizes depend on the random draws, and ParallelEvolve draws from per-pair streams,
// so Evolve and ParallelEvolve breed different programs and do different amounts of work.
// The speed-up is therefore measured on identical work: ParallelEvolve on one thread against
// the same run on kThreads threads (the runs are equal by construction). The sequential
// loop's time is reported alongside.
void BM_GPSpeedUp(benchmark::State& State) {
  double sequential = 0;
  double oneThread = 0;
  double parallel = 0;
  for (auto _ : State) {
    sequential += TimeGPRun(false);
    kx::SetParallelThreads(1);
    oneThread += TimeGPRun(true);
    kx::SetParallelThreads(kThreads);
    parallel += TimeGPRun(true);
  }
  kx::SetParallelThreads(0);
  const double perGeneration = 1e3 / kGPGenerations / State.iterations();
  State.counters["evolve_ms_per_generation"] = sequential * perGeneration;
  State.counters["parallel_1_thread_ms_per_generation"] = oneThread * perGeneration;
  State.counters["parallel_ms_per_generation"] = parallel * perGeneration;
  State.counters["speed_up"] = oneThread / parallel;
  State.counters["threads"] = kThreads;
}
BENCHMARK(BM_GPSpeedUp)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
