// Cost of one generation of the float program component on the symbolic-regression
// workload of the gp_symbolic_regression example (x^4 + x^3 + x^2 + x, add, subtract,
// multiply and protected divide over x, 1,000 programs, ramped half-and-half, tournaments
// of 7, depth limit 17), with 20 and with 10,000 fitness cases, each program executed case
// by case (Execute) or once over all cases (ExecuteBatch).
//
// Counters: nodes/s is the number of program nodes executed per second of the generation;
// the cost of everything else (selection, copying children, flattening, node choice,
// mutation, statistics) is the generation time minus the node executions, which the two
// case counts separate: with 10,000 cases the generation is almost all execution.
//
// Each configuration also runs, in the same process and alternating with the library, a
// hand-written program doing the same generation work on the same data (TReferenceGP: trees of
// small structs, a switch interpreter run case by case or over blocks of cases, tournaments,
// subtree crossover, subtree/shrink/hoist and point mutation, the depth limit). Counters:
// ratio = library time per generation / hand-written time per generation (processor time);
// throughput_ratio = library nodes/s / hand-written nodes/s (above 1: the library is faster).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <kx/gp/genetic_programming.hpp>
#include <kx/gp_engine/batch_context.hpp>
#include <kx/host/random.hpp>
#include <memory>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "quartic_instructions.hpp"
#include "reference_random.hpp"

namespace {

constexpr int kPrograms = 1000;
constexpr int kTournament = 7;
constexpr int kInitialDepth = 6;
constexpr int kDuplicateRetries = 10;
constexpr int kDepthLimit = 17;
constexpr int kRestartGeneration = 10;

double Input(int Case, int Cases) { return -1.0 + 2.0 * Case / (Cases - 1); }

// Processor time of this single-threaded process.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The hand-written program: what a competent engineer writes for this run without a
// library, with the component's default variation settings (crossover 0.9 choosing
// functions 90% of the time, mutation 0.01 split evenly between subtree, shrink and hoist,
// point mutation 0.1 with 0.1 per node, children deeper than the limit replaced by their
// parent) and its own copy of the generator algorithm.
class TReferenceGP : private bench::TReferenceRandom {
 public:
  TReferenceGP(int Cases, bool Block) : FBlock(Block) {
    for (int k = 0; k < Cases; ++k) {
      FInputs.push_back(Input(k, Cases));
      FOutputs.push_back(examples::Quartic(FInputs.back()));
    }
    FPredicted.resize(FOutputs.size());
    FCurrent.resize(kPrograms);
    FNext.resize(kPrograms);
  }

  // The library's initialization rule, so that both runs breed from populations of the same
  // kind: ramped half-and-half (full for even i, grow for odd i) over 2 .. 6 levels, and no
  // two programs alike, each duplicate drawn again and every 10 redraws of one program
  // raising the ramp by a level.
  void Restart(std::uint64_t Seed) {
    Reseed(Seed);
    std::unordered_set<std::string> texts;
    int lowest = 2;
    for (int i = 0; i < kPrograms; ++i) {
      auto draw = [&] {
        const int levels = static_cast<int>(double(i) / kPrograms * (kInitialDepth - 1) + lowest);
        return Grow(levels - 1, i % 2 == 0);
      };
      FCurrent[i].Tree = draw();
      for (int retries = kDuplicateRetries; !texts.insert(Text(*FCurrent[i].Tree)).second;) {
        FCurrent[i].Tree = draw();
        if (--retries == 0) {
          retries = kDuplicateRetries;
          ++lowest;
        }
      }
      Evaluate(FCurrent[i]);
    }
  }

  void Evolve() {
    for (int i = 0; i < kPrograms; i += 2) {
      const TProgram& parent1 = Tournament();
      const TProgram& parent2 = Tournament();
      TProgram& child1 = FNext[i];
      TProgram& child2 = FNext[i + 1];
      Copy(parent1, child1);
      if (Uniform() < 0.9) {
        Copy(parent2, child2);
        std::swap(*ChooseSlot(child1.Tree), *ChooseSlot(child2.Tree));
        child1.Stale = child2.Stale = true;
      } else {
        Copy(parent1, child2);
      }
      Vary(child1, parent1);
      Vary(child2, parent2);
    }
    for (TProgram& program : FNext) {
      if (program.Stale) Evaluate(program);
    }
    std::swap(FCurrent, FNext);
  }

  double Nodes = 0;

  double AverageSize() const {
    double total = 0;
    for (const TProgram& program : FCurrent) total += Size(program.Tree.get());
    return total / kPrograms;
  }

 private:
  enum class TOp : std::uint8_t { Add, Sub, Mul, Div, X };
  struct TNode {
    TOp Op;
    std::unique_ptr<TNode> Left;
    std::unique_ptr<TNode> Right;
  };
  using TTree = std::unique_ptr<TNode>;
  struct TProgram {
    TTree Tree;
    double Error = 0;
    bool Stale = false;
  };
  static constexpr int kBlockCases = 256;

  TTree Leaf() { return std::make_unique<TNode>(TNode{TOp::X, nullptr, nullptr}); }
  TTree Grow(int Depth, bool Full) {
    const auto op = static_cast<TOp>(Below(Full ? 4 : 5));
    if (Depth == 0 || op == TOp::X) return Leaf();
    return std::make_unique<TNode>(TNode{op, Grow(Depth - 1, Full), Grow(Depth - 1, Full)});
  }
  static TTree Clone(const TNode& Node) {
    if (Node.Op == TOp::X) return std::make_unique<TNode>(TNode{TOp::X, nullptr, nullptr});
    return std::make_unique<TNode>(TNode{Node.Op, Clone(*Node.Left), Clone(*Node.Right)});
  }
  // One character a node, in pre-order: the arities are fixed, so equal texts mean equal trees.
  static std::string Text(const TNode& Node) {
    std::string text(1, static_cast<char>('0' + static_cast<int>(Node.Op)));
    if (Node.Op != TOp::X) text += Text(*Node.Left) + Text(*Node.Right);
    return text;
  }
  static int Size(const TNode* Node) {
    return Node->Op == TOp::X ? 1 : 1 + Size(Node->Left.get()) + Size(Node->Right.get());
  }
  static int Depth(const TNode* Node) {
    if (Node->Op == TOp::X) return 0;
    return 1 + std::max(Depth(Node->Left.get()), Depth(Node->Right.get()));
  }
  static void Copy(const TProgram& From, TProgram& To) {
    To.Tree = Clone(*From.Tree);
    To.Error = From.Error;
    To.Stale = From.Stale;
  }

  // The owning pointers of the tree's functions and terminals, so that a subtree can be
  // replaced where it hangs.
  void CollectSlots(TTree& Slot) {
    if (Slot->Op == TOp::X) {
      FTerminals.push_back(&Slot);
      return;
    }
    FFunctions.push_back(&Slot);
    CollectSlots(Slot->Left);
    CollectSlots(Slot->Right);
  }
  TTree* ChooseSlot(TTree& Root) {
    FFunctions.clear();
    FTerminals.clear();
    CollectSlots(Root);
    const auto& pool = !FFunctions.empty() && Uniform() < 0.9 ? FFunctions : FTerminals;
    return pool[Below(static_cast<std::uint32_t>(pool.size()))];
  }

  void Vary(TProgram& Child, const TProgram& Parent) {
    if (Uniform() < 0.01) {
      TTree* slot = ChooseSlot(Child.Tree);
      switch (Below(3)) {
        case 0:
          *slot = Grow(Depth(slot->get()), false);
          break;
        case 1:
          *slot = Leaf();
          break;
        default: {
          TTree hoisted = std::move(*slot);
          Child.Tree = std::move(hoisted);
        }
      }
      Child.Stale = true;
    }
    if (Uniform() < 0.1 && PointMutate(Child.Tree.get())) Child.Stale = true;
    if (Child.Stale && Depth(Child.Tree.get()) > kDepthLimit) Copy(Parent, Child);
  }
  bool PointMutate(TNode* Node) {
    bool changed = false;
    if (Uniform() < 0.1) {
      if (Node->Op != TOp::X) Node->Op = static_cast<TOp>(Below(4));
      changed = true;
    }
    if (Node->Op == TOp::X) return changed;
    changed = PointMutate(Node->Left.get()) || changed;
    return PointMutate(Node->Right.get()) || changed;
  }

  const TProgram& Tournament() {
    const TProgram* best = &FCurrent[Below(kPrograms)];
    for (int k = 1; k < kTournament; ++k) {
      const TProgram& candidate = FCurrent[Below(kPrograms)];
      if (candidate.Error < best->Error) best = &candidate;
    }
    return *best;
  }

  static double Apply(TOp Op, double A, double B) {
    switch (Op) {
      case TOp::Add:
        return A + B;
      case TOp::Sub:
        return A - B;
      case TOp::Mul:
        return A * B;
      default:
        return std::fabs(B) < 1e-9 ? 1.0 : A / B;
    }
  }
  static double Run(const TNode* Node, double X) {
    if (Node->Op == TOp::X) return X;
    return Apply(Node->Op, Run(Node->Left.get(), X), Run(Node->Right.get(), X));
  }
  // Out receives the node's values for Count cases; each level of the tree has its own
  // block of Scratch for the right argument.
  static void RunBlock(const TNode* Node, const double* X, int Count, double* Out,
                       double* Scratch) {
    if (Node->Op == TOp::X) {
      std::copy_n(X, Count, Out);
      return;
    }
    RunBlock(Node->Left.get(), X, Count, Out, Scratch + kBlockCases);
    RunBlock(Node->Right.get(), X, Count, Scratch, Scratch + kBlockCases);
    switch (Node->Op) {
      case TOp::Add:
        for (int k = 0; k < Count; ++k) Out[k] += Scratch[k];
        break;
      case TOp::Sub:
        for (int k = 0; k < Count; ++k) Out[k] -= Scratch[k];
        break;
      case TOp::Mul:
        for (int k = 0; k < Count; ++k) Out[k] *= Scratch[k];
        break;
      default:
        for (int k = 0; k < Count; ++k) Out[k] = Apply(TOp::Div, Out[k], Scratch[k]);
    }
  }

  void Evaluate(TProgram& Program) {
    const TNode* root = Program.Tree.get();
    const auto cases = static_cast<int>(FOutputs.size());
    if (FBlock) {
      FScratch.resize(static_cast<std::size_t>(Depth(root) + 1) * kBlockCases);
      for (int start = 0; start < cases; start += kBlockCases) {
        RunBlock(root, FInputs.data() + start, std::min(kBlockCases, cases - start),
                 FPredicted.data() + start, FScratch.data());
      }
    } else {
      for (int k = 0; k < cases; ++k) FPredicted[k] = Run(root, FInputs[k]);
    }
    double error = 0;
    for (int k = 0; k < cases; ++k) error += std::fabs(FPredicted[k] - FOutputs[k]);
    Program.Error = std::isfinite(error) ? error : 1e30;
    Program.Stale = false;
    Nodes += static_cast<double>(Size(root)) * cases;
  }

  bool FBlock;
  std::vector<double> FInputs;
  std::vector<double> FOutputs;
  std::vector<double> FPredicted;
  std::vector<double> FScratch;
  std::vector<TProgram> FCurrent;
  std::vector<TProgram> FNext;
  std::vector<TTree*> FFunctions;
  std::vector<TTree*> FTerminals;
};

class TRegression {
 public:
  TRegression(int Cases, bool Batch) : FCases(static_cast<std::size_t>(Cases)) {
    examples::AddQuarticInstructions(*FGP.Instructions());
    std::span<double> inputs = FCases.Column("x");
    for (int k = 0; k < Cases; ++k) {
      inputs[k] = Input(k, Cases);
      FOutputs.push_back(examples::Quartic(inputs[k]));
    }
    FPredicted.resize(FOutputs.size());
    FContext.Values().AddOrSetValue("x", 0.0);
    // Set per case through its location, as a user who knows the variable does.
    FX = FContext.Values().Find("x");
    FGP.SetOnEvaluateFitness([this, Batch](kx::TKXObject*, kx::TKXIndividual* Item,
                                           double& Fitness) {
      auto* program = static_cast<kx::TKXGPIndividual<double>*>(Item);
      FNodes += static_cast<double>(program->DNA()->Size()) * static_cast<double>(FOutputs.size());
      if (Batch) {
        program->ExecuteBatch(FCases, FPredicted);
      } else {
        const double* inputs = FCases.FindColumn("x");
        for (std::size_t k = 0; k < FOutputs.size(); ++k) {
          *FX = inputs[k];
          FPredicted[k] = program->Execute(FContext);
        }
      }
      double error = 0;
      for (std::size_t k = 0; k < FOutputs.size(); ++k) {
        error += std::fabs(FPredicted[k] - FOutputs[k]);
      }
      Fitness = std::isfinite(error) ? error : 1e30;
    });
    FGP.SetInitialPopulation(1000);
    FGP.SetInitializationMethod(kx::imRampedHalfAndHalf);
    FGP.SetInitializationDepth(kInitialDepth);
    FGP.SetSelectionMethod(kx::smTournament);
    FGP.SetTournamentField(7);
    FGP.SetBloatStrategy(kx::bsDepthLimit);
    FGP.SetBloatLimit(17);
  }

  void Restart(std::uint64_t Seed) {
    kx::RandSeed(Seed);
    FGP.Population()->Clear();
    FGP.Initialize();
  }

  kx::TKXGeneticProgramming FGP;
  double FNodes = 0;

 private:
  kx::TKXGPBatchContext<double> FCases;
  std::vector<double> FOutputs;
  std::vector<double> FPredicted;
  kx::TKXGPContext<double> FContext;
  double* FX = nullptr;
};

// Iteration k breeds 10 generations from seed k with the library, then 10 with the hand-written
// program (restarts untimed): the two alternate in short runs, so both see the same machine
// state, and runs of as many iterations measure the same generations. Over several seeds
// both average the same program sizes; one seed's two runs may bloat at different times.
void GPGeneration(benchmark::State& State) {
  const auto cases = static_cast<int>(State.range(0));
  const bool batch = State.range(1) != 0;
  TRegression regression(cases, batch);
  TReferenceGP reference(cases, batch);
  double nodes = 0;
  double seconds = 0;
  double size = 0;
  double referenceSeconds = 0;
  double referenceSize = 0;
  double referenceNodes = 0;
  std::uint64_t seed = 0;
  for (auto _ : State) {
    regression.Restart(++seed);
    reference.Restart(seed);
    for (int g = 0; g < kRestartGeneration; ++g) {
      regression.FNodes = 0;
      const double start = CpuSeconds();
      regression.FGP.Evolve();
      seconds += CpuSeconds() - start;
      nodes += regression.FNodes;
      size += regression.FGP.AvgProgramSize();
    }
    for (int g = 0; g < kRestartGeneration; ++g) {
      reference.Nodes = 0;
      const double start = CpuSeconds();
      reference.Evolve();
      referenceSeconds += CpuSeconds() - start;
      referenceNodes += reference.Nodes;
      referenceSize += reference.AverageSize();
    }
  }
  const double generations = static_cast<double>(State.iterations()) * kRestartGeneration;
  State.counters["nodes/s"] = nodes / seconds;
  State.counters["library_ms"] = seconds / generations * 1e3;
  State.counters["reference_ms"] = referenceSeconds / generations * 1e3;
  // Average program sizes over the generations bred: the two runs evolve differently, so
  // ratio_per_node relates the times per generation per average program node.
  State.counters["avg size"] = size / generations;
  State.counters["reference avg size"] = referenceSize / generations;
  State.counters["ratio_per_node"] = (seconds / size) / (referenceSeconds / referenceSize);
  State.counters["ratio"] = seconds / referenceSeconds;
  State.counters["throughput_ratio"] = (nodes / seconds) / (referenceNodes / referenceSeconds);
}

// A fixed number of seeds, so that every run measures the same generations: eight for the
// small runs; one for the long ones, whose generations are almost all execution.
BENCHMARK(GPGeneration)
    ->ArgNames({"cases", "batch"})
    ->ArgsProduct({{20}, {0, 1}})
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(GPGeneration)
    ->ArgNames({"cases", "batch"})
    ->ArgsProduct({{10000}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
