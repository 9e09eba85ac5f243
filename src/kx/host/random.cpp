#include "kx/host/random.hpp"

namespace kx {

TKXRandom& LibraryRandom() noexcept {
  static TKXRandom generator;
  return generator;
}

void RandSeed(std::uint64_t Seed) noexcept { LibraryRandom().Seed(Seed); }

void TKXRandom::NextBlock(std::uint32_t* Draws, std::int32_t Count) noexcept {
  // Two interleaved chains: one steps the even positions of the sequence, the other the
  // odd ones, each by two steps at once (state * a^2 + inc * (a + 1)), so the two
  // multiplications overlap. The outputs are those of Next, in the same order.
  constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
  constexpr std::uint64_t kMultiplier2 = kMultiplier * kMultiplier;
  const std::uint64_t increment2 = FInc * (kMultiplier + 1);
  const auto output = [](std::uint64_t Old) noexcept {
    const auto xorshifted = static_cast<std::uint32_t>(((Old >> 18u) ^ Old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(Old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((-rot) & 31u));
  };
  std::uint64_t even = FState;
  std::uint64_t odd = even * kMultiplier + FInc;
  std::int32_t k = 0;
  for (; k + 1 < Count; k += 2) {
    Draws[k] = output(even);
    Draws[k + 1] = output(odd);
    even = even * kMultiplier2 + increment2;
    odd = odd * kMultiplier2 + increment2;
  }
  FState = even;
  if (k < Count) Draws[k] = Next();
}

}  // namespace kx
