// A company of fiscal year 2026 whose register the test builds, and runs of the editions on it
// with scripted answers: what they printed (JSON lines of each edition), the transcript, the
// anomalies and the interface file.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>

#include "depreciation/AmortFixture.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "support/TestRegister.h"

namespace actifix::testing {

struct RunResult {
  std::vector<Printed> editions;
  std::vector<std::string> transcript;
  std::vector<std::string> reports;  // "routine: message", UTF-8
  bool Has(const std::string& line) const {
    return std::find(transcript.begin(), transcript.end(), line) != transcript.end();
  }
};

// The "total" events of an edition as (trimmed label, cells).
inline std::vector<std::pair<std::string, nlohmann::json>> Totals(const Printed& p) {
  std::vector<std::pair<std::string, nlohmann::json>> totals;
  for (const auto& t : p.totals) {
    std::string label = t["label"];
    label.erase(0, label.find_first_not_of(' '));
    totals.emplace_back(label, t["cells"]);
  }
  return totals;
}

// Whether every amount of `expected` is in `cells` at 2 decimals (and nothing else there).
inline ::testing::AssertionResult SameAmounts(const nlohmann::json& cells,
                                              const std::map<std::string, double>& expected) {
  for (const auto& [name, value] : expected) {
    const auto got = Amount(cells, name);
    if (!got || std::abs(*got - value) > 0.005)
      return ::testing::AssertionFailure() << name << " expected " << value << " in " << cells;
  }
  for (const auto& [name, value] : cells.items())
    if (value.is_number() && !expected.contains(name))
      return ::testing::AssertionFailure() << "unexpected " << name << " in " << cells;
  return ::testing::AssertionSuccess();
}

class EditionTest : public ::testing::Test {
 protected:
  explicit EditionTest(const std::string& parameters = "LINTANA = [Service]\nCOMPTA = O\n")
      : company_("01/01/2026", "31/12/2026"), parameters_(parameters) {}

  // Builds the register: `fill` runs with the module's files open.
  void Build(const std::function<void()>& fill) {
    auto session = company_.Open(parameters_);
    session->Run("LectParamImmo");
    NvImmo component;  // the record call-backs go to a live component
    component.OuvImmo();
    fill();
    session->Commit();
  }

  // Runs `operation` on the register with `script`.
  RunResult Run(const std::string& operation, const std::string& script) {
    std::filesystem::remove_all(company_.editions());
    RunResult result;
    {
      auto session = company_.Open(script);
      session->Run(operation);
      for (const auto& a : session->anomalies())
        result.reports.push_back(a.routine + ": " + a.message);
      exerciseIndex_ = MImmo().exerciseIndex;
    }
    std::vector<std::filesystem::path> files;
    if (std::filesystem::exists(company_.editions()))
      for (const auto& f : std::filesystem::directory_iterator(company_.editions()))
        if (f.path().extension() == ".jsonl") files.push_back(f.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
      std::ifstream in(f);
      result.editions.emplace_back();
      result.editions.back().Read(in);
    }
    std::ifstream t(company_.transcript());
    for (std::string line; std::getline(t, line);) result.transcript.push_back(line);
    return result;
  }

  std::string LedgerBytes() const {
    std::ifstream in(company_.dataDir() / "01TampCg.dat", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  TestCompany company_;
  std::string parameters_;
  int16_t exerciseIndex_ = 0;
};

}  // namespace actifix::testing
