// What a company's store keeps besides its files: its settings, whatever the backend.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace actifix::platform {

// The settings of a company. Dates are "dd/mm/yyyy"; `name` is UTF-8.
struct CompanySettings {
  std::string code, name, yearStart, yearEnd, workDate;

  // Keeps `value` when `row`, a row name of the company's meta table, names a setting.
  void Take(std::string_view row, std::string value) {
    if (row == "code")
      code = std::move(value);
    else if (row == "name")
      name = std::move(value);
    else if (row == "year_start")
      yearStart = std::move(value);
    else if (row == "year_end")
      yearEnd = std::move(value);
    else if (row == "work_date")
      workDate = std::move(value);
  }
};

// Refuses a company whose stored code is missing or differs from `code`, the code its file or
// schema is named after: a damaged company, or another company's file put under this name.
// Throws HostError(operation, subject, French cause) before anything is shown or written.
void CheckIdentity(const CompanySettings& settings, const std::string& code,
                   const std::string& operation, const std::string& subject);

// The cause of a company whose catalog names a record or key file whose table is missing.
std::string MissingFileCause(const std::string& file);

// How long a program waits for another one that holds the company or writes to it, before it
// is refused with a French message naming what is running.
inline constexpr int kCompanyWaitMs = 5000;

}  // namespace actifix::platform
