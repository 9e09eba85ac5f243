#include <atomic>
#include <thread>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

TEST(GPContext, VariablesReadTheirCurrentValueByExactName) {
  Vocabulary v;
  Context context;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  context.Values().Add("X", 5);
  EXPECT_EQ(tree->Execute(&context), 0.0) << "x must not read X";
  context.Values().Add("x", 1);
  EXPECT_EQ(tree->Execute(&context), 1.0);
  EXPECT_THROW(context.Values().Add("x", 3), kx::EListError);
  // Replacing in place, adding, removing, clearing and renaming are all seen; each context
  // has its own values.
  context.Values().AddOrSetValue("x", 10);
  context.Values().Add("y", 5);
  EXPECT_EQ(tree->Execute(&context), 15.0);
  context.Values().Remove("x");
  EXPECT_EQ(tree->Execute(&context), 5.0);
  context.Values().Clear();
  context.Values().Add("y", 7);
  EXPECT_EQ(tree->Execute(&context), 7.0);
  v.Y->SetName("z");
  context.Values().AddOrSetValue("z", 1);
  EXPECT_EQ(tree->Execute(&context), 1.0);
  Context other;
  other.Values().Add("z", 100);
  EXPECT_EQ(tree->Execute(&other), 100.0);
  EXPECT_EQ(tree->Execute(&context), 1.0);
}

TEST(GPContext, AssignCopiesValues) {
  Context a;
  Context b;
  a.Values().Add("x", 1);
  b.Values().Add("old", 9);
  b.Assign(&a);
  a.Values().AddOrSetValue("x", 2);
  b.Assign(&b);
  b.SetValues(b.Values());
  // Other sources are refused and change nothing.
  kx::TKXGPFloatInstructions set(nullptr);
  EXPECT_THROW(b.Assign(&set), kx::EConvertError);
  EXPECT_THROW(b.SetValues(&set), kx::EConvertError);
  EXPECT_EQ(b.Values().Count(), 1);
  EXPECT_EQ(b.Values().Items("x"), 1.0);
}

TEST(GPContext, ThreadsShareOneContextForReading) {
  Vocabulary v;
  Context context;
  context.Values().Add("x", 3);
  context.Values().Add("y", 4);
  NodePtr tree = Apply(v.Mul, Leaf(v.X), Apply(v.Add, Leaf(v.Y), Leaf(v.One)));
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) wrong += tree->Execute(&context) != 15.0;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}
