#include "kx/host/random.hpp"

#include <cstring>

namespace kx {

TKXRandom& LibraryRandom() noexcept {
  static TKXRandom generator;
  return generator;
}

void RandSeed(std::uint64_t Seed) noexcept { LibraryRandom().Seed(Seed); }

namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;

// Next's output permutation of the state before a step.
std::uint32_t Output(std::uint64_t Old) noexcept {
  const auto xorshifted = static_cast<std::uint32_t>(((Old >> 18u) ^ Old) >> 27u);
  const auto rot = static_cast<std::uint32_t>(Old >> 59u);
  return (xorshifted >> rot) | (xorshifted << ((-rot) & 31u));
}

#if defined(__x86_64__) && defined(__GNUC__)
constexpr int kLanes = 8;
using TLanes = std::uint64_t __attribute__((vector_size(8 * kLanes)));
using TLaneOutputs = std::uint32_t __attribute__((vector_size(4 * kLanes)));

// Eight steps of the sequence side by side in the lanes of a vector, for processors that
// multiply 64-bit lanes (AVX-512DQ); chosen at run time, so the library keeps the baseline
// instruction set. Fills Draws in multiples of eight and returns how many it made.
[[gnu::target("avx512f,avx512dq,avx512vl")]] std::int32_t WideBlock(std::uint64_t& State,
                                                                    std::uint64_t Increment,
                                                                    std::uint32_t* Draws,
                                                                    std::int32_t Count) noexcept {
  std::uint64_t multiplier = 1;
  std::uint64_t increment = 0;
  TLanes lanes;
  std::uint64_t state = State;
  for (int i = 0; i < kLanes; ++i) {
    lanes[i] = state;
    state = state * kMultiplier + Increment;
    increment = increment * kMultiplier + Increment;
    multiplier *= kMultiplier;
  }
  std::int32_t k = 0;
  for (; k + kLanes <= Count; k += kLanes) {
    const auto xorshifted = __builtin_convertvector(((lanes >> 18u) ^ lanes) >> 27u, TLaneOutputs);
    const auto rot = __builtin_convertvector(lanes >> 59u, TLaneOutputs);
    const TLaneOutputs out = (xorshifted >> rot) | (xorshifted << ((-rot) & 31u));
    std::memcpy(Draws + k, &out, sizeof out);
    lanes = lanes * multiplier + increment;
  }
  State = lanes[0];
  return k;
}

bool HasWideBlock() noexcept {
  static const bool has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                          __builtin_cpu_supports("avx512vl");
  return has;
}
#endif

}  // namespace

void TKXRandom::NextBlock(std::uint32_t* Draws, std::int32_t Count) noexcept {
  std::int32_t k = 0;
#if defined(__x86_64__) && defined(__GNUC__)
  if (Count >= kLanes && HasWideBlock()) k = WideBlock(FState, FInc, Draws, Count);
#endif
  // Two interleaved chains: one steps the even positions of the sequence, the other the
  // odd ones, each by two steps at once (state * a^2 + inc * (a + 1)), so the two
  // multiplications overlap. The outputs are those of Next, in the same order.
  constexpr std::uint64_t kMultiplier2 = kMultiplier * kMultiplier;
  const std::uint64_t increment2 = FInc * (kMultiplier + 1);
  std::uint64_t even = FState;
  std::uint64_t odd = even * kMultiplier + FInc;
  for (; k + 1 < Count; k += 2) {
    Draws[k] = Output(even);
    Draws[k + 1] = Output(odd);
    even = even * kMultiplier2 + increment2;
    odd = odd * kMultiplier2 + increment2;
  }
  FState = even;
  if (k < Count) Draws[k] = Next();
}

}  // namespace kx
