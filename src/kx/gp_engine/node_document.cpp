// Program trees in domain documents: a node is a "DNA" element (or a "Child" element below
// one) naming its instruction, holding a constant's value and nesting its children.
//
// Both directions walk the tree with an explicit stack instead of recursing: evolved trees
// and hand-made documents may nest far deeper than a call stack allows.

#include <string>
#include <utility>
#include <vector>

#include "kx/core/consts.hpp"
#include "kx/gp_engine/node.hpp"
#include "kx/host/string_list.hpp"
#include "kx/host/variant.hpp"
#include "kx/xml/gp_domain_xml.hpp"

namespace kx {

namespace {

template <class T>
bool IsConstant(const TKXGPInstruction<T>* Instruction) noexcept {
  return Instruction != nullptr && Instruction->Operation() == gpConstant;
}

// The instruction a DNA element names, looked up in the set of Provisional (the
// instruction the node held when its load started). Without a provisional instruction the
// node gets no instruction.
template <class T>
TKXGPInstruction<T>* ResolveInstruction(const TKXGPInstruction<T>* Provisional,
                                        const TXMLDnaType& Element) {
  if (Provisional == nullptr) return nullptr;
  // A missing attribute reads as the empty name, which only an unnamed instruction has.
  const std::string name = Element.Instruction();
  if (TKXGPInstructions<T>* set = Provisional->Collection()) {
    if (TKXGPInstruction<T>* found = set->FindItemName(name)) return found;
    // An unnamed instruction is written under its display name (its class name): a tree
    // that uses one reads back.
    for (int i = 0; i < set->Count(); ++i) {
      TKXGPInstruction<T>* item = set->ItemAt(i);
      if (item->Name().empty() && SameText(item->DisplayName(), name)) return item;
    }
    throw EGPException(FormatMessage(SUnknownInstruction, {name}));
  }
  // A detached instruction is a set of its own.
  if (SameText(name, Provisional->Name())) {
    return const_cast<TKXGPInstruction<T>*>(Provisional);
  }
  throw EGPException(FormatMessage(SUnknownInstruction, {name}));
}

}  // namespace

template <class T>
void TKXGPNode<T>::SaveToXML(const TXMLDnaType& Element) const {
  std::vector<std::pair<const TKXGPNode<T>*, TXMLDnaType>> stack;
  stack.emplace_back(this, Element);
  std::string value;
  while (!stack.empty()) {
    auto [node, element] = stack.back();
    stack.pop_back();
    if (const TKXGPInstruction<T>* instruction = node->FInstruction) {
      element.SetInstruction(instruction->DisplayName());
      value.clear();
      if (IsConstant(instruction) && node->SaveValueToXML(value)) element.SetValue(value);
    }
    // The Child elements are appended in child order now; their contents are written when
    // they come off the stack (last child first, which the document does not see).
    // A binary node whose left side was vacated keeps its right child: visit positions, not
    // indices, and skip the empty one.
    const TXMLDnaTypeList children = element.Child();
    for (int i = 0; i < node->GetChildSlots(); ++i) {
      if (const TKXGPNode<T>* child = node->ChildInSlot(i))
        stack.emplace_back(child, children.Add());
    }
  }
}

template <class T>
void TKXGPNode<T>::LoadFromXML(const TXMLDnaType& Element) {
  // One frame per node on the path from this node to the one being read: the node, its
  // element and the next of the element's Child elements to read, so the nodes are read in
  // the order a recursive reader would read them.
  struct TFrame {
    TKXGPNode<T>* Node;
    TXMLDnaTypeList::iterator Next;
  };
  std::vector<TFrame> stack;

  // Reads one node's own part and returns whether its children are to be read.
  auto enter = [&stack](TKXGPNode<T>* Node, const TXMLDnaType& element) {
    TKXGPInstruction<T>* instruction = ResolveInstruction(Node->FInstruction, element);
    Node->Clear();
    Node->FInstruction = instruction;
    if (instruction == nullptr) return;
    if (IsConstant(instruction)) Node->LoadValueFromXML(element.Value());
    stack.push_back({Node, element.Child().begin()});
  };

  enter(this, Element);
  const typename TXMLDnaTypeList::iterator end;
  while (!stack.empty()) {
    TFrame& frame = stack.back();
    if (frame.Next == end) {
      stack.pop_back();
      continue;
    }
    const TXMLDnaType element = *frame.Next;
    ++frame.Next;
    TKXGPNode<T>* parent = frame.Node;
    TKXGPNode<T>* child = parent->AddChild(parent->CreateNode(parent->FInstruction));
    enter(child, element);  // may grow the stack: frame is not used past this point
  }
}

template void TKXGPNode<TGAFloat>::SaveToXML(const TXMLDnaType&) const;
template void TKXGPNode<TGAFloat>::LoadFromXML(const TXMLDnaType&);
template void TKXGPNode<TKXVariant>::SaveToXML(const TXMLDnaType&) const;
template void TKXGPNode<TKXVariant>::LoadFromXML(const TXMLDnaType&);

}  // namespace kx
