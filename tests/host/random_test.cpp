#include "host/host_test_support.hpp"

// The same seed repeats the sequence; another seed, or another stream of the same seed, does
// not; a scope installs another current generator (nested scopes restore theirs) without
// advancing the library one; empty ranges give 0. (The evenness of the draws is checked by the
// selection frequencies of the evolution core.)
TEST(Random, SameSeedSameSequenceScopesBlocksAndTheFloatThresholdAgreeWithSingleDraws) {
  const auto draw = [](int N, std::int32_t Range) {
    std::vector<std::int32_t> values(N);
    for (auto& value : values) value = kx::RandomInt(Range);
    return values;
  };
  kx::RandSeed(43);
  const auto other = draw(100, 1000);
  kx::RandSeed(42);
  const auto first = draw(100, 1000);
  EXPECT_NE(other, first);
  kx::RandSeed(42);
  kx::TKXRandom local(99), twin(99), inner(3);
  {
    kx::TKXRandomScope scope(local);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(kx::RandomInt(100), twin.Integer(100));
    {
      kx::TKXRandomScope nested(inner);
      EXPECT_EQ(&kx::CurrentRandom(), &inner);
    }
    EXPECT_EQ(&kx::CurrentRandom(), &local);
  }
  EXPECT_EQ(draw(100, 1000), first);
  for (std::int32_t range : {0, -3, 1}) EXPECT_EQ(draw(50, range), std::vector<int>(50, 0));
  kx::TKXRandom a(7, 0), b(7, 1);
  int same = 0;
  for (int i = 0; i < 100; ++i) same += a.Next() == b.Next();
  EXPECT_LT(same, 3);
  // Bulk draws continue the sequence, and the threshold gives the float comparison's outcome
  // for every draw: at the draws next to each probability's boundary and on ordinary runs.
  kx::TKXRandom bulk(5, 3), single(5, 3);
  std::vector<std::uint32_t> block(67);
  for (int count : {0, 1, 2, 3, 64, 67}) {
    bulk.NextBlock(block.data(), count);
    for (int i = 0; i < count; ++i) ASSERT_EQ(block[i], single.Next()) << count << " " << i;
  }
  EXPECT_EQ(bulk.Next(), single.Next());
  const double step = std::ldexp(1.0, -32);
  using L = std::numeric_limits<double>;
  // clang-format off
  for (const double p : {0.0, -0.25, 1.0, 1.5, L::quiet_NaN(), L::infinity(), L::denorm_min(),
                         1e-300, step / 2, step, std::nextafter(step, 0.0), std::nextafter(step, 1.0),
                         3 * step, std::nextafter(0.5, 0.0), 0.5, std::nextafter(0.5, 1.0), 1 - step,
                         std::nextafter(1 - step, 1.0), std::nextafter(1.0, 0.0), 0.01, 1.0 / 1024, 0.3}) {
    // clang-format on
    const std::uint64_t threshold = kx::TKXRandom::FloatThreshold(p);
    const double boundary = p > 0 && p < 1 ? std::floor(p / step) : 0;
    for (double n = std::max(0.0, boundary - 2); n <= boundary + 2; ++n) {
      EXPECT_EQ(n<static_cast<double>(threshold), p> n * step) << p << " " << n;
    }
    kx::TKXRandom raw(9), real(9);
    int disagreements = 0;
    for (int i = 0; i < 20000; ++i) disagreements += (raw.Next() < threshold) != (p > real.Float());
    EXPECT_EQ(disagreements, 0) << p;
  }
}
