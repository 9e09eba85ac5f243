#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kx/host/object.hpp"

namespace kx {

/// A resizable bit array with typed fields: the chromosome store of the genetic algorithm.
///
/// Storage: bits are packed into 64-bit words, bit i in word i / 64 at position i % 64. Bits
/// past Size in the last word are always 0, so whole-word comparisons, copies and texts need
/// no masking of the tail.
///
/// Encodings (a field is Count bits starting at bit Index):
///   - Numbers: bit Index is the least significant bit of the field. Without PreserveSignBit
///     a field of n bits holds 0 .. 2^n - 1; with it, two's complement -(2^(n-1)) ..
///     2^(n-1) - 1 with bit Index + n - 1 as the sign bit. A write keeps the low n bits of
///     the value (values outside the range wrap). A field wider than 64 bits holds the value
///     in its low 64 bits and its sign (or zero) extension above; a 32-bit read of a field
///     wider than 32 bits returns the low 32 bits of the 64-bit reading.
///   - Floating values (float and double alike), by field width:
///       Count < 32        the value rounded to a whole number (halves to even) and saturated
///                         to the field's integer range, stored as a number (NaN stores 0);
///       32 <= Count < 64  the IEEE single-precision pattern in the low 32 bits;
///       Count >= 64       the IEEE double-precision pattern in the low 64 bits.
///     So a float and a double read of the same field agree up to precision, and a value
///     representable in the field's format reads back unchanged. Bits above the pattern are
///     written 0. PreserveSignBit only matters for the whole-number form.
///   - Booleans: true writes 1 to every bit of the field, false 0; a read is true when any
///     bit of the field is 1. A field of 0 bits reads false.
///   - Bit text: one character per bit, '0' or '1', listing bits in increasing index order
///     (the first character is bit Index).
///   - ToString: "<Size>:" followed by upper-case hexadecimal digits, one per 4 bits in
///     increasing bit order; digit k holds bits 4k .. 4k + 3 with bit 4k as its lowest bit.
///     The size prefix keeps arrays of different widths apart, so equal arrays give equal
///     texts and different arrays different texts (a compact key for duplicate detection).
///
/// Every access checks its range: a negative Index or Count, or a field past Size, raises
/// EListError and leaves the array unchanged; so does a bit text of the wrong length or with
/// other characters (EConvertError).
class TKXEncodedBits : public TKXPersistent {
 public:
  /// The storage word: bits are packed 64 to a word, bit 0 first.
  using TWord = std::uint64_t;
  /// Bits per storage word.
  static constexpr std::int32_t kWordBits = 64;

  TKXEncodedBits() = default;
  ~TKXEncodedBits() override = default;

  std::string ClassName() const override { return "TKXEncodedBits"; }

  ///@{
  /// Number of bits. Growing adds 0 bits; shrinking drops the surplus.
  std::int32_t Size() const noexcept { return FSize; }
  void SetSize(std::int32_t Value);
  ///@}

  ///@{
  /// One bit; an Index outside 0 .. Size - 1 raises EListError.
  bool Bits(std::int32_t Index) const;
  void SetBits(std::int32_t Index, bool Value);
  ///@}
  /// Complements one bit.
  void Flip(std::int32_t Index);

  ///@{
  /// Selects signed (two's complement) numeric fields.
  bool PreserveSignBit() const noexcept { return FPreserveSignBit; }
  void SetPreserveSignBit(bool Value) noexcept { FPreserveSignBit = Value; }
  ///@}

  ///@{
  /// Typed fields of Count bits at bit Index (encodings above).
  bool GetAsBoolean(std::int32_t Index, std::int32_t Count) const;
  void SetAsBoolean(std::int32_t Index, std::int32_t Count, bool Value);
  std::int32_t GetAsInteger(std::int32_t Index, std::int32_t Count) const;
  void SetAsInteger(std::int32_t Index, std::int32_t Count, std::int32_t Value);
  std::int64_t GetAsInt64(std::int32_t Index, std::int32_t Count) const;
  void SetAsInt64(std::int32_t Index, std::int32_t Count, std::int64_t Value);
  float GetAsFloat(std::int32_t Index, std::int32_t Count) const;
  void SetAsFloat(std::int32_t Index, std::int32_t Count, float Value);
  double GetAsDouble(std::int32_t Index, std::int32_t Count) const;
  void SetAsDouble(std::int32_t Index, std::int32_t Count, double Value);
  ///@}

  ///@{
  /// The bit text of a field and its inverse; Value must have exactly Count characters.
  std::string GetAsBitString(std::int32_t Index, std::int32_t Count) const;
  void SetAsBitString(std::int32_t Index, std::int32_t Count, const std::string& Value);
  ///@}
  /// The bit text of the whole array: SetAsBitString(0, Size(), ToBitString()) restores it.
  std::string ToBitString() const { return GetAsBitString(0, FSize); }
  /// The compact text described above.
  std::string ToString() const;

  /// Sets every bit to 0 and keeps Size.
  void Clear() noexcept;
  /// Copies bits Start .. Start + Count - 1 of Source into the same positions of this array
  /// (both arrays must hold the range).
  void CopyRange(const TKXEncodedBits& Source, std::int32_t Start, std::int32_t Count);
  /// Complements bits Start .. Start + Count - 1.
  void ComplementRange(std::int32_t Start, std::int32_t Count);
  /// Number of 1 bits.
  std::int32_t CountOnes() const noexcept;

  /// Takes Source's size and bits (PreserveSignBit is a setting of the reader and stays).
  void Assign(const TKXEncodedBits& Source);
  /// Encoded bits copy from encoded bits; other sources raise the unsupported-assignment
  /// error.
  void Assign(TKXPersistent* Source) override;

  /// The packed words, bit 0 of the array in bit 0 of the first word: the compact form a
  /// chromosome travels in. SetWords takes a size and exactly (Size + 63) / 64 words
  /// (EListError otherwise); the bits past Size are cleared.
  std::span<const std::uint64_t> Words() const noexcept { return FWords; }
  /// @copydoc Words
  void SetWords(std::int32_t Size, std::span<const std::uint64_t> Words);

  /// Same size and same bits (PreserveSignBit is not compared).
  bool Equals(const TKXEncodedBits& Other) const noexcept {
    return FSize == Other.FSize && FWords == Other.FWords;
  }
  /// Equals.
  friend bool operator==(const TKXEncodedBits& A, const TKXEncodedBits& B) noexcept {
    return A.Equals(B);
  }

 protected:
  ///@{
  /// The packed words, for operators that work a word at a time. Writers must keep the bits
  /// past Size at 0 (ClearTail does it).
  std::int32_t WordCount() const noexcept { return static_cast<std::int32_t>(FWords.size()); }
  TWord* WordData() noexcept { return FWords.data(); }
  const TWord* WordData() const noexcept { return FWords.data(); }
  void ClearTail() noexcept;
  ///@}
  /// Raises EListError unless 0 <= Index, 0 <= Count and Index + Count <= Size.
  void CheckRange(std::int32_t Index, std::int32_t Count) const;

 private:
  /// Up to 64 bits at Index, unchecked; the result holds the field in its low Count bits.
  TWord ReadBits(std::int32_t Index, std::int32_t Count) const noexcept;
  /// Writes the low Count (<= 64) bits of Value at Index, unchecked.
  void WriteBits(std::int32_t Index, std::int32_t Count, TWord Value) noexcept;
  /// A numeric field as a 64-bit two's complement (signed fields sign-extended).
  std::int64_t ReadNumber(std::int32_t Index, std::int32_t Count) const noexcept;
  /// Writes Value's low bits, extending above bit 64 with its sign (signed) or zeros.
  void WriteNumber(std::int32_t Index, std::int32_t Count, std::int64_t Value) noexcept;
  void WriteWhole(std::int32_t Index, std::int32_t Count, double Value) noexcept;
  /// Sets a run of bits to one value, word by word.
  void FillRange(std::int32_t Start, std::int32_t Count, bool Value) noexcept;

  std::vector<TWord> FWords;
  std::int32_t FSize = 0;
  bool FPreserveSignBit = false;
};

}  // namespace kx
