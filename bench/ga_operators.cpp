// Costs of the chromosome operators on 1,024-bit chromosomes, and whole OneMax generations
// (population 500) with the time of a generation split into operators, selection and fitness.
//
// Per-bit figures are reported as items per second (one item = one bit); BM_DrawsPerBit is
// the generator's own cost of one uniform draw per bit, the floor of Mutate.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <kx/kxevo.hpp>

namespace {

constexpr std::int32_t kBits = 1024;

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
    SetGeneSize(kBits);
    SetInitialPopulation(500);
    SetFitnessMethod(kx::fmMaximize);
    SetSelectionMethod(kx::smTournament);
    SetTournamentField(6);
    SetCrossoverMethod(kx::cmBitBoundary);
    SetCrossoverProbability(0.9);
    SetMutationProbability(1.0 / kBits);
    SetOperations({kx::goCrossover, kx::goMutate});
    SetOnEvaluateFitness([this](kx::TKXObject*, kx::TKXIndividual* Item, kx::TGAFitness& F) {
      const auto start = Clock::now();
      F = static_cast<kx::TKXGAIndividual*>(Item)->Bits()->CountOnes();
      FitnessSeconds += Seconds(start);
    });
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
    if (ga.Generation() >= 150) {
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

}  // namespace
