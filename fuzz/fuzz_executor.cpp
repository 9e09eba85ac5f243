// Loading a program document (GeneticProgram, GPDomain or Instructions) into the float and
// the variant executors from any bytes; a loaded program must print and measure.

#include <kx/kxevo.hpp>
#include <sstream>

#include "fuzz_support.hpp"

namespace {

template <class TExecutor>
void Load(const std::string& Document) {
  TExecutor Executor;
  std::istringstream In(Document);
  if (kx_fuzz::Refused([&] { Executor.LoadFromStream(In); })) return;
  if (auto* Program = Executor.GPProgram()) {
    (void)Program->ToString();
    (void)Program->Size();
    (void)Program->Depth();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Document = kx_fuzz::Text(Data, Size);
  Load<kx::TKXGeneticProgrammingExecutor>(Document);
  Load<kx::TKXGeneticProgrammingVariantExecutor>(Document);
  return 0;
}
