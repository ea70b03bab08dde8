// The fiscal side of one asset of the register, read from its record and its plan in "Immof":
// what the derogatory edition, the tax tables, the ledger and the year opening all need of
// it for one fiscal year. Our own addition beside the module (docs/fiscal.md).
#pragma once

#include <string>

#include "fiscal/Derogatory.h"

namespace actifix::fiscal {

// An asset's plan and what it stores before the current fiscal year.
struct StoredPlan {
  FiscalPlan plan;
  FiscalState state;
  double typed = 0;  // the fiscal charge typed for the current year, mode 'E'
};

// The plan of the asset in the asset record buffer (MImmo().immo), read from "Immof" into its
// record buffer: false when the company's option is off or the asset has none. Throws
// HostError (kDamaged) naming the card when the stored plan cannot be computed.
bool ReadStoredPlan(StoredPlan& out);

// The period of the fiscal year at entry `index` of the exercise table.
Period ExercisePeriod(int32_t index);

// The current fiscal year (entry 1 of the exercise table) of the asset in the asset record
// buffer whose plan is `stored`, given its economic charge of that year (the module's
// DOTAMO, computed or typed). The economic mode is the record's MODAMO.
FiscalYearResult CurrentYear(const StoredPlan& stored, double economicCharge);

}  // namespace actifix::fiscal
