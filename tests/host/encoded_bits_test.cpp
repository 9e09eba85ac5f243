#include "kx/host/encoded_bits.hpp"

#include "host/host_test_support.hpp"

namespace kx {
namespace {

// The oracle: the bits as a text of '0's and '1's, first bit first.
using TOracle = std::string;

// Resizes Bits to Size random bits and returns them as the oracle.
TOracle Randomize(TKXEncodedBits& Bits, std::int32_t Size) {
  TOracle oracle(Size, '0');
  Bits.SetSize(Size);
  for (std::int32_t i = 0; i < Size; ++i) Bits.SetBits(i, (oracle[i] += RandomInt(2)) == '1');
  return oracle;
}

// The bits read one by one.
TOracle BitsOf(const TKXEncodedBits& Bits) {
  TOracle bits(Bits.Size(), '0');
  for (std::int32_t i = 0; i < Bits.Size(); ++i) bits[i] += Bits.Bits(i);
  return bits;
}

// Range copies, complements, boolean fields, bit texts, assignment, resizing (shrinking, then
// growing past the old size), flips and clearing, each on random arrays and ranges, agree with the
// oracle in every bit, in the count of ones, the boolean reading of the range, the bit text and the
// key text.
TEST(EncodedBits, RandomOperationsMatchAVectorOfBools) {
  RandSeed(21);
  for (int trial = 0; trial < 400; ++trial) {
    TKXEncodedBits a, b;
    TOracle x = Randomize(a, 1 + RandomInt(300));
    const TOracle y = Randomize(b, a.Size());
    const std::int32_t size = a.Size(), start = RandomInt(size);
    const std::int32_t count = RandomInt(size - start + 1), end = start + count;
    a.SetPreserveSignBit(true);
    const int op = trial % 8;
    const bool value = trial % 2 == 0;
    if (op == 0) a.CopyRange(b, start, count);
    if (op == 1) a.ComplementRange(start, count);
    if (op == 2) a.SetAsBoolean(start, count, value);
    if (op == 3) a.SetAsBitString(start, count, b.GetAsBitString(start, count));
    if (op == 4) a.Assign(&b);  // the reader's sign setting stays
    if (op == 5) a.SetSize(start);
    if (op == 5) a.SetSize(size + 70);
    if (op == 6) a.Flip(start);
    if (op == 7) a.Clear();  // keeps the size
    for (std::int32_t i = start; i < end && op < 4; ++i)
      x[i] = op == 1 ? x[i] ^ 1 : op == 2 ? '0' + value : y[i];
    if (op == 4) x = y;
    if (op == 5) x.resize(start);
    if (op == 6) x[start] ^= 1;
    if (op == 7) x.assign(x.size(), '0');
    x.resize(a.Size(), '0');
    ASSERT_TRUE(a.PreserveSignBit());
    // An access past the end (or a bad bit text) raises and changes nothing.
    const std::int32_t back = std::min(trial % 32, a.Size());
    EXPECT_THROW(trial % 3 == 0   ? a.SetAsInt64(a.Size() - back, back + 1, -1)
                 : trial % 3 == 1 ? a.CopyRange(b, start, size - start + 1)
                                  : a.SetAsBitString(start, 1, trial % 2 ? "x" : "10"),
                 EKXException);
    EXPECT_THROW(a.SetBits(trial % 2 ? -1 : a.Size(), true), EListError);
    EXPECT_THROW(a.SetSize(-1), EListError);
    ASSERT_EQ(BitsOf(a), x) << trial;
    ASSERT_EQ(a.CountOnes(), std::count(x.begin(), x.end(), '1'));
    ASSERT_EQ(a.GetAsBoolean(start, count), x.substr(start, count).find('1') != TOracle::npos);
    ASSERT_EQ(a.ToBitString(), x);
    ASSERT_EQ(a.ToString() == b.ToString(), x == y);  // a key: equal texts for equal bits only
  }
}

// A field holds its value least significant bit first, unsigned or two's complement (the 32-bit
// accessors are exercised by the integer genes of the genetic algorithm); the
// extremes and random values of every width read back at every offset, bits around the field
// untouched.
TEST(EncodedBits, NumericFieldsRoundTripAtEveryWidthAndOffsetKeepingTheirNeighbours) {
  RandSeed(11);
  for (bool sign : {false, true}) {
    for (std::int32_t width = 1; width <= 64; ++width) {
      const std::uint64_t ones = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
      const std::int64_t low = sign ? -static_cast<std::int64_t>(ones >> 1) - 1 : 0;
      const auto high = static_cast<std::int64_t>(sign ? ones >> 1 : ones);
      const std::uint64_t high32 = CurrentRandom().Next();
      const auto random = static_cast<std::int64_t>((high32 << 32 | CurrentRandom().Next()) & ones);
      for (std::int32_t offset : {0, 1, 31, 60, 63, 64, 100}) {
        TKXEncodedBits bits;
        TOracle x = Randomize(bits, offset + width + 70);
        bits.SetPreserveSignBit(sign);
        for (std::int64_t value : {low, high, random}) {
          bits.SetAsInt64(offset, width, value);
          for (std::int32_t k = 0; k < width; ++k) x[offset + k] = '0' + ((value >> k) & 1);
          ASSERT_EQ(BitsOf(bits), x) << width << "@" << offset << " " << value;
          const std::int64_t read = sign && width < 64 && (value >> (width - 1)) & 1
                                        ? value | static_cast<std::int64_t>(~ones)
                                        : value;
          ASSERT_EQ(bits.GetAsInt64(offset, width), read) << width << "@" << offset;
        }
      }
    }
  }
  // A float field narrower than a single holds a rounded (halves to even), saturated whole
  // number; singles and doubles round-trip exactly.
  TKXEncodedBits bits;
  bits.SetSize(400);
  const std::pair<double, double> rows[] = {
      {2.5, 2.0}, {3.5, 4.0}, {1e9, 255.0}, {-4, 0.0}, {std::nan(""), 0.0}};
  for (const auto& [value, expected] : rows) {
    bits.SetAsDouble(3, 8, value);
    EXPECT_EQ(bits.GetAsDouble(3, 8), expected) << value;
    EXPECT_EQ(bits.GetAsFloat(3, 8), static_cast<float>(expected)) << value;
  }
  for (std::int32_t offset : {0, 5, 63, 130}) {
    for (float value : {-3.75e20f, std::numeric_limits<float>::denorm_min(), -0.0f}) {
      bits.SetAsFloat(offset, 32, value);
      ASSERT_EQ(std::bit_cast<std::uint32_t>(bits.GetAsFloat(offset, 32)),
                std::bit_cast<std::uint32_t>(value));
      bits.SetAsDouble(offset, 40, value);  // a single-precision field read as double
      ASSERT_EQ(bits.GetAsDouble(offset, 40), static_cast<double>(value));
    }
    for (double value : {-1.0 / 3.0, std::numeric_limits<double>::lowest()}) {
      bits.SetAsDouble(offset, 100, value);
      ASSERT_EQ(bits.GetAsDouble(offset, 100), value);
      ASSERT_EQ(bits.GetAsInteger(offset + 64, 36), 0);
    }
  }
}

}  // namespace
}  // namespace kx
