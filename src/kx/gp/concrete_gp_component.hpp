#pragma once

/// @file
/// The shape every concrete program component and executor shares: a generic class fixed to
/// a value type, an instruction set class of one instruction class, and a node class. The
/// concrete classes derive from it and add only their class names (and what is theirs
/// alone), so that the set, instruction and node classes are named in one place each.

#include <memory>

#include "kx/gp_engine/instruction.hpp"
#include "kx/host/collection.hpp"
#include "kx/host/component.hpp"

namespace kx::generics {

/// TGeneric<T> is a generic component owning an instruction set (CreateInstructions,
/// Instructions, RecreateInstructions) and building nodes (CreateNode).
template <template <class> class TGeneric, class T, class TSet, class TItem, class TNodeClass>
class TKXConcreteGPComponent : public TGeneric<T> {
  using Base = TGeneric<T>;

 public:
  /// The generic constructor could not reach the override of CreateInstructions below, so
  /// the still empty instruction set is replaced once this part is fully built.
  explicit TKXConcreteGPComponent(TKXComponent* AOwner = nullptr) : Base(AOwner) {
    this->RecreateInstructions();
  }

  /// Always a TSet of TItem items; the class argument is ignored.
  std::unique_ptr<TKXGPInstructions<T>> CreateInstructions(
      TKXItemClass /*InstructionClass*/) override {
    return std::make_unique<TSet>(this, ItemClassOf<TItem>(), this);
  }
  /// A detached node of the component's node class.
  typename Base::TNodePtr CreateNode(TKXGPInstruction<T>* Item) override {
    return std::make_unique<TNodeClass>(Item);
  }

  /// The component's set, typed as the concrete set class.
  TSet* Instructions() const noexcept { return static_cast<TSet*>(Base::Instructions()); }
};

}  // namespace kx::generics
