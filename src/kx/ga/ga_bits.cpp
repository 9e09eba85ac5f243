#include "kx/ga/ga_bits.hpp"

#include <algorithm>
#include <cstdint>

#include "kx/ga/ga_individual.hpp"
#include "kx/host/random.hpp"

namespace kx {

void TKXGABits::MarkStale() const noexcept {
  if (FIndividual != nullptr) FIndividual->MarkFitnessStale();
}

void TKXGABits::Randomize() {
  // The draws are made a word at a time; the sequence is the bit-by-bit one. A draw below 2
  // is the top bit of the raw draw (Integer(2) keeps the top bit of n * 2 / 2^32).
  TKXRandom& random = CurrentRandom();
  TWord* words = WordData();
  std::uint32_t draws[kWordBits];
  std::int32_t left = Size();
  for (std::int32_t w = 0; left > 0; ++w, left -= kWordBits) {
    const std::int32_t bits = std::min(left, kWordBits);
    random.NextBlock(draws, bits);
    TWord word = 0;
    for (std::int32_t j = 0; j < bits; ++j) word |= static_cast<TWord>(draws[j] >> 31u) << j;
    words[w] = word;
  }
  MarkStale();
}

namespace {

// Bit j of the result is Flags[j] (each 0 or 1) for j < 64: eight flags at a time, gathered
// by one multiplication (each flag byte lands in its own bit of the top byte, no carries).
TKXGABits::TWord PackFlags(const std::uint8_t* Flags) noexcept {
  TKXGABits::TWord packed = 0;
  for (std::int32_t g = 0; g < TKXGABits::kWordBits / 8; ++g) {
    // Flag i in byte i from the bottom, in any byte order (one load where it is native).
    std::uint64_t eight = 0;
    for (std::int32_t i = 0; i < 8; ++i) eight |= std::uint64_t{Flags[8 * g + i]} << (8 * i);
    packed |= ((eight * 0x0102040810204080ULL) >> 56u) << (8 * g);
  }
  return packed;
}

}  // namespace

bool TKXGABits::Mutate(TGAProbability Probability) {
  // One draw per bit in bit order, made a word at a time; Probability > Float() is decided
  // on the raw draw by the generator's exact threshold. A bit flips when its draw is at most
  // the threshold's predecessor, which fits 32 bits, so the comparisons of a whole word
  // vectorize (flags past Size are masked off); a threshold of 0 flips nothing.
  TKXRandom& random = CurrentRandom();
  const std::uint64_t threshold = TKXRandom::FloatThreshold(Probability);
  const auto highest = static_cast<std::uint32_t>(threshold - 1);
  const TWord any = threshold == 0 ? 0 : ~TWord{0};
  TWord* words = WordData();
  std::uint32_t draws[kWordBits] = {};
  std::uint8_t flags[kWordBits];
  TWord flipped = 0;
  std::int32_t left = Size();
  for (std::int32_t w = 0; left > 0; ++w, left -= kWordBits) {
    const std::int32_t bits = std::min(left, kWordBits);
    random.NextBlock(draws, bits);
    for (std::int32_t j = 0; j < kWordBits; ++j) flags[j] = draws[j] <= highest;
    TWord mask = PackFlags(flags) & any;
    if (bits < kWordBits) mask &= (TWord{1} << bits) - 1;
    words[w] ^= mask;
    flipped |= mask;
  }
  MarkStale();
  return flipped != 0;
}

void TKXGABits::Invert(std::int32_t Start, std::int32_t Count) {
  const std::int32_t size = Size();
  if (Start == -1) Start = RandomInt(size);
  // A negative Start is reported by the range check below; size - Start could wrap.
  if (Count == -1) Count = Start < 0 ? 0 : RandomInt(size - Start);
  // Count + 1 bits from Start, cut at the end of the array.
  const std::int64_t wanted = Count < 0 ? 0 : std::int64_t{Count} + 1;
  const std::int64_t available = std::max<std::int64_t>(0, std::int64_t{size} - Start);
  const auto flips = static_cast<std::int32_t>(std::min(wanted, available));
  // A negative Start always leaves bits to flip here, so the range check reports it.
  if (flips > 0) ComplementRange(Start, flips);
  MarkStale();
}

void TKXGABits::CrossOver(const TKXEncodedBits& Parent1, const TKXEncodedBits& Parent2,
                          std::int32_t Point) {
  const std::int32_t size = Size();
  const std::int64_t first =
      std::clamp<std::int64_t>(std::int64_t{Point} + 1, 0, std::min(Parent1.Size(), size));
  const auto split = static_cast<std::int32_t>(first);
  CopyRange(Parent1, 0, split);
  const std::int32_t end = std::min(Parent2.Size(), size);
  if (end > split) CopyRange(Parent2, split, end - split);
  MarkStale();
}

void TKXGABits::CrossOver(const TKXEncodedBits& Parent1, const TKXEncodedBits& Parent2) {
  CrossOver(Parent1, Parent2, RandomInt(Parent1.Size()));
}

}  // namespace kx
