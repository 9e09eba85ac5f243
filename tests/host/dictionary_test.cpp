#include <gtest/gtest.h>

#include <cstdlib>
#include <kx/host/dictionary.hpp>
#include <kx/host/exceptions.hpp>
#include <kx/host/string_list.hpp>
#include <kx/host/variant.hpp>
#include <new>
#include <string>
#include <string_view>

// Counts the allocations this thread makes while a TCountAllocations is alive, so that a test
// can prove a lookup allocates nothing; everywhere else the replacement only forwards to malloc.
// Only the scalar forms are replaced: the standard library's array forms forward to them, and
// under ASan the sanitizer's own array pair stays matched.
namespace {
thread_local long* gCounter = nullptr;

class TCountAllocations {
 public:
  TCountAllocations() { gCounter = &FCount; }
  ~TCountAllocations() { gCounter = nullptr; }
  long Count() const noexcept { return FCount; }

 private:
  long FCount = 0;
};

void* CountedAlloc(std::size_t Size) noexcept {
  if (gCounter) ++*gCounter;
  return std::malloc(Size == 0 ? 1 : Size);
}
}  // namespace

void* operator new(std::size_t Size) {
  if (void* p = CountedAlloc(Size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept { return CountedAlloc(Size); }
void operator delete(void* P) noexcept { std::free(P); }
void operator delete(void* P, std::size_t) noexcept { std::free(P); }
void operator delete(void* P, const std::nothrow_t&) noexcept { std::free(P); }

namespace {
using TValues = kx::TKXDictionary<std::string, double>;

template <class F>
std::string ListErrorOf(F Action) {
  try {
    Action();
  } catch (const kx::EListError& e) {
    return e.what();
  }
  return "no error";
}
}  // namespace

TEST(Dictionary, CaseSensitiveKeysDuplicatesAndMissingKeys) {
  TValues d;
  d.Add("x", 1.5);
  d.Add("X", 2.5);
  EXPECT_EQ(ListErrorOf([&] { d.Add("x", 9.0); }), "Duplicates not allowed");
  EXPECT_EQ(d.Items("x"), 1.5);
  EXPECT_EQ(d.Items("X"), 2.5);
  EXPECT_EQ(ListErrorOf([&] { (void)d.Items("b"); }), "Item not found");
  EXPECT_THROW(d.SetItems("b", 2.0), kx::EListError);
  EXPECT_EQ(d.Count(), 2);
  d.SetItems("x", 3.0);
  EXPECT_EQ(d.Items("x"), 3.0);
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
  d.Add("a", 5.0);  // a removed key can be added again
  d.Clear();
  EXPECT_FALSE(d.ContainsKey("a"));

  kx::TKXDictionary<std::string, kx::TKXVariant> variants;
  kx::TKXVariant missing = 3;
  EXPECT_FALSE(variants.TryGetValue("t", missing));
  EXPECT_TRUE(missing.IsEmpty());
}

TEST(Dictionary, StringViewLookupsDoNotAllocate) {
  TValues d;
  const std::string longName(100, 'v');  // far beyond any small-string buffer
  {
    TCountAllocations adding;
    d.Add(longName, 4.0);
    ASSERT_GT(adding.Count(), 0);  // the counter does see this test's allocations
  }
  d.Add("short", 5.0);
  const std::string_view key = longName;
  TCountAllocations lookups;
  const double* found = d.Find(key);
  const bool contains = d.ContainsKey(key);
  double value = 0.0;
  const bool got = d.TryGetValue(key, value);
  const double item = d.Items(key);
  const bool missing = d.ContainsKey(key.substr(1));
  EXPECT_EQ(lookups.Count(), 0);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, 4.0);
  EXPECT_TRUE(contains && got);
  EXPECT_EQ(value, 4.0);
  EXPECT_EQ(item, 4.0);
  EXPECT_FALSE(missing);
}

TEST(Dictionary, KeysValuesAndEnumerationAgree) {
  TValues d;
  for (int i = 0; i < 20; ++i) d.Add("k" + std::to_string(i), i);
  std::vector<std::string> keys;
  std::vector<double> values;
  for (const auto& [key, value] : d) {
    keys.push_back(key);
    values.push_back(value);
    EXPECT_EQ("k" + std::to_string(static_cast<int>(value)), key);
  }
  EXPECT_EQ(keys.size(), 20u);
  EXPECT_EQ(d.Keys(), keys);
  EXPECT_EQ(d.Values(), values);
}

TEST(Dictionary, AssignCopiesIndependentlyAndRejectsOtherKinds) {
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
  EXPECT_EQ(b.Items("y"), 2.0);

  kx::TKXDictionary<std::string, int> other;
  kx::TKXStringList list;
  EXPECT_THROW(b.Assign(&other), kx::EConvertError);
  EXPECT_THROW(b.Assign(&list), kx::EConvertError);
  EXPECT_THROW(b.Assign(static_cast<kx::TKXPersistent*>(nullptr)), kx::EConvertError);
  EXPECT_EQ(b.Count(), 2);
  EXPECT_EQ(b.Items("x"), 1.0);
}
