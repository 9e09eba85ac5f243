#include "kx/host/encoded_bits.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "host/host_test_support.hpp"

namespace kx {
namespace {

// Resizes Bits to Size random bits.
void Randomize(TKXEncodedBits& Bits, std::int32_t Size) {
  Bits.SetSize(Size);
  for (std::int32_t i = 0; i < Size; ++i) Bits.SetBits(i, RandomInt(2) == 1);
}

// A random value of a Width-bit field, read unsigned or as two's complement.
std::int64_t RandomField(std::int32_t Width, bool Signed) {
  std::uint64_t value = 0;
  for (std::int32_t k = 0; k < Width; ++k) value |= std::uint64_t(RandomInt(2)) << k;
  if (Signed && Width < 64 && ((value >> (Width - 1)) & 1)) value |= ~std::uint64_t{0} << Width;
  return static_cast<std::int64_t>(value);
}

TEST(EncodedBits, ResizingClearsNewBitsAndAccessChecksTheRange) {
  TKXEncodedBits bits;
  bits.SetSize(70);
  bits.ComplementRange(0, 70);
  bits.SetSize(3);
  bits.SetSize(130);
  EXPECT_EQ(bits.CountOnes(), 3);
  EXPECT_THROW(bits.SetSize(-1), EListError);
  EXPECT_THROW(bits.Bits(130), EListError);
  EXPECT_THROW(bits.GetAsInteger(126, 5), EListError);
  TKXEncodedBits shorter;
  shorter.SetSize(10);
  EXPECT_THROW(bits.CopyRange(shorter, 5, 10), EListError);
  EXPECT_EQ(bits.CountOnes(), 3);
  // Booleans set every bit of their field and read true when any bit is set.
  bits.SetAsBoolean(60, 70, true);
  EXPECT_EQ(bits.CountOnes(), 73);
  bits.SetAsBoolean(60, 70, false);
  bits.SetBits(129, true);
  EXPECT_TRUE(bits.GetAsBoolean(60, 70));
  EXPECT_FALSE(bits.GetAsBoolean(60, 69));
  EXPECT_FALSE(bits.GetAsBoolean(129, 0));
  bits.Clear();
  EXPECT_EQ(bits.Size(), 130);
  EXPECT_EQ(bits.CountOnes(), 0);
}

TEST(EncodedBits, NumericFieldsAtEveryOffsetRoundTripAndKeepTheirNeighbours) {
  RandSeed(11);
  for (bool sign : {false, true}) {
    for (std::int32_t width = 1; width <= 64; ++width) {
      const std::uint64_t ones = width == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
      const std::int64_t low = sign ? -static_cast<std::int64_t>(ones >> 1) - 1 : 0;
      const auto high = static_cast<std::int64_t>(sign ? ones >> 1 : ones);
      for (std::int32_t offset : {0, 1, 31, 60, 63, 64, 100}) {
        TKXEncodedBits bits;
        Randomize(bits, offset + width + 70);
        bits.SetPreserveSignBit(sign);
        const std::string before = bits.ToBitString();
        for (std::int64_t value : {low, high, RandomField(width, sign)}) {
          bits.SetAsInt64(offset, width, value);
          ASSERT_EQ(bits.GetAsInt64(offset, width), value) << width << "@" << offset;
          if (width < 32 || (width == 32 && sign)) {
            bits.SetAsInteger(offset, width, static_cast<std::int32_t>(value));
            ASSERT_EQ(bits.GetAsInteger(offset, width), value) << width << "@" << offset;
          }
        }
        const std::string after = bits.ToBitString();
        ASSERT_EQ(after.substr(0, offset), before.substr(0, offset));
        ASSERT_EQ(after.substr(offset + width), before.substr(offset + width));
      }
    }
  }
  // The first bit of a field is its least significant; signedness is the reader's choice.
  TKXEncodedBits bits;
  bits.SetSize(8);
  bits.SetAsInteger(0, 8, 6);
  EXPECT_EQ(bits.ToBitString(), "01100000");
  bits.SetAsInteger(0, 8, 128);
  bits.SetPreserveSignBit(true);
  EXPECT_EQ(bits.GetAsInteger(0, 8), -128);
}

TEST(EncodedBits, FloatFieldsRoundSaturateAndRoundTripExactly) {
  TKXEncodedBits bits;
  bits.SetSize(400);
  // A field narrower than a single holds a rounded (halves to even), saturated whole number.
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

TEST(EncodedBits, BitTextAssignAndToStringRoundTripAndRejectBadInput) {
  RandSeed(5);
  TKXEncodedBits source;
  Randomize(source, 201);
  TKXEncodedBits copy;
  Randomize(copy, 400);
  copy.SetPreserveSignBit(true);
  copy.Assign(&source);  // takes size and bits but keeps the reader's sign setting
  EXPECT_EQ(copy, source);
  EXPECT_TRUE(copy.PreserveSignBit());
  copy.Clear();
  copy.SetAsBitString(0, copy.Size(), source.ToBitString());
  EXPECT_EQ(copy, source);
  TKXEncodedBits before;
  before.Assign(copy);
  TKXStringList list;
  EXPECT_THROW(copy.Assign(&list), EConvertError);
  EXPECT_THROW(copy.SetAsBitString(0, 4, "10x1"), EConvertError);
  EXPECT_THROW(copy.SetAsBitString(0, 4, "101"), EConvertError);
  EXPECT_THROW(copy.SetAsBitString(199, 4, "1011"), EListError);
  EXPECT_EQ(copy, before);
  // ToString tells every array apart: by width, and by each single bit.
  TKXEncodedBits empty, four;
  four.SetSize(4);
  EXPECT_NE(empty.ToString(), four.ToString());
  const std::string text = source.ToString();
  for (std::int32_t i = 0; i < source.Size(); ++i) {
    source.Flip(i);
    ASSERT_NE(source.ToString(), text) << i;
    source.Flip(i);
  }
}

TEST(EncodedBits, RangeOperationsMatchBitByBitResults) {
  RandSeed(21);
  for (int trial = 0; trial < 200; ++trial) {
    const std::int32_t size = 1 + RandomInt(300);
    const std::int32_t start = RandomInt(size);
    const std::int32_t count = RandomInt(size - start + 1);
    TKXEncodedBits a;
    Randomize(a, size);
    TKXEncodedBits b;
    Randomize(b, size);
    std::string expected = a.ToBitString();
    const std::string from = b.ToBitString();
    for (std::int32_t i = start; i < start + count; ++i) expected[i] = from[i];
    a.CopyRange(b, start, count);
    ASSERT_EQ(a.ToBitString(), expected) << size << " " << start << " " << count;
    for (std::int32_t i = start; i < start + count; ++i)
      expected[i] = expected[i] == '1' ? '0' : '1';
    a.ComplementRange(start, count);
    ASSERT_EQ(a.ToBitString(), expected);
    ASSERT_EQ(a.CountOnes(), std::count(expected.begin(), expected.end(), '1'));
  }
}

}  // namespace
}  // namespace kx
