// The derogatory depreciation of an asset: the yearly difference between its fiscal and its
// economic charge, booked as an allowance to or a write-back of the regulated provision, with
// the cause the tax form files it under; and the roll of the fiscal figures a register stores
// from one fiscal year to the next. Our own addition (docs/fiscal.md).
#pragma once

#include <string>

#include "fiscal/FiscalPlan.h"

namespace actifix::fiscal {

// What a movement is filed under on the tax form (its section of derogatory depreciation).
enum class DerogatoryCause {
  kDuration,     // "différentiel de durée": a fiscal duration shorter than the economic one
  kDeclining,    // "mode dégressif": fiscal declining against economic linear
  kExceptional,  // "amortissement fiscal exceptionnel": fiscal mode E
};

// One cause per asset: E when the fiscal mode is E, declining when the fiscal plan is
// declining and the economic one linear, else the duration. Modes are 'L', 'D', 'E'.
DerogatoryCause CauseOf(char fiscalMode, char economicMode);
// The cause's label on the form, Windows-1252.
std::string CauseLabel(DerogatoryCause cause);

// The year's movement of an asset's derogatory depreciation. Amounts rounded to 2 decimals.
struct DerogatoryMovement {
  double balanceBefore = 0;
  double allowance = 0;          // fiscal - economic, when above 0
  double writeBack = 0;          // the year's write-back, the one on disposal included
  double disposalWriteBack = 0;  // of which: the balance written back on disposal
  double excess = 0;             // economic above fiscal beyond the balance: not written back
  double balanceAfter = 0;       // balanceBefore + allowance - writeBack, never below 0
  DerogatoryCause cause = DerogatoryCause::kDuration;
};

// From the year's economic and fiscal charges and the balance before it. When the asset leaves
// the register in the year (`disposed`), what remains of the balance is written back.
DerogatoryMovement Movement(double economic, double fiscal, double balanceBefore, bool disposed,
                            DerogatoryCause cause);

// Value less the economic cumulative less the derogatory balance.
double FiscalNetValue(double value, double economicCumulative, double balance);

// What a register stores of an asset's fiscal side, before the current fiscal year.
struct FiscalState {
  double cumulative = 0;  // fiscal depreciation of the earlier years
  double balance = 0;     // derogatory balance
};

// The card split of a partial disposal: the disposed part takes `ratio` of each figure,
// rounded to 2 decimals, the part kept the rest, as the split shares the cumulative.
struct FiscalShares {
  FiscalState disposed;
  FiscalState kept;
};
FiscalShares SplitFiscalState(const FiscalState& state, double ratio);

// One fiscal year of an asset: its fiscal charge, its movement and the state the next year
// starts from (what the year opening stores).
struct FiscalYearResult {
  double fiscal = 0;
  DerogatoryMovement movement;
  FiscalState next;
};
// `economic` is the year's economic charge (the module's), `economicMode` its mode, `typed`
// the fiscal charge of mode 'E'. Throws HostError as FiscalCharge does.
FiscalYearResult RollYear(const FiscalPlan& plan, const FiscalState& state, const Period& year,
                          double economic, char economicMode, double typed = 0);

}  // namespace actifix::fiscal
