// Instructions and instruction sets in domain documents: the five instruction lists and the
// merge of a document's set into an existing one.

#include <cstdint>
#include <string>
#include <vector>

#include "kx/gp_engine/instruction.hpp"
#include "kx/host/variant.hpp"
#include "kx/xml/gp_domain_xml.hpp"

namespace kx {

namespace {

// The list an instruction element belongs to, from its tag. Elements of other tags (which
// the set's lists never hand out) read as constants, as the document reader treats every
// tag but "Function" and "Variable".
TGPInstructionElement ElementKind(const TXMLInstructionType& Element) noexcept {
  const std::string_view tag = Element.NodeName();
  if (tag == "Function") return TGPInstructionElement::ieFunction;
  if (tag == "Variable") return TGPInstructionElement::ieVariable;
  if (tag == "FloatConstant") return TGPInstructionElement::ieFloatConstant;
  if (tag == "VariantConstant") return TGPInstructionElement::ieVariantConstant;
  return TGPInstructionElement::ieConstant;
}

// The "Value" child of a constant element of any of the three constant tags (they share
// the element form).
std::string ConstantValue(const TXMLInstructionType& Element, TGPInstructionElement Kind) {
  switch (Kind) {
    case TGPInstructionElement::ieFloatConstant:
      return TXMLDecimalConstantInstructionType(Element.Node()).Value();
    case TGPInstructionElement::ieVariantConstant:
      return TXMLVariantConstantInstructionType(Element.Node()).Value();
    default:
      return TXMLConstantInstructionType(Element.Node()).Value();
  }
}

}  // namespace

template <class T>
void TKXGPInstruction<T>::LoadFromXML(const TXMLInstructionType& Element) {
  const TGPInstructionElement kind = ElementKind(Element);
  // The arity is converted before anything changes, so a bad one leaves the instruction
  // as it was.
  std::int32_t arity = 0;
  if (kind == TGPInstructionElement::ieFunction) {
    arity = TXMLFunctionInstructionType(Element.Node()).Arity();
  }
  // Compared with the display name: an unnamed instruction written under its class name
  // reads back unnamed.
  const std::string name = Element.Name();
  if (name != GetDisplayName()) LoadName(name);
  FComment = Element.Comment();
  switch (kind) {
    case TGPInstructionElement::ieFunction:
      SetArity(arity);
      LoadOperation(gpFunction);
      break;
    case TGPInstructionElement::ieVariable:
      LoadOperation(gpVariable);
      break;
    default:
      LoadOperation(gpConstant);
      LoadValueFromXML(kind, ConstantValue(Element, kind));
      break;
  }
}

template <class T>
void TKXGPInstruction<T>::SaveToXML(const TXMLConstantInstructionType& Element) const {
  Element.SetName(GetDisplayName());
  Element.SetComment(FComment);
  std::string value;
  if (SaveValueToXML(TGPInstructionElement::ieConstant, value)) Element.SetValue(value);
}

template <class T>
void TKXGPInstruction<T>::SaveToXML(const TXMLVariableInstructionType& Element) const {
  Element.SetName(GetDisplayName());
  Element.SetComment(FComment);
  // A variable element has no value; the hook is asked all the same, for symmetry with the
  // reader (the library's instructions write nothing here).
  std::string value;
  SaveValueToXML(TGPInstructionElement::ieVariable, value);
}

template <class T>
void TKXGPInstruction<T>::SaveToXML(const TXMLFunctionInstructionType& Element) const {
  Element.SetName(GetDisplayName());
  Element.SetComment(FComment);
  Element.SetArity(static_cast<std::uint8_t>(FArity & 0xFF));
}

template <class T>
void TKXGPInstruction<T>::SaveToXML(const TXMLGPInstructions& Instructions) const {
  switch (FOperation) {
    case gpVariable:
      SaveToXML(Instructions.Variable().Add());
      break;
    case gpConstant:
      SaveToXML(Instructions.Constant().Add());
      break;
    case gpFunction:
      SaveToXML(Instructions.Function().Add());
      break;
  }
}

template <class T>
void TKXGPInstructions<T>::SaveToXML(const TXMLGPInstructions& Instructions) const {
  for (int i = 0; i < this->Count(); ++i) this->Items(i)->SaveToXML(Instructions);
}

namespace {

// Loads every element of one list into Set (see TKXGPInstructions::LoadFromXML).
template <class T, class TList>
void MergeList(TKXGPInstructions<T>& Set, const TList& List, std::vector<bool>& Matched) {
  for (const TXMLInstructionType element : List) {
    TKXGPInstruction<T>* instruction = Set.FindItemName(element.Name());
    if (instruction == nullptr) {
      instruction = Set.Add();
    } else {
      const int index = instruction->Index();
      if (index < static_cast<int>(Matched.size())) Matched[index] = true;
    }
    instruction->LoadFromXML(element);
  }
}

}  // namespace

template <class T>
void TKXGPInstructions<T>::LoadFromXML(const TXMLGPInstructions& Instructions) {
  std::vector<bool> matched(static_cast<std::size_t>(this->Count()), false);
  MergeList(*this, Instructions.Function(), matched);
  MergeList(*this, Instructions.Variable(), matched);
  MergeList(*this, Instructions.Constant(), matched);
  MergeList(*this, Instructions.FloatConstant(), matched);
  MergeList(*this, Instructions.VariantConstant(), matched);
  for (int i = static_cast<int>(matched.size()) - 1; i >= 0; --i) {
    if (!matched[i]) this->Delete(i);
  }
}

template void TKXGPInstruction<TGAFloat>::LoadFromXML(const TXMLInstructionType&);
template void TKXGPInstruction<TGAFloat>::SaveToXML(const TXMLConstantInstructionType&) const;
template void TKXGPInstruction<TGAFloat>::SaveToXML(const TXMLVariableInstructionType&) const;
template void TKXGPInstruction<TGAFloat>::SaveToXML(const TXMLFunctionInstructionType&) const;
template void TKXGPInstruction<TGAFloat>::SaveToXML(const TXMLGPInstructions&) const;
template void TKXGPInstructions<TGAFloat>::SaveToXML(const TXMLGPInstructions&) const;
template void TKXGPInstructions<TGAFloat>::LoadFromXML(const TXMLGPInstructions&);

template void TKXGPInstruction<TKXVariant>::LoadFromXML(const TXMLInstructionType&);
template void TKXGPInstruction<TKXVariant>::SaveToXML(const TXMLConstantInstructionType&) const;
template void TKXGPInstruction<TKXVariant>::SaveToXML(const TXMLVariableInstructionType&) const;
template void TKXGPInstruction<TKXVariant>::SaveToXML(const TXMLFunctionInstructionType&) const;
template void TKXGPInstruction<TKXVariant>::SaveToXML(const TXMLGPInstructions&) const;
template void TKXGPInstructions<TKXVariant>::SaveToXML(const TXMLGPInstructions&) const;
template void TKXGPInstructions<TKXVariant>::LoadFromXML(const TXMLGPInstructions&);

}  // namespace kx
