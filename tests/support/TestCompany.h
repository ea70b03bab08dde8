// A company of our real host in a temporary data directory, for tests that run the module
// on the real store with scripted screens: company.Open(answers)->Run("LectParamImmo").
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/screen/Script.h"
#include "platform/session/Companies.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "support/TempDir.h"

namespace actifix::testing {

class TestCompany {
 public:
  TestCompany(const std::string& yearStart, const std::string& yearEnd,
              const std::string& code = "01")
      : code_(code) {
    platform::CompanyDatabase::Create(platform::CompanyDatabasePath(dir_.path(), code),
                                      {code, "SARL Test", yearStart, yearEnd, yearStart});
  }

  // A session on the company whose screens answer from `script` and whose transcript goes to
  // transcript.txt of the data directory. One session at a time. Editions stop after
  // `interruptAfter` printed lines when it is not -1.
  std::unique_ptr<platform::Session> Open(const std::string& script = "",
                                          long interruptAfter = -1) {
    platform::SessionOptions options;
    options.interruptAfter = interruptAfter;
    options.companies = platform::MakeCompanyStore(dir_.path().string());
    options.company = code_;
    options.editionsDir = editions();
    options.pdf = false;
    return std::make_unique<platform::Session>(
        options, std::make_unique<platform::ScriptedInterface>(platform::Script::FromText(script),
                                                               transcript()));
  }

  const std::filesystem::path& dataDir() const { return dir_.path(); }
  std::filesystem::path transcript() const { return dir_.path() / "transcript.txt"; }
  std::filesystem::path editions() const { return dir_.path() / "editions"; }

 private:
  TempDir dir_;
  std::string code_;
};

}  // namespace actifix::testing
