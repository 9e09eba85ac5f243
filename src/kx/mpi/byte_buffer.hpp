#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "kx/core/consts.hpp"

namespace kx {

/// Appends plain values to a byte array in the machine's own layout: every rank of a run
/// runs the same program on the same kind of machine.
class TKXByteWriter {
 public:
  /// Writes into Bytes, after what it holds.
  explicit TKXByteWriter(std::vector<std::byte>& Bytes) noexcept : FBytes(Bytes) {}

  /// One value of a trivially copyable type.
  template <class V>
  requires std::is_trivially_copyable_v<V>
  void Put(const V& Value) { Append(&Value, sizeof(V)); }
  /// A run of values, without their count.
  template <class V>
  requires std::is_trivially_copyable_v<V>
  void PutSpan(std::span<const V> Values) { Append(Values.data(), Values.size_bytes()); }
  /// A text, after its length.
  void PutText(std::string_view Text) {
    Put(static_cast<std::uint32_t>(Text.size()));
    PutSpan(std::span<const char>(Text.data(), Text.size()));
  }
  /// The number of bytes written so far (with those held before).
  std::size_t Size() const noexcept { return FBytes.size(); }
  /// Overwrites a value written before at byte Offset.
  template <class V>
  void Patch(std::size_t Offset, const V& Value) noexcept {
    std::memcpy(FBytes.data() + Offset, &Value, sizeof(V));
  }

 private:
  void Append(const void* First, std::size_t Count) {
    if (Count == 0) return;
    const std::size_t at = FBytes.size();
    FBytes.resize(at + Count);
    std::memcpy(FBytes.data() + at, First, Count);
  }

  std::vector<std::byte>& FBytes;
};

/// Reads back what a TKXByteWriter wrote. Reading past the end raises EGAException
/// "Malformed message": a damaged message never reads outside its bytes.
class TKXByteReader {
 public:
  /// Reads from Bytes, which must outlive the reader.
  explicit TKXByteReader(std::span<const std::byte> Bytes) noexcept : FBytes(Bytes) {}

  /// The next value, of a trivially copyable type.
  template <class V>
  requires std::is_trivially_copyable_v<V> V Get() {
    V value;
    std::memcpy(&value, Take(sizeof(V)), sizeof(V));
    return value;
  }
  /// Count values into Out (resized).
  template <class V>
  requires std::is_trivially_copyable_v<V>
  void GetSpan(std::size_t Count, std::vector<V>& Out) {
    if (Count > FBytes.size() / sizeof(V)) Malformed();
    Out.resize(Count);
    std::memcpy(Out.data(), Take(Count * sizeof(V)), Count * sizeof(V));
  }
  /// A text written by PutText.
  std::string GetText() {
    const auto length = Get<std::uint32_t>();
    const auto* first = reinterpret_cast<const char*>(Take(length));
    return std::string(first, length);
  }

 private:
  [[noreturn]] static void Malformed() { throw EGAException("Malformed message"); }
  const std::byte* Take(std::size_t Count) {
    if (Count > FBytes.size() - FPosition) Malformed();
    const std::byte* first = FBytes.data() + FPosition;
    FPosition += Count;
    return first;
  }

  std::span<const std::byte> FBytes;
  std::size_t FPosition = 0;
};

}  // namespace kx
