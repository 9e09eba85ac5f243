#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <kx/host/dictionary.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>
#include <kx/host/variant.hpp>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Counts allocations so that a test can prove a lookup allocates nothing. Every
// replaceable unaligned form is replaced, so that allocation and release always match.
namespace {
std::atomic<long> gAllocations{0};
}  // namespace

namespace {
void* CountedAlloc(std::size_t Size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(Size == 0 ? 1 : Size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t Size) { return CountedAlloc(Size); }
void* operator new[](std::size_t Size) { return CountedAlloc(Size); }
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(Size == 0 ? 1 : Size);
}
void* operator new[](std::size_t Size, const std::nothrow_t& Tag) noexcept {
  return operator new(Size, Tag);
}
void operator delete(void* P, const std::nothrow_t&) noexcept { std::free(P); }
void operator delete[](void* P, const std::nothrow_t&) noexcept { std::free(P); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete[](void* P) noexcept { std::free(P); }
void operator delete[](void* P, std::size_t) noexcept { std::free(P); }

namespace {
using TValues = kx::TKXDictionary<std::string, double>;
}  // namespace

TEST(Dictionary, AddReadAndDuplicates) {
  TValues d;
  d.Add("x", 1.5);
  d.Add("X", 2.5);  // keys are case-sensitive
  EXPECT_EQ(d.Count(), 2);
  EXPECT_EQ(d.Items("x"), 1.5);
  EXPECT_EQ(d.Items("X"), 2.5);
  EXPECT_THROW(d.Add("x", 9.0), kx::EListError);
  EXPECT_EQ(d.Items("x"), 1.5);
  EXPECT_EQ(d.Count(), 2);
  try {
    d.Add("x", 0.0);
    FAIL();
  } catch (const kx::EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicates not allowed");
  }
}

TEST(Dictionary, MissingKeysRaiseOnReadAndWrite) {
  TValues d;
  d.Add("a", 1.0);
  EXPECT_THROW((void)d.Items("b"), kx::EListError);
  EXPECT_THROW(d.SetItems("b", 2.0), kx::EListError);
  EXPECT_FALSE(d.ContainsKey("b"));
  d.SetItems("a", 3.0);
  EXPECT_EQ(d.Items("a"), 3.0);
  try {
    (void)d.Items("A");
    FAIL();
  } catch (const kx::EListError& e) {
    EXPECT_STREQ(e.what(), "Item not found");
  }
}

TEST(Dictionary, AddOrSetValueTryGetValueRemove) {
  TValues d;
  d.AddOrSetValue("a", 1.0);
  d.AddOrSetValue("a", 2.0);
  EXPECT_EQ(d.Count(), 1);
  double value = 99.0;
  EXPECT_TRUE(d.TryGetValue("a", value));
  EXPECT_EQ(value, 2.0);
  EXPECT_FALSE(d.TryGetValue("b", value));
  EXPECT_EQ(value, 0.0);
  EXPECT_TRUE(d.Remove("a"));
  EXPECT_FALSE(d.Remove("a"));
  EXPECT_EQ(d.Count(), 0);
  d.Add("a", 5.0);  // a removed key can be added again
  d.Clear();
  EXPECT_EQ(d.Count(), 0);
  EXPECT_FALSE(d.ContainsKey("a"));
}

TEST(Dictionary, VariantValuesDefaultToUnassigned) {
  kx::TKXDictionary<std::string, kx::TKXVariant> d;
  d.Add("s", kx::TKXVariant("text"));
  kx::TKXVariant value = 3;
  EXPECT_TRUE(d.TryGetValue("s", value));
  EXPECT_EQ(value.ToString(), "text");
  EXPECT_FALSE(d.TryGetValue("t", value));
  EXPECT_TRUE(value.IsEmpty());
}

TEST(Dictionary, StringViewLookupsDoNotAllocate) {
  TValues d;
  const std::string longName(100, 'v');  // far beyond any small-string buffer
  const long beforeAdd = gAllocations.load();
  d.Add(longName, 4.0);
  d.Add("short", 5.0);
  ASSERT_GT(gAllocations.load(), beforeAdd);  // the counter does see this test's allocations
  const std::string_view key = longName;
  const long before = gAllocations.load();
  const double* found = d.Find(key);
  const bool contains = d.ContainsKey(key);
  double value = 0.0;
  const bool got = d.TryGetValue(key, value);
  const double item = d.Items(key);
  const bool missing = d.ContainsKey(std::string_view(longName).substr(1));
  const long after = gAllocations.load();
  EXPECT_EQ(after - before, 0);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, 4.0);
  EXPECT_TRUE(contains && got);
  EXPECT_EQ(value, 4.0);
  EXPECT_EQ(item, 4.0);
  EXPECT_FALSE(missing);
}

TEST(Dictionary, KeysValuesAndEnumerationAgree) {
  TValues d;
  for (int i = 0; i < 50; ++i) d.Add("k" + std::to_string(i), i);
  std::vector<std::string> keys = d.Keys();
  std::vector<double> values = d.Values();
  ASSERT_EQ(keys.size(), 50u);
  ASSERT_EQ(values.size(), 50u);
  std::size_t n = 0;
  for (const auto& [key, value] : d) {
    EXPECT_EQ(key, keys[n]);
    EXPECT_EQ(value, values[n]);
    EXPECT_EQ("k" + std::to_string(static_cast<int>(value)), key);
    ++n;
  }
  EXPECT_EQ(n, 50u);
  std::sort(values.begin(), values.end());
  EXPECT_EQ(values.front(), 0.0);
  EXPECT_EQ(values.back(), 49.0);
}

TEST(Dictionary, AssignCopiesAndIsIndependent) {
  TValues a;
  TValues b;
  a.Add("x", 1.0);
  a.Add("y", 2.0);
  b.Add("z", 3.0);
  b.Assign(&a);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_FALSE(b.ContainsKey("z"));
  a.SetItems("x", 10.0);
  EXPECT_EQ(b.Items("x"), 1.0);
  b.Assign(&b);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_EQ(b.Items("y"), 2.0);
}

TEST(Dictionary, AssignFromAnotherKindRaisesAndKeepsValues) {
  TValues d;
  d.Add("x", 1.0);
  kx::TKXDictionary<std::string, int> other;
  kx::TKXStringList list;
  EXPECT_THROW(d.Assign(&other), kx::EConvertError);
  EXPECT_THROW(d.Assign(&list), kx::EConvertError);
  EXPECT_THROW(d.Assign(static_cast<kx::TKXPersistent*>(nullptr)), kx::EConvertError);
  EXPECT_EQ(d.Count(), 1);
  EXPECT_EQ(d.Items("x"), 1.0);
}

TEST(Dictionary, NonTextKeys) {
  kx::TKXDictionary<int, std::string> d(16);
  d.Add(1, "one");
  d.AddOrSetValue(2, "two");
  EXPECT_EQ(d.Items(2), "two");
  EXPECT_THROW(d.Add(1, "uno"), kx::EListError);
  EXPECT_TRUE(d.Remove(1));
  EXPECT_EQ(d.Count(), 1);
}
