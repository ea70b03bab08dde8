// The edition driver: criteria, cancels, sort file, sections and group order; EdtPImo, ListImo.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

class DriverTest : public EditionTest {
 protected:
  DriverTest() : EditionTest("LINTANA = [Service,Atelier]\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("VEH", "Véhicules", "2182", "28182");
      AddNature("INF", "Informatique", "2183", "28183");
      // Left out of 2026 from 01/01/2015 to 31/10: disposed before the bounds, acquired
      // before DATDEBA, acquired after DATFIN. Kept: disposed after DATFIN (A NOUVEAU only),
      // disposed within (A NOUVEAU and CESSIONS), acquired within (ACQUISITIONS).
      AddAssets(R"(VEH|00001|01/01/2020|100|||||31/12/2025||||[S1,A1]
VEH|00002|31/12/2014|200|||||||||[S1,A1]
VEH|00003|01/12/2026|300|||||||||[S1,A1]
VEH|00004|01/01/2020|400|||120.5|40.25|15/11/2026||||[S1,A1]||Clio
VEH|00005|01/01/2015|500|||||15/03/2026||||[S2,A1]
INF|00001|01/02/2026|600||||10|||||[S1,A2]|||Portable)");
    });
  }
};

// The transcript lines that start with one of `prefixes`, joined by " / ".
std::string Lines(const RunResult& r, std::initializer_list<std::string> prefixes) {
  std::string text = Pick(r.transcript, prefixes);
  for (std::size_t at; (at = text.find('\n')) != std::string::npos;) text.replace(at, 1, " / ");
  return text;
}

TEST_F(DriverTest, CriteriaRefusedAskedAgainAndWalkedBack) {
  std::ofstream(company_.dataDir() / "01Tri.Dab") << "left by a crash";
  const RunResult r = Run(
      "EditImo",
      "CHOOSE 1\nDATDEB = 01/01/2025\nDATDEB = 01/01/2026\nDATFIN = 31/12/2025\n"
      "DATFIN = 01/01/2027\nDATFIN = 31/10/2026\nDATDEBA = 01/01/2027\nDATDEBA = 01/01/2015 UP\n"
      "DATFIN\nDATDEBA = 01/01/2015\nDATFINA = 01/01/2014\nDATFINA PGUP\nDATDEB\nDATFIN\n"
      "DATDEBA\nDATFINA = 31/12/2026\nRECAPSEULE UP\nDATFINA\nRECAPSEULE\n"
      "0 = 4\n0 = 1\n1 = 1\n2 = 2\n1 = 3\n2 =\n1 = 2\n2 = 0\nMARK 3,1\n");
  EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01Tri.Dab"));
  // Out of the year: noted; before the start bound: asked again without note; a priority
  // above 3, a repeated one, or a gap: asked again from the criterion at fault.
  EXPECT_EQ(Lines(r, {"ASK", "NOTE D", "TITLE", "MARK"}),
            "TITLE DATES DE BORNAGE POUR CALCUL AMORTISSEMENTS DANS L'EXERCICE / ASK DATDEB "
            "01/01/2025 / NOTE DATDEB Date Hors Exercice / ASK DATDEB 01/01/2026 / NOTE DATDEB / "
            "ASK DATFIN 31/12/2025 / ASK DATFIN 01/01/2027 / NOTE DATFIN Date Hors Exercice / ASK "
            "DATFIN 31/10/2026 / NOTE DATFIN / ASK DATDEBA 01/01/2027 / NOTE DATDEBA Date Hors "
            "Exercice / ASK DATDEBA 01/01/2015 [UP] / ASK DATFIN 31/10/2026 / NOTE DATFIN / ASK "
            "DATDEBA 01/01/2015 / NOTE DATDEBA / ASK DATFINA 01/01/2014 / ASK DATFINA 01/01/2014 "
            "[PGUP] / ASK DATDEB 01/01/2026 / NOTE DATDEB / ASK DATFIN 31/10/2026 / NOTE DATFIN / "
            "ASK DATDEBA 01/01/2015 / NOTE DATDEBA / ASK DATFINA 31/12/2026 / NOTE DATFINA / ASK "
            "RECAPSEULE Non [UP] / ASK DATFINA 31/12/2026 / NOTE DATFINA / ASK RECAPSEULE Non / "
            "TITLE CRITERES D'EDITION / ASK 0 4 / ASK 0 1 / ASK 1 1 / ASK 2 2 / ASK 1 3 / ASK 2 / "
            "ASK 1 2 / ASK 2 0 / MARK Selection des Immobilisations à Editer -> [3,1] / ");
  // Nature then Service; VEH S2 first as marked, each group closing its nature. Acquired on
  // 01/02: 273 days of the bounds out of the 334 of its year: 10 x 273 / 334.
  EXPECT_EQ(Pick(r.editions.at(0), {"T ACQ", "T Cl", "T NAT", "T Serv", "T To", "T TO", "L Ordre",
                                    "S TOTAL A NOUVEAU+"}),
            R"(T ACQUISITIONS  Du 01/01/2015 Au 31/12/2026
T Classement Par : NATURE, Service
T NATURE  : VEH    Véhicules
T Service : S2
L Ordre : 00005 - Date : 01/01/2015|500.00|20.00|L|0.00|0.00|0.00|500.00
S TOTAL A NOUVEAU+ACQUISITION||500.00||||0.00|0.00|500.00
L Ordre : 00005 - Date : 15/03/2026|500.00|20.00|L|||0.00|500.00
T Total - NATURE : VEH Véhicules
T NATURE  : INF    Informatique
T Service : S1
L Ordre : 00001 - Date : 01/02/2026|600.00|20.00|L||8.17|8.17|591.83
S TOTAL A NOUVEAU+ACQUISITION||600.00||||8.17|8.17|591.83
T Total - NATURE : INF Informatique
T TOTAL GENERAL
)");
  EXPECT_EQ(r.reports,
            "EDTIMO.IMO: Analytique Service : Code S2     Inconnu \n"
            "EDTIMO.IMO: Analytique Service : Code S1     Inconnu \n");
}

TEST_F(DriverTest, CancelsLeaveNoEditionNorSortFile) {
  for (const char* script : {"CHOOSE 0\n", "CHOOSE 1\nDATDEB =\n", "CHOOSE 1\nDATDEB UP\n",
                             "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0 UP\n"
                             "CHOOSE 0\n"}) {
    std::ofstream(company_.dataDir() / "01Tri.Dab") << "x";
    EXPECT_TRUE(Run("EditImo", script).editions.empty()) << script;
    EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01Tri.Dab")) << script;
  }
  for (const char* script : {"CHOOSE 2\nDATDEBA PGUP\n", "CHOOSE 2\nDATDEBA UP\n"})
    EXPECT_TRUE(Run("EdtPImo", script).editions.empty()) << script;
}

TEST_F(DriverTest, CardsOfTheChosenAcquisitionsAndTheAssetList) {
  // Year 2027; acquisitions 2015 to 2026 by nature, disposed or not; the index stays on 2027.
  RunResult r = Run("EdtPImo", "CHOOSE 2\nDATDEBA = 01/01/2015\nDATFINA\n0\n1 =\n2 =\nMARK 2,1\n");
  EXPECT_EQ(Lines(r, {"TITLE", "MARK"}),
            "TITLE DATES DE BORNAGE DES ACQUISITIONS / TITLE CRITERES D'EDITION / MARK Selection "
            "des Immobilisations à Editer -> [2,1] / ");
  EXPECT_EQ(exerciseIndex_, 2);
  EXPECT_EQ(Pick(r.editions.at(0), {"T Ordre"}),
            R"(T Ordre  : 00005 - Date Acquisition : 01/01/2015 - Fournisseur
T Ordre  : 00001 - Date Acquisition : 01/01/2020 - Fournisseur
T Ordre  : 00004 - Date Acquisition : 01/01/2020 - Fournisseur
T Ordre  : 00003 - Date Acquisition : 01/12/2026 - Fournisseur
T Ordre  : 00001 - Date Acquisition : 01/02/2026 - Fournisseur
)");
  r = Run("ListImo", "");
  EXPECT_EQ(Pick(r.editions.at(0), {"L", "S"}), R"(L INF|00001|01/02/2026|0.00|10.00|||S1     A2
L |||||Portable
L VEH|00001|01/01/2020|0.00|0.00||31/12/2025|S1     A1
L VEH|00002|31/12/2014|0.00|0.00|||S1     A1
L VEH|00003|01/12/2026|0.00|0.00|||S1     A1
L VEH|00004|01/01/2020|120.50|40.25||15/11/2026|S1     A1
L |||||Clio
L VEH|00005|01/01/2015|0.00|0.00||15/03/2026|S2     A1
S Total||||120.50|50.25
)");
}

TEST(EmptyRegister, EndsEveryEditionBeforeAnyScreen) {
  TestCompany company("01/01/2026", "31/12/2026");
  company.Open("LINTANA = []\nCOMPTA = O\n")->Run("LectParamImmo");
  std::filesystem::remove_all(company.editions());  // the parameters' own edition
  for (const char* operation : {"EditImo", "EdtPImo", "ListImo"}) {
    company.Open("")->Run(operation);
    EXPECT_EQ(std::filesystem::file_size(company.transcript()), 0u) << operation;
  }
  EXPECT_FALSE(std::filesystem::exists(company.editions()));
}

}  // namespace
}  // namespace actifix::testing
