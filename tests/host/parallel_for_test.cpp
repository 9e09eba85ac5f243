#include <atomic>
#include <kx/host/parallel_for.hpp>
#include <stdexcept>

#include "host/host_test_support.hpp"

// Every iteration of a range runs once on any thread count, an empty or reversed range none,
// and an error raised inside an iteration reaches the caller.
TEST(ParallelForTest, RunsEveryIterationOnceAndRethrowsErrors) {
  for (int threads : {1, 2, 4}) {
    kx::SetParallelThreads(threads);
    std::vector<std::atomic<int>> hits(1000);
    kx::ParallelFor(0, 1000, [&](std::int32_t i) { hits[i].fetch_add(1); });
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    for (const std::int32_t end : {5, 2}) kx::ParallelFor(5, end, [&](std::int32_t) { ++hits[0]; });
    EXPECT_EQ(hits[0].load(), 1);
    const auto fail = [](std::int32_t i) { i == 37 ? throw std::runtime_error("37") : void(); };
    EXPECT_THROW(kx::ParallelFor(0, 100, fail), std::runtime_error);
  }
  kx::SetParallelThreads(0);
}
