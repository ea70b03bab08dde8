// The fiscal-year opening as the program runs it: records, keys, list, refusal, backup, edition.
#include <cstdlib>
#include <sstream>

#include "editions/EditionFixture.h"
#include "host/HostError.h"
#include "platform/store/Store.h"
#include "platform/store/sqlite/SqliteCompanies.h"
#include "platform/tools/RegisterGenerator.h"
#include "platform/tools/YearOpening.h"
#include "support/AssetFixture.h"
#include "support/RegisterAudit.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::json;
using Figures = std::map<std::string, std::pair<double, double>>;  // key -> cumul, charge

class OuvImoTest : public EditionTest {
 protected:
  OuvImoTest() : EditionTest("LINTANA = [Service,Atelier]\nCOMPTA\n") {}

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
    // Index left elsewhere by an edition, dates changed since: the host loads both again.
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

  // The stored figures of every asset, its keys audited on the way.
  Figures Rolled() {
    const auto amount = [](const auto& packed) { return RoundHalfAway(UnpackAmount(packed), 2); };
    Figures figures;
    for (const auto& [key, s] : AuditRegister(company_))
      figures[key] = {amount(s.r.CUMAMO.str()), amount(s.r.DOTAMO.str())};
    return figures;
  }

  std::filesystem::path Database() const { return company_.dataDir() / "01Actifix.db"; }
};

TEST_F(OuvImoTest, RollsRemovesAndListsThenRefusesASecondOpeningUnlessAskedAgain) {
  // MAT 00001: 1008.22 before 2026, 2000 in 2026 and 2027. 00002, disposed of on 01/01/2027: kept,
  // rolled, no charge in 2027. 00003, disposed of the day before, sharing nature, date and codes:
  // removed alone. EXC: cut to what remains; nothing left, so no line; less than what remains.
  Build([] {
    AddAssets(R"(MAT|00001|01/07/2025|10000|L|20|1008.22|2000|||||[ADM,AT1]
MAT|00002|01/07/2025|10000|L|20|1008.22|2000|01/01/2027||||[ADM,AT1]
MAT|00003|01/07/2025|10000|L|20|1008.22|2000|31/12/2026||||[ADM,AT1]
EXC|00001|15/03/2020|1000|E|20|600|300
EXC|00002|15/03/2020|500|E|20|400|100
EXC|00003|15/03/2020|1000|E|20|100|200)");
  });
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

TEST_F(OuvImoTest, AFailureHalfwayChangesNothingAndTheBackupGivesBackTheRegisterExactly) {
  platform::GeneratorOptions generator;  // parameters, natures and 60 cards, a few disposed of
  generator.assets = 60;
  company_.Open()->RunWith([&](NvImmo&) { platform::GenerateRegister(generator); });
  const auto before = AssetFiles(Database());
  try {
    Open("CONFIRM yes\n", false, 25);
    FAIL() << "the opening did not fail";
  } catch (const HostError& e) {
    EXPECT_NE(e.cause().find("Rien n'a été changé"), std::string::npos) << e.cause();
    EXPECT_EQ(e.kind(), ErrorKind::kIo);  // the write's own failure, told through
  }
  EXPECT_EQ(AssetFiles(Database()), before);    // none of the assets before the failure rolled
  EXPECT_FALSE(Open("CONFIRM yes\n").empty());  // nor the year marked: it opens
  const auto opened = AssetFiles(Database());
  EXPECT_NE(opened, before);
  const std::string backup =
      platform::SqliteCompanies(company_.dataDir()).Backups("01").back().path.filename().string();
  // The program's restore asks first: a "n" changes nothing, --yes brings the copy back.
  EXPECT_NE(Program("company restore 01 " + backup + " < /dev/null"), 0);
  EXPECT_EQ(AssetFiles(Database()), opened);
  EXPECT_EQ(Program("company restore 01 " + backup + " --yes"), 0);
  EXPECT_EQ(AssetFiles(Database()), before);
}

// Cumul and dotation of each L or D asset printed; a disposed one's first line is the year's.
std::map<std::string, std::string> Printed(const RunResult& r) {
  std::map<std::string, std::string> figures;
  std::string nature;
  for (const std::string& row : r.editions.at(0)) {
    if (row.rfind("T NATURE", 0) == 0) nature = row;
    std::vector<std::string> cells;
    std::istringstream in(row);
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
    if (row.rfind("L Ordre", 0) == 0 && cells.size() > 5 && cells[3] != "E")
      figures.try_emplace(nature + cells[0].substr(0, 15), cells[4] + "|" + cells[5]);
  }
  return figures;
}

TEST_F(OuvImoTest, OpeningGivesWhatTheEditionOfTheNextYearShowed) {
  Build([] {
    platform::GeneratorOptions options;
    options.assets = 400;
    options.seed = 11;
    platform::GenerateRegister(options);
  });
  const std::string answers =
      "DATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\n2 =\nMARK 1,2,3,4,5,6,7\n";
  const auto before = Printed(Run("EditImo", "CHOOSE 2\n" + answers));
  ASSERT_EQ(Program("company year 01 01/01/2027 31/12/2027"), 0);
  Run("OuvImo", "CONFIRM yes\n");
  const auto after = Printed(Run("EditImo", "CHOOSE 1\n" + answers));
  ASSERT_GT(after.size(), 300u);
  for (const auto& [asset, figures] : after) {
    ASSERT_EQ(before.count(asset), 1u) << asset;
    EXPECT_EQ(figures, before.at(asset)) << asset;
  }
}

}  // namespace
}  // namespace actifix::testing
