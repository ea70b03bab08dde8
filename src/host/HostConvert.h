// Conversions of the host: packed forms of amounts and rates, rounding, number texts and the
// small text utilities the module uses. Plain value code, shared by the module and platform.
//
// Packed forms (see docs/formats.md):
//   amount  8 bytes, the IEEE-754 double, little-endian
//   rate    4 bytes, the IEEE-754 float, little-endian
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostConvert {
 public:
  void PackDouble(const double& value, std::string& packed) const;
  // REQUIRES: packed holds 8 bytes; an all-blank field reads as 0.
  void UnpackDouble(const std::string& packed, double& value) const;
  void PackSingle(const float& value, std::string& packed) const;
  // REQUIRES: packed holds 4 bytes; an all-blank field reads as 0.
  void UnpackSingle(const std::string& packed, float& value) const;

  // Rounds half away from zero on the decimal value: the double is first brought to its
  // shortest decimal text that reads back as the same double, so 1008.215 gives 1008.22 even
  // though its binary value lies slightly below the tie.
  void Round(const double& value, const int16_t& decimals, double& result) const;
  // flag := -1 when the value rounded to `decimals` is 0, else 0.
  void IsZero(const double& value, const int16_t& decimals, int16_t& flag) const;

  // Decimal text with "." as decimal point and no grouping: 1234.5 with 2 -> "1234.50".
  void FormatNumber(double value, const int16_t& decimals, std::string& text) const;
  // Amount text for French spreadsheets: "," as decimal point, no grouping: "1234,50".
  void FormatAmount(const double& value, const int16_t& decimals, std::string& text) const;
  // Shortest decimal text of the value: 12 -> "12", 0.5 -> "0.5".
  void NumberToText(double value, std::string& text) const;

  void Trim(const std::string& text, std::string& result) const;
  // Upper case of a Windows-1252 text, accented letters included (é -> É, ÿ -> Ÿ).
  void Upper(std::string& text) const;
  // The text blank-padded on the right or cut to exactly `width` bytes.
  void Pad(const std::string& text, const int16_t& zero, const int16_t& width,
           std::string& result) const;
  void Max(const double& a, const double& b, double& result) const;
  void Min(const double& a, const double& b, double& result) const;
};

// Rounding as HostConvert::Round does it, for code that wants a value back.
double RoundHalfAway(double value, int decimals);

}  // namespace actifix
