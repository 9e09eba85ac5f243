#include <atomic>
#include <kx/host/parallel_for.hpp>
#include <stdexcept>

#include "host/host_test_support.hpp"

namespace kx {
namespace {

TEST(ParallelForTest, RunsEveryIterationOnceAndEmptyRangesNone) {
  for (int threads : {1, 2, 4}) {
    SetParallelThreads(threads);
    std::vector<std::atomic<int>> hits(1000);
    ParallelFor(0, 1000, [&](std::int32_t i) { hits[i].fetch_add(1); });
    for (auto& h : hits) ASSERT_EQ(h.load(), 1);
    std::atomic<int> calls{0};
    ParallelFor(5, 5, [&](std::int32_t) { ++calls; });
    ParallelFor(5, 2, [&](std::int32_t) { ++calls; });
    EXPECT_EQ(calls.load(), 0);
  }
  SetParallelThreads(0);
}

TEST(ParallelForTest, RethrowsAnErrorRaisedInsideAnIteration) {
  std::atomic<int> ran{0};
  EXPECT_THROW(ParallelFor(0, 100,
                           [&](std::int32_t i) {
                             ran.fetch_add(1);
                             if (i == 37) throw std::runtime_error("iteration 37");
                           }),
               std::runtime_error);
  EXPECT_GE(ran.load(), 1);
}

}  // namespace
}  // namespace kx
