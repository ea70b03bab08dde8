// Values and settings of the host, each returned in one out argument.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostToolkit {
 public:
  virtual ~HostToolkit() = default;

  virtual void TrueValue(int16_t& value) = 0;
  virtual void FalseValue(int16_t& value) = 0;
  virtual void ZeroValue(int16_t& value) = 0;
  virtual void EmptyText(std::string& value) = 0;

  // Codes that HostScreen.AskField, AskDate and AskConfirm return for those keys.
  virtual void KeyF1(int16_t& code) = 0;
  virtual void KeyF2(int16_t& code) = 0;
  virtual void KeyF6(int16_t& code) = 0;
  virtual void KeyF8(int16_t& code) = 0;
  virtual void KeyF12(int16_t& code) = 0;
  virtual void KeyUp(int16_t& code) = 0;
  virtual void KeyPageUp(int16_t& code) = 0;
  virtual void KeyValidate(int16_t& code) = 0;

  // The current company's code (2 characters), also the prefix of its file names.
  virtual void CompanyPrefix(std::string& code) = 0;
  // The company's data directory, ending with its separator.
  virtual void DataDirectory(std::string& path) = 0;
  virtual void YearStartText(std::string& date) = 0;
  virtual void YearEndText(std::string& date) = 0;
  // The same bounds as day numbers written in decimal.
  virtual void YearStartDay(std::string& day) = 0;
  virtual void YearEndDay(std::string& day) = 0;
  virtual void WorkDate(std::string& date) = 0;
  // Our own addition: the company's fiscal plan option. `on` and `prorata` (fiscal prorating
  // of the economic plan) are non-zero when set; `accounts` is the bracket list of the
  // derogatory provision, allowance and write-back accounts. A host without it answers off.
  virtual void FiscalOption(int16_t& on, int16_t& prorata, std::string& accounts) {
    on = prorata = 0;
    accounts = "[145,68725,78725]";
  }
  // Our own addition: the start ("dd/mm/yyyy") of the fiscal year the stored cumulatives
  // belong to, the year the opening closes; "" when the host does not know it.
  virtual void CumulativesYearStart(std::string& date) { date.clear(); }

  virtual void SetEditionTitle(const std::string& title) = 0;
  virtual void GetEditionTitle(std::string& title) = 0;
  // Non-zero once the user has asked to stop the running edition.
  virtual void Interrupted(int16_t& flag) = 0;
  virtual void PageLength(int16_t& lines) = 0;
  virtual void PageLine(int16_t& line) = 0;
};

}  // namespace actifix
