// What the host knows of the company an operation runs for.
#pragma once

#include <filesystem>
#include <string>

#include "platform/store/CompanySettings.h"

namespace actifix::platform {

struct CompanyContext {
  std::string code;                 // two letters or digits, the prefix of its files
  std::string name;                 // UTF-8
  std::filesystem::path outputDir;  // the output folder: where its files go
  std::string yearStart, yearEnd;   // current fiscal year, "dd/mm/yyyy"
  std::string workDate;             // the host's working date, "dd/mm/yyyy"
  FiscalOption fiscal;              // the fiscal plan option, off by default
  std::string cumulativesYear;      // start of the year the stored cumulatives belong to
};

}  // namespace actifix::platform
