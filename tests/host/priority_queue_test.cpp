#include <gtest/gtest.h>

#include <algorithm>
#include <kx/host/exceptions.hpp>
#include <kx/host/priority_queue.hpp>
#include <kx/host/random.hpp>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

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

std::vector<int> Ids(const kx::TFloatPriorityQueue& Queue) {
  std::vector<int> ids;
  for (int i = 0; i < Queue.Count(); ++i) ids.push_back(Queue.ItemAs<Thing>(i)->Id);
  return ids;
}

}  // namespace

TEST(FloatPriorityQueue, SmallestFirstByDefault) {
  auto things = MakeThings(4);
  kx::TFloatPriorityQueue queue;
  EXPECT_FALSE(queue.LargestFirst());
  EXPECT_TRUE(queue.Ascending());
  const float priorities[] = {3.0f, 1.0f, 4.0f, 2.0f};
  for (int i = 0; i < 4; ++i) queue.Push(things[i].get(), priorities[i]);
  EXPECT_EQ(queue.Count(), 4);
  EXPECT_EQ(Ids(queue), (std::vector<int>{1, 3, 0, 2}));
  EXPECT_EQ(queue.Priorities(0), 1.0f);
  EXPECT_EQ(queue.Priorities(3), 4.0f);
}

TEST(FloatPriorityQueue, LargestFirstAndOrderChangesAfterPushes) {
  auto things = MakeThings(4);
  kx::TFloatPriorityQueue queue;
  queue.SetLargestFirst(true);
  const float priorities[] = {3.0f, 1.0f, 4.0f, 2.0f};
  for (int i = 0; i < 4; ++i) queue.Push(things[i].get(), priorities[i]);
  EXPECT_EQ(Ids(queue), (std::vector<int>{2, 0, 3, 1}));
  queue.SetAscending(true);
  EXPECT_EQ(Ids(queue), (std::vector<int>{1, 3, 0, 2}));
}

TEST(FloatPriorityQueue, EqualPrioritiesKeepPushOrderInBothOrders) {
  auto things = MakeThings(5);
  for (bool largestFirst : {false, true}) {
    kx::TFloatPriorityQueue queue(largestFirst);
    queue.Push(things[0].get(), 2.0f);
    queue.Push(things[1].get(), 1.0f);
    queue.Push(things[2].get(), 2.0f);
    (void)queue.Items(0);  // sorted once; later pushes must still queue up behind equals
    queue.Push(things[3].get(), 1.0f);
    queue.Push(things[4].get(), 2.0f);
    const std::vector<int> expected =
        largestFirst ? std::vector<int>{0, 2, 4, 1, 3} : std::vector<int>{1, 3, 0, 2, 4};
    EXPECT_EQ(Ids(queue), expected) << largestFirst;
  }
}

TEST(FloatPriorityQueue, NanRanksLast) {
  auto things = MakeThings(3);
  for (bool largestFirst : {false, true}) {
    kx::TFloatPriorityQueue queue(largestFirst);
    queue.Push(things[0].get(), std::numeric_limits<float>::quiet_NaN());
    queue.Push(things[1].get(), 5.0f);
    queue.Push(things[2].get(), -5.0f);
    EXPECT_EQ(queue.ItemAs<Thing>(2)->Id, 0);
  }
}

TEST(FloatPriorityQueue, ClearAndBounds) {
  auto things = MakeThings(2);
  kx::TFloatPriorityQueue queue;
  EXPECT_THROW(queue.Items(0), kx::EListError);
  queue.Push(things[0].get(), 1.0f);
  queue.Push(things[1].get(), 0.0f);
  EXPECT_THROW(queue.Items(2), kx::EListError);
  EXPECT_THROW(queue.Priorities(-1), kx::EListError);
  queue.Clear();
  EXPECT_EQ(queue.Count(), 0);
  queue.Push(things[0].get(), 7.0f);
  EXPECT_EQ(queue.Items(0), things[0].get());
}

TEST(FloatPriorityQueue, RanksARandomPopulationLikeASortedCopy) {
  kx::RandSeed(17);
  auto things = MakeThings(500);
  kx::TFloatPriorityQueue queue(true);
  std::vector<float> priorities;
  for (auto& thing : things) {
    // Few distinct values, so that ties are common.
    const float p = static_cast<float>(kx::RandomInt(20));
    priorities.push_back(p);
    queue.Push(thing.get(), p);
  }
  std::vector<int> expected(things.size());
  for (int i = 0; i < static_cast<int>(expected.size()); ++i) expected[i] = i;
  std::stable_sort(expected.begin(), expected.end(),
                   [&](int A, int B) { return priorities[A] > priorities[B]; });
  EXPECT_EQ(Ids(queue), expected);
}

TEST(FloatPriorityQueue, ConcurrentFirstReadsSeeTheSortedOrder) {
  auto things = MakeThings(1000);
  kx::TFloatPriorityQueue queue;
  for (int i = 999; i >= 0; --i) queue.Push(things[i].get(), static_cast<float>(i));
  std::vector<int> firsts(4, -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] { firsts[t] = queue.ItemAs<Thing>(0)->Id; });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(firsts, (std::vector<int>{0, 0, 0, 0}));
}
