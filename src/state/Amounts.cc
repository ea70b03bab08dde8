#include "state/Amounts.h"

#include "state/MImmo.h"

namespace actifix {

double Round2(double value) {
  double rounded = 0;
  Convert().Round(value, 2, rounded);
  return rounded;
}

bool IsZero2(double value) {
  int16_t flag = 0;
  Convert().IsZero(value, 2, flag);
  return flag != 0;
}

std::string PackedAmount(double value) {
  std::string packed;
  Convert().PackDouble(value, packed);
  return packed;
}

double UnpackedAmount(const std::string& packed) {
  double value = 0;
  Convert().UnpackDouble(packed, value);
  return value;
}

}  // namespace actifix
