#include "kx/gp_engine/variant_node.hpp"

#include "kx/host/number_text.hpp"

namespace kx {

TKXGPVariantNode::TNodePtr TKXGPVariantNode::CreateNode(
    TKXGPInstruction<TKXVariant>* aInstruction) const {
  return CreateNodeOf<TKXGPVariantNode>(aInstruction);
}

std::string TKXGPVariantNode::ValueToString() const {
  const TKXGPInstruction<TKXVariant>* instruction = Instruction();
  if (instruction == nullptr) return {};
  switch (instruction->Operation()) {
    case gpVariable:
      return instruction->DisplayName();
    case gpConstant:
      return Value().ToString();
    case gpFunction:
      break;
  }
  return {};
}

void TKXGPVariantNode::LoadValueFromXML(std::string_view Value) {
  SetValue(TKXVariant(std::string(Value)));
}

bool TKXGPVariantNode::SaveValueToXML(std::string& Value) const {
  Value = FloatToStr(this->Value().ToFloat());
  return true;
}

}  // namespace kx
