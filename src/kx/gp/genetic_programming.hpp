#pragma once

/// @file
/// The concrete program components that applications use. Each fixes the value type, the
/// node class and the instruction classes of the generic component
/// generics::TKXCustomGeneticProgramming<T>:
///
///   TKXGeneticProgramming          float values, n-ary nodes (TKXGPFloatNode)
///   TKXBinaryGeneticProgramming    float values, binary nodes (TKXGPBinaryFloatNode)
///   TKXGeneticProgrammingVariant   variant values, n-ary nodes (TKXGPVariantNode)
///
/// Instructions() reads the component's set typed as the concrete set class; writing goes
/// through SetInstructions (a copy). OnConstantMutation is typed TFloatNodeNotifyEvent or
/// TVariantNodeNotifyEvent, which are the generic handler types of the two value types.
///
/// The binary component does not cap arities at 2: building a tree that needs a third
/// argument under a binary node fails with the node's list-index error. Keeping function
/// arities at 2 or below is the application's part.

#include <string>

#include "kx/core/consts.hpp"
#include "kx/gp/concrete_gp_component.hpp"
#include "kx/gp/custom_genetic_programming.hpp"
#include "kx/gp_engine/float_instruction.hpp"
#include "kx/gp_engine/float_node.hpp"
#include "kx/gp_engine/variant_instruction.hpp"
#include "kx/gp_engine/variant_node.hpp"
#include "kx/host/variant.hpp"

namespace kx {

/// Float programs over n-ary nodes.
class TKXCustomGeneticProgramming
    : public generics::TKXConcreteGPComponent<generics::TKXCustomGeneticProgramming, TGAFloat,
                                              TKXGPFloatInstructions, TKXGPFloatInstruction,
                                              TKXGPFloatNode> {
 public:
  using TKXConcreteGPComponent::TKXConcreteGPComponent;
  std::string ClassName() const override { return "TKXCustomGeneticProgramming"; }
};

/// The float program component over n-ary nodes that applications use.
class TKXGeneticProgramming : public TKXCustomGeneticProgramming {
 public:
  using TKXCustomGeneticProgramming::TKXCustomGeneticProgramming;
  std::string ClassName() const override { return "TKXGeneticProgramming"; }
};

/// Float programs over binary nodes.
class TKXCustomBinaryGeneticProgramming
    : public generics::TKXConcreteGPComponent<generics::TKXCustomGeneticProgramming, TGAFloat,
                                              TKXGPFloatInstructions, TKXGPFloatInstruction,
                                              TKXGPBinaryFloatNode> {
 public:
  using TKXConcreteGPComponent::TKXConcreteGPComponent;
  std::string ClassName() const override { return "TKXCustomBinaryGeneticProgramming"; }
};

/// The float program component over binary nodes that applications use.
class TKXBinaryGeneticProgramming : public TKXCustomBinaryGeneticProgramming {
 public:
  using TKXCustomBinaryGeneticProgramming::TKXCustomBinaryGeneticProgramming;
  std::string ClassName() const override { return "TKXBinaryGeneticProgramming"; }
};

/// Variant programs over n-ary nodes.
class TKXCustomGeneticProgrammingVariant
    : public generics::TKXConcreteGPComponent<generics::TKXCustomGeneticProgramming, TKXVariant,
                                              TKXGPVariantInstructions, TKXGPVariantInstruction,
                                              TKXGPVariantNode> {
 public:
  using TKXConcreteGPComponent::TKXConcreteGPComponent;
  std::string ClassName() const override { return "TKXCustomGeneticProgrammingVariant"; }
};

/// The variant program component over n-ary nodes that applications use.
class TKXGeneticProgrammingVariant : public TKXCustomGeneticProgrammingVariant {
 public:
  using TKXCustomGeneticProgrammingVariant::TKXCustomGeneticProgrammingVariant;
  std::string ClassName() const override { return "TKXGeneticProgrammingVariant"; }
};

}  // namespace kx
