// The ledger entries of EditImo: which entries are made or left out, their anomalies, their
// order and record marks, and the interface file holding the same entries in the same order,
// past 1000 entries and 200 natures.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

// The ledger lines of an edition: (account, label, side, amount) of each entry's first line.
using Entry = std::tuple<std::string, std::string, std::string, double>;
std::vector<Entry> LedgerLines(const Printed& p, int* marks = nullptr) {
  std::vector<Entry> entries;
  for (std::size_t i = 0, line = 0; i < p.kinds.size(); ++i) {
    if (p.kinds[i] == "step" && marks != nullptr && !entries.empty()) ++*marks;
    if (p.kinds[i] != "line") continue;
    const auto& cells = p.lines[line++];
    if (!cells.contains("D") && !cells.contains("C")) continue;
    const std::string side = cells.contains("D") ? "D" : "C";
    entries.emplace_back(Text(cells, "NC"), Text(cells, "LIB"), side, *Amount(cells, side));
  }
  return entries;
}

// The same four values read back from the records of the interface file.
std::vector<Entry> FileEntries(const std::string& bytes) {
  std::vector<Entry> entries;
  for (std::size_t at = 0; at + 316 <= bytes.size(); at += 316) {
    const std::string r = bytes.substr(at, 316);
    auto trim = [](std::string t) { return t.erase(t.find_last_not_of(' ') + 1); };
    entries.emplace_back(trim(r.substr(14, 10)), ToUtf8(trim(r.substr(94, 40))), r.substr(254, 1),
                         std::stod(r.substr(255, 18)));
  }
  return entries;
}

class LedgerTest : public EditionTest {
 protected:
  void SetUp() override {
    Build([] {
      for (const char* account : {"2184", "28184", "68112", "6752", "512"})
        AddAccount(account, std::string("Compte ") + account);
      AddNature("MOB", "Mobilier", "2184", "28184", "68112", "6752", "");
      // Depreciated before the year, disposed of without a price.
      AddAsset({.nature = "MOB",
                .number = "00001",
                .acquired = "01/01/2020",
                .value = 1000,
                .cumul = 1000,
                .disposed = "15/03/2026"});
      // Disposed of at a gain; a buyer whose name does not fit beside "Cédée à ".
      AddAsset({.nature = "MOB",
                .number = "00002",
                .acquired = "01/01/2024",
                .value = 2000,
                .cumul = 1000,
                .dotation = 400,
                .disposed = "30/06/2026",
                .price = 1200,
                .client = "Client Au Nom Vingt-Cinq",
                .treasury = "512"});
      // Disposed of before the bounds: left out. After them: its dotation only.
      AddAsset({.nature = "MOB",
                .number = "00003",
                .acquired = "01/01/2023",
                .value = 700,
                .disposed = "15/01/2025"});
      AddAsset({.nature = "MOB",
                .number = "00004",
                .acquired = "01/01/2024",
                .value = 500,
                .cumul = 100,
                .dotation = 100,
                .disposed = "15/02/2027"});
    });
  }
};

TEST_F(LedgerTest, EntriesMadeAndLeftOut) {
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n"
                          "0\n1 =\nMARK 1\n");
  ASSERT_EQ(r.editions.size(), 1u);
  const Printed& p = r.editions[0];
  int marks = 0;
  const std::string dot = "Dotation du 01/01/2026 au 31/12/2026";
  const std::vector<Entry> expected = {
      {"68112", dot, "D", 500},  // 400 + 100, one row for the nature
      {"28184", dot, "C", 500},
      {"28184", "Sortie sans Cession", "D", 1000},  // no VNC, no price: two entries
      {"2184", "Sortie sans Cession", "C", 1000},
      {"28184", "Cession à Client Au Nom Vingt-Cinq", "D", 1400},
      {"2184", "Cession à Client Au Nom Vingt-Cinq", "C", 1400},
      {"6752", "Cession à Client Au Nom Vingt-Cinq", "D", 600},
      {"2184", "Cession à Client Au Nom Vingt-Cinq", "C", 600},
      {"512", "Cession à Client Au Nom Vingt-Cinq", "D", 1200},
      {"", "Cession à Client Au Nom Vingt-Cinq", "C", 1200},  // no proceeds account
  };
  std::vector<Entry> printed = LedgerLines(p, &marks);
  // The gains and losses lines come first in the edition; the ledger lines are the last ten.
  ASSERT_GE(printed.size(), expected.size());
  printed.erase(printed.begin(), printed.end() - expected.size());
  EXPECT_EQ(printed, expected);
  EXPECT_EQ(marks, 5);  // a record mark each time the running balance is back to zero
  EXPECT_EQ(FileEntries(LedgerBytes()), expected);
  EXPECT_EQ(Totals(p).back().first, "TOTAL");
  EXPECT_TRUE(SameAmounts(Totals(p).back().second, {{"D", 4700}, {"C", 4700}}));

  // Gains and losses: a zero loss for the disposal without price, a gain of 600.
  std::vector<nlohmann::json> gains;
  for (const auto& line : p.lines)
    if (line.contains("VC")) gains.push_back(line);
  ASSERT_EQ(gains.size(), 2u);
  EXPECT_TRUE(SameAmounts(gains[0], {{"VNC", 0}, {"VC", 0}, {"MV", 0}}));
  EXPECT_TRUE(SameAmounts(gains[1], {{"VNC", 600}, {"VC", 1200}, {"PV", 600}}));
  std::vector<std::string> descriptions;
  for (const auto& line : p.lines)
    if (Text(line, "NOMFRN").rfind("C", 0) == 0) descriptions.push_back(Text(line, "NOMFRN"));
  EXPECT_EQ(descriptions.back(), "Cédée à Client Au Nom Vingt-Ci");  // cut to 30 characters
  EXPECT_EQ(r.reports, (std::vector<std::string>{
                           "AdjEcr: Ecriture [Cession à Client Au Nom Vingt-Cinq] - No Compte Non "
                           "Mentionné dans la Nature d'Immo ou dans la Fiche d'Immobilisation",
                           "AdjEcr: No Compte <> Inconnu dans le Plan Comptable Immo"}));
}

TEST(LedgerTables, GrowPastAThousandEntriesAndTwoHundredNatures) {
  TestCompany company("01/01/2026", "31/12/2026");
  const int natures = 250;
  {
    auto session = company.Open("LINTANA = []\nCOMPTA = O\n");
    session->Run("LectParamImmo");
    NvImmo component;
    component.OuvImmo();
    for (const char* account : {"68112", "6752", "7752", "512"}) AddAccount(account, account);
    for (int n = 0; n < natures; ++n) {
      char code[8];
      std::snprintf(code, sizeof code, "N%03d", n);
      AddAccount("21" + std::string(code), "Actif");
      AddAccount("281" + std::string(code), "Amortissements");
      AddNature(code, code, "21" + std::string(code), "281" + std::string(code));
      AddAsset({.nature = code,
                .number = "00001",
                .acquired = "01/01/2024",
                .value = 1000.0 + n,
                .cumul = 200,
                .dotation = 100,
                .disposed = "30/06/2026",
                .price = 500,
                .client = "Client",
                .treasury = "512"});
    }
    session->Commit();
  }
  const auto run = [&](const std::string& to) {
    std::string marks = "MARK 1";
    for (int n = 2; n <= natures; ++n) marks += "," + std::to_string(n);
    company
        .Open("CHOOSE 1\nDATDEB\nDATFIN = " + to + "\nDATDEBA\nDATFINA\nRECAPSEULE = O\n0\n" +
              marks + "\n")
        ->Run("EditImo");
    std::ifstream json(company.editions() / std::filesystem::directory_iterator(company.editions())
                                                ->path()
                                                .filename()
                                                .replace_extension(".jsonl"));
    Printed p;
    p.Read(json);
    std::filesystem::remove_all(company.editions());
    std::ifstream in(company.dataDir() / "01TampCg.dat", std::ios::binary);
    return std::pair{LedgerLines(p), FileEntries({std::istreambuf_iterator<char>(in), {}})};
  };

  const auto [printed, written] = run("31/12/2026");
  ASSERT_EQ(printed.size(), 8u * natures);  // a dotation pair and six disposal entries each
  EXPECT_EQ(written, printed);
  for (int n = 0; n < natures; ++n) {  // dotations first, in the order the natures came
    char amort[16];
    std::snprintf(amort, sizeof amort, "281N%03d", n);
    EXPECT_EQ(printed[2 * n], Entry("68112", "Dotation du 01/01/2026 au 31/12/2026", "D", 100));
    EXPECT_EQ(std::get<0>(printed[2 * n + 1]), amort);
    const auto& vnc = printed[2 * natures + 6 * n + 2];
    EXPECT_EQ(std::get<0>(vnc), "6752");
    EXPECT_DOUBLE_EQ(std::get<3>(vnc), 700.0 + n);
  }
  // A later run replaces the file: bounds to March, no disposal within them, 90 days of 181.
  const auto [march, marchFile] = run("31/03/2026");
  ASSERT_EQ(march.size(), 2u * natures);
  EXPECT_EQ(marchFile, march);
  EXPECT_DOUBLE_EQ(std::get<3>(march[0]), 49.72);
}

}  // namespace
}  // namespace actifix::testing
