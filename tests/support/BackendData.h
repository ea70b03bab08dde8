// Tests that run the program and its sessions on both stores: a data directory of their own,
// or a database of their own on the test server (dropped at the end), the files a server's
// companies write going beside it.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "platform/screen/Script.h"
#include "platform/session/ScriptedInterface.h"
#include "platform/session/Session.h"
#include "platform/store/CompanyStore.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/Program.h"

namespace actifix::testing {

class OnEachBackendData : public OnEachBackend {
 protected:
  void SetUp() override {
    if (!OnServer()) return;
    server_ = std::getenv("ACTIFIX_TEST_PG");
    Sql(server_, "DROP DATABASE IF EXISTS " + database_);
    Sql(server_, "CREATE DATABASE " + database_);
    data_ = WithDatabase(server_, database_);
    setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
  }
  void TearDown() override {
    if (OnServer()) Sql(server_, "DROP DATABASE IF EXISTS " + database_ + " WITH (FORCE)");
  }

  // The program run on the test's data with `args`.
  ProgramRun Program(const std::string& args) {
    return RunProgram("--data '" + data_ + "' " + args, (dir_.path() / "run").string());
  }
  // A session on company `code` whose screens answer from `script`; editions go to out/.
  std::unique_ptr<platform::Session> OpenSession(const std::string& code,
                                                 const std::string& script = "") {
    platform::SessionOptions o;
    o.companies = platform::MakeCompanyStore(data_, dir_.path());
    o.company = code;
    o.editionsDir = dir_.path() / "out";
    o.pdf = false;
    return std::make_unique<platform::Session>(
        o, std::make_unique<platform::ScriptedInterface>(platform::Script::FromText(script),
                                                         dir_.path() / "transcript"));
  }

  // The JSON lines of the editions that `operation` prints on company `code`.
  std::vector<nlohmann::json> EditionEvents(const std::string& code, const std::string& operation,
                                            const std::string& script) {
    std::filesystem::remove_all(dir_.path() / "out");
    OpenSession(code, script)->Run(operation);
    std::vector<nlohmann::json> events;
    for (const auto& f : std::filesystem::directory_iterator(dir_.path() / "out"))
      for (std::ifstream in(f.path()); f.path().extension() == ".jsonl" && in.peek() != EOF;)
        if (std::string text; std::getline(in, text)) events.push_back(nlohmann::json::parse(text));
    return events;
  }

  TempDir dir_;
  std::string data_ = dir_.path().string(), server_;
  const std::string database_ = "t" + std::to_string(getpid());
};

}  // namespace actifix::testing
