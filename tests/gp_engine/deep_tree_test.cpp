// Trees a million levels deep: every walk, copy, execution, document and destruction is
// iterative.

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

constexpr int kChain = 1000000;

// Neg(Neg(...(x)...)) with Count nodes of the class Make builds.
NodePtr Chain(Instruction* Neg, Instruction* X, int Count, NodePtr (*Make)(Instruction*) = Leaf) {
  NodePtr root = Make(Count > 1 ? Neg : X);
  Node* tip = root.get();
  for (int i = 1; i < Count; ++i) tip = tip->AddChild(Make(i + 1 < Count ? Neg : X));
  return root;
}

struct ChainVocabulary : Vocabulary {
  Instruction* Neg = [this] {
    Instruction* item = Named("Neg");
    item->SetArity(1);
    item->SetOnExecute([](kx::TKXObject*, Node* N, Context* C, double& Result) {
      Result = -N->Child(0)->Execute(C);
    });
    item->SetOnExecuteBatch([](kx::TKXObject*, Node*, kx::TKXGPBatch<double>& B) {
      for (std::size_t k = 0; k < B.Count(); ++k) B.Results()[k] = -B.Argument(0)[k];
    });
    return item;
  }();
};

}  // namespace

TEST(GPDeepTree, WalksDoNotRecurseAndExecutionStopsAtTheLimitOrTheStack) {
  ChainVocabulary v;
  NodePtr root = Chain(v.Neg, v.X, kChain);
  EXPECT_EQ(std::pair(root->Size(), root->Depth()), std::pair(kChain, kChain - 1));
  EXPECT_EQ(root->ToString().size(), (kChain - 1) * std::string("(Neg )").size() + 1);
  EXPECT_EQ(root->Clone()->Depth(), kChain - 1);
  EXPECT_EQ(Chain(v.Neg, v.X, kChain, Binary)->Depth(), kChain - 1);
  // A batch runs the chain without recursion.
  kx::TKXGPBatchContext<double> cases(2);
  cases.Column("x")[1] = 3;
  std::vector<double> results(2);
  root->ExecuteBatch(cases, results);
  EXPECT_EQ(results[1], -3.0);  // kChain - 1 negations
  // Without a useful depth limit the thread's stack is the limit: an error, no overflow.
  Context context;
  context.Values().Add("x", 2);
  const std::int32_t limit = kx::MaxExecutionDepth();
  kx::SetMaxExecutionDepth(2147483647);
  EXPECT_EQ(kx::MaxExecutionDepth(), kx::kMaxExecutionDepthLimit);
  EXPECT_THROW(root->Execute(&context), kx::EGPException);
  kx::SetMaxExecutionDepth(limit);
  NodePtr over = Chain(v.Neg, v.X, limit + 1);
  EXPECT_THAT(ErrorOf<kx::EGPException>([&] { over->Execute(&context); }),
              ::testing::HasSubstr("4096"));
  // The failed runs leave the nesting count balanced: trees at the limit still run.
  EXPECT_EQ(Chain(v.Neg, v.X, limit)->Execute(&context), -2.0);
  // Invalidation from the bottom, documents written and read: all without recursion.
  Node* tip = root.get();
  while (tip->ChildCount() > 0) tip = tip->Child(0);
  tip->SetInstruction(v.Neg);
  tip->AddChild(Leaf(v.X));
  EXPECT_EQ(root->Size(), kChain + 1);
  NodePtr loaded = Leaf(v.X);
  Load(*loaded, Saved(*root));
  EXPECT_EQ(loaded->Depth(), kChain);
}
