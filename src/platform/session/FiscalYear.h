// The fiscal years the host accepts as a company's current year (and the calculator's): a year
// ends after it starts, lasts at most 24 months, and leaves room in the calendar (which ends
// on 31/12/9999) for the 100 consecutive years of the module's exercise table.
#pragma once

#include <string>

namespace actifix::platform {

// Why start - end cannot be a fiscal year: "" when it can, else a French sentence.
// REQUIRES: both are valid date texts (IsDateText).
std::string FiscalYearRefusal(const std::string& start, const std::string& end);

}  // namespace actifix::platform
