#pragma once

#include <cstdint>
#include <string>

#include "kx/core/consts.hpp"
#include "kx/host/encoded_bits.hpp"

namespace kx {

class TKXGAIndividual;

/// The chromosome of a GA individual: an encoded bit array with the genetic operators that
/// work on bits. Every operator that changes bits (Randomize, Mutate, Invert, CrossOver)
/// marks the owning individual's cached fitness stale without signalling a change to the
/// population, even when no bit actually changed; Clear marks nothing.
///
/// Random draws come from the library generator, in increasing bit order.
class TKXGABits : public TKXEncodedBits {
 public:
  /// An empty chromosome (Size 0) of Individual, which may be nullptr.
  explicit TKXGABits(TKXGAIndividual* Individual = nullptr) noexcept : FIndividual(Individual) {}

  std::string ClassName() const override { return "TKXGABits"; }

  /// The individual the chromosome belongs to, told of every change of the bits.
  TKXGAIndividual* Individual() const noexcept { return FIndividual; }

  /// One draw below 2 per bit: the bit is 1 when the draw is 1.
  void Randomize();
  /// One uniform draw u per bit; the bit flips when Probability > u. True when any bit
  /// flipped.
  bool Mutate(TGAProbability Probability);
  /// Complements bits Start .. Start + Count (inclusive), stopping at the end of the array.
  /// Start -1 draws Start below Size; Count -1 then draws Count below Size - Start, so the
  /// random run is never empty and ends at or before the last bit. A negative Start other
  /// than -1 raises the array's index error (when any bit would be flipped).
  void Invert(std::int32_t Start, std::int32_t Count);
  /// One-point crossover into this chromosome: bits 0 .. Point from Parent1, the following
  /// bits from Parent2, each parent only as far as its own size and this array's size
  /// reach; bits past both stay as they were. Point -1 (or less) takes everything from
  /// Parent2, Point Size - 1 (or more) everything from Parent1.
  void CrossOver(const TKXEncodedBits& Parent1, const TKXEncodedBits& Parent2, std::int32_t Point);
  /// As above with Point drawn below Parent1.Size().
  void CrossOver(const TKXEncodedBits& Parent1, const TKXEncodedBits& Parent2);

 private:
  void MarkStale() const noexcept;

  TKXGAIndividual* FIndividual;
};

}  // namespace kx
