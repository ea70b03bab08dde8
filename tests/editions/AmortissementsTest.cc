// EditImo over a whole year by nature: lines, totals, gains and losses, entries, interface file.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

class AmortissementsTest : public EditionTest {
 protected:
  void SetUp() override {
    Build([] {
      for (const char* n : {"2182", "28182", "2183", "28183", "6752", "7752"}) AddAccount(n, "");
      AddAccount("68112", "Dotations aux amortissements");
      AddNature("VEH", "Véhicules", "2182", "28182");
      AddNature("INF", "Informatique", "2183", "28183");
      AddAssets(R"(INF|00001|15/03/2020|3000|E|0|2000|500
VEH|00001|01/07/2024|10000|||3000|2000|||||||Clio
VEH|00002|01/04/2026|12000||||1800
VEH|00003|01/01/2022|5000|||4000|495.89|30/06/2026|800|Garage Dupont|||Renault)");
    });
  }
};

TEST_F(AmortissementsTest, WholeYearByNature) {
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n"
                          "0\n1 =\nMARK 1,2\n");
  EXPECT_EQ(r.reports, "");
  ASSERT_EQ(r.editions.size(), 1u);
  // A group's TOTAL GENERAL is A NOUVEAU + ACQUISITIONS - CESSIONS; one sort level makes no
  // closing-level block. The disposed asset counts its dotation up to 30/06 in A NOUVEAU, is
  // printed again under CESSIONS, and makes the disposal entries after the dotations.
  EXPECT_EQ(Pick(r.editions[0], {"L Ordre", "S"}),
            R"(L Ordre : 00001 - Date : 15/03/2020|3000.00|0.00|E|2000.00|500.00|2500.00|500.00
S TOTAL A NOUVEAU||3000.00|||2000.00
S TOTAL A NOUVEAU+ACQUISITION||3000.00||||500.00|2500.00|500.00
S  TOTAL||3000.00|2000.00|500.00|0.00|2500.00|500.00
L Ordre : 00003 - Date : 01/01/2022|5000.00|20.00|L|4000.00|495.89|4495.89|504.11
L Ordre : 00001 - Date : 01/07/2024|10000.00|20.00|L|3000.00|2000.00|5000.00|5000.00
S TOTAL A NOUVEAU||15000.00|||7000.00
L Ordre : 00002 - Date : 01/04/2026|12000.00|20.00|L||1800.00|1800.00|10200.00
S TOTAL ACQUISITION||12000.00
S TOTAL A NOUVEAU+ACQUISITION||27000.00||||4295.89|11295.89|15704.11
L Ordre : 00003 - Date : 30/06/2026|5000.00|20.00|L|||4495.89|504.11
S TOTAL CESSION||5000.00|||||4495.89|504.11
S  TOTAL GENERAL||22000.00|||||6800.00|15200.00
S  TOTAL||22000.00|7000.00|4295.89|4495.89|6800.00|15200.00
S TOTAL||||504.11||800.00|295.89|0.00
S TOTAL|||10595.89|10595.89
)");
  const std::string bytes = LedgerBytes();
  ASSERT_EQ(bytes.size(), 10 * 316u);
  EXPECT_EQ(bytes.substr(0, 316),
            "OD 131/12/202668112     Dotations aux amortissements" + std::string(42, ' ') +
                "Dotation du 01/01/2026 au 31/12/2026" + std::string(124, ' ') + "D" +
                std::string(12, ' ') + "500.00" + std::string(41, ' ') + "\r\n");
  // The buyer names the omitted treasury account; the label's lines sit in 40 columns each.
  EXPECT_EQ(ToUtf8(bytes.substr(8 * 316 + 14, 50) + bytes.substr(8 * 316 + 94, 80)),
            "No Ct OmisGarage Dupont" + std::string(27, ' ') + "Cession à Garage Dupont" +
                std::string(17, ' ') + "Renault" + std::string(33, ' '));
  // The box says where the interface file is and how to enter it in the ledger.
  const std::string box = Pick(r.transcript, {"BOX Intégration sous Compta Norvel Windows"});
  EXPECT_NE(box.find("résident dans le Répertoire  @ " + company_.dataDir().string() + "/@. "),
            std::string::npos)
      << box;
  EXPECT_NE(box.find("Utilisez le raccourci :  @ I@\n"), std::string::npos) << box;
  EXPECT_EQ(exerciseIndex_, 1);
}

TEST_F(AmortissementsTest, InterruptedAfterThreeLines) {
  // Stopped at the section's third line: its totals print, the breakdown stops at its first line,
  // no later group; the asset being printed counts in no breakdown and makes no entry.
  const RunResult r = Run(
      "EditImo", "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0\n1 =\nMARK 1,2\n", 3);
  EXPECT_EQ(Pick(r.editions.at(0), {"L", "S", "T Ve", "T EC"}), R"(L  A NOUVEAU
L Ordre : 00001 - Date : 15/03/2020|3000.00|0.00|E|2000.00|500.00|2500.00|500.00
L 
S TOTAL A NOUVEAU||3000.00|||2000.00
S TOTAL A NOUVEAU+ACQUISITION||3000.00||||500.00|2500.00|500.00
T Ventilation Par Mode d'Amortissement
L TOTAL LINEAIRE|0.00|0.00|0.00|0.00|0.00|0.00
T ECRITURES DE COMPTABILITE GENERALE Au 31/12/2026
S TOTAL|||0.00|0.00
)");
}

}  // namespace
}  // namespace actifix::testing
