// FINAM: the end-of-depreciation date of an asset.
#include <cmath>

#include "depreciation/Arith.h"
#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "state/MImmo.h"

namespace actifix {

void FINAM(const std::string& mode, const std::string& rate, const std::string& acquisition,
           int32_t& end) {
  if (mode == "E") {
    Runtime().Report(std::string("FINAM Ne gère pas les Amortissements Exceptionnels"_w), "FINAM",
                     TrueValue());
    return;
  }
  int16_t d = 0, m = 0, y = 0;
  Dates().Split(acquisition, d, m, y);
  float taux = 0;
  Convert().UnpackSingle(rate, taux);
  end = EndOfDepreciation(mode == "D", taux, d, m, y);
}

int32_t EndOfDepreciation(bool declining, float taux, int16_t day, int16_t month, int16_t year) {
  const HostConvert& convert = Convert();
  double life = 0;
  convert.Round(amort::Divide(100.0, taux, "FINAM"), 2, life);
  const float L = static_cast<float>(life);

  const int16_t whole = amort::Int16(L, "FINAM");
  year = amort::Add16(year, whole, "FINAM");
  int32_t end = Dates().ComposeDay(declining ? int16_t{1} : day, month, year) - 1;

  double fraction = 0;
  convert.Round(static_cast<double>(L) - whole, 3, fraction);
  int16_t zero = 0;
  convert.IsZero(fraction, 3, zero);
  if (zero == 0) end += static_cast<int32_t>(std::floor(fraction * 365));
  return end;
}

}  // namespace actifix
