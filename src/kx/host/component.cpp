#include "kx/host/component.hpp"

namespace kx {

// The name travels in the stream header, so the base declares nothing.
void TKXComponent::DefineProperties(TKXFiler& /*Filer*/) {}

}  // namespace kx
