#include "kx/gp_engine/float_node.hpp"

#include "kx/host/number_text.hpp"

namespace kx {

namespace {

// What a float node prints of itself: nothing for a function or without an instruction,
// the name of a variable, the float text of a constant.
std::string FloatNodeText(const TKXGPNode<TGAFloat>& Node) {
  const TKXGPInstruction<TGAFloat>* instruction = Node.Instruction();
  if (instruction == nullptr) return {};
  switch (instruction->Operation()) {
    case gpVariable:
      return instruction->DisplayName();
    case gpConstant:
      return FloatToStr(Node.Value());
    case gpFunction:
      break;
  }
  return {};
}

}  // namespace

TKXGPFloatNode::TNodePtr TKXGPFloatNode::CreateNode(
    TKXGPInstruction<TGAFloat>* aInstruction) const {
  return CreateNodeOf<TKXGPFloatNode>(aInstruction);
}

std::string TKXGPFloatNode::ValueToString() const { return FloatNodeText(*this); }

void TKXGPFloatNode::LoadValueFromXML(std::string_view Value) { SetValue(StrToFloat(Value)); }

bool TKXGPFloatNode::SaveValueToXML(std::string& Value) const {
  Value = FloatToStr(this->Value());
  return true;
}

TKXGPBinaryFloatNode::TNodePtr TKXGPBinaryFloatNode::CreateNode(
    TKXGPInstruction<TGAFloat>* aInstruction) const {
  return CreateNodeOf<TKXGPBinaryFloatNode>(aInstruction);
}

std::string TKXGPBinaryFloatNode::ValueToString() const { return FloatNodeText(*this); }

void TKXGPBinaryFloatNode::LoadValueFromXML(std::string_view Value) { SetValue(StrToFloat(Value)); }

bool TKXGPBinaryFloatNode::SaveValueToXML(std::string& Value) const {
  Value = FloatToStr(this->Value());
  return true;
}

}  // namespace kx
