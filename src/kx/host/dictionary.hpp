#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kx/host/exceptions.hpp"
#include "kx/host/object.hpp"

namespace kx {

/// Hashing, equality and the lookup-key type of a dictionary key type K. Text keys compare
/// exactly (ordinal, case-sensitive) and are looked up by std::string_view, so a lookup
/// never builds a std::string.
template <class K>
struct TKXDictionaryKeyTraits {
  /// The hash of K.
  using Hash = std::hash<K>;
  /// The key equality of K.
  using Equal = std::equal_to<K>;
  /// What lookups take.
  using Lookup = const K&;
};

/// Text keys: hashed and compared as std::string_view, so lookups take one.
template <>
struct TKXDictionaryKeyTraits<std::string> {
  /// Hashes std::string and std::string_view alike.
  struct Hash {
    /// Lets lookups take a std::string_view.
    using is_transparent = void;
    /// The hash of the text.
    std::size_t operator()(std::string_view Key) const noexcept {
      return std::hash<std::string_view>{}(Key);
    }
  };
  /// Compares std::string and std::string_view alike.
  using Equal = std::equal_to<>;
  /// What lookups take.
  using Lookup = std::string_view;
};

/// A hash dictionary from K to V with unique keys. Reading or writing the value of a
/// missing key and adding a present one raise EListError ("Item not found",
/// "Duplicates not allowed"). The enumeration order is unspecified.
template <class K, class V>
class TKXDictionary : public TKXPersistent {
  using Traits = TKXDictionaryKeyTraits<K>;
  using Map = std::unordered_map<K, V, typename Traits::Hash, typename Traits::Equal>;

 public:
  ///@{
  /// The standard container member types.
  using key_type = K;
  /// @copydoc key_type
  using mapped_type = V;
  /// @copydoc key_type
  using value_type = typename Map::value_type;
  /// @copydoc key_type
  using const_iterator = typename Map::const_iterator;
  ///@}
  /// What lookups take: std::string_view for text keys, const K& otherwise.
  using TLookup = typename Traits::Lookup;

  /// An empty dictionary with room for Capacity pairs.
  explicit TKXDictionary(int Capacity = 0) {
    if (Capacity > 0) FItems.reserve(static_cast<std::size_t>(Capacity));
  }

  /// The class name.
  std::string ClassName() const override { return "TKXDictionary"; }

  /// The number of pairs.
  int Count() const noexcept { return static_cast<int>(FItems.size()); }

  /// Adds the pair; a present key raises EListError and leaves the dictionary unchanged.
  void Add(K Key, V Value) {
    if (!FItems.try_emplace(std::move(Key), std::move(Value)).second) {
      throw EListError("Duplicates not allowed");
    }
    ++FVersion;
  }
  /// Adds the pair, or replaces the value of a present key.
  void AddOrSetValue(K Key, V Value) {
    if (V* value = Find(Key)) {
      *value = std::move(Value);
      return;
    }
    FItems.emplace(std::move(Key), std::move(Value));
    ++FVersion;
  }

  /// The value of Key; EListError when the key is missing.
  const V& Items(TLookup Key) const {
    if (const V* value = Find(Key)) return *value;
    throw EListError("Item not found");
  }
  /// Replaces the value of a present key; EListError when the key is missing.
  void SetItems(TLookup Key, V Value) {
    V* value = Find(Key);
    if (value == nullptr) throw EListError("Item not found");
    *value = std::move(Value);
  }

  /// True and the value when Key is present; otherwise false and Value := V{} (0 for
  /// numbers, unassigned for variants).
  bool TryGetValue(TLookup Key, V& Value) const {
    if (const V* value = Find(Key)) {
      Value = *value;
      return true;
    }
    Value = V{};
    return false;
  }
  ///@{
  /// The value of Key in place, or nullptr: the hot-path lookup (no copy, no allocation).
  const V* Find(TLookup Key) const {
    const auto it = FItems.find(Key);
    return it == FItems.end() ? nullptr : &it->second;
  }
  /// The value of Key in place, writable, or nullptr.
  V* Find(TLookup Key) {
    const auto it = FItems.find(Key);
    return it == FItems.end() ? nullptr : &it->second;
  }
  ///@}
  /// True when Key is present.
  bool ContainsKey(TLookup Key) const { return FItems.find(Key) != FItems.end(); }

  /// Removes Key's pair; false when there was none.
  bool Remove(TLookup Key) {
    const auto it = FItems.find(Key);
    if (it == FItems.end()) return false;
    FItems.erase(it);
    ++FVersion;
    return true;
  }
  /// Removes every pair.
  void Clear() noexcept {
    FItems.clear();
    ++FVersion;
  }
  /// Makes room for Capacity pairs in all.
  void Reserve(int Capacity) { FItems.reserve(static_cast<std::size_t>(Capacity)); }

  /// Copies of the keys and of the values, in enumeration order.
  std::vector<K> Keys() const {
    std::vector<K> keys;
    keys.reserve(FItems.size());
    for (const auto& pair : FItems) keys.push_back(pair.first);
    return keys;
  }
  /// @copydoc Keys
  std::vector<V> Values() const {
    std::vector<V> values;
    values.reserve(FItems.size());
    for (const auto& pair : FItems) values.push_back(pair.second);
    return values;
  }

  /// Enumeration of the (key, value) pairs.
  const_iterator begin() const noexcept { return FItems.begin(); }
  /// @copydoc begin
  const_iterator end() const noexcept { return FItems.end(); }

  /// Changes whenever a pair is added or removed (not when a present key's value is
  /// replaced), so a value's address obtained by Find stays valid while Version() is unchanged.
  std::uint64_t Version() const noexcept { return FVersion; }

  /// Replaces the contents by copies of Source's pairs (a no-op for the dictionary itself).
  void Assign(const TKXDictionary& Source) {
    if (&Source == this) return;
    FItems = Source.FItems;
    ++FVersion;
  }
  /// Assigns another dictionary of the same key and value types; any other source raises
  /// the cannot-assign EConvertError and leaves the dictionary unchanged.
  void Assign(TKXPersistent* Source) override {
    if (const auto* source = dynamic_cast<const TKXDictionary*>(Source)) {
      Assign(*source);
      return;
    }
    TKXPersistent::Assign(Source);
  }

 private:
  Map FItems;
  std::uint64_t FVersion = 0;
};

}  // namespace kx
