// What a company's store keeps besides its files: its settings, whatever the backend.
#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace actifix::platform {

// Our own addition: the fiscal plan beside the economic one. Off by default, and so for a
// company made before it existed (its rows are then missing). Accounts are UTF-8, as `name`.
struct FiscalOption {
  bool on = false;       // the card gets its fiscal page, the ledger its derogatory entries
  bool prorata = false;  // the economic plan prorated as tax practice does (30/360, months)
  std::string provision = "145", allowance = "68725", writeBack = "78725";
  bool operator==(const FiscalOption&) const = default;
};

// The settings of a company. Dates are "dd/mm/yyyy"; `name` is UTF-8.
class CompanySettings {
 public:
  CompanySettings() = default;
  CompanySettings(std::string code, std::string name, std::string yearStart, std::string yearEnd,
                  std::string workDate, std::string cumulativesYear = "")
      : code(std::move(code)),
        name(std::move(name)),
        yearStart(std::move(yearStart)),
        yearEnd(std::move(yearEnd)),
        workDate(std::move(workDate)),
        cumulativesYear(std::move(cumulativesYear)) {}

  std::string code, name, yearStart, yearEnd, workDate;
  // The first day of the fiscal year the assets' cumulative depreciation belongs to: set at
  // creation, moved to the new year's start by each opening, in the transaction of the roll.
  // Empty when not stored: TakeDefaults() then gives it (SaveSettings stores yearStart).
  std::string cumulativesYear;
  FiscalOption fiscal;

  // The rows of the fiscal option and their values ("O" / "N" for the two flags).
  std::pair<const char*, std::string> FiscalRows(int i) const {
    switch (i) {
      case 0:
        return {"fiscal_option", fiscal.on ? "O" : "N"};
      case 1:
        return {"fiscal_prorata", fiscal.prorata ? "O" : "N"};
      case 2:
        return {"fiscal_account_provision", fiscal.provision};
      case 3:
        return {"fiscal_account_allowance", fiscal.allowance};
      default:
        return {"fiscal_account_write_back", fiscal.writeBack};
    }
  }
  static constexpr int kFiscalRows = 5;

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
    else if (row == "cumulatives_year")
      cumulativesYear = std::move(value);
    else if (row == "fiscal_option")
      fiscal.on = value == "O";
    else if (row == "fiscal_prorata")
      fiscal.prorata = value == "O";
    else if (row == "fiscal_account_provision")
      fiscal.provision = std::move(value);
    else if (row == "fiscal_account_allowance")
      fiscal.allowance = std::move(value);
    else if (row == "fiscal_account_write_back")
      fiscal.writeBack = std::move(value);
    else if (row.starts_with(kYearOpenedRow) &&
             DateOrder(row.substr(kYearOpenedRow.size())) > DateOrder(lastYearOpened_))
      lastYearOpened_ = row.substr(kYearOpenedRow.size());
  }

  // Once every row is taken: a company made before the cumulatives' year was kept gets the
  // start of the last year it opened, else its current year's start, which is what its
  // cumulatives belong to today.
  void TakeDefaults() {
    if (cumulativesYear.empty())
      cumulativesYear = lastYearOpened_.empty() ? yearStart : lastYearOpened_;
  }

  // The row name of the mark of an opened year, before its start date.
  static constexpr std::string_view kYearOpenedRow = "year_opened ";

  // "yyyymmdd" of a "dd/mm/yyyy" text, so that texts compare in date order ("" for others).
  static std::string DateOrder(std::string_view date) {
    if (date.size() != 10) return "";
    return std::string(date.substr(6, 4)) + std::string(date.substr(3, 2)) +
           std::string(date.substr(0, 2));
  }

 private:
  std::string lastYearOpened_;  // while reading: the latest start of a `year_opened` row
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
