#pragma once

/// @file
/// Helpers of the loaders of program documents (components and executors).
///
/// The checks run before a document is applied: the document's instructions are merged into
/// a copy of the set and its programs are read against that copy, through the same loaders
/// the real load runs, so that every error is raised before anything changes, naming the
/// element.

#include <memory>
#include <string>
#include <string_view>

#include "kx/core/consts.hpp"
#include "kx/gp_engine/engine.hpp"
#include "kx/gp_engine/instruction.hpp"
#include "kx/gp_engine/node.hpp"
#include "kx/host/string_list.hpp"
#include "kx/xml/gp_domain_xml.hpp"
#include "kx/xml/xml_check.hpp"

namespace kx {

/// The set Current becomes when an "Instructions" element is merged into it: a copy (of
/// Current's instruction class, handlers included) that the element was loaded into. The copy
/// has no engine: its changes must not reach the owner of Current, whose populations they
/// would empty.
template <class T>
std::unique_ptr<TKXGPInstructions<T>> StageInstructions(TKXGPInstructions<T>& Current,
                                                        TKXXMLNode Instructions) {
  auto staged = std::make_unique<TKXGPInstructions<T>>(nullptr, Current.ItemClass(), nullptr);
  staged->AssignAll(&Current);
  if (!Instructions) return staged;
  for (TKXXMLNode function = Instructions.Child("Function"); function;
       function = function.NextSibling("Function")) {
    try {
      TXMLFunctionInstructionType(function).Arity();
    } catch (...) {
      RethrowAt<EGPException, EGAException>(ElementPath(function));
    }
  }
  try {
    staged->LoadFromXML(TXMLGPInstructions(Instructions));
  } catch (...) {
    RethrowAt<EGPException, EGAException>(ElementPath(Instructions));
  }
  return staged;
}

/// The first DNA or Child element below DNA (itself included, in reading order) whose
/// instruction name Set does not hold, or a null node.
template <class T>
TKXXMLNode FindUnknownInstruction(const TKXGPInstructions<T>& Set, TKXXMLNode DNA) {
  auto known = [&Set](std::string_view Name) {
    if (Set.FindItemName(Name) != nullptr) return true;
    for (int i = 0; i < Set.Count(); ++i) {
      if (Set.Items(i)->Name().empty() && SameText(Set.Items(i)->DisplayName(), Name)) return true;
    }
    return false;
  };
  TKXXMLNode node = DNA;
  while (node) {
    if (!known(node.Attribute("Instruction"))) return node;
    if (TKXXMLNode child = node.Child("Child")) {
      node = child;
      continue;
    }
    while (node != DNA && !node.NextSibling("Child")) node = node.Parent();
    node = node == DNA ? TKXXMLNode() : node.NextSibling("Child");
  }
  return {};
}

/// Reads the program of DNA into a detached tree against Set, as loading an individual or an
/// executor's program would; raises naming the element that cannot be read.
template <class T>
void CheckProgram(IKXGeneticProgramEngine<T>& Engine, const TKXGPInstructions<T>& Set,
                  TKXXMLNode DNA) {
  if (!DNA || !DNA.HasAttribute("Instruction")) return;
  try {
    if (Set.Count() == 0) Set.ItemByName(DNA.Attribute("Instruction"));
    std::unique_ptr<TKXGPNode<T>> root = Engine.CreateNode(nullptr);
    // A provisional instruction through which the root resolves the names in Set.
    root->SetInstruction(Set.Items(0));
    root->LoadFromXML(TXMLDnaType(DNA));
  } catch (...) {
    const TKXXMLNode unknown = FindUnknownInstruction(Set, DNA);
    RethrowAt<EGPException, EGAException>(ElementPath(unknown ? unknown : DNA));
  }
}

/// Moves the instructions that the elements of Instructions name into the elements' order at
/// the front of Set (the merge appends new instructions list by list, functions first), so
/// that a set saved in any order loads back in that order. An unnamed instruction is found
/// by its display name, as its element names it.
template <class T>
void OrderAsDocument(TKXGPInstructions<T>& Set, TKXXMLNode Instructions) {
  Set.BeginUpdate();
  try {
    int position = 0;
    for (TKXXMLNode element = Instructions.FirstChild(); element; element = element.NextSibling()) {
      if (element.NodeType() != TXMLNodeType::ntElement) continue;
      const std::string_view name = element.Attribute("Name");
      for (int i = position; i < Set.Count(); ++i) {
        TKXGPInstruction<T>* item = Set.Items(i);
        if (SameText(item->Name(), name) ||
            (item->Name().empty() && SameText(item->DisplayName(), name))) {
          item->SetIndex(position++);
          break;
        }
      }
    }
  } catch (...) {
    Set.EndUpdate();
    throw;
  }
  Set.EndUpdate();
}

}  // namespace kx
