#include "kx/gp_engine/variant_instruction.hpp"

namespace kx {

void TKXGPVariantInstruction::LoadValueFromXML(TGPInstructionElement Element,
                                               std::string_view Value) {
  if (CarriesValue(Element)) SetValue(TKXVariant(std::string(Value)));
}

bool TKXGPVariantInstruction::SaveValueToXML(TGPInstructionElement Element,
                                             std::string& Value) const {
  if (!CarriesValue(Element)) return false;
  Value = this->Value().ToString();
  return true;
}

}  // namespace kx
