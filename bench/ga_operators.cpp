// Costs of the chromosome operators on 1,024-bit chromosomes, and whole OneMax generations
// (population 500) with the time of a generation split into operators, selection and fitness.
//
// Per-bit figures are reported as items per second (one item = one bit); BM_DrawsPerBit is
// the generator's own cost of one uniform draw per bit.
//
// BM_OneMaxVsReference breeds the same OneMax generations with the library component and
// with a hand-written program (bit-vector chromosomes, one generator call and a comparison
// per bit in mutation, one-point crossover, tournaments, popcount fitness) and reports the
// library's time per generation as a ratio to the program's, both measured in the same run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <kx/kxevo.hpp>
#include <utility>
#include <vector>

#include "reference_random.hpp"

namespace {

constexpr std::int32_t kBits = 1024;
constexpr int kPopulation = 500;
constexpr int kTournament = 6;
constexpr double kCrossoverProbability = 0.9;
constexpr double kMutationProbability = 1.0 / kBits;
// Runs restart before the optimum stops them, so every timed generation breeds.
constexpr int kRestartGeneration = 150;

void Chromosome(kx::TKXGABits& Bits) {
  Bits.SetSize(kBits);
  Bits.Randomize();
}

void BM_DrawsPerBit(benchmark::State& State) {
  kx::RandSeed(1);
  for (auto _ : State) {
    kx::TKXRandom& random = kx::CurrentRandom();
    std::uint64_t below = 0;
    for (std::int32_t i = 0; i < kBits; ++i) below += 0.01 > random.Float();
    benchmark::DoNotOptimize(below);
  }
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_DrawsPerBit);

void BM_Mutate(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits bits;
  Chromosome(bits);
  for (auto _ : State) benchmark::DoNotOptimize(bits.Mutate(0.01));
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_Mutate);

void BM_Randomize(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits bits;
  bits.SetSize(kBits);
  for (auto _ : State) {
    bits.Randomize();
    benchmark::ClobberMemory();
  }
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_Randomize);

void BM_CrossOver(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits p1;
  kx::TKXGABits p2;
  kx::TKXGABits child;
  Chromosome(p1);
  Chromosome(p2);
  Chromosome(child);
  for (auto _ : State) {
    child.CrossOver(p1, p2);
    benchmark::ClobberMemory();
  }
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_CrossOver);

void BM_Invert(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits bits;
  Chromosome(bits);
  for (auto _ : State) {
    bits.Invert(-1, -1);
    benchmark::ClobberMemory();
  }
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_Invert);

void BM_Assign(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits source;
  kx::TKXGABits target;
  Chromosome(source);
  Chromosome(target);
  for (auto _ : State) {
    target.Assign(source);
    benchmark::ClobberMemory();
  }
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_Assign);

void BM_ToString(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGABits bits;
  Chromosome(bits);
  for (auto _ : State) benchmark::DoNotOptimize(bits.ToString());
  State.SetItemsProcessed(State.iterations() * kBits);
}
BENCHMARK(BM_ToString);

// A OneMax component that clocks the three parts of a generation.
class TTimedOneMax : public kx::TKXGeneticAlgorithm {
 public:
  using Clock = std::chrono::steady_clock;
  double OperatorSeconds = 0;
  double SelectionSeconds = 0;
  double FitnessSeconds = 0;

  TTimedOneMax() {
    Configure(*this);
    SetOnEvaluateFitness([this](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& F) {
      const auto start = Clock::now();
      F = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
      FitnessSeconds += Seconds(start);
    });
  }

  // The OneMax settings that every benchmark here shares.
  static void Configure(kx::TKXGeneticAlgorithm& GA) {
    GA.SetGeneSize(kBits);
    GA.SetInitialPopulation(kPopulation);
    GA.SetFitnessMethod(kx::fmMaximize);
    GA.SetSelectionMethod(kx::smTournament);
    GA.SetTournamentField(kTournament);
    GA.SetCrossoverMethod(kx::cmBitBoundary);
    GA.SetCrossoverProbability(kCrossoverProbability);
    GA.SetMutationProbability(kMutationProbability);
    GA.SetOperations({kx::goCrossover, kx::goMutate});
  }

  kx::TKXIndividual* SelectParent(kx::TKXPopulation* Population) override {
    const auto start = Clock::now();
    kx::TKXIndividual* parent = kx::TKXGeneticAlgorithm::SelectParent(Population);
    SelectionSeconds += Seconds(start);
    return parent;
  }

 protected:
  // Child copies, crossover and mutation.
  bool DoReproduce(kx::TKXIndividual* Parent1, kx::TKXIndividual* Parent2,
                   kx::TKXIndividual* Child1, kx::TKXIndividual* Child2) override {
    const auto start = Clock::now();
    const bool result = kx::TKXGeneticAlgorithm::DoReproduce(Parent1, Parent2, Child1, Child2);
    OperatorSeconds += Seconds(start);
    return result;
  }

 private:
  static double Seconds(Clock::time_point Start) {
    return std::chrono::duration<double>(Clock::now() - Start).count();
  }
};

void BM_OneMaxGeneration(benchmark::State& State) {
  kx::RandSeed(1);
  TTimedOneMax ga;
  ga.Initialize();
  ga.OperatorSeconds = ga.SelectionSeconds = ga.FitnessSeconds = 0;
  for (auto _ : State) {
    // Restart before the optimum stops the run, so every iteration breeds a generation.
    if (ga.Generation() >= kRestartGeneration) {
      State.PauseTiming();
      const double op = ga.OperatorSeconds, sel = ga.SelectionSeconds, fit = ga.FitnessSeconds;
      ga.Initialize();
      ga.OperatorSeconds = op, ga.SelectionSeconds = sel, ga.FitnessSeconds = fit;
      State.ResumeTiming();
    }
    ga.Evolve();
  }
  const double n = static_cast<double>(State.iterations());
  State.counters["generations_per_s"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
  State.counters["operators_us"] = ga.OperatorSeconds / n * 1e6;
  State.counters["selection_us"] = ga.SelectionSeconds / n * 1e6;
  State.counters["fitness_us"] = ga.FitnessSeconds / n * 1e6;
}
BENCHMARK(BM_OneMaxGeneration)->Unit(benchmark::kMillisecond);

// The hand-written OneMax program: what a competent engineer writes for these settings
// without a library, with its own copy of the generator algorithm.
class TReferenceOneMax : private bench::TReferenceRandom {
 public:
  explicit TReferenceOneMax(std::uint64_t Seed) : TReferenceRandom(Seed) {
    for (auto* population : {&FCurrent, &FNext}) {
      population->resize(kPopulation);
      for (TIndividual& individual : *population) individual.Words.resize(kWords);
    }
    Restart();
  }

  void Restart() {
    for (TIndividual& individual : FCurrent) {
      for (std::uint64_t& word : individual.Words) word = (std::uint64_t{Next()} << 32) | Next();
      individual.Ones = Count(individual);
    }
    FGeneration = 0;
  }

  int Generation() const { return FGeneration; }

  void Evolve() {
    for (int i = 0; i < kPopulation; i += 2) {
      const TIndividual& parent1 = Tournament();
      const TIndividual& parent2 = Tournament();
      TIndividual& child1 = FNext[i];
      TIndividual& child2 = FNext[i + 1];
      if (Uniform() < kCrossoverProbability) {
        const int point = static_cast<int>(Below(kBits));
        Cross(parent1, parent2, point, child1);
        Cross(parent2, parent1, point, child2);
      } else {
        child1.Words = parent1.Words;
        child2.Words = parent1.Words;
      }
      Mutate(child1);
      Mutate(child2);
    }
    for (TIndividual& individual : FNext) individual.Ones = Count(individual);
    std::swap(FCurrent, FNext);
    ++FGeneration;
  }

 private:
  static constexpr int kWords = kBits / 64;

  struct TIndividual {
    std::vector<std::uint64_t> Words;
    int Ones = 0;
  };

  static int Count(const TIndividual& Individual) {
    int ones = 0;
    for (const std::uint64_t word : Individual.Words) ones += std::popcount(word);
    return ones;
  }

  const TIndividual& Tournament() {
    const TIndividual* best = &FCurrent[Below(kPopulation)];
    for (int k = 1; k < kTournament; ++k) {
      const TIndividual& candidate = FCurrent[Below(kPopulation)];
      if (candidate.Ones > best->Ones) best = &candidate;
    }
    return *best;
  }

  // Bits 0 .. Point from First, the rest from Second.
  static void Cross(const TIndividual& First, const TIndividual& Second, int Point,
                    TIndividual& Child) {
    const int word = (Point + 1) / 64;
    const int bit = (Point + 1) % 64;
    std::copy_n(First.Words.begin(), word, Child.Words.begin());
    std::copy(Second.Words.begin() + word, Second.Words.end(), Child.Words.begin() + word);
    if (bit != 0) {
      const std::uint64_t low = (std::uint64_t{1} << bit) - 1;
      Child.Words[word] = (First.Words[word] & low) | (Second.Words[word] & ~low);
    }
  }

  // One draw per bit.
  void Mutate(TIndividual& Individual) {
    for (std::uint64_t& word : Individual.Words) {
      for (int j = 0; j < 64; ++j) {
        if (Uniform() < kMutationProbability) word ^= std::uint64_t{1} << j;
      }
    }
  }

  std::vector<TIndividual> FCurrent;
  std::vector<TIndividual> FNext;
  int FGeneration = 0;
};

// Processor time of this single-threaded process, so load from other processes on the
// machine skews both sides alike.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Restarts (untimed) are rare: one per 150 generations on both sides.
template <class Evolver, class Restarter>
double TimeGenerations(int Generations, Evolver&& Evolve, Restarter&& Restart) {
  double seconds = 0;
  double start = CpuSeconds();
  for (int done = 0; done < Generations;) {
    if (Evolve()) {
      ++done;
      continue;
    }
    seconds += CpuSeconds() - start;
    Restart();
    start = CpuSeconds();
  }
  return seconds + CpuSeconds() - start;
}

void BM_OneMaxVsReference(benchmark::State& State) {
  kx::RandSeed(1);
  kx::TKXGeneticAlgorithm ga;
  TTimedOneMax::Configure(ga);
  ga.SetOnEvaluateFitness([](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& F) {
    F = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
  });
  ga.Initialize();
  TReferenceOneMax reference(1);
  constexpr int kGenerations = 50;
  double library = 0;
  double handWritten = 0;
  for (auto _ : State) {
    // The two alternate in short runs, so both see the same machine state.
    library += TimeGenerations(
        kGenerations,
        [&] {
          if (ga.Generation() >= kRestartGeneration) return false;
          ga.Evolve();
          return true;
        },
        [&] { ga.Initialize(); });
    handWritten += TimeGenerations(
        kGenerations,
        [&] {
          if (reference.Generation() >= kRestartGeneration) return false;
          reference.Evolve();
          return true;
        },
        [&] { reference.Restart(); });
  }
  const double generations = static_cast<double>(State.iterations()) * kGenerations;
  State.counters["library_us"] = library / generations * 1e6;
  State.counters["reference_us"] = handWritten / generations * 1e6;
  State.counters["ratio"] = library / handWritten;
}
BENCHMARK(BM_OneMaxVsReference)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
