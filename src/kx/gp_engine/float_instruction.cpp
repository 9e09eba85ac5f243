#include "kx/gp_engine/float_instruction.hpp"

#include "kx/host/number_text.hpp"

namespace kx {

void TKXGPFloatInstruction::LoadValueFromXML(TGPInstructionElement Element,
                                             std::string_view Value) {
  if (!CarriesValue(Element)) return;
  TGAFloat value = 0;
  if (TryStrToFloat(Value, value)) SetValue(value);
}

bool TKXGPFloatInstruction::SaveValueToXML(TGPInstructionElement Element,
                                           std::string& Value) const {
  if (!CarriesValue(Element)) return false;
  Value = FloatToStr(this->Value());
  return true;
}

}  // namespace kx
