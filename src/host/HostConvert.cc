// Conversions of the host: packed amounts and rates, rounding on the decimal value, number
// texts and the small text utilities. See HostConvert.h for the rules.
#include "host/HostConvert.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <system_error>

#include "host/HostError.h"
#include "host/Text.h"

namespace actifix {

namespace {

static_assert(sizeof(double) == 8 && sizeof(float) == 4);
static_assert(std::endian::native == std::endian::little ||
              std::endian::native == std::endian::big);

// The bytes of an IEEE value in little-endian order, whatever the machine's order.
template <typename T>
std::string LittleEndianBytes(T value) {
  std::string bytes(sizeof(T), '\0');
  std::memcpy(bytes.data(), &value, sizeof(T));
  if constexpr (std::endian::native == std::endian::big) std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

template <typename T>
T FromLittleEndianBytes(const std::string& packed, const char* operation) {
  if (packed.size() != sizeof(T))
    throw HostError(ErrorKind::kInvalidInput, operation, std::to_string(packed.size()) + " octets",
                    "la forme compacte doit avoir " + std::to_string(sizeof(T)) + " octets");
  if (std::all_of(packed.begin(), packed.end(), [](char c) { return c == ' '; })) return T{0};
  std::string bytes = packed;
  if constexpr (std::endian::native == std::endian::big) std::reverse(bytes.begin(), bytes.end());
  T value;
  std::memcpy(&value, bytes.data(), sizeof(T));
  return value;
}

// Largest text std::to_chars writes for a double in fixed notation (1.8e308 has 309 digits,
// the smallest subnormal about 1074 decimals) or in scientific notation.
constexpr std::size_t kFixedBuffer = 1100;

// Rounds the decimal number `digits` x 10^(exponent - digits.size() + 1) (that is,
// d0.d1d2... x 10^exponent) to `decimals` decimals, half away from zero, on its magnitude.
// Returns false when the number rounds to zero; otherwise digits/exponent hold the result.
bool RoundDigits(std::string& digits, int& exponent, int decimals) {
  // Number of leading digits kept: those at or left of the 10^-decimals position.
  const long kept = static_cast<long>(exponent) + 1 + decimals;
  if (kept >= static_cast<long>(digits.size())) return true;  // Already exact at `decimals`.
  if (kept < 0) return false;                                 // Below half of the last unit.
  const bool up = digits[static_cast<std::size_t>(kept)] >= '5';
  digits.resize(static_cast<std::size_t>(kept));
  if (up) {
    std::size_t i = digits.size();
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i == 0) {
      digits.insert(digits.begin(), '1');
      ++exponent;
    } else {
      ++digits[i - 1];
    }
  }
  const bool nonzero = digits.find_first_not_of('0') != std::string::npos;
  return nonzero;
}

}  // namespace

double RoundHalfAwayExact(double value, int decimals) {
  if (!std::isfinite(value) || value == 0.0) return value == 0.0 ? 0.0 : value;
  // Shortest scientific text that reads back as `value`: "-1.008215e+03".
  char buffer[64];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  const bool negative = text.front() == '-';
  const std::size_t e = text.find('e');
  std::string digits;
  digits.reserve(24);
  for (std::size_t i = negative ? 1 : 0; i < e; ++i)
    if (text[i] != '.') digits.push_back(text[i]);
  int exponent = 0;
  const char* expBegin = text.data() + e + 1;
  if (*expBegin == '+') ++expBegin;
  std::from_chars(expBegin, text.data() + text.size(), exponent);

  if (!RoundDigits(digits, exponent, decimals)) return 0.0;

  // Read the rounded decimal back: "-d.ddde<exponent>".
  char out[64];
  char* p = out;
  if (negative) *p++ = '-';
  *p++ = digits[0];
  if (digits.size() > 1) {
    *p++ = '.';
    std::memcpy(p, digits.data() + 1, digits.size() - 1);
    p += digits.size() - 1;
  }
  *p++ = 'e';
  p = std::to_chars(p, out + sizeof out, exponent).ptr;
  double result = 0.0;
  std::from_chars(out, p, result);
  return result;
}

double RoundHalfAwaySlow(double value, int decimals) {
  if (!std::isfinite(value) || value == 0.0) return value == 0.0 ? 0.0 : value;
  // An integer needs no rounding to a whole number of decimals.
  if (decimals >= 0 && value == std::trunc(value)) return value;
  return RoundHalfAwayExact(value, decimals);
}

void HostConvert::PackDouble(const double& value, std::string& packed) const {
  packed = LittleEndianBytes(value);
}

void HostConvert::UnpackDouble(const std::string& packed, double& value) const {
  value = FromLittleEndianBytes<double>(packed, "HostConvert.UnpackDouble");
}

void HostConvert::PackSingle(const float& value, std::string& packed) const {
  packed = LittleEndianBytes(value);
}

void HostConvert::UnpackSingle(const std::string& packed, float& value) const {
  value = FromLittleEndianBytes<float>(packed, "HostConvert.UnpackSingle");
}

void HostConvert::FormatNumber(double value, const int16_t& decimals, std::string& text) const {
  const int places = std::max<int>(decimals, 0);
  double rounded = RoundHalfAway(value, places);
  if (rounded == 0.0) rounded = 0.0;  // Never "-0.00".
  char buffer[kFixedBuffer];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, places);
  text.assign(buffer, written.ptr);
}

void HostConvert::FormatAmount(const double& value, const int16_t& decimals,
                               std::string& text) const {
  FormatNumber(value, decimals, text);
  std::replace(text.begin(), text.end(), '.', ',');
}

void HostConvert::NumberToText(double value, std::string& text) const {
  if (value == 0.0) value = 0.0;  // "0", not "-0".
  char buffer[kFixedBuffer];
  const auto written =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
  text.assign(buffer, written.ptr);
}

void HostConvert::Trim(const std::string& text, std::string& result) const {
  result = actifix::Trim(text);
}

void HostConvert::Upper(std::string& text) const {
  for (char& c : text) {
    const auto b = static_cast<unsigned char>(c);
    unsigned char u = b;
    if (b >= 'a' && b <= 'z') {
      u = b - 0x20;
    } else if (b >= 0xE0 && b <= 0xFE && b != 0xF7) {  // à..þ but ÷
      u = b - 0x20;
    } else if (b == 0x9A || b == 0x9C || b == 0x9E) {  // š œ ž -> Š Œ Ž
      u = b - 0x10;
    } else if (b == 0xFF) {  // ÿ -> Ÿ
      u = 0x9F;
    }
    c = static_cast<char>(u);
  }
}

void HostConvert::Pad(const std::string& text, const int16_t& /*zero*/, const int16_t& width,
                      std::string& result) const {
  const std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
  result = text.substr(0, std::min(text.size(), w));
  result.resize(w, ' ');
}

void HostConvert::Max(const double& a, const double& b, double& result) const {
  result = a < b ? b : a;
}

void HostConvert::Min(const double& a, const double& b, double& result) const {
  result = b < a ? b : a;
}

}  // namespace actifix
