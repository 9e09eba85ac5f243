#pragma once

// What an instruction of the library's own classes computes before its handler runs: shared
// by the instruction's DoExecute and the node's direct execution path, so both stay one rule.

#include "kx/gp_engine/context.hpp"
#include "kx/gp_engine/instruction.hpp"
#include "kx/gp_engine/node.hpp"

namespace kx::detail {

/// A variable's current value (the value type's default when the context has none), a
/// constant node's own value, and the value type's default for a function.
template <class T>
inline T BuiltInResult(const TKXGPInstruction<T>& Instruction, const TKXGPNode<T>& Node,
                       TKXGPContext<T>* Context) {
  switch (Instruction.Operation()) {
    case gpVariable:
      if (const T* value = Context->VariableValue(Instruction)) return *value;
      break;
    case gpConstant:
      return Node.Value();
    case gpFunction:
      break;
  }
  return T{};
}

}  // namespace kx::detail
