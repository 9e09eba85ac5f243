#include "kx/host/random.hpp"

namespace kx {

TKXRandom& LibraryRandom() noexcept {
  static TKXRandom generator;
  return generator;
}

void RandSeed(std::uint64_t Seed) noexcept { LibraryRandom().Seed(Seed); }

}  // namespace kx
