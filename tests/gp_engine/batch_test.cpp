// Executing a tree for many cases at once: it must compute, case for case, what single
// executions compute, whatever mix of block handlers, case-by-case handlers and built-in
// terminals the tree holds, and whatever changed since the previous batch.

#include <functional>
#include <kx/gp_engine/batch_evaluator.hpp>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

using Batch = kx::TKXGPBatch<double>;
using BatchContext = kx::TKXGPBatchContext<double>;
using Evaluator = kx::TKXGPBatchEvaluator<double>;

constexpr std::size_t kBlock = Evaluator::kBlockSize;

// Gives Item a block handler combining its first two arguments with Op, which also checks what
// every handler may rely on: its own instruction and node, whole blocks but for the last one,
// and results that never share memory with an argument.
template <class F>
void AddBlockHandler(Instruction* Item, F Op) {
  Item->SetOnExecuteBatch([Item, Op](kx::TKXObject* Sender, Node* N, Batch& B) {
    EXPECT_TRUE(Sender == Item && N->Instruction() == Item);
    EXPECT_EQ(B.Count(), std::min(kBlock, B.Context().Count() - B.First()));
    for (int i = 0; i < 2; ++i)
      EXPECT_TRUE(B.Results().data() + B.Count() <= B.Argument(i).data() ||
                  B.Argument(i).data() + B.Count() <= B.Results().data());
    for (std::size_t k = 0; k < B.Count(); ++k)
      B.Results()[k] = Op(B.Argument(0)[k], B.Argument(1)[k]);
  });
}

// Seeded values of x and y for Count cases.
struct Cases {
  BatchContext Batch;
  std::vector<double> Results;

  explicit Cases(std::size_t Count) : Batch(Count), Results(Count) {
    kx::RandSeed(11);
    for (const char* name : {"x", "y"})
      for (double& value : Batch.Column(name)) value = kx::RandomFloat() * 4 - 2;
  }

  // Runs Tree as a batch (through Evaluator, or the node's own), then once per case in a
  // context holding that case's value of every column, expecting the same numbers.
  void ExpectSameAsSingle(Node& Tree, Evaluator* With = nullptr) {
    With ? With->Execute(Tree, Batch, Results) : Tree.ExecuteBatch(Batch, Results);
    Context single;
    for (std::size_t k = 0; k < Results.size(); ++k) {
      for (const std::string& name : Batch.Names())
        single.Values().AddOrSetValue(name, Batch.FindColumn(name)[k]);
      ASSERT_EQ(Results[k], Tree.Execute(&single)) << "case " << k << " of " << Tree.ToString();
    }
  }
};

}  // namespace

// A hundred random trees mixing block handlers (Add, Sub), a case-by-case handler (Mul),
// terminals with handlers of both kinds (x, one), one whose block handler executes another
// batch (w), built-in variables and constants (y, k), a variable without column (z), over
// three blocks the last of which is partial. One evaluator serves every tree, and each tree
// is changed between batches (values, instructions, subtrees, child order and count, handlers,
// redeclared arities, names, columns): whatever a batch keeps from an earlier one must follow.
TEST(GPBatch, RandomTreesAndEditsComputeWhatSingleExecutionsCompute) {
  Vocabulary v;
  AddBlockHandler(v.Add, std::plus<>());
  Instruction* sub = v.Function("Sub", std::minus<>());
  AddBlockHandler(sub, std::minus<>());
  for (Instruction* doubled : {v.X, v.One}) {
    doubled->SetOnExecute([](kx::TKXObject*, Node*, Context*, double& R) { R *= 2; });
    doubled->SetOnExecuteBatch([](kx::TKXObject*, Node*, Batch& B) {
      for (double& value : B.Results()) value *= 2;
    });
  }
  const NodePtr inner = Apply(v.Add, Leaf(v.Y), Leaf(v.Y));
  Instruction* w = v.Named("w");
  w->SetOnExecute([&](kx::TKXObject*, Node*, Context* C, double& R) { R = inner->Execute(C) / 2; });
  w->SetOnExecuteBatch([&](kx::TKXObject*, Node*, Batch& B) {
    std::vector<double> sums(B.Context().Count());
    inner->ExecuteBatch(B.Context(), sums);
    for (std::size_t k = 0; k < B.Count(); ++k) B.Results()[k] = sums[B.First() + k] / 2;
  });
  Cases cases(2 * kBlock + 7);
  const std::vector<Instruction*> functions{v.Add, sub, v.Mul};
  const std::vector<Instruction*> terminals{v.X, v.Y,         v.One, v.Named("k", kx::gpConstant),
                                            w,   v.Named("z")};
  auto any = [](Node& T) { return AllNodes(&T)[kx::RandomInt(T.Size())]; };
  int step = 0;
  const std::function<void(Node&)> edits[] = {
      [&](Node& T) { any(T)->SetValue(kx::RandomInt(9)); },
      [&](Node& T) { any(T)->SetInstruction(terminals[kx::RandomInt(6)]); },
      [&](Node& T) {  // a new subtree in place of an old one
        Node* parent = any(T);
        if (parent->ChildCount() == 0) return;
        parent->ExtractChild(parent->Child(0));
        parent->InsertChild(0, RandomTree(functions, terminals, 3));
      },
      [&](Node& T) {  // the same children in the other order, or one child more
        if (step & 1)
          T.AddChild(Leaf(v.One));
        else if (T.ChildCount() == 2)
          T.InsertChild(0, T.ExtractChild(T.Child(1)));
      },
      [&](Node&) {
        step & 1 ? v.Mul->SetOnExecuteBatch(nullptr) : AddBlockHandler(v.Mul, std::multiplies<>());
      },
      [&](Node&) { step & 1 ? sub->SetOperation(kx::gpVariable) : sub->SetArity(step % 3); },
      [&](Node&) { v.Y->SetName(v.Y->Name() == "y" ? "q" : "y"); },
      [&](Node&) {
        if (!cases.Batch.RemoveColumn("z")) {
          for (double& value : cases.Batch.Column("z")) value = kx::RandomFloat();
        }
      }};
  Evaluator evaluator;
  kx::RandSeed(5);
  for (int trial = 0; trial < 100; ++trial) {
    const bool chain = trial >= 90;  // a deep chain, or a tree of random depth
    NodePtr tree = RandomTree(functions, terminals, chain ? 40 : 1 + kx::RandomInt(8), chain);
    cases.ExpectSameAsSingle(*tree, trial % 2 ? &evaluator : nullptr);
    for (int edit = 0; edit < 3 && !HasFatalFailure(); ++edit, ++step) {
      edits[kx::RandomInt(8)](*tree);
      cases.ExpectSameAsSingle(*tree, &evaluator);
    }
    sub->SetArity(2);
    if (HasFatalFailure()) FAIL() << "trial " << trial << ", edit step " << step;
  }
}

TEST(GPBatch, ErrorsAreRaisedWhereSingleExecutionRaisesThem) {
  Vocabulary v;
  int calls = 0;
  v.Add->SetOnExecuteBatch([&calls](kx::TKXObject*, Node*, Batch&) { ++calls; });
  Cases cases(10);
  NodePtr lonely = Leaf(v.Add);
  lonely->AddChild(Leaf(v.X));
  Context single;
  auto error = [&](NodePtr Tree) {  // the batch raises what a single execution raises
    const std::string text = ErrorOf<kx::EGPException>([&] { Tree->Execute(&single); });
    EXPECT_EQ(ErrorOf([&] { Tree->ExecuteBatch(cases.Batch, cases.Results); }), text);
    return text;
  };
  EXPECT_EQ(error(Leaf(nullptr)), "No instruction assigned to node");
  // A nil argument of a block function runs the node case by case, as Execute would.
  EXPECT_EQ(error(Apply(v.Add, Leaf(v.X), Leaf(nullptr))), "No instruction assigned to node");
  EXPECT_EQ(error(std::move(lonely)), "Invalid number of arguments (1) for \"Add\" instruction");
  std::vector<double> tooFew(9);
  EXPECT_THROW(Leaf(v.X)->ExecuteBatch(cases.Batch, tooFew), std::invalid_argument);
  EXPECT_EQ(calls, 0);
  v.Mul->SetOnExecute(nullptr);  // a function without handler yields the default value
  EXPECT_EQ(Apply(v.Mul, Leaf(v.One), Leaf(v.One))->Execute(&single), 0.0);
  // A block handler reading an argument its node lacks gets the list error.
  AddBlockHandler(v.X, std::plus<>());
  EXPECT_THROW(Leaf(v.X)->ExecuteBatch(cases.Batch, cases.Results), kx::EListError);
  // A handler's error leaves the evaluator usable, for another context too.
  v.Add->SetOnExecuteBatch([](kx::TKXObject*, Node*, Batch&) { throw std::domain_error("no"); });
  Evaluator evaluator;
  NodePtr tree = Apply(v.Add, Leaf(v.Y), Leaf(v.Y));
  EXPECT_THROW(evaluator.Execute(*tree, cases.Batch, cases.Results), std::domain_error);
  EXPECT_FALSE(evaluator.Busy());
  AddBlockHandler(v.Add, std::plus<>());
  Cases(20).ExpectSameAsSingle(*tree, &evaluator);
  // A child added after a batch is an argument of the next one.
  int arguments = 0;
  v.Add->SetOnExecuteBatch([&](kx::TKXObject*, Node*, Batch& B) { arguments = B.ArgumentCount(); });
  tree->AddChild(Leaf(v.Y));
  evaluator.Execute(*tree, cases.Batch, cases.Results);
  EXPECT_EQ(arguments, 3);
}

TEST(GPBatchContext, ColumnsByExactNameKeptAcrossCountsAndCopies) {
  BatchContext batch(2), copy;
  batch.Column("x")[1] = 5;
  batch.SetCount(3);
  EXPECT_TRUE(batch.FindColumn("X") == nullptr && batch.Names() == std::vector<std::string>{"x"});
  EXPECT_EQ(batch.FindColumn("x")[1] + batch.FindColumn("x")[2], 5);
  copy.Assign(&batch);  // a copy owns its columns; other sources are refused
  EXPECT_NE(copy.FindColumn("x"), batch.FindColumn("x"));
  EXPECT_TRUE(batch.RemoveColumn("x") && !batch.RemoveColumn("x"));
  EXPECT_THROW(copy.Assign(std::make_unique<Context>().get()), kx::EConvertError);
  EXPECT_EQ(copy.FindColumn("x")[1] + copy.Count(), 8u);
}
