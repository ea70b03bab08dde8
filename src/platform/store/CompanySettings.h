// What a company's store keeps besides its files: its settings, whatever the backend.
#pragma once

#include <string>

namespace actifix::platform {

// The settings of a company. Dates are "dd/mm/yyyy"; `name` is UTF-8.
struct CompanySettings {
  std::string code, name, yearStart, yearEnd, workDate;
};

// How long a program waits for another one that holds the company or writes to it, before it
// is refused with a French message naming what is running.
inline constexpr int kCompanyWaitMs = 5000;

}  // namespace actifix::platform
