#pragma once

#include <string>
#include <string_view>

#include "kx/gp_engine/instruction.hpp"
#include "kx/host/variant.hpp"

namespace kx {

using TVariantNodeEvent = TNodeEvent<TKXVariant>;
using TVariantNodeNotifyEvent = TNodeNotifyEvent<TKXVariant>;

/// An instruction of variant programs. A constant's value travels in documents as text.
class TKXGPVariantInstruction : public TKXGPInstruction<TKXVariant> {
 public:
  using TKXGPInstruction<TKXVariant>::TKXGPInstruction;
  std::string ClassName() const override { return "TKXGPVariantInstruction"; }

  /// Constant and FloatConstant elements: the value becomes the text itself (a text
  /// variant). Other elements carry no value.
  void LoadValueFromXML(TGPInstructionElement Element, std::string_view Value) override;
  /// Constant and FloatConstant elements receive the variant's text.
  bool SaveValueToXML(TGPInstructionElement Element, std::string& Value) const override;
};

/// The instruction set of variant programs.
class TKXGPVariantInstructions : public TKXGPInstructions<TKXVariant> {
 public:
  /// A set owned by Owner creating items of ItemClass; Engine as for the generic set.
  explicit TKXGPVariantInstructions(TKXPersistent* Owner,
                                    TKXItemClass ItemClass = ItemClassOf<TKXGPVariantInstruction>(),
                                    IKXGeneticProgramEngine<TKXVariant>* Engine = nullptr)
      : TKXGPInstructions<TKXVariant>(Owner, ItemClass, Engine) {}
  std::string ClassName() const override { return "TKXGPVariantInstructions"; }
};

}  // namespace kx
