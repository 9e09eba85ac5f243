// Loading a TKXGeneticProgramming document from any bytes.

#include <kx/kxevo.hpp>

#include "fuzz_support.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  kx_fuzz::LoadComponent<kx::TKXGeneticProgramming>(Data, Size);
  return 0;
}
