#include "kx/host/encoded_bits.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "kx/host/exceptions.hpp"

namespace kx {

namespace {

using TWord = TKXEncodedBits::TWord;
constexpr std::int32_t kWordBits = TKXEncodedBits::kWordBits;

constexpr TWord LowMask(std::int32_t Count) noexcept {
  return Count >= kWordBits ? ~TWord{0} : (TWord{1} << Count) - 1;
}

std::size_t WordsFor(std::int32_t Bits) noexcept {
  return (static_cast<std::size_t>(Bits) + kWordBits - 1) / kWordBits;
}

// Calls Op(word index, mask of the range's bits in that word) for every word that the run
// Start .. Start + Count - 1 touches. The range must be valid and Count > 0.
template <class Op>
void ForEachWord(std::int32_t Start, std::int32_t Count, Op&& Apply) {
  std::int32_t word = Start / kWordBits;
  std::int32_t shift = Start % kWordBits;
  std::int32_t left = Count;
  while (left > 0) {
    const std::int32_t take = std::min(left, kWordBits - shift);
    Apply(word, LowMask(take) << shift);
    left -= take;
    shift = 0;
    ++word;
  }
}

}  // namespace

void TKXEncodedBits::SetSize(std::int32_t Value) {
  if (Value < 0) throw EListError("Bit count out of bounds (" + std::to_string(Value) + ")");
  if (Value == FSize) return;
  FWords.resize(WordsFor(Value), 0);
  FSize = Value;
  ClearTail();
}

void TKXEncodedBits::SetWords(std::int32_t Size, std::span<const std::uint64_t> Words) {
  if (Size < 0 || Words.size() != WordsFor(Size)) {
    throw EListError("Bit count out of bounds (" + std::to_string(Size) + " bits in " +
                     std::to_string(Words.size()) + " words)");
  }
  FWords.assign(Words.begin(), Words.end());
  FSize = Size;
  ClearTail();
}

void TKXEncodedBits::ClearTail() noexcept {
  const std::int32_t used = FSize % kWordBits;
  if (used != 0) FWords.back() &= LowMask(used);
}

void TKXEncodedBits::CheckRange(std::int32_t Index, std::int32_t Count) const {
  if (Index < 0 || Count < 0 || Index > FSize - Count) {
    throw EListError("Bit range out of bounds (index " + std::to_string(Index) + ", count " +
                     std::to_string(Count) + ", size " + std::to_string(FSize) + ")");
  }
}

bool TKXEncodedBits::Bits(std::int32_t Index) const {
  CheckRange(Index, 1);
  return ((FWords[Index / kWordBits] >> (Index % kWordBits)) & 1u) != 0;
}

void TKXEncodedBits::SetBits(std::int32_t Index, bool Value) {
  CheckRange(Index, 1);
  const TWord bit = TWord{1} << (Index % kWordBits);
  TWord& word = FWords[Index / kWordBits];
  word = Value ? (word | bit) : (word & ~bit);
}

void TKXEncodedBits::Flip(std::int32_t Index) {
  CheckRange(Index, 1);
  FWords[Index / kWordBits] ^= TWord{1} << (Index % kWordBits);
}

TWord TKXEncodedBits::ReadBits(std::int32_t Index, std::int32_t Count) const noexcept {
  if (Count <= 0) return 0;
  const std::int32_t word = Index / kWordBits;
  const std::int32_t shift = Index % kWordBits;
  TWord value = FWords[word] >> shift;
  if (shift != 0 && shift + Count > kWordBits) value |= FWords[word + 1] << (kWordBits - shift);
  return value & LowMask(Count);
}

void TKXEncodedBits::WriteBits(std::int32_t Index, std::int32_t Count, TWord Value) noexcept {
  if (Count <= 0) return;
  const std::int32_t word = Index / kWordBits;
  const std::int32_t shift = Index % kWordBits;
  const TWord mask = LowMask(Count);
  Value &= mask;
  FWords[word] = (FWords[word] & ~(mask << shift)) | (Value << shift);
  if (shift + Count > kWordBits) {
    const TWord high = LowMask(shift + Count - kWordBits);
    FWords[word + 1] = (FWords[word + 1] & ~high) | (Value >> (kWordBits - shift));
  }
}

std::int64_t TKXEncodedBits::ReadNumber(std::int32_t Index, std::int32_t Count) const noexcept {
  const std::int32_t width = std::min(Count, kWordBits);
  TWord value = ReadBits(Index, width);
  if (FPreserveSignBit && width > 0 && width < kWordBits && ((value >> (width - 1)) & 1u) != 0) {
    value |= ~LowMask(width);
  }
  return static_cast<std::int64_t>(value);
}

void TKXEncodedBits::WriteNumber(std::int32_t Index, std::int32_t Count,
                                 std::int64_t Value) noexcept {
  const std::int32_t width = std::min(Count, kWordBits);
  WriteBits(Index, width, static_cast<TWord>(Value));
  if (Count > kWordBits)
    FillRange(Index + kWordBits, Count - kWordBits, FPreserveSignBit && Value < 0);
}

void TKXEncodedBits::WriteWhole(std::int32_t Index, std::int32_t Count, double Value) noexcept {
  if (Count <= 0) return;
  // Count < 32 here, so the bounds are exact doubles.
  double low = 0;
  double high = std::ldexp(1.0, Count) - 1;
  if (FPreserveSignBit) {
    low = -std::ldexp(1.0, Count - 1);
    high = std::ldexp(1.0, Count - 1) - 1;
  }
  double whole = std::isnan(Value) ? 0.0 : std::nearbyint(Value);
  whole = std::clamp(whole, low, high);
  WriteNumber(Index, Count, static_cast<std::int64_t>(whole));
}

void TKXEncodedBits::FillRange(std::int32_t Start, std::int32_t Count, bool Value) noexcept {
  if (Count <= 0) return;
  ForEachWord(Start, Count, [&](std::int32_t Word, TWord Mask) {
    FWords[Word] = Value ? (FWords[Word] | Mask) : (FWords[Word] & ~Mask);
  });
}

bool TKXEncodedBits::GetAsBoolean(std::int32_t Index, std::int32_t Count) const {
  CheckRange(Index, Count);
  if (Count == 0) return false;
  bool any = false;
  ForEachWord(Index, Count,
              [&](std::int32_t Word, TWord Mask) { any = any || (FWords[Word] & Mask) != 0; });
  return any;
}

void TKXEncodedBits::SetAsBoolean(std::int32_t Index, std::int32_t Count, bool Value) {
  CheckRange(Index, Count);
  FillRange(Index, Count, Value);
}

std::int32_t TKXEncodedBits::GetAsInteger(std::int32_t Index, std::int32_t Count) const {
  CheckRange(Index, Count);
  return static_cast<std::int32_t>(ReadNumber(Index, Count));
}

void TKXEncodedBits::SetAsInteger(std::int32_t Index, std::int32_t Count, std::int32_t Value) {
  CheckRange(Index, Count);
  WriteNumber(Index, Count, Value);
}

std::int64_t TKXEncodedBits::GetAsInt64(std::int32_t Index, std::int32_t Count) const {
  CheckRange(Index, Count);
  return ReadNumber(Index, Count);
}

void TKXEncodedBits::SetAsInt64(std::int32_t Index, std::int32_t Count, std::int64_t Value) {
  CheckRange(Index, Count);
  WriteNumber(Index, Count, Value);
}

double TKXEncodedBits::GetAsDouble(std::int32_t Index, std::int32_t Count) const {
  CheckRange(Index, Count);
  if (Count >= 64) return std::bit_cast<double>(ReadBits(Index, 64));
  if (Count >= 32) {
    return std::bit_cast<float>(static_cast<std::uint32_t>(ReadBits(Index, 32)));
  }
  return static_cast<double>(ReadNumber(Index, Count));
}

void TKXEncodedBits::SetAsDouble(std::int32_t Index, std::int32_t Count, double Value) {
  CheckRange(Index, Count);
  if (Count >= 32) {
    const TWord pattern = Count >= 64 ? std::bit_cast<TWord>(Value)
                                      : std::bit_cast<std::uint32_t>(static_cast<float>(Value));
    const std::int32_t width = Count >= 64 ? 64 : 32;
    WriteBits(Index, width, pattern);
    FillRange(Index + width, Count - width, false);
    return;
  }
  WriteWhole(Index, Count, Value);
}

float TKXEncodedBits::GetAsFloat(std::int32_t Index, std::int32_t Count) const {
  return static_cast<float>(GetAsDouble(Index, Count));
}

void TKXEncodedBits::SetAsFloat(std::int32_t Index, std::int32_t Count, float Value) {
  SetAsDouble(Index, Count, Value);
}

std::string TKXEncodedBits::GetAsBitString(std::int32_t Index, std::int32_t Count) const {
  CheckRange(Index, Count);
  std::string text(static_cast<std::size_t>(Count), '0');
  // 64-bit counters: a 32-bit one would wrap past the last word of a field near 2^31 bits.
  for (std::int64_t done = 0; done < Count; done += kWordBits) {
    const auto take = static_cast<std::int32_t>(std::min<std::int64_t>(kWordBits, Count - done));
    TWord chunk = ReadBits(static_cast<std::int32_t>(Index + done), take);
    char* out = text.data() + done;
    for (std::int32_t j = 0; j < take; ++j, chunk >>= 1)
      out[j] = static_cast<char>('0' + (chunk & 1u));
  }
  return text;
}

void TKXEncodedBits::SetAsBitString(std::int32_t Index, std::int32_t Count,
                                    const std::string& Value) {
  CheckRange(Index, Count);
  if (Value.size() != static_cast<std::size_t>(Count)) {
    throw EConvertError("Bit text of " + std::to_string(Value.size()) + " characters for " +
                        std::to_string(Count) + " bits");
  }
  if (Value.find_first_not_of("01") != std::string::npos) {
    throw EConvertError("'" + Value + "' is not a bit text");
  }
  for (std::int64_t done = 0; done < Count; done += kWordBits) {
    const auto take = static_cast<std::int32_t>(std::min<std::int64_t>(kWordBits, Count - done));
    const char* in = Value.data() + done;
    TWord chunk = 0;
    for (std::int32_t j = take - 1; j >= 0; --j) chunk = (chunk << 1) | (in[j] == '1');
    WriteBits(static_cast<std::int32_t>(Index + done), take, chunk);
  }
}

std::string TKXEncodedBits::ToString() const {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const std::size_t digits = (static_cast<std::size_t>(FSize) + 3) / 4;
  std::string text = std::to_string(FSize);
  text.push_back(':');
  const std::size_t start = text.size();
  text.resize(start + digits);
  char* out = text.data() + start;
  for (std::size_t k = 0; k < digits; ++k) {
    out[k] = kHex[(FWords[k / 16] >> ((k % 16) * 4)) & 0xFu];
  }
  return text;
}

void TKXEncodedBits::Clear() noexcept { std::fill(FWords.begin(), FWords.end(), TWord{0}); }

void TKXEncodedBits::CopyRange(const TKXEncodedBits& Source, std::int32_t Start,
                               std::int32_t Count) {
  CheckRange(Start, Count);
  Source.CheckRange(Start, Count);
  if (Count == 0 || &Source == this) return;
  const TWord* from = Source.FWords.data();
  ForEachWord(Start, Count, [&](std::int32_t Word, TWord Mask) {
    FWords[Word] = (FWords[Word] & ~Mask) | (from[Word] & Mask);
  });
}

void TKXEncodedBits::ComplementRange(std::int32_t Start, std::int32_t Count) {
  CheckRange(Start, Count);
  if (Count == 0) return;
  ForEachWord(Start, Count, [&](std::int32_t Word, TWord Mask) { FWords[Word] ^= Mask; });
}

namespace {

// The 1 bits of Count words.
[[gnu::always_inline]] inline std::int32_t CountWordOnesLoop(const TKXEncodedBits::TWord* Words,
                                                             std::size_t Count) noexcept {
  std::int32_t ones = 0;
  for (std::size_t i = 0; i < Count; ++i) ones += std::popcount(Words[i]);
  return ones;
}

#if defined(__x86_64__) && !defined(__POPCNT__) && defined(__GNUC__)
// On x86-64 below the population-count extension (the default baseline) the loop is compiled a
// second time for it, and a run-time check picks that one where the processor has it, so the
// library still runs on every x86-64. A plain check rather than a loader-resolved clone: the
// sanitizers' instrumented code cannot run in a resolver before their runtime starts.
[[gnu::target("popcnt")]] std::int32_t CountWordOnesPopcnt(const TKXEncodedBits::TWord* Words,
                                                           std::size_t Count) noexcept {
  return CountWordOnesLoop(Words, Count);
}

std::int32_t CountWordOnes(const TKXEncodedBits::TWord* Words, std::size_t Count) noexcept {
  static const bool has_popcnt = __builtin_cpu_supports("popcnt");
  return has_popcnt ? CountWordOnesPopcnt(Words, Count) : CountWordOnesLoop(Words, Count);
}
#else
std::int32_t CountWordOnes(const TKXEncodedBits::TWord* Words, std::size_t Count) noexcept {
  return CountWordOnesLoop(Words, Count);
}
#endif

}  // namespace

std::int32_t TKXEncodedBits::CountOnes() const noexcept {
  return CountWordOnes(FWords.data(), FWords.size());
}

void TKXEncodedBits::Assign(const TKXEncodedBits& Source) {
  if (&Source == this) return;
  FWords.assign(Source.FWords.begin(), Source.FWords.end());
  FSize = Source.FSize;
}

void TKXEncodedBits::Assign(TKXPersistent* Source) {
  if (const auto* bits = dynamic_cast<const TKXEncodedBits*>(Source)) {
    Assign(*bits);
    return;
  }
  TKXPersistent::Assign(Source);
}

}  // namespace kx
