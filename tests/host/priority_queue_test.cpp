#include <array>
#include <kx/host/priority_queue.hpp>
#include <numeric>
#include <thread>

#include "host/host_test_support.hpp"

namespace {

// Items are told apart by their place in one array.
std::array<kx::TKXObject, 1000> gThings;

std::vector<int> Ids(const kx::TFloatPriorityQueue& Queue) {
  std::vector<int> ids;
  for (int i = 0; i < Queue.Count(); ++i)
    ids.push_back(static_cast<int>(Queue.Items(i) - gThings.data()));
  return ids;
}

// Pushes interleaved with reads and order changes: every read ranks like a stable sort of all
// that was pushed (ties in push order, NaN last either way). Few distinct priorities make ties
// common, and the queue grows past the size below which any sort is stable.
TEST(FloatPriorityQueue, EveryReadRanksLikeAStableSortOfThePushes) {
  kx::RandSeed(17);
  kx::TFloatPriorityQueue queue;
  std::vector<float> priorities;
  for (int i = 0; i < 300; ++i) {
    priorities.push_back(kx::RandomInt(30) == 0 ? std::nanf("")
                                                : static_cast<float>(kx::RandomInt(20)));
    queue.Push(&gThings[i], priorities.back());
    if (kx::RandomInt(8) == 0) queue.SetLargestFirst(!queue.LargestFirst());
    if (kx::RandomInt(4) != 0 && i != 299) continue;
    std::vector<int> expected(priorities.size());
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int A, int B) {
      const float a = priorities[A], b = priorities[B];
      if (std::isnan(a) || std::isnan(b)) return !std::isnan(a) && std::isnan(b);
      return queue.LargestFirst() ? a > b : a < b;
    });
    ASSERT_EQ(Ids(queue), expected) << i;
    ASSERT_TRUE(queue.Priorities(0) == priorities[expected[0]] ||
                std::isnan(priorities[expected[0]]));
  }
  EXPECT_THROW(queue.Items(300), kx::EListError);
  EXPECT_THROW(queue.Priorities(-1), kx::EListError);
  queue.Clear();
  EXPECT_THROW(queue.Items(0), kx::EListError);
}

// Named for the thread-sanitizer stage, which selects the concurrent tests by name.
TEST(FloatPriorityQueueParallel, ConcurrentFirstReadsSeeTheSortedOrder) {
  kx::TFloatPriorityQueue queue;
  for (int i = 999; i >= 0; --i) queue.Push(&gThings[i], static_cast<float>(i));
  std::vector<int> firsts(4, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { firsts[t] = Ids(queue)[0]; });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(firsts, (std::vector<int>{0, 0, 0, 0}));
}

}  // namespace
