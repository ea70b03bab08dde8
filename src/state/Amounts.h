// Amounts as every part of the module handles them: packed doubles of the records, and
// rounding and zero tests at 2 decimals, all through the host's conversions (rounding half
// away from zero).
#pragma once

#include <string>

namespace actifix {

double Round2(double value);
// Whether the value is zero at 2 decimals.
bool IsZero2(double value);
std::string PackedAmount(double value);
double UnpackedAmount(const std::string& packed);

}  // namespace actifix
