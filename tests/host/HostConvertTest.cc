// Packed forms, rounding on the decimal value, number texts and text utilities.
#include "host/HostConvert.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "host/Cp1252.h"
#include "host/HostError.h"

namespace actifix {
namespace {

const HostConvert kConvert;

// ---- Packed forms --------------------------------------------------------------------------

// Exact little-endian IEEE bytes, read back bit for bit: the values no single-byte pattern of
// the test below reaches (infinities, NaN payloads, the largest finite).
TEST(HostConvertPack, LittleEndianIeeeBitForBit) {
  const struct {
    uint64_t bits;
    std::string packed;
  } doubles[] = {
      {std::bit_cast<uint64_t>(1.0), std::string("\x00\x00\x00\x00\x00\x00\xF0\x3F", 8)},
      {std::bit_cast<uint64_t>(-2.5), std::string("\x00\x00\x00\x00\x00\x00\x04\xC0", 8)},
      {0xFFF0000000000000, std::string("\x00\x00\x00\x00\x00\x00\xF0\xFF", 8)},  // -inf
      {0x7FF8DEADBEEF0001, std::string("\x01\x00\xEF\xBE\xAD\xDE\xF8\x7F", 8)},  // NaN payload
      {0xFFF0000000000001, std::string("\x01\x00\x00\x00\x00\x00\xF0\xFF", 8)},  // signalling
      {0x7FEFFFFFFFFFFFFF, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xEF\x7F", 8)},  // largest
  };
  for (const auto& c : doubles) {
    std::string packed;
    kConvert.PackDouble(std::bit_cast<double>(c.bits), packed);
    EXPECT_EQ(packed, c.packed) << std::hex << c.bits;
    double back = 0;
    kConvert.UnpackDouble(packed, back);
    EXPECT_EQ(std::bit_cast<uint64_t>(back), c.bits) << std::hex << c.bits;
  }
  std::string packed;
  kConvert.PackSingle(1.0f, packed);
  EXPECT_EQ(packed, std::string("\x00\x00\x80\x3F", 4));
  kConvert.PackSingle(12.5f, packed);
  EXPECT_EQ(packed, std::string("\x00\x00\x48\x41", 4));
}

// Every byte value at every position of a packed text reads back to the same text; the one
// exception is the all-blank text, which reads as 0.
TEST(HostConvertPack, EveryByteAtEveryPositionRoundTrips) {
  for (int b = 0; b < 256; ++b) {
    for (int fill : {0x00, 0x20, 0xFF}) {
      for (std::size_t at = 0; at < 8; ++at) {
        std::string text(8, static_cast<char>(fill));
        text[at] = static_cast<char>(b);
        if (text == std::string(8, ' ')) continue;
        double value = 0;
        kConvert.UnpackDouble(text, value);
        std::string again;
        kConvert.PackDouble(value, again);
        ASSERT_EQ(0, std::memcmp(text.data(), again.data(), 8)) << "byte " << b << " at " << at;

        const std::string text4 = text.substr(0, 4);
        if (text4 == "    ") continue;
        float single = 0;
        kConvert.UnpackSingle(text4, single);
        kConvert.PackSingle(single, again);
        ASSERT_EQ(0, std::memcmp(text4.data(), again.data(), 4)) << "byte " << b << " at " << at;
      }
    }
  }
}

TEST(HostConvertPack, BlankFieldsReadAsZeroWrongSizesAreHostErrors) {
  double value = 7;
  kConvert.UnpackDouble(std::string(8, ' '), value);
  EXPECT_EQ(std::bit_cast<uint64_t>(value), 0u);
  float single = 7;
  kConvert.UnpackSingle(std::string(4, ' '), single);
  EXPECT_EQ(std::bit_cast<uint32_t>(single), 0u);
  EXPECT_THROW(kConvert.UnpackDouble("1234567", value), HostError);
  EXPECT_THROW(kConvert.UnpackDouble("123456789", value), HostError);
  EXPECT_THROW(kConvert.UnpackSingle("", single), HostError);
}

// ---- Rounding ------------------------------------------------------------------------------

struct RoundCase {
  double value;
  int decimals;
  const char* expected;  // shortest text of the expected double
};

std::string Shortest(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

TEST(HostConvertRound, HalfAwayFromZeroOnTheDecimalValue) {
  // Named cases for Round and RoundHalfAway both; the random test below covers the ties,
  // near-ties and carries of every scale for RoundHalfAway.
  const RoundCase cases[] = {
      // Ties whose binary double lies below the decimal tie, both signs.
      {1008.215, 2, "1008.22"},
      {1.005, 2, "1.01"},
      {-2.675, 2, "-2.68"},
      {0.005, 2, "0.01"},
      {-0.005, 2, "-0.01"},
      {-0.0049999, 2, "0"},  // no negative zero
      {-99.995, 2, "-100"},  // a carry through nines
      {0.5, 0, "1"},
      {-0.5, 0, "-1"},
      // Beyond the random test: tens, huge and tiny values, signed zeros.
      {1235, -1, "1240"},
      {1234, -1, "1230"},
      {1e300, 2, "1e+300"},
      {1e-300, 2, "0"},
      {0.0, 2, "0"},
      {-0.0, 2, "0"},
  };
  for (const auto& c : cases) {
    double result = 42;
    kConvert.Round(c.value, static_cast<int16_t>(c.decimals), result);
    EXPECT_EQ(Shortest(result), c.expected) << c.value << " to " << c.decimals;
    EXPECT_EQ(Shortest(RoundHalfAway(c.value, c.decimals)), c.expected);
  }
}

TEST(HostConvertRound, NonFiniteValuesPassThrough) {
  EXPECT_TRUE(std::isnan(RoundHalfAway(std::numeric_limits<double>::quiet_NaN(), 2)));
  EXPECT_TRUE(std::isinf(RoundHalfAway(-std::numeric_limits<double>::infinity(), 2)));
}

// The double nearest to the decimal mantissa x 10^-scale; `text` receives its decimal text.
struct Decimal {
  char text[64];
  std::size_t size = 0;
  std::string str() const { return std::string(text, size); }
};
double FromDecimal(int64_t mantissa, int scale, Decimal& decimal) {
  char* end = std::to_chars(decimal.text, decimal.text + 30, mantissa).ptr;
  *end++ = 'e';
  *end++ = '-';
  end = std::to_chars(end, end + 4, scale).ptr;
  decimal.size = static_cast<std::size_t>(end - decimal.text);
  double value = 0;
  std::from_chars(decimal.text, end, value);
  return value;
}

// Random decimals k x 10^-scale against a reference rounding done on the integer k, both
// signs; half of them are ties or one unit below a tie, where binary rounding goes wrong.
// A Release build checks 1,000,000 values; a Debug build 200,000 to stay under a second.
TEST(HostConvertRound, MatchesIntegerReferenceOnRandomDecimals) {
#ifdef NDEBUG
  constexpr int kCases = 1'000'000;
#else
  constexpr int kCases = 200'000;
#endif
  std::mt19937_64 random(20260101);
  std::uniform_int_distribution<int64_t> wholeUnits(0, 9'999'999'999LL);
  std::uniform_int_distribution<int> scales(1, 5);
  int failures = 0;
  std::string firstFailure;
  Decimal text;
  Decimal refText;
  for (int n = 0; n < kCases; ++n) {
    const int scale = scales(random);
    const int decimals = std::uniform_int_distribution<int>(0, scale - 1)(random);
    int64_t unit = 1;  // one unit of the last decimal kept, in units of 10^-scale
    for (int i = decimals; i < scale; ++i) unit *= 10;
    // A tie, one unit below a tie, or anywhere.
    const int64_t rest = n % 4 == 0   ? unit / 2
                         : n % 4 == 1 ? unit / 2 - 1
                                      : std::uniform_int_distribution<int64_t>(0, unit - 1)(random);
    const int64_t magnitude = wholeUnits(random) * unit + rest;
    const bool negative = random() % 2 == 0;
    const double value = FromDecimal(negative ? -magnitude : magnitude, scale, text);
    // Reference on integers: drop (scale - decimals) digits, half away from zero.
    int64_t q = magnitude / unit + (magnitude % unit >= unit / 2 ? 1 : 0);
    const double expected = FromDecimal(negative ? -q : q, decimals, refText);
    const double result = RoundHalfAway(value, decimals);
    if (std::bit_cast<uint64_t>(result) != std::bit_cast<uint64_t>(expected + 0.0)) {
      if (failures++ == 0)
        firstFailure = text.str() + " to " + std::to_string(decimals) + " gave " +
                       Shortest(result) + ", expected " + refText.str();
    }
  }
  EXPECT_EQ(failures, 0) << "first failure: " << firstFailure;
}

// The binary fast path must decide exactly as the decimal-text method on any double:
// random magnitudes, and values a few ulps either side of binary ties.
TEST(HostConvertRound, FastPathAgreesWithTheDecimalTextMethod) {
  std::mt19937_64 random(99);
  std::uniform_real_distribution<double> exponent(-8.0, 13.0);
  std::uniform_int_distribution<int> decimalsOf(0, 6);
  int failures = 0;
  std::string firstFailure;
  auto check = [&](double value, int decimals) {
    const double fast = RoundHalfAway(value, decimals);
    const double exact = RoundHalfAwayExact(value, decimals);
    if (std::bit_cast<uint64_t>(fast) != std::bit_cast<uint64_t>(exact) && failures++ == 0)
      firstFailure = Shortest(value) + " to " + std::to_string(decimals) + ": " + Shortest(fast) +
                     " vs " + Shortest(exact);
  };
  for (int n = 0; n < 20'000; ++n) {
    const int decimals = decimalsOf(random);
    const double value = std::pow(10.0, exponent(random)) * (random() % 2 ? 1 : -1);
    check(value, decimals);
    // A binary tie at this scale, and its neighbours.
    const double tie =
        (std::floor(std::fabs(value) * std::pow(10.0, decimals)) + 0.5) / std::pow(10.0, decimals);
    double near = tie;
    for (int ulps = 0; ulps < 4; ++ulps) near = std::nextafter(near, 0.0);
    for (int ulps = 0; ulps < 8; ++ulps, near = std::nextafter(near, 1e300)) check(near, decimals);
  }
  EXPECT_EQ(failures, 0) << "first failure: " << firstFailure;
}

TEST(HostConvertRound, IsZeroAtTheGivenDecimals) {
  const struct {
    double value;
    int decimals;
    int16_t flag;
  } cases[] = {
      {0.0, 2, -1},   {-0.0, 2, -1},   {0.004, 2, -1},   {-0.004, 2, -1}, {0.005, 2, 0},
      {-0.005, 2, 0}, {0.0004, 3, -1}, {0.0005, 3, 0},   {0.4, 0, -1},    {-0.5, 0, 0},
      {1e-12, 2, -1}, {150.5, 2, 0},   {-1e-300, 2, -1},
  };
  for (const auto& c : cases) {
    int16_t flag = 7;
    kConvert.IsZero(c.value, static_cast<int16_t>(c.decimals), flag);
    EXPECT_EQ(flag, c.flag) << c.value << " at " << c.decimals;
  }
}

// ---- Number texts --------------------------------------------------------------------------

TEST(HostConvertText, FormatNumberAndAmount) {
  const struct {
    double value;
    int decimals;
    const char* number;
    const char* amount;
  } cases[] = {
      {1234.5, 2, "1234.50", "1234,50"},
      {-1.5, 2, "-1.50", "-1,50"},
      {0.0, 2, "0.00", "0,00"},
      {-0.0, 2, "0.00", "0,00"},
      {-0.004, 2, "0.00", "0,00"},
      {-0.005, 2, "-0.01", "-0,01"},
      {1008.215, 2, "1008.22", "1008,22"},
      {-2.675, 2, "-2.68", "-2,68"},
      {1234567.891, 4, "1234567.8910", "1234567,8910"},
      {-0.5, 0, "-1", "-1"},
      {-0.4, 0, "0", "0"},
      {1e15, 2, "1000000000000000.00", "1000000000000000,00"},
  };
  for (const auto& c : cases) {
    std::string number = "junk";
    std::string amount = "junk";
    kConvert.FormatNumber(c.value, static_cast<int16_t>(c.decimals), number);
    kConvert.FormatAmount(c.value, static_cast<int16_t>(c.decimals), amount);
    EXPECT_EQ(number, c.number) << c.value;
    EXPECT_EQ(amount, c.amount) << c.value;
  }
}

TEST(HostConvertText, NumberToTextIsShortest) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {-3.25, "-3.25"},       {0.0, "0"},        {-0.0, "0"},
      {0.1, "0.1"},           {1e-5, "0.00001"}, {1234567.0, "1234567"},
      {1008.215, "1008.215"},
  };
  for (const auto& c : cases) {
    std::string text;
    kConvert.NumberToText(c.value, text);
    EXPECT_EQ(text, c.text);
  }
}

// ---- Text utilities ------------------------------------------------------------------------

TEST(HostConvertText, TrimRemovesBlanksOnly) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"abc", "abc"}, {"\ta\t", "\ta\t"}, {" x", "x"},
  };
  for (const auto& c : cases) {
    std::string result = "junk";
    kConvert.Trim(c.in, result);
    EXPECT_EQ(result, c.out) << '"' << c.in << '"';
  }
}

TEST(HostConvertText, UpperHandlesWindows1252Letters) {
  const struct {
    std::string_view in;
    std::string_view out;
  } cases[] = {
      {"abcxyz AZ 09", "ABCXYZ AZ 09"},
      {"Création"_w, "CRÉATION"_w},
      {"àâäçèéêëîïôöùûüÿ"_w, "ÀÂÄÇÈÉÊËÎÏÔÖÙÛÜŸ"_w},
      {"œšžæøåñõþ"_w, "ŒŠŽÆØÅÑÕÞ"_w},
      {"÷ßµ€"_w, "÷ßµ€"_w},  // no single-byte upper case: kept
  };
  for (const auto& c : cases) {
    std::string text(c.in);
    kConvert.Upper(text);
    EXPECT_EQ(text, c.out) << ToUtf8(c.in);
  }
  // Upper case is stable: no byte is mapped to one that would change again.
  for (int b = 0; b < 256; ++b) {
    std::string once(1, static_cast<char>(b));
    kConvert.Upper(once);
    std::string twice = once;
    kConvert.Upper(twice);
    EXPECT_EQ(once, twice) << "byte " << b;
  }
}

TEST(HostConvertText, PadBlankPadsOrCuts) {
  const struct {
    const char* in;
    int width;
    const char* out;
  } cases[] = {
      {"ab", 5, "ab   "}, {"abcdef", 3, "abc"}, {"", 2, "  "}, {"abc", 0, ""}, {"abc", 3, "abc"},
  };
  for (const auto& c : cases) {
    std::string result = "junk";
    kConvert.Pad(c.in, 0, static_cast<int16_t>(c.width), result);
    EXPECT_EQ(result, c.out);
  }
}

}  // namespace
}  // namespace actifix
