#include "platform/session/FiscalYear.h"

#include "host/HostDates.h"

namespace actifix::platform {

namespace {
// The exercise table runs 99 years past the current one, each ending on the same month-end.
constexpr int kLastEndYear = 9999 - 99;
constexpr int kLongestMonths = 24;
}  // namespace

std::string FiscalYearRefusal(const std::string& start, const std::string& end) {
  const HostDates dates;
  int32_t startDay = 0, endDay = 0;
  dates.DayNumber(start, startDay);
  dates.DayNumber(end, endDay);
  if (endDay <= startDay)
    return "La fin d'exercice (" + end + ") doit être après son début (" + start + ").";
  int16_t d = 0, m = 0, y = 0;
  dates.Split(end, d, m, y);
  if (y > kLastEndYear)
    return "L'exercice ne peut finir après " + std::to_string(kLastEndYear) +
           " : les 100 exercices de la table des exercices dépasseraient l'an 9999.";
  // The first day past 24 months: the same day two years on, or the 1st of March after a
  // start on 29 February.
  dates.Split(start, d, m, y);
  std::string limitText;
  dates.Compose(d, m, static_cast<int16_t>(y + kLongestMonths / 12), limitText);
  int32_t limitDay = 0;
  dates.DayNumber(limitText, limitDay);
  int16_t limitDate = 0, limitMonth = 0, limitYear = 0;
  dates.Split(limitText, limitDate, limitMonth, limitYear);
  if (limitDate < d) ++limitDay;
  if (endDay >= limitDay)
    return "L'exercice du " + start + " au " + end + " dure plus de " +
           std::to_string(kLongestMonths) + " mois.";
  return "";
}

}  // namespace actifix::platform
