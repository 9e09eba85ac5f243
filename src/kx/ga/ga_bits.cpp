#include "kx/ga/ga_bits.hpp"

#include <algorithm>

#include "kx/ga/ga_individual.hpp"
#include "kx/host/random.hpp"

namespace kx {

void TKXGABits::MarkStale() const noexcept {
  if (FIndividual != nullptr) FIndividual->MarkFitnessStale();
}

void TKXGABits::Randomize() {
  // The draws are assembled a word at a time; the sequence is the bit-by-bit one.
  TKXRandom& random = CurrentRandom();
  TWord* words = WordData();
  std::int32_t left = Size();
  for (std::int32_t w = 0; left > 0; ++w, left -= kWordBits) {
    const std::int32_t bits = std::min(left, kWordBits);
    TWord word = 0;
    for (std::int32_t j = 0; j < bits; ++j) {
      word |= static_cast<TWord>(random.Integer(2) == 1) << j;
    }
    words[w] = word;
  }
  MarkStale();
}

bool TKXGABits::Mutate(TGAProbability Probability) {
  TKXRandom& random = CurrentRandom();
  TWord* words = WordData();
  TWord flipped = 0;
  std::int32_t left = Size();
  for (std::int32_t w = 0; left > 0; ++w, left -= kWordBits) {
    const std::int32_t bits = std::min(left, kWordBits);
    TWord mask = 0;
    for (std::int32_t j = 0; j < bits; ++j) {
      mask |= static_cast<TWord>(Probability > random.Float()) << j;
    }
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
