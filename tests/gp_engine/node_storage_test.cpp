#include <thread>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

namespace {

// A random tree of n-ary or binary nodes, with vacated binary sides now and then.
NodePtr RandomTree(Vocabulary& v, bool Sided, int Depth) {
  Instruction* terminals[] = {v.X, v.Y, v.One};
  if (Depth == 0 || kx::RandomInt(3) == 0) return Leaf(terminals[kx::RandomInt(3)]);
  NodePtr node = Sided ? Binary(kx::RandomInt(2) ? v.Add : v.Mul) : Leaf(v.Add);
  for (int i = 0; i < 2 + (Sided ? 0 : kx::RandomInt(2)); ++i) {
    node->AddChild(RandomTree(v, Sided, Depth - 1));
  }
  if (Sided && kx::RandomInt(8) == 0) node->ExtractChild(node->Child(0));
  return node;
}

// Every node's children, parents, positions and caches agree with a fresh walk.
int CheckShape(const Node* N) {
  int size = 1;
  for (int i = 0; i < N->ChildCount() + (N->Sided() && N->Child(0) == nullptr ? 1 : 0); ++i) {
    if (const Node* child = N->Child(i)) {
      EXPECT_EQ(child->Parent(), N);
      EXPECT_EQ(N->IndexOf(child), i);
      size += CheckShape(child);
    }
  }
  EXPECT_EQ(N->Size(), size);
  return size;
}

}  // namespace

TEST(NodeStorage, CopiesIntoReusedNodesMatchTheirSourcesAndRun) {
  kx::RandSeed(7);
  Vocabulary v;
  Context context;
  context.Values().AddOrSetValue("x", 1.5);
  context.Values().AddOrSetValue("y", -2);
  for (int round = 0; round < 200; ++round) {
    // Binary trees may have vacated sides, which no handler can run.
    const bool sided = round % 2 == 1;
    NodePtr target = RandomTree(v, sided, 5);
    NodePtr source = RandomTree(v, sided, 6);
    target->Assign(source.get());
    EXPECT_EQ(target->ToString(), source->ToString());
    CheckShape(target.get());
    if (!sided) {
      EXPECT_DOUBLE_EQ(target->Execute(&context), source->Execute(&context));
    }
  }
}

TEST(NodeStorage, FreedNodesAreKeptPerThreadAndMadeAgain) {
  if (!kx::TKXNodePool::Enabled()) GTEST_SKIP() << "the pool is off under AddressSanitizer";
  Vocabulary v;
  const std::size_t size = sizeof(kx::TKXGPFloatNode);
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  const std::size_t before = kx::TKXNodePool::Kept(size);
  tree.reset();
  EXPECT_EQ(kx::TKXNodePool::Kept(size), before + 3);
  tree = Leaf(v.One);
  EXPECT_EQ(kx::TKXNodePool::Kept(size), before + 2);
  // Freed on another thread, the nodes join that thread's blocks, returned when it ends.
  std::thread([&tree, size] {
    tree.reset();
    EXPECT_EQ(kx::TKXNodePool::Kept(size), 1U);
  }).join();
}
