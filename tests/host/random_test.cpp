#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <kx/host/random.hpp>
#include <limits>
#include <vector>

namespace {
std::vector<std::int32_t> Draw(int N, std::int32_t Range) {
  std::vector<std::int32_t> values;
  for (int i = 0; i < N; ++i) values.push_back(kx::RandomInt(Range));
  return values;
}
}  // namespace

TEST(Random, SameSeedSameSequence) {
  kx::RandSeed(42);
  const auto first = Draw(100, 1000);
  const double f1 = kx::RandomFloat();
  kx::RandSeed(42);
  EXPECT_EQ(Draw(100, 1000), first);
  EXPECT_EQ(kx::RandomFloat(), f1);
  kx::RandSeed(43);
  EXPECT_NE(Draw(100, 1000), first);
}

TEST(Random, StreamsAreIndependent) {
  kx::TKXRandom a(7, 0);
  kx::TKXRandom b(7, 1);
  kx::TKXRandom c(7, 0);
  int same = 0;
  for (int i = 0; i < 100; ++i) {
    const std::uint32_t x = a.Next();
    same += x == b.Next();
    EXPECT_EQ(x, c.Next());
  }
  EXPECT_LT(same, 3);
}

TEST(Random, IntegersStayInRangeAndCoverIt) {
  kx::RandSeed(1);
  std::vector<int> counts(10, 0);
  for (int i = 0; i < 20000; ++i) {
    const std::int32_t v = kx::RandomInt(10);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, 10);
    ++counts[v];
  }
  for (int count : counts) {
    EXPECT_GT(count, 1700);  // expected 2000 each; 1700 is far beyond 6 standard deviations
    EXPECT_LT(count, 2300);
  }
  const std::int32_t big = std::numeric_limits<std::int32_t>::max();
  for (int i = 0; i < 1000; ++i) {
    const std::int32_t v = kx::RandomInt(big);
    ASSERT_GE(v, 0);
    ASSERT_LT(v, big);
  }
}

TEST(Random, EmptyAndUnitRangesGiveZero) {
  kx::RandSeed(5);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(kx::RandomInt(0), 0);
    EXPECT_EQ(kx::RandomInt(-3), 0);
    EXPECT_EQ(kx::RandomInt(1), 0);
  }
}

TEST(Random, FloatsStayInTheUnitInterval) {
  kx::RandSeed(9);
  double sum = 0.0;
  double low = 1.0;
  double high = 0.0;
  for (int i = 0; i < 20000; ++i) {
    const double v = kx::RandomFloat();
    ASSERT_GE(v, 0.0);
    ASSERT_LT(v, 1.0);
    sum += v;
    low = std::min(low, v);
    high = std::max(high, v);
  }
  EXPECT_NEAR(sum / 20000, 0.5, 0.02);
  EXPECT_LT(low, 0.001);
  EXPECT_GT(high, 0.999);
}

TEST(Random, ScopeInstallsAndRestoresTheCurrentGenerator) {
  kx::RandSeed(11);
  const auto expected = Draw(10, 100);

  kx::RandSeed(11);
  kx::TKXRandom local(99);
  kx::TKXRandom twin(99);
  {
    kx::TKXRandomScope scope(local);
    EXPECT_EQ(&kx::CurrentRandom(), &local);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kx::RandomInt(100), twin.Integer(100));
    {
      kx::TKXRandom inner(3);
      kx::TKXRandomScope nested(inner);
      EXPECT_EQ(&kx::CurrentRandom(), &inner);
    }
    EXPECT_EQ(&kx::CurrentRandom(), &local);
  }
  EXPECT_EQ(&kx::CurrentRandom(), &kx::LibraryRandom());
  // The library generator did not advance while the scope was active.
  EXPECT_EQ(Draw(10, 100), expected);
}
