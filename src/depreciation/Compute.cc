// CalcAmort: the depreciation charge of one asset for the fiscal year at the current exercise
// index, linear ("L") or declining balance ("D"), prorated by days (or, with the company's
// "prorata fiscal", by 30E/360 days in linear and whole months in declining).
//
// The asset's fiscal years are walked back from the current one to the year of acquisition
// (earlier years taken as 12-month years starting on the current year's day and month), then
// forward year by year, each year's charge computed on what remains of the value; the charge
// of the current year is the last of them.
#include <cmath>

#include "depreciation/Arith.h"
#include "depreciation/MImmoAmort.h"
#include "depreciation/Prorata.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

using amort::Add16;
using amort::Divide;
using amort::Int16;

// Day numbers of the bounds of the declining coefficient's bands, asked once per thread.
struct CoefficientBounds {
  int32_t raisedFrom = 0;   // 01/02/1996: +1 from this day...
  int32_t raisedTo = 0;     // 31/01/1997: ...to this one, both included
  int32_t loweredFrom = 0;  // 01/01/2001: -0.25 from this day on
};

const CoefficientBounds& Bounds() {
  thread_local const CoefficientBounds bounds = [] {
    CoefficientBounds b;
    const HostDates& dates = Dates();
    dates.DayNumber("01/02/1996", b.raisedFrom);
    dates.DayNumber("31/01/1997", b.raisedTo);
    dates.DayNumber("01/01/2001", b.loweredFrom);
    return b;
  }();
  return bounds;
}

}  // namespace

DecliningTerms MakeDecliningTerms(const std::string& rate, int32_t acquisitionDay) {
  const HostConvert& convert = Convert();
  float taux = 0;
  convert.UnpackSingle(rate, taux);
  double rounded = 0;
  convert.Round(Divide(100.0, taux, "100 / TAUX"), 2, rounded);
  DecliningTerms terms;
  const float L = terms.life = static_cast<float>(rounded);
  const int32_t A = acquisitionDay;
  const CoefficientBounds& bounds = Bounds();
  float c = L <= 4 ? 1.5f : (L <= 6 ? 2.0f : 2.5f);
  if (bounds.raisedFrom <= A && A <= bounds.raisedTo) c += 1.0f;
  if (A >= bounds.loweredFrom) c -= 0.25f;
  terms.coefficient = c;
  convert.Round(taux, 2, rounded);
  terms.rate = static_cast<float>(static_cast<double>(c) * static_cast<float>(rounded));
  const int16_t N = terms.years = Int16(static_cast<double>(L) + 0.99, "nombre d'années");
  terms.switchYear =
      Int16(Divide(static_cast<double>(c - 1) * N, c, "coefficient") + 2, "année de bascule");
  return terms;
}

void CalcAmort(const std::string& mode, const std::string& value, std::string& cumulative,
               const int16_t& recompute, const std::string& rate, const std::string& acquisition,
               const std::string& disposal, std::string& charge) {
  MImmoState& state = MImmo();
  const HostConvert& convert = Convert();
  const HostDates& dates = Dates();
  const auto round2 = [&convert](double x) {
    double r = 0;
    convert.Round(x, 2, r);
    return r;
  };
  const bool declining = mode == "D";
  // Our own addition: the company's fiscal option may prorate by tax practice instead.
  const bool byPractice = state.fiscal.on && state.fiscal.prorata;

  double V = 0, stored = 0;
  float taux = 0;
  convert.UnpackDouble(value, V);
  convert.UnpackDouble(cumulative, stored);
  convert.UnpackSingle(rate, taux);

  // Day numbers; a disposal after the end of the depreciation period is ignored.
  int32_t A = 0, E = 0, X = 0;
  dates.DayNumber(acquisition, A);
  int16_t ad = 0, am = 0, ay = 0;  // the acquisition date's day, month and year
  if (A != 0) dates.SplitDay(A, ad, am, ay);
  // The end of depreciation, from the figures read above when there are.
  if (A != 0 && (declining || mode == "L"))
    E = EndOfDepreciation(declining, taux, ad, am, ay);
  else
    FINAM(mode, rate, acquisition, E);
  dates.DayNumber(disposal, X);
  if (X != 0 && E < X) X = 0;

  // Useful life, and the effective rate: the linear one, times the coefficient in mode "D".
  const DecliningTerms terms = declining ? MakeDecliningTerms(rate, A) : DecliningTerms{};
  float R = static_cast<float>(round2(taux));
  if (declining) R = terms.rate;
  state.effectiveRate = R;

  // The current year.
  const int16_t index = state.exerciseIndex;
  if (index < 1 || index > static_cast<int16_t>(state.exercises.size() - 1))
    throw HostError(ErrorKind::kInvalidInput, "CalcAmort", "exercice " + std::to_string(index),
                    "cet exercice n'est pas dans la table des exercices");
  const Exercise& current = state.exercises[index];
  const int32_t S0 = current.startDay;
  int16_t d0 = 0, m0 = 0, y0 = 0;
  dates.Split(current.startText, d0, m0, y0);

  // Walk back to the fiscal year of acquisition [S, F]; n is the current year's rank from it.
  int16_t n = 1;
  int32_t S = S0, F = current.endDay;
  int16_t y = y0;
  while (A < S) {
    n = Add16(n, 1, "rang de l'exercice");
    F = S - 1;
    y = Add16(y, -1, "année");
    S = dates.ComposeDay(d0, m0, y);
  }

  // Number of fiscal years N of the depreciation; in mode "D", the switch year T to linear.
  int16_t N = 0, T = 0;
  if (declining) {
    N = terms.years;
    T = terms.switchYear;
  } else {
    const float r = static_cast<float>(
        Divide(100.0, R, "100 / taux") -
        Divide(static_cast<double>(F - A + 1), static_cast<double>(F - S + 1), "durée"));
    const double r2 = round2(r);
    N = Add16(Int16(r2, "nombre d'années"), r2 == std::floor(r2) ? 1 : 2, "nombre d'années");
  }

  double yearCharge = 0;   // the current year's charge, Cn
  double accumulated = 0;  // Acc: the rounded sum of the earlier years' charges
  if (n > N || (X != 0 && X <= S0)) {
    // Fully depreciated before this year, or disposed of by its first day.
    accumulated = round2(V);
  } else {
    // Each later year ends on the last day of the month in which the first one ended.
    int16_t endDayOfMonth = 0, M = 0, Y = 0;
    dates.SplitDay(F, endDayOfMonth, M, Y);
    int32_t firstDay = A;
    if (declining) firstDay = dates.ComposeDay(1, am, ay);
    // The linear annual charge is the same every year.
    const double linearCharge = declining ? 0 : round2(static_cast<double>(R) * V / 100);
    for (int32_t k = 1; k <= n; ++k) {
      // The base: what remains to depreciate at the start of year k.
      const auto base = [&] {
        return (k == n && recompute == 0) ? round2(V - stored) : round2(V - accumulated);
      };
      double C = linearCharge;
      if (declining) {
        const float Rk =
            k >= T ? static_cast<float>(Divide(100.0, N - k + 1, "taux de l'année")) : R;
        C = round2(static_cast<double>(Rk) * base() / 100);
      } else if (k == N) {
        C = base();  // the last year takes what is left
      }
      int32_t Ps = S, Pe = F, De = F;
      if (S <= E && E <= F) Pe = De = E;
      if (X != 0 && S <= X && X <= F) Pe = X;
      if (k == 1) Ps = firstDay;
      // By real days, or with the company's "prorata fiscal" by 30E/360 days (linear) or
      // whole months from the first (declining), over the same count of the year.
      const double Ck = byPractice ? Divide(C * FiscalCount(declining, Ps, Pe),
                                            FiscalCount(declining, S, De), "prorata")
                                   : Divide(C * (Pe - Ps + 1), De - S + 1, "prorata");
      if (k < n) {
        accumulated = round2(accumulated + Ck);
        S = F + 1;
        Y = Add16(Y, 1, "année");
        F = dates.ComposeDay(31, M, Y);  // the month's last day
      } else {
        yearCharge = Ck;
      }
    }
  }

  // The year never takes more than what remains of the stored figures.
  if (recompute != 0) {
    convert.PackDouble(accumulated, cumulative);
  } else if (V - stored < yearCharge) {
    yearCharge = round2(V - stored);
  }
  convert.PackDouble(yearCharge, charge);
}

}  // namespace actifix
