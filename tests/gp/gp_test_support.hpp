#pragma once

// Shared set-up of the GP tests: a float component with a small arithmetic vocabulary and
// helpers to build and check trees by hand.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kx/gp/genetic_programming.hpp"
#include "kx/gp_engine/batch.hpp"
#include "kx/gp_engine/batch_context.hpp"
#include "kx/gp_engine/context.hpp"

namespace kx::testing {

using TFloatNode = TKXGPNode<TGAFloat>;
using TFloatIndividual = TKXGPIndividual<TGAFloat>;
using TFloatNodePtr = std::unique_ptr<TFloatNode>;

// Adds a function instruction whose handlers (single and batch) fold its arguments with Op.
template <class Op>
TKXGPInstruction<TGAFloat>* AddFunction(TKXGPInstructions<TGAFloat>& Set, const std::string& Name,
                                        std::int32_t Arity, Op Combine) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  instruction->SetArity(Arity);
  instruction->SetOnExecute(
      [Combine](TKXObject*, TFloatNode* Node, TKXGPContext<TGAFloat>* Context, TGAFloat& Result) {
        Result = Node->Child(0)->Execute(Context);
        for (int i = 1; i < Node->ChildCount(); ++i) {
          Result = Combine(Result, Node->Child(i)->Execute(Context));
        }
      });
  instruction->SetOnExecuteBatch([Combine](TKXObject*, TFloatNode*, TKXGPBatch<TGAFloat>& Batch) {
    std::span<TGAFloat> result = Batch.Results();
    std::copy(Batch.Argument(0).begin(), Batch.Argument(0).end(), result.begin());
    for (int i = 1; i < Batch.ArgumentCount(); ++i) {
      for (std::size_t k = 0; k < Batch.Count(); ++k) {
        result[k] = Combine(result[k], Batch.Argument(i)[k]);
      }
    }
  });
  return instruction;
}

inline TKXGPInstruction<TGAFloat>* AddVariable(TKXGPInstructions<TGAFloat>& Set,
                                               const std::string& Name) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  return instruction;
}

inline TKXGPInstruction<TGAFloat>* AddConstant(TKXGPInstructions<TGAFloat>& Set,
                                               const std::string& Name, TGAFloat Value) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  instruction->SetOperation(gpConstant);
  instruction->SetValue(Value);
  return instruction;
}

// add, sub, mul (binary) and the variable x.
inline void AddArithmetic(TKXGPInstructions<TGAFloat>& Set) {
  AddFunction(Set, "add", 2, [](double a, double b) { return a + b; });
  AddFunction(Set, "sub", 2, [](double a, double b) { return a - b; });
  AddFunction(Set, "mul", 2, [](double a, double b) { return a * b; });
  AddVariable(Set, "x");
}

// Builds a node of the component's class for the named instruction with the given
// children (already built, detached).
inline TFloatNodePtr Node(generics::TKXCustomGeneticProgramming<TGAFloat>& Component,
                          const std::string& Name, std::vector<TFloatNodePtr> Children = {}) {
  TFloatNodePtr node = Component.CreateNode(Component.Instructions()->ItemByName(Name));
  for (auto& child : Children) node->AddChild(std::move(child));
  return node;
}

// Appends an individual holding Tree to the component's population.
inline TFloatIndividual* AddIndividual(TKXGeneticProgramming& Gp, TFloatNodePtr Tree) {
  TFloatIndividual* individual = Gp.Population()->Add();
  individual->AssignDNA(std::move(Tree));
  return individual;
}

// Fitness: the sum of absolute errors against x * x + x on [-1, 1] in steps of 0.25.
inline void SetQuadraticFitness(TKXGeneticProgramming& Gp) {
  Gp.SetOnEvaluateFitness([](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    TKXGPContext<TGAFloat> context;
    double error = 0;
    for (double x = -1; x <= 1; x += 0.25) {
      context.Values().AddOrSetValue("x", x);
      error += std::fabs(static_cast<TFloatIndividual*>(Item)->Execute(context) - (x * x + x));
    }
    Fitness = std::isfinite(error) ? error : 1e30;
  });
}

// The same fitness with each program executed once over all the cases; the cases are
// shared by every thread, the results are per thread.
inline void SetBatchQuadraticFitness(TKXGeneticProgramming& Gp) {
  auto cases = std::make_shared<TKXGPBatchContext<TGAFloat>>();
  std::vector<TGAFloat> inputs;
  for (double x = -1; x <= 1; x += 0.25) inputs.push_back(x);
  cases->SetCount(inputs.size());
  std::copy(inputs.begin(), inputs.end(), cases->Column("x").begin());
  Gp.SetOnEvaluateFitness([cases](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    thread_local std::vector<TGAFloat> predicted;
    predicted.resize(cases->Count());
    static_cast<TFloatIndividual*>(Item)->ExecuteBatch(*cases, predicted);
    const TGAFloat* x = cases->FindColumn("x");
    double error = 0;
    for (std::size_t k = 0; k < predicted.size(); ++k) {
      error += std::fabs(predicted[k] - (x[k] * x[k] + x[k]));
    }
    Fitness = std::isfinite(error) ? error : 1e30;
  });
}

template <class... Nodes>
std::vector<TFloatNodePtr> Args(Nodes... Children) {
  std::vector<TFloatNodePtr> list;
  (list.push_back(std::move(Children)), ...);
  return list;
}

// Checks the structural invariants of a tree: parent links, cached size and depth, and (for
// an individual) that the flat list is the tree in pre-order.
inline void ExpectWellFormed(const TFloatNode* Root, std::vector<const TFloatNode*>* PreOrder) {
  ASSERT_NE(Root, nullptr);
  std::vector<const TFloatNode*> stack{Root};
  while (!stack.empty()) {
    const TFloatNode* node = stack.back();
    stack.pop_back();
    if (PreOrder != nullptr) PreOrder->push_back(node);
    std::int32_t size = 1;
    std::int32_t depth = 0;
    for (int i = 0; i < node->ChildCount(); ++i) {
      const TFloatNode* child = node->Child(i);
      ASSERT_NE(child, nullptr);
      EXPECT_EQ(child->Parent(), node);
      size += child->Size();
      depth = std::max(depth, child->Depth() + 1);
    }
    EXPECT_EQ(node->Size(), size);
    EXPECT_EQ(node->Depth(), depth);
    if (node->Instruction() != nullptr) {
      EXPECT_EQ(node->ChildCount(), node->Instruction()->Arity()) << node->ToString();
    }
    for (int i = node->ChildCount() - 1; i >= 0; --i) stack.push_back(node->Child(i));
  }
}

inline void ExpectConsistent(const TFloatIndividual& Individual) {
  ASSERT_NE(Individual.DNA(), nullptr);
  EXPECT_EQ(Individual.DNA()->Parent(), nullptr);
  std::vector<const TFloatNode*> preorder;
  ExpectWellFormed(Individual.DNA(), &preorder);
  const auto& flat = Individual.FlattenedDNA();
  ASSERT_EQ(flat.size(), preorder.size());
  for (std::size_t i = 0; i < flat.size(); ++i) EXPECT_EQ(flat[i], preorder[i]);
}

}  // namespace kx::testing
