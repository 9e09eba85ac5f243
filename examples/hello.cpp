// Placeholder demo until the evolving examples exist.
#include <kx/kxevo.hpp>

#include <iostream>

int main() {
  kx::RandSeed(1);
  std::cout << "kxevo: first draw " << kx::RandomInt(1000) << '\n';
  return 0;
}
