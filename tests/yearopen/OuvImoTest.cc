// The fiscal-year opening on the real store, run the way the program runs it (the host's
// reload, refusal, backup and mark around the module): what the records, the keys and the
// list of exceptional assets hold afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "front/MImmo.h"
#include "front/NvImmo.h"
#include "host/HostError.h"
#include "platform/app/Backups.h"
#include "platform/app/YearOpening.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/Store.h"
#include "support/AssetFixture.h"
#include "support/TestCompany.h"

namespace actifix::testing {
namespace {

using Json = nlohmann::json;

class OuvImoTest : public ::testing::Test {
 protected:
  OuvImoTest() : company_("01/01/2026", "31/12/2026") {}

  std::filesystem::path Database() const { return company_.dataDir() / "01Actifix.db"; }

  // The company's parameters, then `cards`, written in one session of the 2026 year.
  void Register(const std::vector<AssetCard>& cards) {
    auto session = company_.Open("LINTANA = [Service,Atelier]\nCOMPTA\n");
    session->Run("LectParamImmo");
    session->RunWith([&](NvImmo&) {
      for (const AssetCard& card : cards) WriteAsset(card);
    });
  }

  // One opening with `script`; returns the list's JSON lines (empty when none was printed).
  std::vector<Json> Open(const std::string& script, bool again = false, int64_t failAtWrite = 0) {
    std::filesystem::remove_all(company_.editions());
    auto session = company_.Open(script);
    // An edition of a later year left the index elsewhere in this session; the dates changed
    // since the session began: the host loads both again.
    session->RunWith([](NvImmo& component) {
      component.LectParamImmo();
      MImmo().exerciseIndex = 3;
    });
    SetCompanyYear(Database(), "01/01/2027", "31/12/2027");
    session->store().FailAtWrite(failAtWrite);
    platform::OperationOptions options;
    options.again = again;
    backup_ = platform::OpenFiscalYear(*session, options);
    std::vector<Json> list;
    std::error_code none;
    for (const auto& entry : std::filesystem::directory_iterator(company_.editions(), none)) {
      if (entry.path().extension() != ".jsonl" ||
          entry.path().filename().string().find("EXCEPTIONNELS") == std::string::npos)
        continue;
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) list.push_back(Json::parse(line));
    }
    return list;
  }

  // Cumulative and charge of the asset record with key `key` (nature & number).
  std::pair<double, double> Figures(const std::string& key) {
    for (const auto& [text, number] : ReadRows(Database(), "r_Immo")) {
      AssetRecord r;
      FromText(text, r);
      if (r.CODNATI.str() + r.NUMNATI.str() != key) continue;
      double cumulative = 0, charge = 0;
      HostConvert().UnpackDouble(r.CUMAMO.str(), cumulative);
      HostConvert().UnpackDouble(r.DOTAMO.str(), charge);
      return {RoundHalfAway(cumulative, 2), RoundHalfAway(charge, 2)};
    }
    ADD_FAILURE() << "no asset " << key;
    return {};
  }

  TestCompany company_;
  std::filesystem::path backup_;
};

// Entries of `rows` pointing at record `number`.
std::size_t EntriesOf(const Rows& rows, int64_t number) {
  std::size_t n = 0;
  for (const auto& row : rows) n += row.second == number;
  return n;
}

TEST_F(OuvImoTest, RollsRemovesAndListsThenRefusesASecondOpeningUnlessAskedAgain) {
  // 2026 figures of each card, as the card screen left them.
  Register({
      // Linear, 10000 at 20 % from 01/07/2025: 1008.22 before 2026, 2000 in 2026 and 2027.
      {"MAT", "00001", "01/07/2025", "", "L", 10000, 1008.22, 2000, 0, 20, "[ADM,AT1]"},
      // Disposed of on the day the new year starts: kept, rolled, no charge in 2027.
      {"MAT", "00002", "01/07/2025", "01/01/2027", "L", 10000, 1008.22, 2000, 0, 20, "[ADM,AT1]"},
      // Disposed of the day before, sharing nature, date and codes with 00001: removed alone.
      {"MAT", "00003", "01/07/2025", "31/12/2026", "L", 10000, 1008.22, 2000, 0, 20, "[ADM,AT1]"},
      {"EXC", "00001", "15/03/2020", "", "E", 1000, 600, 300},  // cut to what remains
      {"EXC", "00002", "15/03/2020", "", "E", 500, 400, 100},   // nothing left: no line
      {"EXC", "00003", "15/03/2020", "", "E", 1000, 100, 200},  // kept: less than what remains
  });
  const auto before = AssetFiles(Database());
  int64_t removed = 0;
  for (const auto& [text, number] : before.at("k_Immo"))
    if (text == "MAT   00003") removed = number;

  const std::vector<Json> list = Open("CONFIRM yes\n");
  EXPECT_TRUE(std::filesystem::exists(backup_));
  ASSERT_EQ(list.size(), 6u);  // title, columns, two lines and their steps
  EXPECT_EQ(list[0]["text"], "LISTE DES AMORTISSEMENTS EXCEPTIONNELS A RENSEIGNER");
  EXPECT_EQ(list[1]["names"], Json({"CODNATI", "NUMNATI", "DATACQ", "CUMAMO", "DOTAMO"}));
  EXPECT_EQ(
      list[2]["cells"],
      Json({{"CODNATI", "EXC"}, {"NUMNATI", 1.0}, {"DATACQ", "15/03/2020"}, {"CUMAMO", 900.0}}));
  EXPECT_EQ(
      list[4]["cells"],
      Json({{"CODNATI", "EXC"}, {"NUMNATI", 3.0}, {"DATACQ", "15/03/2020"}, {"CUMAMO", 300.0}}));

  const auto after = AssetFiles(Database());
  EXPECT_EQ(after.at("r_Immo").size(), 5u);
  for (const char* file : {"r_Immo", "k_Immo", "k_Immon"})
    EXPECT_EQ(EntriesOf(after.at(file), removed), 0u) << file;
  EXPECT_EQ(EntriesOf(after.at("k_Immoa"), removed), 0u);
  // The other cards keep every key, the one sharing "MAT" + date and "ADM"/"AT1" included.
  for (const char* file : {"k_Immo", "k_Immon", "k_Immoa"})
    EXPECT_EQ(after.at(file).size(), before.at(file).size() - EntriesOf(before.at(file), removed))
        << file;
  EXPECT_EQ(Figures("MAT   00001"), std::make_pair(3008.22, 2000.0));
  EXPECT_EQ(Figures("MAT   00002"), std::make_pair(3008.22, 0.0));
  EXPECT_EQ(Figures("EXC   00001"), std::make_pair(900.0, 100.0));
  EXPECT_EQ(Figures("EXC   00002"), std::make_pair(500.0, 0.0));
  EXPECT_EQ(Figures("EXC   00003"), std::make_pair(300.0, 200.0));

  // The same year again: refused before anything is written, with the way out.
  const auto rolled = AssetFiles(Database());
  try {
    Open("");
    ADD_FAILURE() << "a second opening of 2027 ran";
  } catch (const HostError& e) {
    EXPECT_NE(e.cause().find("actifix company year 01"), std::string::npos) << e.cause();
    EXPECT_NE(e.cause().find("--again"), std::string::npos) << e.cause();
  }
  EXPECT_EQ(AssetFiles(Database()), rolled);

  // Asked again, the module adds the charge a second time, as its warning says.
  Open("CONFIRM yes\n", true);
  EXPECT_EQ(Figures("MAT   00001"), std::make_pair(5008.22, 2000.0));
  EXPECT_EQ(Figures("EXC   00003"), std::make_pair(500.0, 200.0));
}

TEST_F(OuvImoTest, UnconfirmedDatesWriteNothingAndAnEmptyRegisterStillPrintsTheList) {
  Register({});
  const auto before = AssetFiles(Database());
  for (const char* answer : {"CONFIRM no\n", "CONFIRM yes F2\n"}) {
    EXPECT_TRUE(Open(answer).empty()) << answer;
    EXPECT_EQ(AssetFiles(Database()), before);
  }
  // Unconfirmed runs marked nothing: the opening runs, and prints its list with no line.
  const std::vector<Json> list = Open("CONFIRM yes\n");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]["kind"], "title");
  EXPECT_EQ(list[1]["kind"], "columns");
}

TEST_F(OuvImoTest, AFailureHalfwayNamesTheBackupThatGivesBackTheRegisterExactly) {
  std::vector<AssetCard> cards;
  for (int i = 1; i <= 40; ++i)
    cards.push_back({"MAT", (std::to_string(100000 + i)).substr(1), "01/07/2025",
                     i % 4 == 0 ? "30/06/2026" : "", i % 3 == 0 ? "E" : "L", 1000.0 * i, 100, 150,
                     0, 20, "[ADM,AT" + std::to_string(i % 3) + "]"});
  Register(cards);
  const auto before = AssetFiles(Database());
  try {
    Open("CONFIRM yes\n", false, 25);
    FAIL() << "the opening did not fail";
  } catch (const HostError& e) {
    const auto backups = platform::ListBackups(company_.dataDir(), "01");
    ASSERT_EQ(backups.size(), 1u);
    backup_ = backups.back().path;
    EXPECT_NE(e.cause().find(backup_.filename().string()), std::string::npos) << e.cause();
    EXPECT_NE(e.cause().find("actifix company restore 01"), std::string::npos) << e.cause();
  }
  const auto failed = AssetFiles(Database());
  EXPECT_NE(failed, before);  // the assets before the failure are rolled
  // The program's restore asks first: a "n" changes nothing, --yes brings the copy back.
  const std::string restore = std::string(ACTIFIX_PROGRAM) + " --data " +
                              company_.dataDir().string() + " company restore 01 " +
                              backup_.filename().string();
  EXPECT_NE(std::system(("echo n | " + restore + " >/dev/null").c_str()), 0);
  EXPECT_EQ(AssetFiles(Database()), failed);
  EXPECT_EQ(std::system((restore + " --yes >/dev/null").c_str()), 0);
  EXPECT_EQ(AssetFiles(Database()), before);
  // Restored, the year is no longer marked as opened.
  EXPECT_FALSE(Open("CONFIRM yes\n").empty());
}

}  // namespace
}  // namespace actifix::testing
