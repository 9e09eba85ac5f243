#include "kx/gp/genetic_programming.hpp"

namespace kx {

// The generic constructor could not reach the overrides of CreateInstructions below, so each
// concrete component replaces its still empty instruction set once it is fully built.

TKXCustomGeneticProgramming::TKXCustomGeneticProgramming(TKXComponent* AOwner) : Base(AOwner) {
  RecreateInstructions();
}

std::unique_ptr<TKXGPInstructions<TGAFloat>> TKXCustomGeneticProgramming::CreateInstructions(
    TKXItemClass /*InstructionClass*/) {
  return std::make_unique<TKXGPFloatInstructions>(this, ItemClassOf<TKXGPFloatInstruction>(), this);
}

TKXCustomGeneticProgramming::TNodePtr TKXCustomGeneticProgramming::CreateNode(
    TKXGPInstruction<TGAFloat>* Item) {
  return std::make_unique<TKXGPFloatNode>(Item);
}

TKXGPFloatInstructions* TKXCustomGeneticProgramming::Instructions() const noexcept {
  return static_cast<TKXGPFloatInstructions*>(Base::Instructions());
}

TKXCustomBinaryGeneticProgramming::TKXCustomBinaryGeneticProgramming(TKXComponent* AOwner)
    : Base(AOwner) {
  RecreateInstructions();
}

std::unique_ptr<TKXGPInstructions<TGAFloat>> TKXCustomBinaryGeneticProgramming::CreateInstructions(
    TKXItemClass /*InstructionClass*/) {
  return std::make_unique<TKXGPFloatInstructions>(this, ItemClassOf<TKXGPFloatInstruction>(), this);
}

TKXCustomBinaryGeneticProgramming::TNodePtr TKXCustomBinaryGeneticProgramming::CreateNode(
    TKXGPInstruction<TGAFloat>* Item) {
  return std::make_unique<TKXGPBinaryFloatNode>(Item);
}

TKXGPFloatInstructions* TKXCustomBinaryGeneticProgramming::Instructions() const noexcept {
  return static_cast<TKXGPFloatInstructions*>(Base::Instructions());
}

TKXCustomGeneticProgrammingVariant::TKXCustomGeneticProgrammingVariant(TKXComponent* AOwner)
    : Base(AOwner) {
  RecreateInstructions();
}

std::unique_ptr<TKXGPInstructions<TKXVariant>>
TKXCustomGeneticProgrammingVariant::CreateInstructions(TKXItemClass /*InstructionClass*/) {
  return std::make_unique<TKXGPVariantInstructions>(this, ItemClassOf<TKXGPVariantInstruction>(),
                                                    this);
}

TKXCustomGeneticProgrammingVariant::TNodePtr TKXCustomGeneticProgrammingVariant::CreateNode(
    TKXGPInstruction<TKXVariant>* Item) {
  return std::make_unique<TKXGPVariantNode>(Item);
}

TKXGPVariantInstructions* TKXCustomGeneticProgrammingVariant::Instructions() const noexcept {
  return static_cast<TKXGPVariantInstructions*>(Base::Instructions());
}

}  // namespace kx
