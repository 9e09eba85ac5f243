#pragma once

// The generator of the hand-written reference programs: the library's algorithm (PCG32 on its
// default stream) written out as a hand-written program would have it, so that a reference
// pays for its draws what the library pays.

#include <cstdint>

namespace bench {

class TReferenceRandom {
 public:
  explicit TReferenceRandom(std::uint64_t Seed = 1) noexcept : FState(Seed) {}

  void Reseed(std::uint64_t Seed) noexcept { FState = Seed; }
  std::uint32_t Next() noexcept {
    const std::uint64_t old = FState;
    FState = old * 6364136223846793005ULL + 1442695040888963407ULL;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((-rot) & 31u));
  }
  double Uniform() noexcept { return Next() * (1.0 / 4294967296.0); }
  std::uint32_t Below(std::uint32_t N) noexcept {
    return static_cast<std::uint32_t>((std::uint64_t{Next()} * N) >> 32u);
  }

 private:
  std::uint64_t FState;
};

}  // namespace bench
