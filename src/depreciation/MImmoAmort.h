// Depreciation: the yearly charge of one asset (CalcAmort) with its end-of-depreciation date
// (FINAM), and the asset card print with its depreciation plan (EDTPA), one card or a batch.
//
// Number types follow the module's: rates, useful lives, coefficients and the effective rate
// are floats, amounts doubles, dates 32-bit day numbers, year counts and indexes 16-bit
// (an overflow raises ArithmeticError). Packed texts are those of HostConvert / HostDates.
#pragma once

#include <cstdint>
#include <string>

#include "host/HostError.h"

namespace actifix {

// Overflow of the module's 16-bit arithmetic, or a division by zero. The cause is French.
class ArithmeticError : public HostError {
 public:
  ArithmeticError(std::string operation, std::string subject, std::string cause)
      : HostError(ErrorKind::kInvalidInput, std::move(operation), std::move(subject),
                  std::move(cause)) {}
};

// End-of-depreciation day of an asset: acquisition date plus the useful life 100 / rate
// (from the first of the month in mode "D"). Mode "E" is reported as an anomaly and `end`
// is left as it was.
//   mode: "L", "D" or "E"; rate: packed float (4 bytes); acquisition: "dd/mm/yyyy".
void FINAM(const std::string& mode, const std::string& rate, const std::string& acquisition,
           int32_t& end);
// The same for mode "L" or "D" from figures already read: the rate unpacked, the acquisition
// date's day, month and year.
int32_t EndOfDepreciation(bool declining, float taux, int16_t day, int16_t month, int16_t year);

// The terms the computation derives from an asset's rate and acquisition day: the useful
// life, and in mode "D" the declining coefficient, the effective rate, the number of fiscal
// years of the plan and the year from which the linear rate over the years left takes over.
struct DecliningTerms {
  float life = 0;          // Round(100 / rate, 2)
  float coefficient = 0;   // 1.5, 2 or 2.5, +1 from 01/02/1996 to 31/01/1997, -0.25 from 2001
  float rate = 0;          // coefficient x the rounded linear rate, in percent
  int16_t years = 0;       // Int(life + 0.99)
  int16_t switchYear = 0;  // Int((coefficient - 1) x years / coefficient + 2)
};
// REQUIRES: a packed rate above 0 after rounding. Throws ArithmeticError on a 16-bit overflow.
DecliningTerms MakeDecliningTerms(const std::string& rate, int32_t acquisitionDay);

// The depreciation charge of the fiscal year at MImmo().exerciseIndex, and on request the
// depreciation accumulated over the asset's earlier years. Leaves MImmo().effectiveRate.
//   mode          "L" or "D" (callers never pass "E")
//   value         packed VALACQ
//   cumulative    packed CUMAMO, in/out: replaced by the recomputed one when recompute != 0
//   recompute     -1 to recompute the cumulative, 0 to take the stored one
//   rate          packed TAUX; REQUIRES: rounded to 2 decimals, above 0 and at most 100
//   acquisition   "dd/mm/yyyy"
//   disposal      "dd/mm/yyyy", or empty when not disposed of
//   charge        packed DOTAMO, out; not rounded
// Throws ArithmeticError on a zero rate or a 16-bit overflow of year counts, HostError when
// the exercise index lies outside the table.
void CalcAmort(const std::string& mode, const std::string& value, std::string& cumulative,
               const int16_t& recompute, const std::string& rate, const std::string& acquisition,
               const std::string& disposal, std::string& charge);

// Throws HostError naming the card in the asset record buffer ("MAT    00012") when a step
// that reads its stored figures cannot carry them: an amount (VALACQ, CUMAMO, DOTAMO, MTCESS)
// that is not a finite number, and, when `computed` is true, a rate that is not a finite
// number or rounds to 0 or below in mode "L" or "D". `routine` names the step.
void RequireCardFigures(const std::string& routine, bool computed);
// Throws `error`, met while computing the card in the asset record buffer, again as a
// HostError that names the card and says what to do.
[[noreturn]] void ThrowForCard(const std::string& routine, const HostError& error);

// Prints the card of the asset in the asset record buffer, with its depreciation plan from
// entry 1 of the exercise table on, into the edition the caller has opened; leaves the
// edition open. The current exercise index is the same on return, whatever the exit.
void EDTPA();

// The print of EdtPImo: opens the edition "FICHE DES IMMOBILISATIONS ET PLAN
// D'AMORTISSEMENT" and prints the cards of every group of `groupList`, a bracket list of
// groups "[group key,[record numbers]]" (the edition driver's group list). Leaves the list
// "[]" and the edition open for the driver to close.
void EdtPlanImmo(std::string& groupList);

// Prints the card of every asset of `numbers`, a bracket list of asset record numbers in
// decimal, each followed by one blank line. The list itself is not changed.
void EdtFichesImmo(const std::string& numbers);

}  // namespace actifix
