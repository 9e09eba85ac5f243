// Executing a tree for many cases at once: it must compute, case for case, what single
// executions compute, whatever mix of block handlers, case-by-case handlers and built-in
// terminals the tree holds.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <kx/gp_engine/batch.hpp>
#include <kx/gp_engine/batch_context.hpp>
#include <kx/gp_engine/batch_evaluator.hpp>
#include <kx/gp_engine/variant_instruction.hpp>
#include <kx/gp_engine/variant_node.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/random.hpp>
#include <kx/host/variant.hpp>
#include <span>
#include <utility>
#include <vector>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

using Batch = kx::TKXGPBatch<double>;
using BatchContext = kx::TKXGPBatchContext<double>;
using Evaluator = kx::TKXGPBatchEvaluator<double>;

constexpr std::size_t kBlock = Evaluator::kBlockSize;

// Gives Item (a function of arity 2) a block handler computing Op.
template <class F>
void AddBlockHandler(Instruction* Item, F Op) {
  Item->SetOnExecuteBatch([Op](kx::TKXObject*, Node*, Batch& B) {
    for (std::size_t k = 0; k < B.Count(); ++k) {
      B.Results()[k] = Op(B.Argument(0)[k], B.Argument(1)[k]);
    }
  });
}

// x and y for Count cases, seeded, in both forms.
struct Cases {
  BatchContext Batch;
  std::vector<std::pair<double, double>> Values;

  explicit Cases(std::size_t Count) : Batch(Count) {
    kx::RandSeed(11);
    std::span<double> xs = Batch.Column("x");
    std::span<double> ys = Batch.Column("y");
    for (std::size_t k = 0; k < Count; ++k) {
      xs[k] = kx::RandomFloat() * 4 - 2;
      ys[k] = kx::RandomFloat() * 4 - 2;
      Values.emplace_back(xs[k], ys[k]);
    }
  }

  // Executes Tree once per case and as a batch, expecting the same numbers.
  void ExpectSameAsSingle(Node& Tree) {
    std::vector<double> results(Values.size(), -1);
    Tree.ExecuteBatch(Batch, results);
    Context single;
    for (std::size_t k = 0; k < Values.size(); ++k) {
      single.Values().AddOrSetValue("x", Values[k].first);
      single.Values().AddOrSetValue("y", Values[k].second);
      ASSERT_EQ(results[k], Tree.Execute(&single)) << "case " << k << " of " << Tree.ToString();
    }
  }
};

}  // namespace

TEST(GPBatch, ComputesWhatSingleExecutionsCompute) {
  Vocabulary v;
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  // Mul keeps only its case-by-case handler; z is a variable no case defines (0).
  Instruction* z = v.Variable("z");
  NodePtr three = Leaf(v.One);
  three->SetValue(3);
  // Three blocks, the last one partial.
  Cases cases(2 * kBlock + 7);

  NodePtr tree = Apply(v.Add, Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), std::move(three))),
                       Apply(v.Add, Apply(v.Add, Leaf(v.X), Leaf(z)),
                             Apply(v.Mul, Apply(v.Add, Leaf(v.X), Leaf(v.Y)), Leaf(v.One))));
  cases.ExpectSameAsSingle(*tree);
  // Roots of every kind: a block handler's, a case-by-case handler's, a variable, a
  // constant, a missing variable.
  cases.ExpectSameAsSingle(*Apply(v.Add, Leaf(v.Y), Leaf(v.Y)));
  cases.ExpectSameAsSingle(*Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.X), Leaf(v.One))));
  cases.ExpectSameAsSingle(*Leaf(v.X));
  cases.ExpectSameAsSingle(*Leaf(v.One));
  cases.ExpectSameAsSingle(*Leaf(z));
  // A left-deep and a right-deep chain reuse and pile up temporaries.
  NodePtr left = Leaf(v.X);
  NodePtr right = Leaf(v.Y);
  for (int i = 0; i < 40; ++i) {
    left = Apply(i % 3 == 0 ? v.Mul : v.Add, std::move(left), Apply(v.Add, Leaf(v.Y), Leaf(v.X)));
    right = Apply(v.Add, Apply(v.Add, Leaf(v.X), Leaf(v.Y)), std::move(right));
  }
  cases.ExpectSameAsSingle(*left);
  cases.ExpectSameAsSingle(*right);
}

TEST(GPBatch, HandlersSeeBlocksAndTerminalsArriveWithTheirValues) {
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
  // A terminal's results arrive holding its built-in values.
  auto doubling = [](kx::TKXObject*, Node*, Batch& B) {
    for (double& value : B.Results()) value *= 2;
  };
  v.X->SetOnExecuteBatch(doubling);
  v.One->SetOnExecuteBatch(doubling);

  // The inner sum is not the root, so it writes to a working block of its own.
  NodePtr tree = Apply(v.Add, Apply(v.Add, Leaf(v.X), Leaf(v.One)), Leaf(v.One));
  std::vector<double> results(cases.Values.size());
  tree->ExecuteBatch(cases.Batch, results);
  for (std::size_t k = 0; k < results.size(); ++k) {
    ASSERT_EQ(results[k], 2 * cases.Values[k].first + 4.0);
  }
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
  std::vector<double> results(10);

  EXPECT_THAT([&] { Leaf(nullptr)->ExecuteBatch(cases.Batch, results); },
              ::testing::ThrowsMessage<kx::EGPException>("No instruction assigned to node"));
  // A nil argument of a block function: the node runs case by case, as Execute would (its
  // handler raises the node's error when it reaches the argument).
  NodePtr nil = Apply(v.Add, Leaf(v.X), Leaf(nullptr));
  EXPECT_THAT([&] { nil->ExecuteBatch(cases.Batch, results); },
              ::testing::ThrowsMessage<kx::EGPException>("No instruction assigned to node"));
  EXPECT_EQ(calls, 0);

  // Too few arguments: the same error a single execution raises.
  NodePtr lonely = Leaf(v.Add);
  lonely->AddChild(Leaf(v.X));
  Context single;
  std::string message;
  try {
    lonely->Execute(&single);
  } catch (const kx::EGPException& e) {
    message = e.what();
  }
  ASSERT_FALSE(message.empty());
  EXPECT_THAT([&] { lonely->ExecuteBatch(cases.Batch, results); },
              ::testing::ThrowsMessage<kx::EGPException>(message));

  std::vector<double> tooFew(9);
  EXPECT_THROW(Leaf(v.X)->ExecuteBatch(cases.Batch, tooFew), std::invalid_argument);
  EXPECT_EQ(calls, 0);
}

TEST(GPBatch, RedeclaredInstructionsGetExactlyTheirNodesChildren) {
  // Sub, used with two children, is redeclared with arity 1 and 0 and as a variable (as a
  // loaded document may do); its handlers read two arguments whatever the arity says.
  Vocabulary v;
  Instruction* sub = v.Function("Sub", [](double a, double b) { return a - b; });
  sub->SetOnExecuteBatch([](kx::TKXObject*, Node*, Batch& B) {
    for (std::size_t k = 0; k < B.Count(); ++k) {
      B.Results()[k] = B.Argument(0)[k] - B.Argument(1)[k];
    }
  });
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
  std::vector<double> results(cases.Values.size());
  EXPECT_THAT([&] { one->ExecuteBatch(cases.Batch, results); },
              ::testing::ThrowsMessage<kx::EListError>(message));
}

TEST(GPBatch, AHandlerErrorLeavesTheEvaluatorUsable) {
  Vocabulary v;
  bool fail = true;
  v.Add->SetOnExecuteBatch([&fail](kx::TKXObject*, Node*, Batch& B) {
    if (fail) throw kx::EGPException("block failed");
    for (std::size_t k = 0; k < B.Count(); ++k) B.Results()[k] = B.Argument(0)[k] + 1;
  });
  Cases cases(3);
  std::vector<double> results(3);
  Evaluator evaluator;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  EXPECT_THROW(evaluator.Execute(*tree, cases.Batch, results), kx::EGPException);
  EXPECT_FALSE(evaluator.Busy());
  fail = false;
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[2], cases.Values[2].first + 1);
}

TEST(GPBatch, CaseByCaseNodesSeeEveryColumnOfTheBatch) {
  Vocabulary v;
  // A variable whose handler also reads another value of the context.
  v.X->SetOnExecute([](kx::TKXObject*, Node*, Context* C, double& Result) {
    const double* w = C->Values().Find("w");
    Result += w != nullptr ? *w : 100;
  });
  Cases cases(5);
  NodePtr tree = Leaf(v.X);
  std::vector<double> results(5);
  Evaluator evaluator;
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[4], cases.Values[4].first + 100);
  // A column added later reaches the same evaluator's next execution.
  std::span<double> w = cases.Batch.Column("w");
  for (std::size_t k = 0; k < w.size(); ++k) w[k] = static_cast<double>(k);
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[4], cases.Values[4].first + 4);
}

TEST(GPBatch, VariablesFollowRenamesAndNewColumns) {
  Vocabulary v;
  Cases cases(3);
  NodePtr tree = Leaf(v.X);
  std::vector<double> results(3);
  Evaluator evaluator;
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[1], cases.Values[1].first);
  v.X->SetName("w");
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[1], 0);
  cases.Batch.Column("w")[1] = 9;
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[1], 9);
  v.X->SetName("x");
  evaluator.Execute(*tree, cases.Batch, results);
  EXPECT_EQ(results[1], cases.Values[1].first);
}

TEST(GPBatch, AHandlerMayExecuteAnotherBatch) {
  Vocabulary v;
  Cases cases(4);
  NodePtr inner = Apply(v.Add, Leaf(v.X), Leaf(v.X));
  AddBlockHandler(v.Add, [](double a, double b) { return a + b; });
  Instruction* twice = v.Set.Add();
  twice->SetName("twice");
  twice->SetOperation(kx::gpConstant);
  twice->SetOnExecuteBatch([&](kx::TKXObject*, Node*, Batch& B) {
    std::vector<double> sums(B.Context().Count());
    inner->ExecuteBatch(B.Context(), sums);
    for (std::size_t k = 0; k < B.Count(); ++k) B.Results()[k] = sums[B.First() + k];
  });
  std::vector<double> results(4);
  Apply(v.Add, Leaf(twice), Leaf(v.Y))->ExecuteBatch(cases.Batch, results);
  EXPECT_EQ(results[3], 2 * cases.Values[3].first + cases.Values[3].second);
}

TEST(GPBatch, VariantTreesRunToo) {
  kx::TKXGPVariantInstructions set(nullptr);
  auto* join = set.Add();
  join->SetName("Join");
  join->SetArity(2);
  using VNode = kx::TKXGPNode<kx::TKXVariant>;
  join->SetOnExecute(
      [](kx::TKXObject*, VNode* N, kx::TKXGPContext<kx::TKXVariant>* C, kx::TKXVariant& Result) {
        Result = N->Child(0)->Execute(C).ToString() + N->Child(1)->Execute(C).ToString();
      });
  join->SetOnExecuteBatch([](kx::TKXObject*, VNode*, kx::TKXGPBatch<kx::TKXVariant>& B) {
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
  EXPECT_EQ(results[0], kx::TKXVariant("abab"));
  EXPECT_EQ(results[1], kx::TKXVariant("77"));
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
  EXPECT_EQ(batch.Names(), (std::vector<std::string>{"x", "X"}));

  batch.SetCount(3);
  EXPECT_EQ(batch.FindColumn("x")[1], 5);
  EXPECT_EQ(batch.FindColumn("x")[2], 0);
  EXPECT_TRUE(batch.RemoveColumn("x"));
  EXPECT_FALSE(batch.RemoveColumn("x"));
  EXPECT_EQ(batch.Names(), std::vector<std::string>{"X"});

  BatchContext copy;
  EXPECT_NE(copy.Version(), BatchContext().Version());
  copy.Assign(&batch);
  EXPECT_EQ(copy.Count(), 3u);
  EXPECT_EQ(copy.FindColumn("X")[0], 1);
  EXPECT_NE(copy.FindColumn("X"), batch.FindColumn("X"));
  Context single;
  EXPECT_THROW(copy.Assign(&single), kx::EConvertError);
  EXPECT_EQ(copy.Count(), 3u);
}
