#include <atomic>
#include <functional>
#include <thread>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

// Each step changes the values (or a name) and the tree (x + y) must read the new state.
TEST(GPContext, VariablesReadTheirCurrentValueByExactName) {
  Vocabulary v;
  Context context;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  auto& values = context.Values();
  const struct {
    std::function<void()> Change;
    double Expected;
  } steps[] = {{[&] { values.Add("X", 5); }, 0},  // x must not read X
               {[&] { values.Add("x", 1); }, 1},
               {[&] { values.AddOrSetValue("x", 10), values.Add("y", 5); }, 15},
               {[&] { values.Remove("x"); }, 5},
               {[&] { values.Clear(), values.Add("y", 7); }, 7},
               {[&] { v.Y->SetName("z"), values.AddOrSetValue("z", 1); }, 1}};
  for (const auto& step : steps) {
    step.Change();
    EXPECT_EQ(tree->Execute(&context), step.Expected) << &step - steps;
  }
  EXPECT_THROW(values.Add("z", 3), kx::EListError);
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
