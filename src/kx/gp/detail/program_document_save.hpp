#pragma once

/// @file
/// The check the savers of program documents (components and executors) run first.

#include <string>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/gp_engine/node.hpp"

namespace kx {

/// A node below the root without an instruction would be written as a Child element without
/// an "Instruction" attribute, which a load reads as the unnamed instruction or refuses, so
/// such a program is refused before anything is written: every saved document loads back.
/// Crossover can graft the bare root of a program never grown into another tree. The bare
/// root itself is written and read back as it is.
template <class T>
void CheckSavableProgram(const TKXGPNode<T>* Root, const std::string& Owner) {
  if (Root == nullptr) return;
  std::vector<const TKXGPNode<T>*> stack{Root};
  while (!stack.empty()) {
    const TKXGPNode<T>* node = stack.back();
    stack.pop_back();
    const std::size_t first = stack.size();
    node->PushChildren(stack);
    for (std::size_t i = first; i < stack.size(); ++i) {
      if (stack[i]->Instruction() == nullptr) {
        throw EGPException(Owner +
                           " has a node without instruction below its root, which a document "
                           "cannot hold");
      }
    }
  }
}

}  // namespace kx
