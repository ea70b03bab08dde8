// The fiscal-year opening run as the program runs it (reload, refusal, backup and mark around
// the module): the records, the keys and the list of exceptional assets afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "host/HostError.h"
#include "platform/app/RegisterGenerator.h"
#include "platform/app/YearOpening.h"
#include "platform/store/SqliteCompanies.h"
#include "platform/store/Store.h"
#include "support/AssetFixture.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::json;
using Figures = std::map<std::string, std::pair<double, double>>;  // key -> cumul, charge

class OuvImoTest : public ::testing::Test {
 protected:
  OuvImoTest() : company_("01/01/2026", "31/12/2026") {}

  // The company's parameters, then the assets of `table` (see AddAssets), in the 2026 year.
  void Register(const std::string& table) {
    auto session = company_.Open("LINTANA = [Service,Atelier]\nCOMPTA\n");
    session->Run("LectParamImmo");
    session->RunWith([&](NvImmo&) { AddAssets(table); });
  }

  // The program's command `args` on the company; its exit status.
  int Program(const std::string& args) {
    return std::system((std::string(ACTIFIX_PROGRAM) + " --data " + company_.dataDir().string() +
                        " " + args + " >/dev/null")
                           .c_str());
  }

  // One opening of 2027 with `script`; returns the list's JSON lines (none when not printed).
  std::vector<Json> Open(const std::string& script, bool again = false, int64_t failAt = 0) {
    std::filesystem::remove_all(company_.editions());
    auto session = company_.Open(script);
    // An edition of a later year left the index elsewhere, and the dates changed since the
    // session began: the host loads both again.
    session->RunWith([](NvImmo& component) {
      component.LectParamImmo();
      MImmo().exerciseIndex = 3;
    });
    EXPECT_EQ(Program("company year 01 01/01/2027 31/12/2027"), 0);
    session->store().FailAtWrite(failAt);
    platform::OpenFiscalYear(*session, {again});
    std::vector<Json> list;
    std::ifstream in(company_.editions() /
                     "001-LISTE-DES-AMORTISSEMENTS-EXCEPTIONNELS-A-RENSEIGNER.jsonl");
    for (std::string line; std::getline(in, line);) list.push_back(Json::parse(line));
    return list;
  }

  Figures Rolled() {
    const auto amount = [](const std::string& text, std::size_t offset) {
      double value = 0;
      HostConvert().UnpackDouble(text.substr(offset, 8), value);
      return RoundHalfAway(value, 2);
    };
    Figures figures;
    const auto files = AssetFiles(Database());
    for (const auto& [text, number] : files.at("r_Immo"))
      figures[text.substr(0, 11)] = {amount(text, 117), amount(text, 159)};  // CUMAMO, DOTAMO
    return figures;
  }

  std::filesystem::path Database() const { return company_.dataDir() / "01Actifix.db"; }

  TestCompany company_;
};

TEST_F(OuvImoTest, RollsRemovesAndListsThenRefusesASecondOpeningUnlessAskedAgain) {
  // MAT 00001: linear, 10000 at 20 % from 01/07/2025: 1008.22 before 2026, 2000 in 2026 and
  // 2027. 00002, disposed of on the day the new year starts: kept, rolled, no charge in 2027.
  // 00003, disposed of the day before, sharing nature, date and codes: removed alone. EXC: cut
  // to what remains; nothing left, so no line; less than what remains.
  Register(
      "MAT|00001|01/07/2025|10000|L|20|1008.22|2000|||||[ADM,AT1]\n"
      "MAT|00002|01/07/2025|10000|L|20|1008.22|2000|01/01/2027||||[ADM,AT1]\n"
      "MAT|00003|01/07/2025|10000|L|20|1008.22|2000|31/12/2026||||[ADM,AT1]\n"
      "EXC|00001|15/03/2020|1000|E|20|600|300\n"
      "EXC|00002|15/03/2020|500|E|20|400|100\n"
      "EXC|00003|15/03/2020|1000|E|20|100|200\n");
  auto files = AssetFiles(Database());
  for (auto& [table, rows] : files)  // what should be left: all but record 3's rows
    std::erase_if(rows, [](const auto& row) { return row.second == 3; });

  EXPECT_EQ(Json(Open("CONFIRM yes\n")), Json::parse(R"([
      {"kind":"title","text":"LISTE DES AMORTISSEMENTS EXCEPTIONNELS A RENSEIGNER"},
      {"kind":"columns","names":["CODNATI","NUMNATI","DATACQ","CUMAMO","DOTAMO"]},
      {"kind":"line","cells":{"CODNATI":"EXC","NUMNATI":1,"DATACQ":"15/03/2020","CUMAMO":900}},
      {"kind":"step"},
      {"kind":"line","cells":{"CODNATI":"EXC","NUMNATI":3,"DATACQ":"15/03/2020","CUMAMO":300}},
      {"kind":"step"}])"));
  const auto after = AssetFiles(Database());
  for (const char* keys : {"k_Immo", "k_Immon", "k_Immoa"})
    EXPECT_EQ(after.at(keys), files.at(keys)) << keys;
  Figures rolled = {{"MAT   00001", {3008.22, 2000}},
                    {"MAT   00002", {3008.22, 0}},
                    {"EXC   00001", {900, 100}},
                    {"EXC   00002", {500, 0}},
                    {"EXC   00003", {300, 200}}};
  EXPECT_EQ(Rolled(), rolled);

  // The same year again: refused before anything is written, saying the way out.
  try {
    Open("");
    ADD_FAILURE() << "a second opening of 2027 ran";
  } catch (const HostError& e) {
    EXPECT_NE(e.cause().find("actifix company year 01"), std::string::npos) << e.cause();
    EXPECT_NE(e.cause().find("--again"), std::string::npos) << e.cause();
  }
  EXPECT_EQ(AssetFiles(Database()), after);
  // Asked again, the module adds the charges a second time, as its warning says.
  Open("CONFIRM yes\n", true);
  rolled["MAT   00001"].first = 5008.22;
  rolled["MAT   00002"] = {3008.22, 0};
  rolled["EXC   00001"] = {1000, 0};
  rolled["EXC   00003"] = {500, 200};
  EXPECT_EQ(Rolled(), rolled);
}

TEST_F(OuvImoTest, AFailureHalfwayNamesTheBackupThatGivesBackTheRegisterExactly) {
  platform::GeneratorOptions generator;  // parameters, natures and 60 cards, a few disposed of
  generator.assets = 60;
  company_.Open()->RunWith([&](NvImmo&) { platform::GenerateRegister(generator); });
  const auto before = AssetFiles(Database());
  std::string backup;
  try {
    Open("CONFIRM yes\n", false, 25);
    FAIL() << "the opening did not fail";
  } catch (const HostError& e) {
    backup =
        platform::SqliteCompanies(company_.dataDir()).Backups("01").at(0).path.filename().string();
    EXPECT_NE(e.cause().find("actifix company restore 01 " + backup), std::string::npos)
        << e.cause();
  }
  const auto failed = AssetFiles(Database());
  EXPECT_NE(failed, before);  // the assets before the failure are rolled
  // The program's restore asks first: a "n" changes nothing, --yes brings the copy back.
  EXPECT_NE(Program("company restore 01 " + backup + " < /dev/null"), 0);
  EXPECT_EQ(AssetFiles(Database()), failed);
  EXPECT_EQ(Program("company restore 01 " + backup + " --yes"), 0);
  EXPECT_EQ(AssetFiles(Database()), before);
  EXPECT_FALSE(Open("CONFIRM yes\n").empty());  // restored, the year is no longer marked
}

}  // namespace
}  // namespace actifix::testing
