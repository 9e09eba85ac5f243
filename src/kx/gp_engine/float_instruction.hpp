#pragma once

#include <string>
#include <string_view>

#include "kx/core/consts.hpp"
#include "kx/gp_engine/instruction.hpp"

namespace kx {

using TFloatNodeEvent = TNodeEvent<TGAFloat>;
using TFloatNodeNotifyEvent = TNodeNotifyEvent<TGAFloat>;

/// An instruction of float programs. A constant's value travels in documents as float text.
class TKXGPFloatInstruction : public TKXGPInstruction<TGAFloat> {
 public:
  using TKXGPInstruction<TGAFloat>::TKXGPInstruction;
  std::string ClassName() const override { return "TKXGPFloatInstruction"; }

  /// Constant and FloatConstant elements: the text converted leniently; text that is not a
  /// number keeps the current value. Other elements carry no value.
  void LoadValueFromXML(TGPInstructionElement Element, std::string_view Value) override;
  /// Constant and FloatConstant elements receive the float text of the value.
  bool SaveValueToXML(TGPInstructionElement Element, std::string& Value) const override;
};

/// The instruction set of float programs.
class TKXGPFloatInstructions : public TKXGPInstructions<TGAFloat> {
 public:
  /// A set owned by Owner creating items of ItemClass; Engine as for the generic set.
  explicit TKXGPFloatInstructions(TKXPersistent* Owner,
                                  TKXItemClass ItemClass = ItemClassOf<TKXGPFloatInstruction>(),
                                  IKXGeneticProgramEngine<TGAFloat>* Engine = nullptr)
      : TKXGPInstructions<TGAFloat>(Owner, ItemClass, Engine) {}
  std::string ClassName() const override { return "TKXGPFloatInstructions"; }
};

}  // namespace kx
