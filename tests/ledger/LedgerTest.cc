// EditImo's ledger entries, printed and in the interface file, past 1000 entries, 200 natures.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

// The ledger rows printed (marks or not) and the file's records: "account|label|debit|credit".
std::string Printed(const std::vector<std::string>& rows, bool marks = true) {
  const auto start = std::find_if(rows.begin(), rows.end(),
                                  [](const auto& r) { return r.rfind("T ECRITURES", 0) == 0; });
  if (start == rows.end()) return "";
  return marks ? Pick({start + 1, rows.end()}, {"L ", "S ", "-"})
               : Pick({start + 1, rows.end()}, {"L ", "S "});
}

std::string Written(const std::string& bytes) {
  std::string rows;
  for (std::size_t at = 0; at + 316 <= bytes.size(); at += 316) {
    const auto field = [&](std::size_t from, std::size_t width) {
      std::string t = bytes.substr(at + from, width);
      return t.erase(t.find_last_not_of(' ') + 1);
    };
    const std::string amount = field(255, 18).substr(field(255, 18).find_first_not_of(' '));
    rows += "L " + field(14, 10) + "|" + ToUtf8(field(94, 40)) + "|" +
            (field(254, 1) == "D" ? amount : "|" + amount) + "\n";
  }
  return rows;
}

class LedgerTest : public EditionTest {
 protected:
  void SetUp() override {
    Build([] {
      for (const char* account : {"2184", "28184", "68112", "6752", "512"})
        AddAccount(account, account);
      AddNature("MOB", "Mobilier", "2184", "28184", "68112", "6752", "");
      // Depreciated before the year and disposed of without a price; disposed of at a gain to
      // a buyer whose name does not fit beside "Cédée à "; disposed of before the bounds (left
      // out); disposed of after them (its dotation only).
      AddAssets(R"(MOB|00001|01/01/2020|1000|||1000||15/03/2026
MOB|00002|01/01/2024|2000|||1000|400|30/06/2026|1200|Client Au Nom Vingt-Cinq|512
MOB|00003|01/01/2023|700|||||15/01/2025
MOB|00004|01/01/2024|500|||100|100|15/02/2027)");
    });
  }
};

TEST_F(LedgerTest, EntriesMadeAndLeftOut) {
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n"
                          "0\n1 =\nMARK 1\n");
  const auto& rows = r.editions.at(0);
  // A zero loss for the disposal without price, a gain of 600; the buyer cut to 30.
  EXPECT_EQ(Pick(rows, {"L MOB", "L ||C", "S TOTAL||||"}),
            R"(L MOB|01/01/20|Ordre :00001|0.00|15/03/26|0.00||0.00
L MOB|01/01/24|Ordre :00002|600.00|30/06/26|1200.00|600.00
L ||Cédée à Client Au Nom Vingt-Ci
S TOTAL||||600.00||1200.00|600.00|0.00
)");
  // One dotation pair for the nature (400 + 100); the disposal without VNC nor price makes two
  // entries; the empty proceeds account is printed empty; a mark at each zero balance.
  const std::string entries = R"(L 68112|Dotation du 01/01/2026 au 31/12/2026|500.00
L 28184|Dotation du 01/01/2026 au 31/12/2026||500.00
-
L 28184|Sortie sans Cession|1000.00
L 2184|Sortie sans Cession||1000.00
-
L 28184|Cession à Client Au Nom Vingt-Cinq|1400.00
L 2184|Cession à Client Au Nom Vingt-Cinq||1400.00
-
L 6752|Cession à Client Au Nom Vingt-Cinq|600.00
L 2184|Cession à Client Au Nom Vingt-Cinq||600.00
-
L 512|Cession à Client Au Nom Vingt-Cinq|1200.00
L |Cession à Client Au Nom Vingt-Cinq||1200.00
-
)";
  EXPECT_EQ(Printed(rows), entries + "S TOTAL|||4700.00|4700.00\n");
  EXPECT_EQ(Written(LedgerBytes()) + "S TOTAL|||4700.00|4700.00\n", Printed(rows, false));
  EXPECT_EQ(r.reports,
            "AdjEcr: Ecriture [Cession à Client Au Nom Vingt-Cinq] - No Compte Non Mentionné dans "
            "la Nature d'Immo ou dans la Fiche d'Immobilisation\n"
            "AdjEcr: No Compte <> Inconnu dans le Plan Comptable Immo\n");
}

class LedgerTables : public EditionTest {
 protected:
  LedgerTables() : EditionTest("LINTANA = []\nCOMPTA = O\n") {}
  static constexpr int kNatures = 250;
  std::string Code(int n) const { return "N" + std::to_string(1000 + n); }
  // The ledger entries printed (record marks left out) and written, bounds 2026 to `to`.
  std::pair<std::string, std::string> Entries(const std::string& to) {
    std::string marks = "MARK 1";
    for (int n = 2; n <= kNatures; ++n) marks += "," + std::to_string(n);
    const RunResult r = Run("EditImo", "CHOOSE 1\nDATDEB\nDATFIN = " + to +
                                           "\nDATDEBA\nDATFINA\nRECAPSEULE = O\n0\n" + marks);
    return {Printed(r.editions.at(0), false), Written(LedgerBytes())};
  }
};

TEST_F(LedgerTables, GrowPastAThousandEntriesAndTwoHundredNatures) {
  Build([this] {
    for (const char* account : {"68112", "6752", "7752", "512"}) AddAccount(account, account);
    for (int n = 0; n < kNatures; ++n) {
      AddAccount("21" + Code(n), "Actif");
      AddAccount("281" + Code(n), "Amortissements");
      AddNature(Code(n), Code(n), "21" + Code(n), "281" + Code(n));
      AddAssets(Code(n) + "|00001|01/01/2024|" + std::to_string(1000 + n) +
                "|||200|100|30/06/2026|500|Client|512");
    }
  });
  // Dotations first, in the order the natures came, then six entries per disposal.
  auto [printed, written] = Entries("31/12/2026");
  std::string expected;
  const std::string dot = "|Dotation du 01/01/2026 au 31/12/2026|", l = "|Cession à Client|";
  for (int n = 0; n < kNatures; ++n)
    expected += "L 68112" + dot + "100.00\nL 281" + Code(n) + dot + "|100.00\n";
  for (int n = 0; n < kNatures; ++n) {
    const std::string vnc = std::to_string(700 + n);
    expected += "L 281" + Code(n) + l + "300.00\nL 21" + Code(n) + l + "|300.00\nL 6752" + l + vnc +
                ".00\nL 21" + Code(n) + l + "|" + vnc + ".00\nL 512" + l + "500.00\nL 7752" + l +
                "|500.00\n";
  }
  EXPECT_EQ(written, expected);
  EXPECT_EQ(printed, expected + "S TOTAL|||431125.00|431125.00\n");
  // A later run replaces the file: to 31/03, no disposal within the bounds; 90 of 181 days.
  std::tie(printed, written) = Entries("31/03/2026");
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 2 * kNatures);
  EXPECT_EQ(written.substr(0, written.find('\n')),
            "L 68112|Dotation du 01/01/2026 au 31/03/2026|49.72");
}

}  // namespace
}  // namespace actifix::testing
