#include "derogatory/AssetYear.h"

#include "editions/MImmoEdt.h"
#include "state/MImmo.h"

namespace actifix::derog {

bool CurrentAssetYear(AssetYear& out) {
  if (!fiscal::ReadStoredPlan(out.stored)) return false;
  const Exercise& year = MImmo().exercises[1];
  const EdtFigures f =
      EdtImoFigures("AN", 1, {year.startText, year.startDay}, {year.endText, year.endDay});
  out.economic = f.dotation;
  out.year = fiscal::CurrentYear(out.stored, out.economic);
  return true;
}

}  // namespace actifix::derog
