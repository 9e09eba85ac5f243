#include <functional>
#include <thread>

#include "gp_engine_test_support.hpp"

using namespace kx_test;

// Each step changes the values (or a name) and the tree x + y must read the new state; a copy
// then holds the values alone, as they were.
TEST(GPContext, VariablesReadTheirCurrentValueByExactNameCopiesOwnTheirsThreadsShare) {
  Vocabulary v;
  Context context, other;
  NodePtr tree = Apply(v.Add, Leaf(v.X), Leaf(v.Y));
  auto& values = context.Values();
  const std::pair<std::function<void()>, double> steps[] = {
      {[&] { values.Add("X", 5); }, 0},  // x must not read X
      {[&] { values.Add("x", 1); }, 1},
      {[&] { values.AddOrSetValue("x", 10), values.Add("y", 5); }, 15},
      {[&] { values.Remove("x"); }, 5},
      {[&] { values.Clear(), values.Add("y", 7); }, 7},
      {[&] { v.Y->SetName("z"), values.AddOrSetValue("z", 1); }, 1},
      {[&] { other.Values().Add("z", 100); }, 1}};
  for (int i = 0; i < 7; ++i) {
    steps[i].first();
    EXPECT_EQ(tree->Execute(&context), steps[i].second) << "step " << i;
  }
  EXPECT_EQ(tree->Execute(&other), 100.0);
  other.Values().Add("old", 9);
  other.Assign(&context);
  values.AddOrSetValue("z", 2);
  other.Assign(&other);
  EXPECT_THROW(other.Assign(&v.Set), kx::EConvertError);  // refused, changing nothing
  EXPECT_THROW(other.SetValues(&v.Set), kx::EConvertError);
  EXPECT_EQ(other.Values().Count(), 2);
  EXPECT_EQ(tree->Execute(&other), 1.0);
  std::atomic<int> wrong{0};  // threads share one context for reading
  auto run = [&] {
    for (int i = 0; i < 2000; ++i) wrong += tree->Execute(&context) != 2.0;
  };
  { std::jthread t1(run), t2(run), t3(run); }
  EXPECT_EQ(wrong.load(), 0);
}
