// The fiscal charge of one year, and the day and month counts of tax practice.
#include "fiscal/FiscalPlan.h"

#include <algorithm>

#include "depreciation/MImmoAmort.h"
#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostError.h"

namespace actifix::fiscal {

namespace {

struct Civil {
  int32_t year = 0, month = 0, day = 0;
};

// The calendar date of a day number (day 1 = 31/12/1899), by whole-era arithmetic, so that a
// register's worth of plans costs no date text.
Civil CivilOf(int32_t dayNumber) {
  const int32_t z = dayNumber - 25569 + 719468;  // days since 01/03/0000
  const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int32_t doe = z - era * 146097;
  const int32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int32_t mp = (5 * doy + 2) / 153;
  Civil c;
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
  return c;
}

bool IsLeap(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int32_t MonthLength(int32_t year, int32_t month) {
  static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// The day of the month in 30E/360: a 31st and a month's last day count as the 30th.
int32_t Day360(const Civil& c) {
  return c.day >= 30 || c.day == MonthLength(c.year, c.month) ? 30 : c.day;
}

double Round2(double value) { return RoundHalfAway(value, 2); }

bool Computed(char mode) { return mode == 'L' || mode == 'D'; }

}  // namespace

int32_t Days360(int32_t from, int32_t to) {
  if (to < from) return 0;
  const Civil a = CivilOf(from), b = CivilOf(to);
  return 360 * (b.year - a.year) + 30 * (b.month - a.month) + (Day360(b) - Day360(a)) + 1;
}

int32_t WholeMonths(int32_t from, int32_t to) {
  const Civil a = CivilOf(from), b = CivilOf(to);
  return std::max(0, 12 * (b.year - a.year) + (b.month - a.month) + 1);
}

int32_t YearRank(int32_t acquired, int32_t yearStart) {
  if (acquired >= yearStart) return 1;
  const Civil a = CivilOf(acquired), s = CivilOf(yearStart);
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

double FiscalProrata(bool declining, int32_t from, int32_t to, int32_t yearStart, int32_t yearEnd) {
  const int32_t part = declining ? WholeMonths(from, to) : Days360(from, to);
  const int32_t whole = declining ? WholeMonths(yearStart, yearEnd) : Days360(yearStart, yearEnd);
  return whole > 0 ? static_cast<double>(part) / whole : 0;
}

}  // namespace actifix::fiscal
