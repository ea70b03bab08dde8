// The fiscal plan of an asset beside its economic one: the charge tax allows for a fiscal year,
// linear by 30-day months (30E/360), declining by whole months with the module's coefficients,
// or typed (exceptional). Plain functions of what a register stores year to year (the fiscal
// cumulative before the year and the year's dates), so that the yearly roll needs no history.
// Our own addition; the rules and their sources are in docs/fiscal.md.
#pragma once

#include <cstdint>
#include <string>

#include "depreciation/Prorata.h"

namespace actifix::fiscal {

// An asset's fiscal plan. Dates are day numbers of HostDates.
struct FiscalPlan {
  char mode = 'L';       // 'L' linear, 'D' declining, 'E' exceptional (charges typed)
  float rate = 0;        // linear rate in percent per year: the usage duration is 100 / rate
  double base = 0;       // the acquisition value
  int32_t acquired = 0;  // the acquisition date, which stands for the entry into service
  int32_t disposed = 0;  // the disposal date, 0 when none
};

// A fiscal year of any length (a 15-month year included), both days included.
struct Period {
  int32_t start = 0;
  int32_t end = 0;
};

// The rank of `year` counted from the fiscal year of the acquisition (1 when acquired in it),
// earlier years taken as 12-month years starting on the year's day and month, as the module's
// computation counts them.
int32_t YearRank(int32_t acquired, int32_t yearStart);

// What is wrong with the plan, in French (Windows-1252), or "" when it can be computed: a mode
// outside L, D, E, a rate not above 0 or above 100 in L or D (rounded to 2 decimals), a
// declining plan under 3 years, a base below 0, a disposal before the acquisition.
std::string FiscalPlanRefusal(const FiscalPlan& plan);

// The effective declining rate in percent (the linear rate times the module's coefficient for
// the acquisition date, to 4 decimals) and the number of years of the declining plan.
// REQUIRES: FiscalPlanRefusal(plan) empty and mode 'D'.
struct DecliningRate {
  double rate = 0;
  int32_t years = 0;
};
DecliningRate FiscalDecliningRate(const FiscalPlan& plan);

// The fiscal charge of `year`, rounded to 2 decimals, from the fiscal cumulative before it;
// never more than what remains of the base. `typed` is the charge of mode 'E'.
//   L: base x rate / 100 x Days360(acquisition or year start, year end or disposal) / 360;
//   D: the first year base x declining rate x WholeMonths / 12; later years the larger of the
//      net value x rate and the net value / the years left, times the year's months / 12;
//      nothing in the year of the disposal;
//   E: the typed charge.
// Throws HostError (kInvalidInput) when FiscalPlanRefusal(plan) is not empty.
double FiscalCharge(const FiscalPlan& plan, double cumulative, const Period& year,
                    double typed = 0);

// The counts of tax practice, shared with the economic computation's "prorata fiscal"
// (depreciation/Prorata.h).
using actifix::Days360;
using actifix::FiscalProrata;
using actifix::WholeMonths;

}  // namespace actifix::fiscal
