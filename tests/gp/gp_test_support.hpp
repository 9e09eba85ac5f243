#pragma once

// Shared set-up of the GP tests: a float component with a small arithmetic vocabulary, helpers
// to build, run, save and check programs.

#include <gmock/gmock.h>

#include <cmath>
#include <iomanip>
#include <map>

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
using TFloatSet = TKXGPInstructions<TGAFloat>;

// Adds the named instructions in order: the functions add, sub, mul (binary), neg (unary, passes
// its argument on) and sum3 (ternary), whose handlers (single and batch) fold their arguments;
// the constant one; any other name as a variable.
inline void AddInstructions(TFloatSet& Set, const std::vector<std::string>& Names) {
  static const std::map<std::string, int> arities{
      {"add", 2}, {"sub", 2}, {"mul", 2}, {"neg", 1}, {"sum3", 3}};
  for (const std::string& name : Names) {
    auto* instruction = Set.Add();
    instruction->SetName(name);
    instruction->SetOperation(name == "one" ? gpConstant : gpVariable);
    instruction->SetValue(name == "one");
    if (!arities.count(name)) continue;
    instruction->SetArity(arities.at(name));
    auto fold = [name](double a, double b) {
      return name == "mul" ? a * b : name == "sub" ? a - b : a + b;
    };
    instruction->SetOnExecute(
        [fold](TKXObject*, TFloatNode* Node, TKXGPContext<TGAFloat>* Context, TGAFloat& Out) {
          Out = Node->Child(0)->Execute(Context);
          for (int i = 1; i < Node->ChildCount(); ++i)
            Out = fold(Out, Node->Child(i)->Execute(Context));
        });
    instruction->SetOnExecuteBatch([fold](TKXObject*, TFloatNode*, TKXGPBatch<TGAFloat>& B) {
      for (std::size_t k = 0; k < B.Count(); ++k) {
        B.Results()[k] = B.Argument(0)[k];
        for (int i = 1; i < B.ArgumentCount(); ++i)
          B.Results()[k] = fold(B.Results()[k], B.Argument(i)[k]);
      }
    });
  }
}

inline void AddArithmetic(TFloatSet& Set) {
  AddInstructions(Set, {"add", "sub", "mul", "x", "one"});
}

// The value of Program (an individual or an executor) at x.
template <class TProgram>
double RunAt(TProgram& Program, double X) {
  TKXGPContext<TGAFloat> context;
  context.Values().AddOrSetValue("x", X);
  return Program.Execute(context);
}

// Fitness: the sum of absolute errors against x * x + x on [-1, 1] in steps of 0.25, each
// program run case by case, or (Batch) once over all the cases, shared by every thread.
inline void SetQuadraticFitness(generics::TKXCustomGeneticProgramming<TGAFloat>& Gp,
                                bool Batch = false) {
  auto cases = std::make_shared<TKXGPBatchContext<TGAFloat>>(9);
  for (std::size_t k = 0; k < 9; ++k) cases->Column("x")[k] = -1 + 0.25 * k;
  Gp.SetOnEvaluateFitness([cases, Batch](TKXObject*, TKXIndividual* Item, TGAFitness& Fitness) {
    auto* individual = static_cast<TFloatIndividual*>(Item);
    std::vector<TGAFloat> predicted(9);
    if (Batch) individual->ExecuteBatch(*cases, predicted);
    const TGAFloat* x = cases->FindColumn("x");
    double error = 0;
    for (std::size_t k = 0; k < 9; ++k) {
      if (!Batch) predicted[k] = RunAt(*individual, x[k]);
      error += std::fabs(predicted[k] - (x[k] * x[k] + x[k]));
    }
    Fitness = std::isfinite(error) ? error : 1e30;
  });
}

// A component over add, sub, mul, x and one with the quadratic fitness, ramped half-and-half trees
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

// The document Object (a component or an executor) saves to a stream.
template <class TObject>
std::string Saved(TObject& Object) {
  std::stringstream stream;
  Object.SaveToStream(stream);
  return stream.str();
}

// A run's outcome to the last digit: the generation, the fitness extremes and the number of
// evaluations, then every program with its fitness.
template <class Component>
std::string Snapshot(Component& Gp) {
  std::ostringstream text;
  text << std::setprecision(17) << Gp.Generation() << ' ' << Gp.MinFitness() << ' '
       << Gp.MaxFitness() << ' ' << Gp.RunState().Evaluations();
  for (int i = 0; i < Gp.Population()->Count(); ++i)
    text << '\n'
         << Gp.Population()->Items(i)->ToString() << ' ' << Gp.Population()->Items(i)->Fitness();
  return text.str();
}

// The structural invariants of an individual's tree: parent links, cached size and depth,
// arities, and the flat node list equal to the tree in pre-order.
inline void ExpectConsistent(const TFloatIndividual& Individual) {
  EXPECT_EQ(Individual.DNA()->Parent(), nullptr);
  std::vector<const TFloatNode*> preorder, stack{Individual.DNA()};
  while (!stack.empty()) {
    const TFloatNode* node = preorder.emplace_back(stack.back());
    stack.pop_back();
    std::int32_t size = 1, depth = 0;
    for (int i = node->ChildCount() - 1; i >= 0; --i) {
      ASSERT_EQ(node->Child(i)->Parent(), node);
      size += node->Child(i)->Size();
      depth = std::max(depth, node->Child(i)->Depth() + 1);
      stack.push_back(node->Child(i));
    }
    const int arity = node->Instruction() ? node->Instruction()->Arity() : node->ChildCount();
    EXPECT_EQ(std::tuple(node->Size(), node->Depth(), node->ChildCount()),
              std::tuple(size, depth, arity));
  }
  const auto& flat = Individual.FlattenedDNA();
  EXPECT_EQ(std::vector<const TFloatNode*>(flat.begin(), flat.end()), preorder);
}

// A float component over add, sub, mul, x, neg, sum3 and the constant one whose fitness is the
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

  // A node of the component's class for the named instruction over the given detached children.
  template <class... Nodes>
  TFloatNodePtr N(const std::string& Name, Nodes... Children) {
    TFloatNodePtr node = gp.CreateNode(gp.Instructions()->ItemByName(Name));
    (node->AddChild(std::move(Children)), ...);
    return node;
  }
  TFloatIndividual* NewIndividual(TFloatNodePtr Tree, double Fitness = 1.0) {
    TFloatIndividual* individual = gp.Population()->Add();
    individual->AssignDNA(std::move(Tree));
    fitnessOf[individual] = Fitness;
    return individual;
  }
  // A full binary tree of add/mul over x of the given node depth.
  TFloatNodePtr FullTree(int Depth) {
    if (Depth == 0) return N("x");
    return N(Depth % 2 ? "add" : "mul", FullTree(Depth - 1), FullTree(Depth - 1));
  }
  // A chain of Size - 1 neg nodes over x: size Size, depth Size - 1.
  TFloatNodePtr Chain(int Size) {
    TFloatNodePtr node = N("x");
    for (int i = 1; i < Size; ++i) node = N("neg", std::move(node));
    return node;
  }

  TKXGeneticProgramming gp;
  std::map<TKXIndividual*, double> fitnessOf;
  int evaluations = 0;
};

}  // namespace kx::testing
