// The day and month counts of tax practice, and the share of a year they give a period:
// 30-day months (30E/360) for linear depreciation, whole months from the first of the month for
// declining. Pure functions of day numbers, used by the fiscal plan and, with the company's
// "prorata fiscal", by the economic computation. Our own addition (docs/fiscal.md).
#pragma once

#include <cstdint>

namespace actifix {

// A calendar date.
struct CivilDate {
  int32_t year = 0, month = 0, day = 0;
};

// The calendar date of a day number (day 1 = 31/12/1899).
CivilDate CivilOf(int32_t dayNumber);

// The number of days of `month` (1 to 12) in `year`.
int32_t MonthLength(int32_t year, int32_t month);

// Days from `from` to `to`, both included, in 30-day months (30E/360): a 31st and the last
// day of any month count as the 30th, so a year ending on 28 February counts 360 days.
// 0 when `to` is before `from`.
int32_t Days360(int32_t from, int32_t to);

// Whole months from the first of `from`'s month to the end of `to`'s month; 0 when `to` is
// in an earlier month.
int32_t WholeMonths(int32_t from, int32_t to);

// The count of the period [from, to] by tax practice: WholeMonths when declining, else Days360.
int32_t FiscalCount(bool declining, int32_t from, int32_t to);

// The share of a full year's charge that the period [from, to] of the year [yearStart, yearEnd]
// takes by tax practice instead of by real days: in 30E/360 days (linear) or whole months
// (declining), over the same count of the year. It replaces
// (to - from + 1) / (yearEnd - yearStart + 1); 0 when the year counts nothing.
double FiscalProrata(bool declining, int32_t from, int32_t to, int32_t yearStart, int32_t yearEnd);

}  // namespace actifix
