#include <algorithm>
#include <kx/host/priority_queue.hpp>
#include <limits>
#include <memory>
#include <thread>

#include "host/host_test_support.hpp"

namespace {

class Thing : public kx::TKXObject {
 public:
  explicit Thing(int Id) : Id(Id) {}
  int Id;
};

std::vector<std::unique_ptr<Thing>> MakeThings(int N) {
  std::vector<std::unique_ptr<Thing>> things;
  for (int i = 0; i < N; ++i) things.push_back(std::make_unique<Thing>(i));
  return things;
}

// Pushes Things[i] with Priorities[i].
void PushAll(kx::TFloatPriorityQueue& Queue, const std::vector<std::unique_ptr<Thing>>& Things,
             const std::vector<float>& Priorities) {
  for (std::size_t i = 0; i < Priorities.size(); ++i) Queue.Push(Things[i].get(), Priorities[i]);
}

std::vector<int> Ids(const kx::TFloatPriorityQueue& Queue) {
  std::vector<int> ids;
  for (int i = 0; i < Queue.Count(); ++i) ids.push_back(Queue.ItemAs<Thing>(i)->Id);
  return ids;
}

using Ints = std::vector<int>;

}  // namespace

TEST(FloatPriorityQueue, OrderFollowsTheSettingsAtReadTimeAndTiesKeepPushOrder) {
  auto things = MakeThings(6);
  kx::TFloatPriorityQueue queue;
  PushAll(queue, things, {2.0f, 1.0f, 2.0f});
  EXPECT_EQ(Ids(queue), (Ints{1, 0, 2}));  // sorted once; later pushes queue up behind equals
  queue.Push(things[3].get(), std::numeric_limits<float>::quiet_NaN());
  queue.Push(things[4].get(), 1.0f);
  queue.Push(things[5].get(), 2.0f);
  EXPECT_EQ(Ids(queue), (Ints{1, 4, 0, 2, 5, 3}));
  EXPECT_EQ(queue.Priorities(1), 1.0f);
  queue.SetLargestFirst(true);
  EXPECT_EQ(Ids(queue), (Ints{0, 2, 5, 1, 4, 3}));  // NaN ranks last either way
  EXPECT_THROW(queue.Items(6), kx::EListError);
  EXPECT_THROW(queue.Priorities(-1), kx::EListError);
  queue.Clear();
  EXPECT_THROW(queue.Items(0), kx::EListError);
}

// Large enough that an unstable sort would show: small ranges sort stably anyway.
TEST(FloatPriorityQueue, RanksARandomPopulationLikeAStableSortedCopy) {
  kx::RandSeed(17);
  auto things = MakeThings(500);
  std::vector<float> priorities;
  Ints expected;
  // Few distinct values, so that ties are common.
  for (int i = 0; i < 500; ++i) {
    priorities.push_back(static_cast<float>(kx::RandomInt(20)));
    expected.push_back(i);
  }
  kx::TFloatPriorityQueue queue(true);
  PushAll(queue, things, priorities);
  std::stable_sort(expected.begin(), expected.end(),
                   [&](int A, int B) { return priorities[A] > priorities[B]; });
  EXPECT_EQ(Ids(queue), expected);
}

// Named for the thread-sanitizer stage, which selects the concurrent tests by name.
TEST(FloatPriorityQueueParallel, ConcurrentFirstReadsSeeTheSortedOrder) {
  auto things = MakeThings(1000);
  kx::TFloatPriorityQueue queue;
  for (int i = 999; i >= 0; --i) queue.Push(things[i].get(), static_cast<float>(i));
  std::vector<int> firsts(4, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] { firsts[t] = queue.ItemAs<Thing>(0)->Id; });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(firsts, (Ints{0, 0, 0, 0}));
}
