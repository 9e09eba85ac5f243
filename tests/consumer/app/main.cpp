#include <kx/kxevo.hpp>

#include <iostream>

int main() {
  kx::RandSeed(7);
  const int a = kx::RandomInt(100);
  kx::RandSeed(7);
  const int b = kx::RandomInt(100);
  std::cout << "consumer linked kx::evo, draw " << a << '\n';
  return a == b ? 0 : 1;
}
