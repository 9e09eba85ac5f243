// Executing a program tree is the inner loop of every GP run. This measures node executions
// per second for a 49-node arithmetic tree over two variables, executed for 10,000 cases,
// next to a plain C++ function computing the same expression; "ratio" is the tree's time
// per case divided by the function's. The tree runs both ways: one case at a time
// (Execute: a handler call per node per case) and as a batch (ExecuteBatch: a handler call
// per node per block of cases).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <kx/gp_engine/batch.hpp>
#include <kx/gp_engine/batch_context.hpp>
#include <kx/gp_engine/context.hpp>
#include <kx/gp_engine/float_instruction.hpp>
#include <kx/gp_engine/float_node.hpp>
#include <kx/host/random.hpp>
#include <memory>
#include <span>
#include <tuple>
#include <vector>

namespace {

using Node = kx::TKXGPNode<double>;
using NodePtr = std::unique_ptr<Node>;
using Context = kx::TKXGPContext<double>;

constexpr int kCases = 10000;

double Divide(double A, double B) { return B == 0 ? 1.0 : A / B; }

// The same division without a branch on the divisor, so a loop of it vectorizes: never
// dividing by 0 and choosing afterwards gives Divide's result bit for bit.
double SelectDivide(double A, double B) {
  const double quotient = A / (B == 0 ? 1.0 : B);
  return B == 0 ? 1.0 : quotient;
}

// The expression, written out:
//   A = (x + y) * (x - y)            B = (x * y) - (y / x)
//   C = (A + B) / (x + y * y)        D = (x - y * x) * (y + x)
//   E = (C - D) + (x / y) * (x + y)
//   F = E * (y - x) + (x * x) / (y + (x - y))
[[gnu::noinline]] double Plain(double x, double y) {
  const double a = (x + y) * (x - y);
  const double b = (x * y) - Divide(y, x);
  const double c = Divide(a + b, x + y * y);
  const double d = (x - y * x) * (y + x);
  const double e = (c - d) + Divide(x, y) * (x + y);
  return e * (y - x) + Divide(x * x, y + (x - y));
}

struct Fixture {
  kx::TKXGPFloatInstructions Set{nullptr};
  kx::TKXGPInstruction<double>* Add = Function("Add", [](double a, double b) { return a + b; });
  kx::TKXGPInstruction<double>* Sub = Function("Sub", [](double a, double b) { return a - b; });
  kx::TKXGPInstruction<double>* Mul = Function("Mul", [](double a, double b) { return a * b; });
  kx::TKXGPInstruction<double>* Div = Function("Div", SelectDivide);
  kx::TKXGPInstruction<double>* X = Variable("x");
  kx::TKXGPInstruction<double>* Y = Variable("y");
  NodePtr Tree;
  Context Ctx;
  std::vector<std::pair<double, double>> Cases;
  kx::TKXGPBatchContext<double> Batch{kCases};
  std::vector<double> BatchResults = std::vector<double>(kCases);

  template <class F>
  kx::TKXGPInstruction<double>* Function(const char* Name, F Op) {
    auto* item = Set.Add();
    item->SetName(Name);
    item->SetArity(2);
    item->SetOnExecute([Op](kx::TKXObject*, Node* N, Context* C, double& Result) {
      Result = Op(N->Child(0)->Execute(C), N->Child(1)->Execute(C));
    });
    item->SetOnExecuteBatch([Op](kx::TKXObject*, Node*, kx::TKXGPBatch<double>& Batch) {
      const double* a = Batch.Argument(0).data();
      const double* b = Batch.Argument(1).data();
      double* r = Batch.Results().data();
      for (std::size_t k = 0; k < Batch.Count(); ++k) r[k] = Op(a[k], b[k]);
    });
    return item;
  }
  kx::TKXGPInstruction<double>* Variable(const char* Name) {
    auto* item = Set.Add();
    item->SetName(Name);
    return item;
  }
  NodePtr Leaf(kx::TKXGPInstruction<double>* Item) {
    return std::make_unique<kx::TKXGPFloatNode>(Item);
  }
  NodePtr Op(kx::TKXGPInstruction<double>* Item, NodePtr L, NodePtr R) {
    NodePtr node = Leaf(Item);
    node->AddChild(std::move(L));
    node->AddChild(std::move(R));
    return node;
  }

  Fixture() {
    auto x = [this] { return Leaf(X); };
    auto y = [this] { return Leaf(Y); };
    NodePtr a = Op(Mul, Op(Add, x(), y()), Op(Sub, x(), y()));
    NodePtr b = Op(Sub, Op(Mul, x(), y()), Op(Div, y(), x()));
    NodePtr c = Op(Div, Op(Add, std::move(a), std::move(b)), Op(Add, x(), Op(Mul, y(), y())));
    NodePtr d = Op(Mul, Op(Sub, x(), Op(Mul, y(), x())), Op(Add, y(), x()));
    NodePtr e =
        Op(Add, Op(Sub, std::move(c), std::move(d)), Op(Mul, Op(Div, x(), y()), Op(Add, x(), y())));
    Tree = Op(Add, Op(Mul, std::move(e), Op(Sub, y(), x())),
              Op(Div, Op(Mul, x(), x()), Op(Add, y(), Op(Sub, x(), y()))));
    Ctx.Values().Add("x", 0);
    Ctx.Values().Add("y", 0);
    kx::RandSeed(42);
    for (int i = 0; i < kCases; ++i) {
      Cases.emplace_back(kx::RandomFloat() * 4 - 2, kx::RandomFloat() * 4 - 2);
    }
    std::span<double> xs = Batch.Column("x");
    std::span<double> ys = Batch.Column("y");
    for (int i = 0; i < kCases; ++i) std::tie(xs[i], ys[i]) = Cases[i];
    Tree->ExecuteBatch(Batch, BatchResults);
    // The three forms must agree, or the comparison means nothing.
    for (int i = 0; i < kCases; ++i) {
      const auto [cx, cy] = Cases[i];
      const double plain = Plain(cx, cy);
      if (Run(cx, cy) != plain || BatchResults[i] != plain) {
        std::fprintf(stderr, "tree and function disagree\n");
        std::abort();
      }
    }
  }

  // Values are written in place (the dictionary keeps their addresses), so the loop
  // measures execution rather than the caller's way of filling the context.
  double Run(double x, double y) {
    *Ctx.Values().Find("x") = x;
    *Ctx.Values().Find("y") = y;
    return Tree->Execute(&Ctx);
  }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

// Processor time of this (single-threaded) process, so other load on the machine does not
// skew the ratio.
double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double PlainSeconds(const Fixture& F, int Rounds) {
  const double start = CpuSeconds();
  for (int r = 0; r < Rounds; ++r) {
    for (const auto& [x, y] : F.Cases) benchmark::DoNotOptimize(Plain(x, y));
  }
  return CpuSeconds() - start;
}

// Times the plain function right after the tree, so both see the same machine state.
void Report(benchmark::State& State, const Fixture& F, double TreeSeconds, std::int64_t Rounds) {
  const int plainRounds = 200;
  const double plainSeconds = PlainSeconds(F, plainRounds);
  const double treePerCase = TreeSeconds / static_cast<double>(Rounds * kCases);
  const double plainPerCase = plainSeconds / (plainRounds * kCases);
  const double nodes = F.Tree->Size();
  State.counters["node_execs_per_s"] =
      benchmark::Counter(nodes * kCases, benchmark::Counter::kIsIterationInvariantRate);
  State.counters["tree_ns_per_case"] = treePerCase * 1e9;
  State.counters["plain_ns_per_case"] = plainPerCase * 1e9;
  State.counters["ratio"] = treePerCase / plainPerCase;
}

void BM_TreeExecution(benchmark::State& State) {
  Fixture& f = Shared();
  double* x = f.Ctx.Values().Find("x");
  double* y = f.Ctx.Values().Find("y");
  Node* tree = f.Tree.get();
  const double start = CpuSeconds();
  std::int64_t rounds = 0;
  for (auto _ : State) {
    for (const auto& [cx, cy] : f.Cases) {
      *x = cx;
      *y = cy;
      benchmark::DoNotOptimize(tree->Execute(&f.Ctx));
    }
    ++rounds;
  }
  Report(State, f, CpuSeconds() - start, rounds);
}
BENCHMARK(BM_TreeExecution)->Unit(benchmark::kMicrosecond);

void BM_TreeBatchExecution(benchmark::State& State) {
  Fixture& f = Shared();
  const double start = CpuSeconds();
  std::int64_t rounds = 0;
  for (auto _ : State) {
    f.Tree->ExecuteBatch(f.Batch, f.BatchResults);
    benchmark::DoNotOptimize(f.BatchResults.data());
    benchmark::ClobberMemory();
    ++rounds;
  }
  Report(State, f, CpuSeconds() - start, rounds);
}
BENCHMARK(BM_TreeBatchExecution)->Unit(benchmark::kMicrosecond);

// One tree run again and again over a batch of 20 cases, as when an evolved program serves
// many small requests: a call costs little beyond its node executions once the tree is
// compiled, as long as the tree does not change.
void BM_SmallBatchExecution(benchmark::State& State) {
  Fixture& f = Shared();
  constexpr int kSmall = 20;
  kx::TKXGPBatchContext<double> batch(kSmall);
  std::span<double> xs = batch.Column("x");
  std::span<double> ys = batch.Column("y");
  for (int i = 0; i < kSmall; ++i) std::tie(xs[i], ys[i]) = f.Cases[i];
  std::vector<double> results(kSmall);
  const double start = CpuSeconds();
  std::int64_t calls = 0;
  for (auto _ : State) {
    f.Tree->ExecuteBatch(batch, results);
    benchmark::DoNotOptimize(results.data());
    benchmark::ClobberMemory();
    ++calls;
  }
  const double executions = static_cast<double>(calls) * f.Tree->Size() * kSmall;
  State.counters["ns_per_node"] = (CpuSeconds() - start) / executions * 1e9;
}
BENCHMARK(BM_SmallBatchExecution)->Unit(benchmark::kMicrosecond);

void BM_PlainFunction(benchmark::State& State) {
  Fixture& f = Shared();
  for (auto _ : State) {
    for (const auto& [x, y] : f.Cases) benchmark::DoNotOptimize(Plain(x, y));
  }
  State.counters["node_equivalents_per_s"] =
      benchmark::Counter(49.0 * kCases, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PlainFunction)->Unit(benchmark::kMicrosecond);

}  // namespace
