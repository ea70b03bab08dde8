// The derogatory depreciation of one asset of the register for the current fiscal year, from
// its stored fiscal plan and the economic charge the depreciation edition prints for it: what
// the derogatory edition and the card's print show. Our own addition (docs/fiscal.md).
#pragma once

#include "fiscal/AssetFiscal.h"

namespace actifix::derog {

struct AssetYear {
  fiscal::StoredPlan stored;
  double economic = 0;            // the year's economic charge, as EditImo prints it
  fiscal::FiscalYearResult year;  // the fiscal charge, the movement, the next year's state
};

// The current fiscal year (entry 1 of the exercise table) of the asset in the asset record
// buffer: false when the option is off or the asset has no fiscal plan. The economic charge is
// the depreciation edition's over the whole year (EdtImoFigures). Leaves the current exercise
// index on 1. REQUIRES: the asset is in the year (acquired before its end, not disposed of
// before its start). Throws HostError naming the card when its figures cannot be computed.
bool CurrentAssetYear(AssetYear& out);

}  // namespace actifix::derog
