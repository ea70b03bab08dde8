// Packed forms, rounding on the decimal value, number texts and text utilities.
#include "host/HostConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/Cp1252.h"
#include "host/HostError.h"

namespace actifix {
namespace {

const HostConvert kConvert;

// The `size` low bytes of `bits`, least significant first: the packed form's byte order.
std::string LittleEndian(uint64_t bits, std::size_t size) {
  std::string bytes;
  for (std::size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>(bits >> (8 * i)));
  return bytes;
}

// One byte at any position over a fill of 0x00, 0x20 or 0xFF (NaN payloads and signalling NaNs
// among them), and values no such pattern reaches, pack little-endian and unpack bit for bit,
// but that an all-blank field (a blank-filled record) reads as 0.
TEST(HostConvertPack, LittleEndianIeeeBitForBit) {
  std::vector<uint64_t> patterns = {std::bit_cast<uint64_t>(-2.5), 0xFFF0000000000000,
                                    0x7FF8DEADBEEF0001, 0x7FEFFFFFFFFFFFFF};
  for (uint64_t fill : {0x00, 0x20, 0xFF})
    for (uint64_t b = 0; b < 256; ++b)
      for (int at = 0; at < 8; ++at)
        patterns.push_back((fill * 0x0101010101010101 & ~(0xFFull << 8 * at)) | b << 8 * at);
  for (const uint64_t bits : patterns) {
    std::string packed;
    kConvert.PackDouble(std::bit_cast<double>(bits), packed);
    ASSERT_EQ(packed, LittleEndian(bits, 8)) << std::hex << bits;
    double back = 7;
    kConvert.UnpackDouble(packed, back);
    ASSERT_EQ(std::bit_cast<uint64_t>(back), packed == std::string(8, ' ') ? 0 : bits) << bits;
    const auto single = static_cast<uint32_t>(bits);
    kConvert.PackSingle(std::bit_cast<float>(single), packed);
    ASSERT_EQ(packed, LittleEndian(single, 4)) << std::hex << single;
    float singleBack = 7;
    kConvert.UnpackSingle(packed, singleBack);
    ASSERT_EQ(std::bit_cast<uint32_t>(singleBack), packed == "    " ? 0 : single) << single;
  }
  std::string packed;
  kConvert.PackSingle(12.5f, packed);
  EXPECT_EQ(packed, std::string("\x00\x00\x48\x41", 4));
  double value = 0;
  float single = 0;
  EXPECT_THROW(kConvert.UnpackDouble("1234567", value), HostError);
  EXPECT_THROW(kConvert.UnpackDouble("123456789", value), HostError);
  EXPECT_THROW(kConvert.UnpackSingle("", single), HostError);
}

struct Case {
  double value;
  int decimals;
  const char* text;  // the expected double's shortest text, or the expected number text
};

std::string Shortest(double value) {
  char buffer[64];
  return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// What the random test below cannot reach: ties whose binary double lies below the decimal tie,
// tens, huge and tiny values, signed zeros, non-finite values; then the texts of the rounding.
TEST(HostConvertRound, HalfAwayFromZeroOnTheDecimalValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case rounded[] = {
      {1008.215, 2, "1008.22"}, {1.005, 2, "1.01"},   {-2.675, 2, "-2.68"},
      {0.005, 2, "0.01"},       {-0.005, 2, "-0.01"}, {-0.0049999, 2, "0"},
      {0.004, 2, "0"},          {-99.995, 2, "-100"}, {0.5, 0, "1"},
      {-0.5, 0, "-1"},          {0.4, 0, "0"},        {150.5, 2, "150.5"},
      {1235, -1, "1240"},       {1234, -1, "1230"},   {1e300, 2, "1e+300"},
      {1e-300, 2, "0"},         {0.0, 2, "0"},        {-0.0, 2, "0"},
      {-HUGE_VAL, 2, "-inf"},   {nan, 2, "nan"},
  };
  for (const Case& c : rounded) {
    SCOPED_TRACE(Shortest(c.value) + " to " + std::to_string(c.decimals));
    double result = 42;
    kConvert.Round(c.value, static_cast<int16_t>(c.decimals), result);
    EXPECT_EQ(Shortest(result), c.text);
    EXPECT_EQ(Shortest(RoundHalfAway(c.value, c.decimals)), c.text);
    int16_t zero = 7;
    kConvert.IsZero(c.value, static_cast<int16_t>(c.decimals), zero);
    EXPECT_EQ(zero, std::string(c.text) == "0" ? -1 : 0);
  }
  const Case texts[] = {
      // FormatNumber's; FormatAmount's has "," for "."
      {1008.215, 2, "1008.22"}, {-0.0049999, 2, "0.00"},
      {-0.0, 2, "0.00"},        {-0.005, 2, "-0.01"},
      {1234.5, 2, "1234.50"},   {-1.5, 2, "-1.50"},
      {-0.5, 0, "-1"},          {-0.4, 0, "0"},
      {1.23456, 4, "1.2346"},   {1e15, 0, "1000000000000000"},
  };
  for (const Case& c : texts) {
    std::string number = "junk", amount = "junk", expected = c.text;
    kConvert.FormatNumber(c.value, static_cast<int16_t>(c.decimals), number);
    kConvert.FormatAmount(c.value, static_cast<int16_t>(c.decimals), amount);
    EXPECT_EQ(number, expected) << c.value;
    std::replace(expected.begin(), expected.end(), '.', ',');  // FormatAmount's decimal comma
    EXPECT_EQ(amount, expected) << c.value;
  }
  // Shortest text that reads back, never in exponent form.
  const std::pair<double, const char*> shortest[] = {{-3.25, "-3.25"},     {-0.0, "0"},
                                                     {0.1, "0.1"},         {1e-5, "0.00001"},
                                                     {1234567, "1234567"}, {1008.215, "1008.215"}};
  for (const auto& [value, expected] : shortest) {
    std::string text;
    kConvert.NumberToText(value, text);
    EXPECT_EQ(text, expected);
  }
}

// The double nearest to mantissa x 10^-scale.
double FromDecimal(int64_t mantissa, int scale) {
  const std::string text = std::to_string(mantissa) + "e-" + std::to_string(scale);
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// Random decimals against a reference rounding on their integer digits, half of them ties or
// one unit below a tie; then random doubles, and doubles a few ulps either side of binary ties,
// on which the binary fast path must decide as the decimal-text method alone does.
TEST(HostConvertRound, RandomDecimalsAndDoubles) {
#ifdef NDEBUG
  constexpr int kCases = 1'000'000;
#else
  constexpr int kCases = 200'000;  // to stay under a second
#endif
  std::mt19937_64 random(20260101);
  int failures = 0;
  std::string firstFailure;
  auto check = [&](double value, int decimals, double expected) {
    const double result = RoundHalfAway(value, decimals);
    if (std::bit_cast<uint64_t>(result) != std::bit_cast<uint64_t>(expected + 0.0) &&
        failures++ == 0)
      firstFailure = Shortest(value) + " to " + std::to_string(decimals) + " gave " +
                     Shortest(result) + ", expected " + Shortest(expected);
  };
  for (int n = 0; n < kCases; ++n) {  // k x 10^-scale
    const int scale = std::uniform_int_distribution<int>(1, 5)(random);
    const int decimals = std::uniform_int_distribution<int>(0, scale - 1)(random);
    int64_t unit = 1;  // one unit of the last decimal kept, in units of 10^-scale
    for (int i = decimals; i < scale; ++i) unit *= 10;
    const int64_t rest = n % 4 == 0   ? unit / 2
                         : n % 4 == 1 ? unit / 2 - 1
                                      : std::uniform_int_distribution<int64_t>(0, unit - 1)(random);
    const int64_t k =
        std::uniform_int_distribution<int64_t>(0, 9'999'999'999)(random) * unit + rest;
    const int64_t q = k / unit + (k % unit >= unit / 2 ? 1 : 0);
    const int sign = random() % 2 ? 1 : -1;
    check(FromDecimal(sign * k, scale), decimals, FromDecimal(sign * q, decimals));
  }
  for (int n = 0; n < 20'000; ++n) {
    const int decimals = std::uniform_int_distribution<int>(0, 6)(random);
    const double value =
        std::pow(10.0, std::uniform_real_distribution<double>(-8.0, 13.0)(random)) *
        (n % 2 ? 1 : -1);
    check(value, decimals, RoundHalfAwayExact(value, decimals));
    const double power = std::pow(10.0, decimals);
    double near = (std::floor(std::fabs(value) * power) + 0.5) / power;  // a binary tie
    for (int ulps = 0; ulps < 4; ++ulps) near = std::nextafter(near, 0.0);
    for (int ulps = 0; ulps < 8; ++ulps, near = std::nextafter(near, 1e300))
      check(near, decimals, RoundHalfAwayExact(near, decimals));
  }
  EXPECT_EQ(failures, 0) << "first failure: " << firstFailure;
}

TEST(HostConvertText, TrimPadAndUpper) {
  const std::pair<const char*, const char*> trims[] = {
      {"  a b  ", "a b"}, {"   ", ""}, {"", ""}, {"\ta\t", "\ta\t"}, {" x", "x"}};
  for (const auto& [in, out] : trims) {
    std::string result = "junk";
    kConvert.Trim(in, result);
    EXPECT_EQ(result, out) << '"' << in << '"';
  }
  const std::tuple<const char*, int16_t, const char*> pads[] = {
      {"ab", 5, "ab   "}, {"abcdef", 3, "abc"}, {"", 2, "  "}, {"abc", 0, ""}, {"abc", 3, "abc"}};
  for (const auto& [in, width, out] : pads) {
    std::string result = "junk";
    kConvert.Pad(in, 0, width, result);
    EXPECT_EQ(result, out);
  }
  // Windows-1252 letters too; upper case letters, ÷, ß, µ and € (no single-byte upper case) kept.
  std::string upper(" abcxyz AZ 09 àâäçèéêëîïôöùûüÿœšžæøåñõþ ÷ßµ€ ÀÉÞŒŠŽŸ"_w);
  kConvert.Upper(upper);
  EXPECT_EQ(upper, " ABCXYZ AZ 09 ÀÂÄÇÈÉÊËÎÏÔÖÙÛÜŸŒŠŽÆØÅÑÕÞ ÷ßµ€ ÀÉÞŒŠŽŸ"_w) << ToUtf8(upper);
}

}  // namespace
}  // namespace actifix
