// Executing a tree for many cases at once: it must compute, case for case, what single
// executions compute, whatever mix of block handlers, case-by-case handlers and built-in
// terminals the tree holds.

#include <functional>
#include <kx/gp_engine/batch_evaluator.hpp>
#include <kx/host/variant.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

using Batch = kx::TKXGPBatch<double>;
using BatchContext = kx::TKXGPBatchContext<double>;
using Evaluator = kx::TKXGPBatchEvaluator<double>;

constexpr std::size_t kBlock = Evaluator::kBlockSize;

// Gives Item a block handler combining its first two arguments with Op.
template <class F>
void AddBlockHandler(Instruction* Item, F Op) {
  Item->SetOnExecuteBatch([Op](kx::TKXObject*, Node*, Batch& B) {
    for (std::size_t k = 0; k < B.Count(); ++k) {
      B.Results()[k] = Op(B.Argument(0)[k], B.Argument(1)[k]);
    }
  });
}

// x and y for Count seeded cases, in both forms.
struct Cases {
  BatchContext Batch;
  std::vector<std::pair<double, double>> Values;
  std::vector<double> Results;

  explicit Cases(std::size_t Count) : Batch(Count), Results(Count) {
    kx::RandSeed(11);
    for (std::size_t k = 0; k < Count; ++k) {
      Values.emplace_back(kx::RandomFloat() * 4 - 2, kx::RandomFloat() * 4 - 2);
      Batch.Column("x")[k] = Values[k].first;
      Batch.Column("y")[k] = Values[k].second;
    }
  }

  // Executes Tree once per case and as a batch, expecting the same numbers.
  void ExpectSameAsSingle(Node& Tree) {
    std::fill(Results.begin(), Results.end(), -1);
    Tree.ExecuteBatch(Batch, Results);
    Context single;
    for (std::size_t k = 0; k < Values.size(); ++k) {
      single.Values().AddOrSetValue("x", Values[k].first);
      single.Values().AddOrSetValue("y", Values[k].second);
      ASSERT_EQ(Results[k], Tree.Execute(&single)) << "case " << k << " of " << Tree.ToString();
    }
  }
};

}  // namespace

// A hundred random trees mixing block handlers (Add, Sub), a case-by-case handler (Mul),
// terminals with handlers of both kinds that start from the built-in value (x, one), one with a
// case-by-case handler reading another variable (w), built-in variables and constants (y, k), a
// missing variable (z), over three blocks the last of which is partial.
TEST(GPBatch, RandomTreesComputeWhatSingleExecutionsCompute) {
  Vocabulary v;
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  Instruction* sub = v.Function("Sub", [](double a, double b) { return a - b; });
  AddBlockHandler(sub, [](double a, double b) { return a - b; });
  for (Instruction* doubled : {v.X, v.One}) {
    doubled->SetOnExecute([](kx::TKXObject*, Node*, Context*, double& R) { R *= 2; });
    doubled->SetOnExecuteBatch([](kx::TKXObject*, Node*, Batch& B) {
      for (double& value : B.Results()) value *= 2;
    });
  }
  Instruction* w = v.Variable("w");
  w->SetOnExecute(
      [](kx::TKXObject*, Node*, Context* C, double& R) { R = 3 * C->Values().Items("x"); });
  Instruction* k = v.Constant("k", 0);
  Instruction* z = v.Variable("z");
  Cases cases(2 * kBlock + 7);
  const std::vector<Instruction*> functions{v.Add, sub, v.Mul};
  const std::vector<Instruction*> terminals{v.X, v.Y, v.One, k, w, z};
  // Chains put all the depth on one side, so temporaries pile up or are reused.
  std::function<NodePtr(int, bool)> random = [&](int Depth, bool Chain) {
    if (Depth == 0 || (!Chain && kx::RandomInt(4) == 0)) {
      NodePtr leaf = Leaf(terminals[kx::RandomInt(6)]);
      leaf->SetValue(kx::RandomInt(7) - 3);  // a constant's own value
      return leaf;
    }
    NodePtr node = Leaf(functions[kx::RandomInt(3)]);
    const int deepSide = kx::RandomInt(2);
    for (int i = 0; i < 2; ++i) {
      node->AddChild(random(Chain && i != deepSide ? 0 : Depth - 1, Chain));
    }
    return node;
  };
  kx::RandSeed(5);
  for (int trial = 0; trial < 100; ++trial) {
    const bool chain = trial >= 90;
    NodePtr tree = random(chain ? 40 : 1 + kx::RandomInt(8), chain);
    cases.ExpectSameAsSingle(*tree);
    if (HasFatalFailure()) FAIL() << "trial " << trial;
  }
}

TEST(GPBatch, HandlersSeeTheirNodeAndEveryBlockInTurn) {
  Vocabulary v;
  std::vector<std::pair<std::size_t, std::size_t>> blocks;
  Cases cases(2 * kBlock + 7);
  v.Add->SetOnExecuteBatch([&](kx::TKXObject* Sender, Node* N, Batch& B) {
    EXPECT_EQ(Sender, v.Add);
    EXPECT_EQ(N->Instruction(), v.Add);
    EXPECT_EQ(&B.Context(), &cases.Batch);
    ASSERT_EQ(B.ArgumentCount(), 2);
    // The results never share memory with an argument.
    for (int i = 0; i < 2; ++i) {
      EXPECT_TRUE(B.Results().data() + B.Count() <= B.Argument(i).data() ||
                  B.Argument(i).data() + B.Count() <= B.Results().data());
    }
    blocks.emplace_back(B.First(), B.Count());
    for (std::size_t k = 0; k < B.Count(); ++k) {
      B.Results()[k] = B.Argument(0)[k] + B.Argument(1)[k];
    }
  });
  // The inner sum is not the root, so it writes to a working block of its own.
  Apply(v.Add, Apply(v.Add, Leaf(v.X), Leaf(v.One)), Leaf(v.One))
      ->ExecuteBatch(cases.Batch, cases.Results);
  const std::vector<std::pair<std::size_t, std::size_t>> expected{
      {0, kBlock},      {0, kBlock},     {kBlock, kBlock},
      {kBlock, kBlock}, {2 * kBlock, 7}, {2 * kBlock, 7}};
  EXPECT_EQ(blocks, expected);
}

TEST(GPBatch, ErrorsAreRaisedWhereSingleExecutionRaisesThem) {
  Vocabulary v;
  int calls = 0;
  v.Add->SetOnExecuteBatch([&calls](kx::TKXObject*, Node*, Batch&) { ++calls; });
  Cases cases(10);
  // A nil argument of a block function runs the node case by case, as Execute would.
  NodePtr bare = Leaf(nullptr);
  NodePtr nil = Apply(v.Add, Leaf(v.X), Leaf(nullptr));
  for (Node* tree : {bare.get(), nil.get()}) {
    EXPECT_THAT([&] { tree->ExecuteBatch(cases.Batch, cases.Results); },
                ThrowsMessage<kx::EGPException>("No instruction assigned to node"));
  }
  NodePtr lonely = Leaf(v.Add);
  lonely->AddChild(Leaf(v.X));
  EXPECT_THAT(
      [&] { lonely->ExecuteBatch(cases.Batch, cases.Results); },
      ThrowsMessage<kx::EGPException>("Invalid number of arguments (1) for \"Add\" instruction"));
  std::vector<double> tooFew(9);
  EXPECT_THROW(Leaf(v.X)->ExecuteBatch(cases.Batch, tooFew), std::invalid_argument);
  EXPECT_EQ(calls, 0);

  // A handler's error leaves the evaluator usable.
  v.Add->SetOnExecuteBatch([](kx::TKXObject*, Node*, Batch&) { throw std::domain_error("no"); });
  Evaluator evaluator;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  EXPECT_THROW(evaluator.Execute(*tree, cases.Batch, cases.Results), std::domain_error);
  EXPECT_FALSE(evaluator.Busy());
  AddBlockHandler(v.Add, [](double a, double) { return a + 1; });
  evaluator.Execute(*tree, cases.Batch, cases.Results);
  EXPECT_EQ(cases.Results[2], cases.Values[2].first + 1);
}

TEST(GPBatch, RedeclaredInstructionsGetExactlyTheirNodesChildren) {
  // Sub, used with two children, is redeclared with arity 1 and 0 and as a variable (as a
  // loaded document may do); its handlers read two arguments whatever the arity says.
  Vocabulary v;
  Instruction* sub = v.Function("Sub", [](double a, double b) { return a - b; });
  AddBlockHandler(sub, [](double a, double b) { return a - b; });
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  Cases cases(kBlock + 3);
  NodePtr tree = Apply(v.Add, Apply(sub, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One))),
                       Apply(sub, Leaf(v.One), Leaf(v.X)));
  for (int arity : {1, 0, -1}) {
    arity < 0 ? sub->SetOperation(kx::gpVariable) : sub->SetArity(arity);
    cases.ExpectSameAsSingle(*tree);
  }
  // An argument the node does not have raises the error its Child raises.
  NodePtr one = Leaf(sub);
  one->AddChild(Leaf(v.X));
  std::string message;
  try {
    one->Child(1);
  } catch (const kx::EListError& e) {
    message = e.what();
  }
  EXPECT_THAT([&] { one->ExecuteBatch(cases.Batch, cases.Results); },
              ThrowsMessage<kx::EListError>(message));
}

// One evaluator follows new columns, renamed variables and handlers reading other columns.
TEST(GPBatch, OneEvaluatorFollowsColumnsAndRenames) {
  Vocabulary v;
  v.Y->SetOnExecute([](kx::TKXObject*, Node*, Context* C, double& Result) {
    const double* w = C->Values().Find("w");
    Result += w != nullptr ? *w : 100;
  });
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  Cases cases(3);
  Evaluator evaluator;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  auto run = [&] {
    evaluator.Execute(*tree, cases.Batch, cases.Results);
    return cases.Results[1];
  };
  const auto [x, y] = cases.Values[1];
  EXPECT_EQ(run(), x + (y + 100));
  v.X->SetName("w");  // no such column yet
  EXPECT_EQ(run(), y + 100);
  cases.Batch.Column("w")[1] = 9;  // reaches the renamed variable and the handler alike
  EXPECT_EQ(run(), 9 + (y + 9));
  v.X->SetName("x");
  EXPECT_EQ(run(), x + (y + 9));
}

TEST(GPBatch, AHandlerMayExecuteAnotherBatch) {
  Vocabulary v;
  Cases cases(4);
  NodePtr inner = Apply(v.Add, Leaf(v.X), Leaf(v.X));
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  Instruction* twice = v.Constant("twice", 0);
  twice->SetOnExecuteBatch([&](kx::TKXObject*, Node*, Batch& B) {
    std::vector<double> sums(B.Context().Count());
    inner->ExecuteBatch(B.Context(), sums);
    for (std::size_t k = 0; k < B.Count(); ++k) B.Results()[k] = sums[B.First() + k];
  });
  Apply(v.Add, Leaf(twice), Leaf(v.Y))->ExecuteBatch(cases.Batch, cases.Results);
  EXPECT_EQ(cases.Results[3], 2 * cases.Values[3].first + cases.Values[3].second);
}

TEST(GPBatch, VariantTreesRunToo) {
  kx::TKXGPVariantInstructions set(nullptr);
  auto* join = set.Add();
  join->SetArity(2);
  join->SetOnExecuteBatch(
      [](kx::TKXObject*, kx::TKXGPNode<kx::TKXVariant>*, kx::TKXGPBatch<kx::TKXVariant>& B) {
        for (std::size_t k = 0; k < B.Count(); ++k) {
          B.Results()[k] = B.Argument(0)[k].ToString() + B.Argument(1)[k].ToString();
        }
      });
  set.Add()->SetName("s");
  auto root = std::make_unique<kx::TKXGPVariantNode>(join);
  root->AddChild(std::make_unique<kx::TKXGPVariantNode>(set.Items(1)));
  root->AddChild(std::make_unique<kx::TKXGPVariantNode>(set.Items(1)));
  kx::TKXGPBatchContext<kx::TKXVariant> batch(2);
  batch.Column("s")[0] = "ab";
  batch.Column("s")[1] = 7;
  std::vector<kx::TKXVariant> results(2);
  root->ExecuteBatch(batch, results);
  EXPECT_EQ(results, (std::vector<kx::TKXVariant>{"abab", "77"}));
}

TEST(GPBatchContext, ColumnsByExactName) {
  BatchContext batch(2);
  std::span<double> x = batch.Column("x");
  x[1] = 5;
  EXPECT_EQ(batch.Column("x").data(), x.data());
  EXPECT_EQ(batch.FindColumn("X"), nullptr);
  const std::uint64_t version = batch.Version();
  batch.Column("X")[0] = 1;
  EXPECT_NE(batch.Version(), version);
  batch.SetCount(3);
  EXPECT_EQ(batch.FindColumn("x")[1], 5);
  EXPECT_EQ(batch.FindColumn("x")[2], 0);
  EXPECT_TRUE(batch.RemoveColumn("x"));
  EXPECT_FALSE(batch.RemoveColumn("x"));
  EXPECT_EQ(batch.Names(), std::vector<std::string>{"X"});
  // A copy owns its columns; other sources are refused and change nothing.
  BatchContext copy;
  EXPECT_NE(copy.Version(), BatchContext().Version());
  copy.Assign(&batch);
  EXPECT_EQ(copy.FindColumn("X")[0], 1);
  EXPECT_NE(copy.FindColumn("X"), batch.FindColumn("X"));
  Context single;
  EXPECT_THROW(copy.Assign(&single), kx::EConvertError);
  EXPECT_EQ(copy.Count(), 3u);
}
