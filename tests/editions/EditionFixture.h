// A company of fiscal year 2026 whose register the test builds, and runs of the editions on it
// with scripted answers. What an edition printed is read back as rows of text, one per title,
// line, total and record mark, so that tests compare whole tables:
//   "T title"   "L cell|cell|..."   "S label|cell|..."   "-"
// cells in column order, amounts with two decimals, absent cells empty, trailing ones dropped.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <set>

#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "state/MImmo.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {

inline std::vector<std::string> EditionRows(const std::filesystem::path& jsonl) {
  std::vector<std::string> rows, columns;
  std::ifstream in(jsonl);
  for (std::string text; std::getline(in, text);) {
    const auto e = nlohmann::json::parse(text);
    const std::string kind = e["kind"];
    if (kind == "columns") columns = e["names"].get<std::vector<std::string>>();
    if (kind == "title") rows.push_back("T " + e["text"].get<std::string>());
    if (kind == "step") rows.push_back("-");
    if (kind != "line" && kind != "total") continue;
    std::string row = kind == "line" ? "L " : "S " + e["label"].get<std::string>() + "|";
    for (const auto& name : columns) {
      const auto cell = e["cells"].find(name);
      char amount[32] = "";
      if (cell != e["cells"].end() && cell->is_number())
        std::snprintf(amount, sizeof amount, "%.2f", cell->get<double>());
      row += (cell != e["cells"].end() && cell->is_string() ? cell->get<std::string>() : amount);
      row += "|";
    }
    rows.push_back(row.erase(row.find_last_not_of('|') + 1));
  }
  return rows;
}

// The rows that start with one of `prefixes`, one per line.
inline std::string Pick(const std::vector<std::string>& rows,
                        std::initializer_list<std::string> prefixes) {
  std::string text;
  for (const auto& row : rows)
    if (std::any_of(prefixes.begin(), prefixes.end(),
                    [&](auto& p) { return row.rfind(p, 0) == 0; }))
      text += row + "\n";
  return text;
}

struct RunResult {
  std::vector<std::vector<std::string>> editions;  // rows of each edition, in file order
  std::vector<std::filesystem::path> files;        // their JSON lines files
  std::vector<std::string> transcript;
  std::string reports;  // "routine: message" lines
};

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

  // Runs `operation` answering from `script`; editions stop after `interruptAfter` lines.
  RunResult Run(const std::string& operation, const std::string& script, long interruptAfter = -1) {
    std::filesystem::remove_all(company_.editions());
    RunResult r;
    {
      auto session = company_.Open(script, interruptAfter);
      session->Run(operation);
      for (const auto& a : session->anomalies()) r.reports += a.routine + ": " + a.message + "\n";
      exerciseIndex_ = MImmo().exerciseIndex;
    }
    std::set<std::filesystem::path> files;  // the editions' JSON lines files, in file order
    if (std::filesystem::exists(company_.editions()))
      for (const auto& f : std::filesystem::directory_iterator(company_.editions()))
        if (f.path().extension() == ".jsonl") files.insert(f.path());
    r.files.assign(files.begin(), files.end());
    for (const auto& f : files) r.editions.push_back(EditionRows(f));
    std::ifstream t(company_.transcript());
    for (std::string line; std::getline(t, line);) r.transcript.push_back(line);
    return r;
  }

  std::string LedgerBytes() const { return FileBytes(company_.dataDir() / "01TampCg.dat"); }

  TestCompany company_;
  std::string parameters_;
  int16_t exerciseIndex_ = 0;
};

}  // namespace actifix::testing
