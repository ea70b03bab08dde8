// The fiscal charge of one year, and the day and month counts of tax practice.
#include "fiscal/FiscalPlan.h"

#include <algorithm>

#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostError.h"

namespace actifix::fiscal {

namespace {

double Round2(double value) { return RoundHalfAway(value, 2); }

bool Computed(char mode) { return mode == 'L' || mode == 'D'; }

}  // namespace

int32_t YearRank(int32_t acquired, int32_t yearStart) {
  if (acquired >= yearStart) return 1;
  const CivilDate a = CivilOf(acquired), s = CivilOf(yearStart);
  // One rank per year start after the acquisition: those of the calendar years after a's, and
  // the one in a's year (on s's day and month, brought back to the month's last day as
  // HostDates.Compose does) when it falls after the acquisition.
  const int32_t startDay = std::min(s.day, MonthLength(a.year, s.month));
  const bool laterInYear = s.month > a.month || (s.month == a.month && startDay > a.day);
  return 1 + (s.year - a.year) + (laterInYear ? 1 : 0);
}

std::string FiscalPlanRefusal(const FiscalPlan& plan) {
  if (plan.mode != 'L' && plan.mode != 'D' && plan.mode != 'E')
    return std::string("mode fiscal L (linéaire), D (dégressif) ou E (exceptionnel)"_w);
  if (!(plan.base >= 0) || plan.base > kAmountLimit)
    return std::string("base fiscale entre 0 et 999 999 999 999,99"_w);
  if (plan.disposed != 0 && plan.disposed < plan.acquired)
    return std::string("date de cession avant l'acquisition"_w);
  if (!Computed(plan.mode)) return "";
  const double rate = RoundHalfAway(plan.rate, 2);
  if (!(rate > 0) || rate > 100)
    return std::string("taux fiscal entre 0,01 et 100 pour les modes L et D"_w);
  if (plan.mode == 'D' && RoundHalfAway(100.0 / rate, 2) < 3)
    return std::string("pas de plan dégressif sous 3 ans (taux fiscal au plus 33,33)"_w);
  return "";
}

DecliningRate FiscalDecliningRate(const FiscalPlan& plan) {
  std::string packedRate;
  HostConvert().PackSingle(plan.rate, packedRate);
  const DecliningTerms terms = MakeDecliningTerms(packedRate, plan.acquired);
  return {RoundHalfAway(terms.rate, 4), terms.years};
}

double FiscalCharge(const FiscalPlan& plan, double cumulative, const Period& year, double typed) {
  if (const std::string refusal = FiscalPlanRefusal(plan); !refusal.empty())
    throw HostError(ErrorKind::kInvalidInput, "FiscalCharge", "plan fiscal", ToUtf8(refusal));
  const double net = Round2(plan.base - cumulative);
  // Nothing before the acquisition, after the disposal, or once the base is depreciated.
  if (net <= 0 || plan.acquired > year.end) return 0;
  if (plan.disposed != 0 && plan.disposed < year.start) return 0;
  const bool disposedInYear = plan.disposed != 0 && plan.disposed <= year.end;
  double charge = 0;
  if (plan.mode == 'E') {
    charge = Round2(std::max(typed, 0.0));
  } else if (plan.mode == 'L') {
    const int32_t from = std::max(plan.acquired, year.start);
    const int32_t to = disposedInYear ? plan.disposed : year.end;
    charge = Round2(plan.base * RoundHalfAway(plan.rate, 2) / 100 * Days360(from, to) / 360);
  } else if (!disposedInYear) {
    // Declining: no annuity in the year of the disposal (docs/fiscal.md).
    const DecliningRate declining = FiscalDecliningRate(plan);
    const int32_t rank = YearRank(plan.acquired, year.start);
    if (rank == 1) {
      charge = Round2(plan.base * declining.rate / 100 * WholeMonths(plan.acquired, year.end) / 12);
    } else {
      const int32_t left = declining.years - rank + 1;
      const double annual = left <= 0 ? net : std::max(net * declining.rate / 100, net / left);
      charge = Round2(annual * WholeMonths(year.start, year.end) / 12);
    }
  }
  return std::min(charge, net);
}

}  // namespace actifix::fiscal
