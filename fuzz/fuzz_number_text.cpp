// The number and boolean texts of documents: any text either converts or is refused, and
// what converts writes back to a text that reads back to the same value.

#include <cmath>
#include <cstdlib>
#include <kx/host/number_text.hpp>

#include "fuzz_support.hpp"

namespace {

void Check(bool Condition) {
  if (!Condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  const std::string Text = kx_fuzz::Text(Data, Size);
  double Float = 0;
  const bool IsFloat = kx::TryStrToFloat(Text, Float);
  Check(IsFloat != kx_fuzz::Refused([&] { kx::StrToFloat(Text); }));
  if (IsFloat) {
    double Back = 0;
    Check(kx::TryStrToFloat(kx::FloatToRoundTripStr(Float), Back));
    Check(Back == Float || (std::isnan(Back) && std::isnan(Float)));
    Check(kx::TryStrToFloat(kx::FloatToStr(Float), Back));
    (void)kx::FormatPercent(Float);
  }
  std::int32_t Int = 0;
  if (kx::TryStrToInt(Text, Int)) Check(kx::StrToInt(std::to_string(Int)) == Int);
  std::int64_t Int64 = 0;
  if (kx::TryStrToInt64(Text, Int64)) Check(kx::StrToInt64(std::to_string(Int64)) == Int64);
  bool Bool = false;
  if (kx::TryStrToBool(Text, Bool)) Check(kx::StrToBool(kx::BoolToStr(Bool)) == Bool);
  return 0;
}
