// Compiled into kx::evo so that the umbrella header is checked to stand on its own.
#include "kx/kxevo.hpp"
