// The day and month counts of tax practice, by whole-era arithmetic on day numbers, so that a
// register's worth of computations costs no date text.
#include "depreciation/Prorata.h"

#include <algorithm>

namespace actifix {

namespace {

bool IsLeap(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The day of the month in 30E/360: a 31st and a month's last day count as the 30th.
int32_t Day360(const CivilDate& c) {
  return c.day >= 30 || c.day == MonthLength(c.year, c.month) ? 30 : c.day;
}

}  // namespace

CivilDate CivilOf(int32_t dayNumber) {
  const int32_t z = dayNumber - 25569 + 719468;  // days since 01/03/0000
  const int32_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int32_t doe = z - era * 146097;
  const int32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int32_t mp = (5 * doy + 2) / 153;
  CivilDate c;
  c.day = doy - (153 * mp + 2) / 5 + 1;
  c.month = mp < 10 ? mp + 3 : mp - 9;
  c.year = yoe + era * 400 + (c.month <= 2 ? 1 : 0);
  return c;
}

int32_t MonthLength(int32_t year, int32_t month) {
  static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

int32_t Days360(int32_t from, int32_t to) {
  if (to < from) return 0;
  const CivilDate a = CivilOf(from), b = CivilOf(to);
  return 360 * (b.year - a.year) + 30 * (b.month - a.month) + (Day360(b) - Day360(a)) + 1;
}

int32_t WholeMonths(int32_t from, int32_t to) {
  const CivilDate a = CivilOf(from), b = CivilOf(to);
  return std::max(0, 12 * (b.year - a.year) + (b.month - a.month) + 1);
}

int32_t FiscalCount(bool declining, int32_t from, int32_t to) {
  return declining ? WholeMonths(from, to) : Days360(from, to);
}

double FiscalProrata(bool declining, int32_t from, int32_t to, int32_t yearStart, int32_t yearEnd) {
  const int32_t part = FiscalCount(declining, from, to);
  const int32_t whole = FiscalCount(declining, yearStart, yearEnd);
  return whole > 0 ? static_cast<double>(part) / whole : 0;
}

}  // namespace actifix
