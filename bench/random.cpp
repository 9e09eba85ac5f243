// Cost of one draw from the library generator, as the evolution loop makes them.

#include <benchmark/benchmark.h>

#include <kx/host/random.hpp>

namespace {

void BM_RandomInt(benchmark::State& State) {
  kx::RandSeed(1);
  for (auto _ : State) benchmark::DoNotOptimize(kx::RandomInt(1000));
}
BENCHMARK(BM_RandomInt);

void BM_RandomFloat(benchmark::State& State) {
  kx::RandSeed(1);
  for (auto _ : State) benchmark::DoNotOptimize(kx::RandomFloat());
}
BENCHMARK(BM_RandomFloat);

// The same draws through a generator installed by a scope, as parallel iterations do.
void BM_RandomIntScoped(benchmark::State& State) {
  kx::TKXRandom generator(1, 7);
  kx::TKXRandomScope scope(generator);
  for (auto _ : State) benchmark::DoNotOptimize(kx::RandomInt(1000));
}
BENCHMARK(BM_RandomIntScoped);

}  // namespace
