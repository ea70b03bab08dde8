// HostToolkit of our host: the company's settings, the key codes of the screens, the edition
// title and the state of the running edition.
#pragma once

#include <functional>
#include <string>

#include "host/HostToolkit.h"
#include "platform/session/CompanyContext.h"

namespace actifix::platform {

class EditionEngine;

class PlatformToolkit : public HostToolkit {
 public:
  // `edition` gives the session's edition engine, or nullptr while none was made.
  PlatformToolkit(const CompanyContext& company, std::function<EditionEngine*()> edition);

  void TrueValue(int16_t& value) override { value = -1; }
  void FalseValue(int16_t& value) override { value = 0; }
  void ZeroValue(int16_t& value) override { value = 0; }
  void EmptyText(std::string& value) override { value.clear(); }

  void KeyF1(int16_t& code) override;
  void KeyF2(int16_t& code) override;
  void KeyF6(int16_t& code) override;
  void KeyF8(int16_t& code) override;
  void KeyF12(int16_t& code) override;
  void KeyUp(int16_t& code) override;
  void KeyPageUp(int16_t& code) override;
  void KeyValidate(int16_t& code) override;

  void CompanyPrefix(std::string& code) override;
  void DataDirectory(std::string& path) override;
  void YearStartText(std::string& date) override;
  void YearEndText(std::string& date) override;
  void YearStartDay(std::string& day) override;
  void YearEndDay(std::string& day) override;
  void WorkDate(std::string& date) override;
  void FiscalOption(int16_t& on, int16_t& prorata, std::string& accounts) override;
  void CumulativesYearStart(std::string& date) override { date = company_.cumulativesYear; }

  void SetEditionTitle(const std::string& title) override { editionTitle_ = title; }
  void GetEditionTitle(std::string& title) override { title = editionTitle_; }
  void Interrupted(int16_t& flag) override;
  void PageLength(int16_t& lines) override;
  void PageLine(int16_t& line) override;

 private:
  const CompanyContext& company_;
  std::function<EditionEngine*()> edition_;
  std::string editionTitle_;
};

}  // namespace actifix::platform
