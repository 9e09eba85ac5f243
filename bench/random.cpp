// Cost of one draw from the library generator, as the evolution loop makes them.

#include <benchmark/benchmark.h>

#include <cstdint>
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

// Draws one at a time and in blocks of 64 (as the chromosome operators make them); one item
// is one draw.
void BM_DrawsSingly(benchmark::State& State) {
  kx::TKXRandom generator(1);
  std::uint32_t draws[64];
  for (auto _ : State) {
    for (std::uint32_t& draw : draws) draw = generator.Next();
    benchmark::DoNotOptimize(draws);
  }
  State.SetItemsProcessed(State.iterations() * 64);
}
BENCHMARK(BM_DrawsSingly);

void BM_DrawsInBlocks(benchmark::State& State) {
  kx::TKXRandom generator(1);
  std::uint32_t draws[64];
  for (auto _ : State) {
    generator.NextBlock(draws, 64);
    benchmark::DoNotOptimize(draws);
  }
  State.SetItemsProcessed(State.iterations() * 64);
}
BENCHMARK(BM_DrawsInBlocks);

}  // namespace
