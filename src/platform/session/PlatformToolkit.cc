#include "platform/session/PlatformToolkit.h"

#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "platform/print/EditionEngine.h"
#include "platform/screen/Keys.h"

namespace actifix::platform {

namespace {

std::string DayText(const std::string& date) {
  int32_t day = 0;
  HostDates().DayNumber(date, day);
  return std::to_string(day);
}

}  // namespace

PlatformToolkit::PlatformToolkit(const CompanyContext& company,
                                 std::function<EditionEngine*()> edition)
    : company_(company), edition_(std::move(edition)) {}

void PlatformToolkit::KeyF1(int16_t& code) { code = kKeyF1; }
void PlatformToolkit::KeyF2(int16_t& code) { code = kKeyF2; }
void PlatformToolkit::KeyF6(int16_t& code) { code = kKeyF6; }
void PlatformToolkit::KeyF8(int16_t& code) { code = kKeyF8; }
void PlatformToolkit::KeyF12(int16_t& code) { code = kKeyF12; }
void PlatformToolkit::KeyUp(int16_t& code) { code = kKeyUp; }
void PlatformToolkit::KeyPageUp(int16_t& code) { code = kKeyPageUp; }
void PlatformToolkit::KeyValidate(int16_t& code) { code = kKeyValidate; }

void PlatformToolkit::CompanyPrefix(std::string& code) { code = company_.code; }

void PlatformToolkit::DataDirectory(std::string& path) {
  // Absolute, since the module builds file names on it that the store would otherwise take
  // as relative to the data directory a second time.
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(company_.outputDir, error);
  path = FromUtf8((error ? company_.outputDir : absolute).string());
  if (path.empty() || path.back() != '/') path += '/';
}

void PlatformToolkit::YearStartText(std::string& date) { date = company_.yearStart; }
void PlatformToolkit::YearEndText(std::string& date) { date = company_.yearEnd; }
void PlatformToolkit::YearStartDay(std::string& day) { day = DayText(company_.yearStart); }
void PlatformToolkit::YearEndDay(std::string& day) { day = DayText(company_.yearEnd); }
void PlatformToolkit::WorkDate(std::string& date) { date = company_.workDate; }

void PlatformToolkit::FiscalOption(int16_t& on, int16_t& prorata, std::string& accounts) {
  const platform::FiscalOption& fiscal = company_.fiscal;
  on = fiscal.on ? -1 : 0;
  prorata = fiscal.prorata ? -1 : 0;
  accounts = "[" + FromUtf8(fiscal.provision) + "," + FromUtf8(fiscal.allowance) + "," +
             FromUtf8(fiscal.writeBack) + "]";
}

void PlatformToolkit::Interrupted(int16_t& flag) {
  const EditionEngine* engine = edition_();
  flag = engine != nullptr && engine->Interrupted() ? -1 : 0;
}

void PlatformToolkit::PageLength(int16_t& lines) {
  const EditionEngine* engine = edition_();
  lines = engine != nullptr ? engine->PageLength() : 66;
}

void PlatformToolkit::PageLine(int16_t& line) {
  const EditionEngine* engine = edition_();
  line = engine != nullptr ? engine->PageLine() : 0;
}

}  // namespace actifix::platform
