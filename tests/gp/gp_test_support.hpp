#pragma once

// Shared set-up of the GP tests: a float component with a small arithmetic vocabulary and
// helpers to build and check trees by hand.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <iomanip>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "kx/core/run_state.hpp"
#include "kx/gp/genetic_programming.hpp"
#include "kx/gp_engine/batch.hpp"
#include "kx/gp_engine/batch_context.hpp"
#include "kx/gp_engine/context.hpp"
#include "kx/host/exceptions.hpp"
#include "kx/host/random.hpp"

namespace kx::testing {

using TFloatNode = TKXGPNode<TGAFloat>;
using TFloatIndividual = TKXGPIndividual<TGAFloat>;
using TFloatNodePtr = std::unique_ptr<TFloatNode>;

inline TKXGPInstruction<TGAFloat>* AddVariable(TKXGPInstructions<TGAFloat>& Set,
                                               const std::string& Name) {
  auto* instruction = Set.Add();
  instruction->SetName(Name);
  return instruction;
}

inline TKXGPInstruction<TGAFloat>* AddConstant(TKXGPInstructions<TGAFloat>& Set,
                                               const std::string& Name, TGAFloat Value) {
  auto* instruction = AddVariable(Set, Name);
  instruction->SetOperation(gpConstant);
  instruction->SetValue(Value);
  return instruction;
}

// Adds a function instruction whose handlers (single and batch) fold its arguments with Op.
template <class Op>
TKXGPInstruction<TGAFloat>* AddFunction(TKXGPInstructions<TGAFloat>& Set, const std::string& Name,
                                        std::int32_t Arity, Op Combine) {
  auto* instruction = AddVariable(Set, Name);
  instruction->SetArity(Arity);
  instruction->SetOnExecute(
      [Combine](TKXObject*, TFloatNode* Node, TKXGPContext<TGAFloat>* Context, TGAFloat& Result) {
        Result = Node->Child(0)->Execute(Context);
        for (int i = 1; i < Node->ChildCount(); ++i) {
          Result = Combine(Result, Node->Child(i)->Execute(Context));
        }
      });
  instruction->SetOnExecuteBatch([Combine](TKXObject*, TFloatNode*, TKXGPBatch<TGAFloat>& Batch) {
    std::copy(Batch.Argument(0).begin(), Batch.Argument(0).end(), Batch.Results().begin());
    for (int i = 1; i < Batch.ArgumentCount(); ++i) {
      for (std::size_t k = 0; k < Batch.Count(); ++k) {
        Batch.Results()[k] = Combine(Batch.Results()[k], Batch.Argument(i)[k]);
      }
    }
  });
  return instruction;
}

// Adds the named instructions in order: the functions add, sub, mul (binary), neg (unary)
// and sum3 (ternary), the constants one and two, and any other name as a variable.
inline void AddInstructions(TKXGPInstructions<TGAFloat>& Set,
                            const std::vector<std::string>& Names) {
  using TOp = double (*)(double, double);
  static const std::map<std::string, std::pair<int, TOp>> functions{
      {"add", {2, [](double a, double b) { return a + b; }}},
      {"sub", {2, [](double a, double b) { return a - b; }}},
      {"mul", {2, [](double a, double b) { return a * b; }}},
      {"neg", {1, [](double a, double) { return -a; }}},
      {"sum3", {3, [](double a, double b) { return a + b; }}}};
  for (const std::string& name : Names) {
    if (auto f = functions.find(name); f != functions.end()) {
      AddFunction(Set, name, f->second.first, f->second.second);
    } else if (name == "one" || name == "two") {
      AddConstant(Set, name, name == "one" ? 1.0 : 2.0);
    } else {
      AddVariable(Set, name);
    }
  }
}

inline void AddArithmetic(TKXGPInstructions<TGAFloat>& Set) {
  AddInstructions(Set, {"add", "sub", "mul", "x"});
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
  auto cases = std::make_shared<TKXGPBatchContext<TGAFloat>>(9);
  for (std::size_t k = 0; k < 9; ++k) cases->Column("x")[k] = -1 + 0.25 * k;
  Gp.SetOnEvaluateFitness([cases](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    thread_local std::vector<TGAFloat> predicted;
    predicted.resize(cases->Count());
    static_cast<TFloatIndividual*>(Item)->ExecuteBatch(*cases, predicted);
    const TGAFloat* x = cases->FindColumn("x");
    double error = 0;
    for (std::size_t k = 0; k < 9; ++k) error += std::fabs(predicted[k] - (x[k] * x[k] + x[k]));
    Fitness = std::isfinite(error) ? error : 1e30;
  });
}

template <class... Nodes>
std::vector<TFloatNodePtr> Args(Nodes... Children) {
  std::vector<TFloatNodePtr> list;
  (list.push_back(std::move(Children)), ...);
  return list;
}

// A float component over add, sub, mul, neg, sum3, x and the constant one whose fitness is the
// value each individual was added with; helpers build programs by hand.
class GPTest : public ::testing::Test {
 protected:
  GPTest() {
    RandSeed(17);
    AddInstructions(*gp.Instructions(), {"add", "sub", "mul", "x", "neg", "sum3", "one"});
    gp.SetOnEvaluateFitness([this](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
      ++evaluations;
      Fitness = fitnessOf.count(Item) ? fitnessOf[Item] : 1.0;
    });
  }

  TFloatNodePtr N(const std::string& Name, std::vector<TFloatNodePtr> Children = {}) {
    return Node(gp, Name, std::move(Children));
  }
  TFloatIndividual* NewIndividual(TFloatNodePtr Tree, double Fitness = 1.0) {
    TFloatIndividual* individual = AddIndividual(gp, std::move(Tree));
    fitnessOf[individual] = Fitness;
    return individual;
  }
  // A full binary tree of add/mul over x of the given node depth.
  TFloatNodePtr FullTree(int Depth) {
    if (Depth == 0) return N("x");
    return N(Depth % 2 ? "add" : "mul", Args(FullTree(Depth - 1), FullTree(Depth - 1)));
  }
  // A chain of Size - 1 neg nodes over x: size Size, depth Size - 1.
  TFloatNodePtr Chain(int Size) {
    TFloatNodePtr node = N("x");
    for (int i = 1; i < Size; ++i) node = N("neg", Args(std::move(node)));
    return node;
  }

  TKXGeneticProgramming gp;
  std::map<TKXIndividual*, double> fitnessOf;
  int evaluations = 0;
};

// A component over add, sub, mul and x with the quadratic fitness, ramped half-and-half trees
// and the given population, evolved for Generations generations from the given seed.
inline void EvolveQuadratic(TKXGeneticProgramming& Gp, std::uint64_t Seed, std::int32_t Population,
                            std::int32_t Generations) {
  RandSeed(Seed);
  if (Gp.Instructions()->Count() == 0) AddArithmetic(*Gp.Instructions());
  SetQuadraticFitness(Gp);
  Gp.SetInitialPopulation(Population);
  Gp.SetInitializationMethod(imRampedHalfAndHalf);
  Gp.Evolve(Generations);
}

// A run's outcome to the last digit: every program with its fitness, then the generation,
// the fitness extremes and the number of evaluations.
template <class Component>
std::vector<std::string> Snapshot(Component& Gp) {
  std::vector<std::string> texts;
  std::ostringstream text;
  text << std::setprecision(17);
  for (int i = 0; i < Gp.Population()->Count(); ++i) {
    text.str("");
    text << Gp.Population()->Items(i)->ToString() << ' ' << Gp.Population()->Items(i)->Fitness();
    texts.push_back(text.str());
  }
  text.str("");
  text << Gp.Generation() << ' ' << Gp.MinFitness() << ' ' << Gp.MaxFitness() << ' '
       << Gp.RunState().Evaluations();
  texts.push_back(text.str());
  return texts;
}

// Checks the structural invariants of an individual's tree: parent links, cached size and depth,
// arities, and that the flat node list is the tree in pre-order.
inline void ExpectConsistent(const TFloatIndividual& Individual) {
  ASSERT_NE(Individual.DNA(), nullptr);
  EXPECT_EQ(Individual.DNA()->Parent(), nullptr);
  std::vector<const TFloatNode*> preorder;
  std::vector<const TFloatNode*> stack{Individual.DNA()};
  while (!stack.empty()) {
    const TFloatNode* node = stack.back();
    stack.pop_back();
    preorder.push_back(node);
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
  const auto& flat = Individual.FlattenedDNA();
  EXPECT_EQ(std::vector<const TFloatNode*>(flat.begin(), flat.end()), preorder);
}

}  // namespace kx::testing
