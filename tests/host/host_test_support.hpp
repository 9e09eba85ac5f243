#pragma once

#include <kx/host/number_text.hpp>

namespace kx::testing {

// Sets the process-wide decimal separator and restores it even when a test fails midway.
class SeparatorGuard {
 public:
  explicit SeparatorGuard(char Value) : FPrevious(DecimalSeparator()) {
    SetDecimalSeparator(Value);
  }
  ~SeparatorGuard() { SetDecimalSeparator(FPrevious); }
  SeparatorGuard(const SeparatorGuard&) = delete;
  SeparatorGuard& operator=(const SeparatorGuard&) = delete;

 private:
  char FPrevious;
};

}  // namespace kx::testing
