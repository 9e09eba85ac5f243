#pragma once

#include <cstdint>

namespace kx {

/// The library's uniform generator: a PCG32 (64-bit LCG state, 32-bit permuted output).
/// One instance is the library-wide generator; the parallel loop derives independent,
/// reproducible streams from it by seeding further instances with a per-iteration stream
/// number (see TKXRandomScope), so no generator is ever shared between threads.
class TKXRandom {
 public:
  /// The seed of a generator constructed without one.
  static constexpr std::uint64_t kDefaultSeed = 0x853c49e6748fea9bULL;

  /// A generator seeded with Seed on stream Stream (see Seed).
  explicit TKXRandom(std::uint64_t Seed = kDefaultSeed, std::uint64_t Stream = 0) noexcept {
    this->Seed(Seed, Stream);
  }

  /// Restarts the sequence; different Stream values give independent sequences.
  void Seed(std::uint64_t Seed, std::uint64_t Stream = 0) noexcept {
    FState = 0;
    FInc = (Stream << 1u) | 1u;
    Next();
    FState += Seed;
    Next();
  }

  /// 32 uniformly distributed bits.
  std::uint32_t Next() noexcept {
    const std::uint64_t old = FState;
    FState = old * 6364136223846793005ULL + FInc;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18u) ^ old) >> 27u);
    const auto rot = static_cast<std::uint32_t>(old >> 59u);
    return (xorshifted >> rot) | (xorshifted << ((-rot) & 31u));
  }

  /// A uniform integer in [0, N); 0 when N <= 0. Uses the top bits of a 32x32 product, so
  /// the bias for N far below 2^32 is negligible and there is no division.
  std::int32_t Integer(std::int32_t N) noexcept {
    if (N <= 0) return 0;
    return static_cast<std::int32_t>(
        (static_cast<std::uint64_t>(Next()) * static_cast<std::uint32_t>(N)) >> 32u);
  }

  /// A uniform double in [0, 1) with 32 bits of resolution.
  double Float() noexcept { return Next() * (1.0 / 4294967296.0); }

  /// The whole state: a generator given it back continues exactly where this one was.
  struct TState {
    std::uint64_t State;      ///< The sequence's position.
    std::uint64_t Increment;  ///< The stream (always odd).
    /// Two states are equal when both generators continue with the same numbers.
    friend bool operator==(const TState&, const TState&) = default;
  };
  /// The generator's state now (see SetState).
  TState State() const noexcept { return {FState, FInc}; }
  /// An even increment is not a valid stream; its low bit is set.
  void SetState(const TState& Value) noexcept {
    FState = Value.State;
    FInc = Value.Increment | 1u;
  }

 private:
  std::uint64_t FState = 0;
  std::uint64_t FInc = 1;

 public:
  /// Count successive Next() values into Draws, the generator ending where Count calls of
  /// Next would leave it. Bulk draws run several steps of the sequence side by side, which
  /// is faster than Count calls (each Next waits on the previous state).
  void NextBlock(std::uint32_t* Draws, std::int32_t Count) noexcept;

  /// The threshold that decides P > Float() on the raw draw: for every n = Next(),
  /// P > n / 2^32 exactly when n < FloatThreshold(P).
  ///
  /// Why it is exact: Float() is n * 2^-32 without rounding (n < 2^32 fits a double's
  /// mantissa and scaling by a power of two is exact), so P > Float() compares the real
  /// numbers P and n / 2^32, which is P * 2^32 > n. For 0 < P < 1, t = P * 2^32 is also an
  /// exact double (a power-of-two scaling that stays in range) in (0, 2^32). For an integer
  /// n, t > n holds exactly when ceil(t) > n, and ceil(t) is floor(t) plus one when t has a
  /// fraction. P >= 1 exceeds every draw (2^32); P <= 0 and NaN exceed none (0).
  static constexpr std::uint64_t FloatThreshold(double P) noexcept {
    if (!(P > 0)) return 0;
    if (P >= 1) return std::uint64_t{1} << 32u;
    const double scaled = P * 4294967296.0;
    const auto whole = static_cast<std::uint64_t>(scaled);
    return whole + (static_cast<double>(whole) != scaled ? 1u : 0u);
  }
};

/// The library-wide generator. Its default seed is fixed, so a run is reproducible even
/// when the application never seeds it.
TKXRandom& LibraryRandom() noexcept;

namespace detail {
inline thread_local TKXRandom* tCurrentRandom = nullptr;
}

/// The generator that draws on this thread use: the library generator, unless a
/// TKXRandomScope installed another one.
inline TKXRandom& CurrentRandom() noexcept {
  TKXRandom* current = detail::tCurrentRandom;
  return current != nullptr ? *current : LibraryRandom();
}

/// Seeds the library-wide generator: the same seed gives the same sequence.
void RandSeed(std::uint64_t Seed) noexcept;

/// The state of this thread's current generator (the library generator outside a parallel
/// iteration) and its restoration: after SetRandomState(RandomState()) taken earlier, the
/// draws repeat exactly. The parallel loop derives its streams from draws of the calling
/// thread's generator, so this state is all a run needs to continue identically.
inline TKXRandom::TState RandomState() noexcept { return CurrentRandom().State(); }
inline void SetRandomState(const TKXRandom::TState& Value) noexcept {
  CurrentRandom().SetState(Value);
}

/// A uniform integer in [0, N) (0 when N <= 0) from the current generator.
inline std::int32_t RandomInt(std::int32_t N) noexcept { return CurrentRandom().Integer(N); }
/// A uniform double in [0, 1) from the current generator.
inline double RandomFloat() noexcept { return CurrentRandom().Float(); }

/// Makes Generator the current generator of this thread for the scope's lifetime, then
/// restores the previous one. The parallel loop gives each iteration its own generator
/// seeded from (generation seed, iteration number) this way.
class TKXRandomScope {
 public:
  /// Makes Generator the thread's current generator until the scope ends.
  explicit TKXRandomScope(TKXRandom& Generator) noexcept : FPrevious(detail::tCurrentRandom) {
    detail::tCurrentRandom = &Generator;
  }
  ~TKXRandomScope() { detail::tCurrentRandom = FPrevious; }
  TKXRandomScope(const TKXRandomScope&) = delete;
  TKXRandomScope& operator=(const TKXRandomScope&) = delete;

 private:
  TKXRandom* FPrevious;
};

}  // namespace kx
