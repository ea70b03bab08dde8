// Conversions of the host: packed forms of amounts and rates, rounding, number texts and the
// small text utilities the module uses. Plain value code, shared by the module and platform.
//
// Packed forms (see docs/formats.md):
//   amount  8 bytes, the IEEE-754 double, little-endian
//   rate    4 bytes, the IEEE-754 float, little-endian
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace actifix {

// The largest amount, either sign, that an amount field takes and a card keeps: 15 significant
// digits, all that a double holds exactly to the cent.
inline constexpr double kAmountLimit = 999999999999.99;

class HostConvert {
 public:
  // Pack and unpack are exact bit for bit (NaN payloads and -0.0 included), except that an
  // all-blank field reads as 0 (the one double whose bytes are all 0x20, about 6e-154, and
  // the float 1.35e-19 likewise cannot be stored).
  void PackDouble(const double& value, std::string& packed) const;
  // Throws HostError unless packed holds 8 bytes.
  void UnpackDouble(const std::string& packed, double& value) const;
  void PackSingle(const float& value, std::string& packed) const;
  // Throws HostError unless packed holds 4 bytes.
  void UnpackSingle(const std::string& packed, float& value) const;

  // Rounds half away from zero on the decimal value: the double is first brought to its
  // shortest decimal text that reads back as the same double, so 1008.215 gives 1008.22 even
  // though its binary value lies slightly below the tie.
  //
  // Method: std::to_chars (shortest, scientific) gives the digits and exponent of that text;
  // the digits are cut after the 10^-decimals position and the last one kept is raised when
  // the first one dropped is 5 or more (carrying through nines); std::from_chars reads the
  // result back, so the result is the double nearest to the rounded decimal. A fast path
  // scales by 10^decimals in binary and takes the same decision whenever the scaled value's
  // fraction is far enough from one half that the binary error cannot change it (see
  // RoundHalfAway in the source); near a tie the text method decides. A result of zero is
  // +0.0. NaN and infinities come back unchanged. `decimals` may be negative (tens, ...).
  void Round(const double& value, const int16_t& decimals, double& result) const;  // inline below
  // flag := -1 when the value rounded to `decimals` is 0, else 0.
  void IsZero(const double& value, const int16_t& decimals, int16_t& flag) const;  // inline below

  // Decimal text of the value rounded as Round does, with "." as decimal point, a leading "-"
  // for negative values, no grouping and exactly `decimals` decimals: 1234.5 with 2 ->
  // "1234.50", -1.5 -> "-1.50". A value that rounds to zero is "0.00", never "-0.00".
  void FormatNumber(double value, const int16_t& decimals, std::string& text) const;
  // Amount text for French spreadsheets: as FormatNumber with "," as decimal point: "1234,50".
  void FormatAmount(const double& value, const int16_t& decimals, std::string& text) const;
  // Shortest decimal text that reads back as the value, never in exponent form:
  // 12 -> "12", 0.5 -> "0.5", 1e-5 -> "0.00001", -0.0 -> "0".
  void NumberToText(double value, std::string& text) const;

  // The text without its leading and trailing blanks (only blanks: tabs are kept).
  void Trim(const std::string& text, std::string& result) const;
  // Upper case of a Windows-1252 text: a..z, à..þ but ÷, and š, œ, ž, ÿ -> Š, Œ, Ž, Ÿ.
  // ß and µ, which have no single-byte upper case, are kept.
  void Upper(std::string& text) const;
  // The text blank-padded on the right or cut to exactly `width` bytes ("" for width <= 0).
  // `zero` is the host's pass-through argument; the module always gives 0.
  void Pad(const std::string& text, const int16_t& zero, const int16_t& width,
           std::string& result) const;
  void Max(const double& a, const double& b, double& result) const;
  void Min(const double& a, const double& b, double& result) const;
};

inline constexpr double kPowersOfTen[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// What RoundHalfAway does when its fast path cannot decide: infinities, NaN, zero, large
// values and near ties.
double RoundHalfAwaySlow(double value, int decimals);

// Rounding as HostConvert::Round does it, for code that wants a value back. Inline, for the
// depreciation's inner loops.
//
// Fast path: value x 10^decimals differs from the exact scaled decimal text by less than two
// of its ulps, so when its fraction is clearly away from one half the rounding direction is
// the decimal text's; q / 10^decimals is then correctly rounded, the very double that
// reading the rounded text back gives. Below 2^44 the whole part fits an integer conversion,
// cheaper than floor; an infinity or a NaN fails the bound.
inline double RoundHalfAway(double value, int decimals) {
  if (decimals >= 0 && decimals <= 22) {
    const double power = kPowersOfTen[decimals];
    const double scaled = std::fabs(value) * power;
    if (scaled < 0x1p44) {
      const double whole = static_cast<double>(static_cast<int64_t>(scaled));
      const double fraction = scaled - whole;
      if (std::fabs(fraction - 0.5) > scaled * 0x1p-46 + 0x1p-60) {
        const double q = fraction > 0.5 ? whole + 1.0 : whole;
        if (q == 0.0) return 0.0;
        const double result = q / power;
        return value < 0 ? -result : result;
      }
    }
  }
  return RoundHalfAwaySlow(value, decimals);
}

inline void HostConvert::Round(const double& value, const int16_t& decimals, double& result) const {
  result = RoundHalfAway(value, decimals);
}

inline void HostConvert::IsZero(const double& value, const int16_t& decimals, int16_t& flag) const {
  flag = RoundHalfAway(value, decimals) == 0.0 ? -1 : 0;
}

// The same rounding by the decimal-text method alone, without the fast path: the reference
// the fast path is checked against.
double RoundHalfAwayExact(double value, int decimals);

}  // namespace actifix
