// What a card must hold for every later step (its plan, the editions, the year opening, the
// export) to carry it, as plain checks over the card's values: each gives the field to ask
// again and the reason in French (Windows-1252). The card screen runs them on every save, F1
// included; a register import runs the same ones on each line.
#pragma once

#include <string>

#include "assets/MImmoImmo.h"

namespace actifix {

// A refused value: the field to ask again and why. No field: nothing refused.
struct CardRefusal {
  std::string field;
  std::string reason;  // Windows-1252
  explicit operator bool() const { return !field.empty(); }
};

// Why a card cannot keep `amount` (VALACQ, CUMAMO, DOTAMO, MTCESS, VACEDEE): not finite, below
// 0, or beyond kAmountLimit. "" when it can.
std::string AmountRefusal(double amount);
// Why a card cannot keep `mode`: anything but "L", "D" or "E". "" when it can.
std::string ModeRefusal(const std::string& mode);
// Why a card of `mode` cannot keep `rate`: in "L" and "D", a rate that rounds (2 decimals) to
// 0 or below, or above 100, which the depreciation cannot compute. "" when it can.
std::string RateRefusal(const std::string& mode, float rate);
// Why VALACQ is asked again: as AmountRefusal, and a value that rounds to 0.
std::string ValueRefusal(double value);
// Why DOTAMO is asked again: as AmountRefusal, and a charge that takes the cumulative past the
// value (compared at 2 decimals).
std::string ChargeRefusal(double value, double cumulative, double charge);

// The first value of card `c` that a later step cannot carry, in the order the screen asks
// them (MTCESS, VALACQ, MODAMO, TAUX, CUMAMO, DOTAMO); nothing when the card can be saved.
CardRefusal CheckCardFigures(const AssetCard& c);

// Our own addition, the fiscal plan of a card. Why TAUFIS is refused for fiscal mode `mode`:
// as RateRefusal, and a declining plan under 3 years (a rate above 33.33), which tax refuses.
std::string FiscalRateRefusal(const std::string& mode, float rate);
// Why CUMFIS is refused: as AmountRefusal, and a fiscal cumulative past the value.
std::string FiscalCumulativeRefusal(double value, double fiscalCumulative);
// Why SLDDER is refused: as AmountRefusal, and a balance past the value less the economic
// cumulative (the fiscal net value would go below 0).
std::string BalanceRefusal(double value, double cumulative, double balance);
// Why DOTFIS, the typed fiscal charge of mode E, is refused: as AmountRefusal, and a charge
// past what remains (the value less the fiscal cumulative).
std::string FiscalChargeRefusal(double value, double fiscalCumulative, double charge);
// The first value of card `c`'s fiscal plan that cannot be kept, in the order the fiscal page
// asks them (MODFIS, TAUFIS, CUMFIS, SLDDER, DOTFIS); nothing when it has none (MODFIS blank).
CardRefusal CheckFiscalFigures(const AssetCard& c);

}  // namespace actifix
