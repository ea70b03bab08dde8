#include "support/TestCompany.h"

#include "platform/app/Companies.h"
#include "platform/app/ScriptedInterface.h"
#include "platform/screen/Script.h"
#include "platform/store/CompanyDatabase.h"

namespace actifix::testing {

TestCompany::TestCompany(const std::string& yearStart, const std::string& yearEnd,
                         const std::string& code)
    : code_(code) {
  platform::CompanyDatabase::Create(platform::CompanyDatabasePath(dir_.path(), code),
                                    {code, "SARL Test", yearStart, yearEnd, yearStart});
}

std::unique_ptr<platform::Session> TestCompany::Open(const std::string& script,
                                                     long interruptAfter) {
  platform::SessionOptions options;
  options.interruptAfter = interruptAfter;
  options.dataDir = dir_.path();
  options.company = code_;
  options.outDir = editions();
  options.pdf = false;
  return std::make_unique<platform::Session>(
      options, std::make_unique<platform::ScriptedInterface>(platform::Script::FromText(script),
                                                             transcript()));
}

}  // namespace actifix::testing
