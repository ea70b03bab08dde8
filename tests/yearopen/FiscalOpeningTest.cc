// The fiscal plans through the program's year openings, on both stores: rolled to the cent,
// split with their card, removed with their disposed asset; and over a generated register,
// each year's allowances less write-backs make the change of the balance stored in "Immof",
// the 2056 line and the ledger.
#include <cmath>
#include <fstream>
#include <map>
#include <tuple>

#include "assets/MImmoImmo.h"
#include "fiscal/AssetFiscal.h"
#include "front/NvImmo.h"
#include "state/MImmo.h"
#include "support/BackendData.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

struct Stored {  // a plan as stored, and its current year as the editions give it
  fiscal::FiscalState state;
  fiscal::FiscalYearResult year;
};

class FiscalOpeningTest : public OnEachBackendData {
 protected:
  void Actifix(const std::string& args) {
    const ProgramRun run = Program(args);
    ASSERT_EQ(run.status, 0) << args << "\n" << run.out << run.err;
  }
  // `work` with company `code`'s files open, then committed; `script` answers the screens.
  void With(const std::string& code, const std::function<void()>& work,
            const std::string& script = "") {
    const auto session = OpenSession(code, script);
    session->RunWith([&](NvImmo& component) { component.LectParamImmo(), work(); });
    session->Commit();
  }
  // Company `code` of first year [start, end], the fiscal option on, nature TRANS, `assets`.
  void Create(const std::string& code, const std::string& start, const std::string& end,
              const std::function<void()>& assets) {
    Actifix("company create " + code + " --year " + start + " " + end);
    With(
        code,
        [] {
          for (const char* account : {"145", "68725", "78725"}) AddAccount(account, "Fiscal");
          AddNature("TRANS", "Transport", "2182", "28182");
        },
        "LINTANA = []\nCOMPTA = N\n");
    Actifix("company fiscal " + code + " --on");
    With(code, assets);
  }
  void Open(const std::string& code, const std::string& start, const std::string& end) {
    Actifix("company year " + code + " " + start + " " + end);
    std::ofstream(dir_.path() / "yes") << "CONFIRM yes\n";
    Actifix("--company " + code + " run OuvImo --script " + (dir_.path() / "yes").string());
  }
  std::map<std::string, Stored> Read(const std::string& code) {
    std::map<std::string, Stored> plans;
    With(code, [&] {
      MImmoState& m = MImmo();
      int16_t found = 0;
      std::string key;
      for (KeyedFile().First(m.kImmo, m.fImmo, found, key); found != 0;
           KeyedFile().Next(m.kImmo, m.fImmo, found, key))
        if (fiscal::StoredPlan p; fiscal::ReadStoredPlan(p))
          plans[key] = {p.state, fiscal::CurrentYear(p, UnpackAmount(m.immo.DOTAMO.str()))};
    });
    return plans;
  }
};

// A plan as the card stores it: fiscal mode, rate, cumulative, balance, typed charge.
void Plan(const std::string& key, char mode, float rate, double cumulative = 0, double balance = 0,
          double typed = 0) {
  AssetCard c;
  c.MODFIS = std::string(1, mode), c.TAUFIS = PackRate(rate);
  c.CUMFIS = PackAmount(cumulative), c.SLDDER = PackAmount(balance), c.DOTFIS = PackAmount(typed);
  EcrirePlanFiscal(key, c);
}

void Expect(const fiscal::FiscalState& got, double cumulative, double balance,
            const std::string& what) {
  EXPECT_NEAR(got.cumulative, cumulative, 0.005) << what;
  EXPECT_NEAR(got.balance, balance, 0.005) << what;
}

TEST_P(FiscalOpeningTest, PlansRollToTheCentThroughEightOpenings) {
  Create("01", "01/01/2026", "31/12/2026", [] {
    AddAssets(R"(TRANS|00001|01/01/2026|10000|L|12.5|0|1250
TRANS|00002|01/01/2026|10000|L|12.5|0|1250|30/06/2028
TRANS|00003|01/01/2022|10000|L|12.5|5000|1250
TRANS|00004|01/01/2026|10000|L|12.5|0|1250
TRANS|00005|01/01/2026|10000|L|12.5|0|1250)");
    Plan("TRANS 00001", 'L', 20);              // 5 years against 8
    Plan("TRANS 00002", 'L', 20);              // disposed of in its third year
    Plan("TRANS 00003", 'L', 20, 8000, 3000);  // entered in the middle of its life
    Plan("TRANS 00004", 'E', 0, 0, 0, 3000);   // a typed charge, then none
    Plan("TRANS 00005", 'L', 20);              // split in its third year, into 00006
    int16_t found = 0;
    KeyedFile().Find(MImmo().kNature, "TRANS ", MImmo().fNature, found);
    MImmo().nature.NUMNAT = "00005";
    RecordFile().Write(MImmo().fNature, 1);
  });
  // Key, first opening checked, then (fiscal cumulative, balance) after each opening.
  // clang-format off
  const std::map<std::string, std::pair<int, std::vector<std::pair<double, double>>>> table = {
      {"TRANS 00001", {1, {{2000, 750}, {4000, 1500}, {6000, 2250}, {8000, 3000}, {10000, 3750},
                           {10000, 2500}, {10000, 1250}, {10000, 0}}}},
      {"TRANS 00002", {1, {{2000, 750}, {4000, 1500}}}},
      {"TRANS 00003", {1, {{10000, 3750}, {10000, 2500}, {10000, 1250}, {10000, 0}, {10000, 0}}}},
      {"TRANS 00004", {1, {{3000, 1750}, {3000, 500}, {3000, 0}}}},
      {"TRANS 00005", {1, {{2000, 750}, {4000, 1500}}}},
      {"TRANS 00006", {3, {{3600, 1350}, {4800, 1800}, {6000, 2250}, {6000, 1500}, {6000, 750},
                           {6000, 0}}}}};
  // clang-format on
  for (int opening = 1; opening <= 8; ++opening) {
    if (opening == 3) {  // 4,000 of 00005's 10,000 sold on 30/06/2028: the split shares 0.4
      With(
          "01", [] { EntImo(); },
          "CONF\nCODNATI = TRANS\nNUMNATI = 00005\nDATACQ\nNOMFRN\nDESCRI\nREMIMO\n"
          "DATCES = 30/06/2028\nNOMCLT = Martin\nMTCESS = 3000\nVACEDEE = 4000\nCONFIRM yes\n"
          "NOMFRN\nDESCRI\nREMIMO\nNOMFRN\nDESCRI\nREMIMO\nCODNATI =\n");
      const auto parts = Read("01");
      Expect(parts.at("TRANS 00005").state, 1600, 600, "part sold");
      Expect(parts.at("TRANS 00006").state, 2400, 900, "part kept");
    }
    const auto before = Read("01");
    const std::string year = std::to_string(2026 + opening);
    Open("01", "01/01/" + year, "31/12/" + year);
    const auto after = Read("01");
    EXPECT_EQ(after.size(), opening < 3 ? 5u : 4u) << opening;
    for (const auto& [key, row] : table) {
      const std::string what = key + " after opening " + std::to_string(opening);
      const std::size_t index = opening - row.first;
      if (opening < row.first || index >= row.second.size()) continue;
      ASSERT_EQ(after.count(key), 1u) << what;
      Expect(after.at(key).state, row.second[index].first, row.second[index].second, what);
      Expect(after.at(key).state, before.at(key).year.next.cumulative,
             before.at(key).year.next.balance, what + ", as its year gave it");
    }
  }
}

TEST_P(FiscalOpeningTest, AFifteenMonthYearCountsFourHundredFiftyDays) {
  Create("02", "01/01/2026", "31/03/2027", [] {
    AddAssets("TRANS|00001|01/01/2026|10000|L|12.5|0|1562.50");
    Plan("TRANS 00001", 'L', 20);
  });
  Open("02", "01/04/2027", "31/03/2028");
  Expect(Read("02").at("TRANS 00001").state, 2500, 937.5, "2,000 x 450 / 360");
}

// Each year of five: the movements make the change of the stored balance, the 2056 line runs
// from the balance before to the balance after, and the ledger posts the movements, balanced.
TEST_P(FiscalOpeningTest, OverAGeneratedRegisterTheMovementsMakeTheChangeOfTheBalance) {
  Actifix("company create 03 --year 01/01/2026 31/12/2026");
  Actifix("--company 03 generate --assets 3000 --seed 7 --fiscal");
  for (int opening = 1; opening <= 5; ++opening) {
    const std::string what = "opening " + std::to_string(opening);
    const auto before = Read("03");
    if (opening == 1) {
      EXPECT_NEAR(before.size() / 3000.0, 0.25, 0.05);
    }
    double moved = 0, start = 0, change = 0;
    for (const auto& [key, p] : before)
      moved += p.year.movement.allowance - p.year.movement.writeBack, start += p.state.balance;
    std::map<std::string, double> line, ledger;  // the 2056 line; the ledger by column, account
    for (const auto& e : EditionEvents("03", "Tableaux2054", "CHOOSE 1\n"))
      if (e.contains("cells") && e["cells"].contains("FIN"))
        for (const char* c : {"DEBUT", "AUG", "DIM", "FIN", "HG", "HC"})
          line[c] = e["cells"].value(c, 0.0);
    for (const auto& e : EditionEvents("03", "EditImo",
                                       "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\n"
                                       "RECAPSEULE = O\n0\n1 =\n2 =\nMARK 1,2,3,4,5,6,7\n"))
      for (const char* side : {"D", "C"})
        if (e.contains("cells") && e["cells"].contains(side))
          ledger[e.value("label", "") + side] += e["cells"][side].get<double>(),
              ledger[e["cells"].value("NC", "") + side] += e["cells"][side].get<double>();
    EXPECT_NEAR(line["DEBUT"], start, 0.005) << what;
    EXPECT_NEAR(line["AUG"] - line["DIM"], moved, 0.005) << what;
    EXPECT_NEAR(line["FIN"], line["DEBUT"] + line["AUG"] - line["DIM"], 0.005) << what;
    // 2053's HG and HC are the year's allowances and write-backs, as the ledger posts them.
    for (const auto& [box, column, entry] :
         {std::tuple{"HG", "AUG", "68725D"}, {"HC", "DIM", "78725C"}})
      EXPECT_TRUE(std::abs(line[box] - line[column]) < 0.005 &&
                  std::abs(ledger[entry] - line[box]) < 0.005)
          << what << " " << box;
    EXPECT_NEAR(ledger["145C"] - ledger["145D"], moved, 0.005) << what;
    EXPECT_GT(ledger["TOTALD"], 0) << what;
    EXPECT_NEAR(ledger["TOTALD"], ledger["TOTALC"], 0.005) << what;
    const std::string year = std::to_string(2026 + opening);
    Open("03", "01/01/" + year, "31/12/" + year);
    for (const auto& [key, p] : Read("03")) change += p.state.balance;
    EXPECT_NEAR(change, line["FIN"], 0.005) << what;
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, FiscalOpeningTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
