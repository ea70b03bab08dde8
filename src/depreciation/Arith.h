// The module's own arithmetic for depreciation: whole parts of floats into 16-bit counts, sums
// of 16-bit years, and divisions, each raising ArithmeticError instead of wrapping or giving
// an infinity. Internal to src/depreciation.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "depreciation/MImmoAmort.h"

namespace actifix::amort {

// Int(x), the greatest whole number not above x, as a 16-bit integer.
inline int16_t Int16(double x, const char* what) {
  const double whole = std::floor(x);
  if (!(whole >= INT16_MIN && whole <= INT16_MAX))
    throw ArithmeticError("CalcAmort", what, "dépassement de capacité d'un entier sur 16 bits");
  return static_cast<int16_t>(whole);
}

// a + b on 16-bit integers.
inline int16_t Add16(int32_t a, int32_t b, const char* what) {
  const int32_t sum = a + b;
  if (sum < INT16_MIN || sum > INT16_MAX)
    throw ArithmeticError("CalcAmort", what, "dépassement de capacité d'un entier sur 16 bits");
  return static_cast<int16_t>(sum);
}

// a / b in double.
inline double Divide(double a, double b, const char* what) {
  if (b == 0) throw ArithmeticError("CalcAmort", what, "division par zéro");
  return a / b;
}

}  // namespace actifix::amort
