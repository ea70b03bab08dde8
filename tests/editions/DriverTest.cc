// The edition driver: the criteria screens with their refusals and ways back, the sort file,
// the split into sections, the group selection in the order of the marks, EdtPImo's cards,
// ListImo, and an empty register.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

class DriverTest : public EditionTest {
 protected:
  DriverTest() : EditionTest("LINTANA = [Service,Atelier]\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("VEH", std::string("Véhicules"_w), "2182", "28182");
      AddNature("INF", "Informatique", "2183", "28183");
      // Left out: disposed before the bounds; acquired before DATDEBA; acquired after DATFIN.
      AddAsset({.nature = "VEH",
                .number = "00001",
                .acquired = "01/01/2020",
                .value = 100,
                .disposed = "31/12/2025",
                .analytics = "[S1,A1]"});
      AddAsset({.nature = "VEH",
                .number = "00002",
                .acquired = "31/12/2014",
                .value = 200,
                .analytics = "[S1,A1]"});
      AddAsset({.nature = "VEH",
                .number = "00003",
                .acquired = "01/12/2026",
                .value = 300,
                .analytics = "[S1,A1]"});
      // Kept: disposed after DATFIN (A NOUVEAU only), disposed within (A NOUVEAU and
      // CESSIONS), acquired within (ACQUISITIONS).
      AddAsset({.nature = "VEH",
                .number = "00004",
                .acquired = "01/01/2020",
                .value = 400,
                .cumul = 120.5,
                .dotation = 40.25,
                .disposed = "15/11/2026",
                .analytics = "[S1,A1]",
                .description = "Clio"});
      AddAsset({.nature = "VEH",
                .number = "00005",
                .acquired = "01/01/2015",
                .value = 500,
                .disposed = "15/03/2026",
                .analytics = "[S2,A1]"});
      AddAsset({.nature = "INF",
                .number = "00001",
                .acquired = "01/02/2026",
                .value = 600,
                .dotation = 10,
                .analytics = "[S1,A2]",
                .remark = "Portable"});
    });
  }
};

// The lines of the transcript that start with one of `prefixes`, in order.
std::vector<std::string> Lines(const RunResult& r, std::initializer_list<std::string> prefixes) {
  std::vector<std::string> lines;
  for (const auto& line : r.transcript)
    for (const auto& p : prefixes)
      if (line.rfind(p, 0) == 0) lines.push_back(line);
  return lines;
}

TEST_F(DriverTest, CriteriaRefusedAskedAgainAndWalkedBack) {
  std::ofstream(company_.dataDir() / "01Tri.Dab") << "left by a crash";
  const RunResult r =
      Run("EditImo",
          "CHOOSE 1\n"
          "DATDEB = 01/01/2025\n"      // outside the year
          "DATDEB = 01/01/2026\n"      // clears the note
          "DATFIN = 31/12/2025\n"      // before DATDEB: no note
          "DATFIN = 01/01/2027\n"      // outside the year
          "DATFIN = 31/10/2026\n"      //
          "DATDEBA = 01/01/2027\n"     // after the year
          "DATDEBA = 01/01/2015 UP\n"  // back to DATFIN
          "DATFIN\n"                   //
          "DATDEBA = 01/01/2015\n"     //
          "DATFINA = 01/01/2014\n"     // before DATDEBA: no note
          "DATFINA PGUP\n"             // back to DATDEB
          "DATDEB\nDATFIN\nDATDEBA\nDATFINA = 31/12/2026\nRECAPSEULE UP\nDATFINA\nRECAPSEULE\n"
          "0 = 4\n"                // more than 3 criteria
          "0 = 1\n1 = 1\n2 = 2\n"  // 1 twice: again from the second
          "1 = 3\n2 =\n"           // 1 and 3 without 2: again at 3
          "1 = 2\n2 = 0\n"         // two levels
          "MARK 3,1\n");
  EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01Tri.Dab"));
  EXPECT_EQ(
      Lines(r, {"ASK", "NOTE", "TITLE", "CHOOSE", "MARK"}),
      (std::vector<std::string>{"CHOOSE Selection de l'Exercice à Editer -> 1",
                                "TITLE DATES DE BORNAGE POUR CALCUL AMORTISSEMENTS DANS L'EXERCICE",
                                "ASK DATDEB 01/01/2025",
                                "NOTE DATDEB Date Hors Exercice",
                                "ASK DATDEB 01/01/2026",
                                "NOTE DATDEB",
                                "ASK DATFIN 31/12/2025",
                                "ASK DATFIN 01/01/2027",
                                "NOTE DATFIN Date Hors Exercice",
                                "ASK DATFIN 31/10/2026",
                                "NOTE DATFIN",
                                "ASK DATDEBA 01/01/2027",
                                "NOTE DATDEBA Date Hors Exercice",
                                "ASK DATDEBA 01/01/2015 [UP]",
                                "ASK DATFIN 31/10/2026",
                                "NOTE DATFIN",
                                "ASK DATDEBA 01/01/2015",
                                "NOTE DATDEBA",
                                "ASK DATFINA 01/01/2014",
                                "ASK DATFINA 01/01/2014 [PGUP]",
                                "ASK DATDEB 01/01/2026",
                                "NOTE DATDEB",
                                "ASK DATFIN 31/10/2026",
                                "NOTE DATFIN",
                                "ASK DATDEBA 01/01/2015",
                                "NOTE DATDEBA",
                                "ASK DATFINA 31/12/2026",
                                "NOTE DATFINA",
                                "ASK RECAPSEULE Non [UP]",
                                "ASK DATFINA 31/12/2026",
                                "NOTE DATFINA",
                                "ASK RECAPSEULE Non",
                                "TITLE CRITERES D'EDITION",
                                "NOTE 0 Rien si Pas de Classement",
                                "ASK 0 4",
                                "NOTE 0 Rien si Pas de Classement",
                                "ASK 0 1",
                                "NOTE 1 Rien si Pas de Classement",
                                "ASK 1 1",
                                "NOTE 2 Rien si Pas de Classement",
                                "ASK 2 2",
                                "NOTE 1 Rien si Pas de Classement",
                                "ASK 1 3",
                                "NOTE 2 Rien si Pas de Classement",
                                "ASK 2",
                                "NOTE 1 Rien si Pas de Classement",
                                "ASK 1 2",
                                "NOTE 2 Rien si Pas de Classement",
                                "ASK 2 0",
                                "MARK Selection des Immobilisations à Editer -> [3,1]"}));

  // Groups nature / Service, printed in the order of the marks: VEH S2, then INF S1.
  ASSERT_EQ(r.editions.size(), 1u);
  const Printed& p = r.editions[0];
  std::vector<std::string> shown;
  for (const auto& t : p.titles)
    if (t.rfind("NATURE", 0) == 0 || t.rfind("Service", 0) == 0 || t.rfind("Total", 0) == 0 ||
        t.rfind("TOTAL", 0) == 0 || t.rfind("Classement", 0) == 0 || t.rfind("ACQ", 0) == 0)
      shown.push_back(t);
  for (const auto& line : p.lines)
    if (Text(line, "NOMFRN").rfind("Ordre", 0) == 0) shown.push_back(Text(line, "NOMFRN"));
  EXPECT_EQ(shown,
            (std::vector<std::string>{
                "ACQUISITIONS  Du 01/01/2015 Au 31/12/2026", "Classement Par : NATURE, Service",
                "NATURE  : VEH    Véhicules", "Service : S2", "Total - NATURE : VEH Véhicules",
                "NATURE  : INF    Informatique", "Service : S1",
                "Total - NATURE : INF Informatique", "TOTAL GENERAL",
                "Ordre : 00005 - Date : 01/01/2015",  // A NOUVEAU
                "Ordre : 00005 - Date : 15/03/2026",  // and CESSIONS
                "Ordre : 00001 - Date : 01/02/2026",  // ACQUISITIONS
                "Ordre :00005",                       // its gain or loss
            }));
  EXPECT_EQ(r.reports,
            (std::vector<std::string>{"EDTIMO.IMO: Analytique Service : Code S2     Inconnu ",
                                      "EDTIMO.IMO: Analytique Service : Code S1     Inconnu "}));
}

TEST_F(DriverTest, CancelsLeaveNoEditionNorSortFile) {
  for (const char* script : {"CHOOSE 0\n", "CHOOSE 1\nDATDEB =\n", "CHOOSE 1\nDATDEB UP\n",
                             "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE\n0 UP\n"
                             "CHOOSE 0\n"}) {
    std::ofstream(company_.dataDir() / "01Tri.Dab") << "x";
    const RunResult r = Run("EditImo", script);
    EXPECT_TRUE(r.editions.empty()) << script;
    EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01Tri.Dab")) << script;
  }
  for (const char* script : {"CHOOSE 2\nDATDEBA PGUP\n", "CHOOSE 2\nDATDEBA UP\n"})
    EXPECT_TRUE(Run("EdtPImo", script).editions.empty()) << script;
}

TEST_F(DriverTest, CardsOfTheChosenAcquisitionsInMarkOrder) {
  // Year 2027 chosen; acquisitions 2015 to 2026 by nature; the index stays on 2027.
  const RunResult r =
      Run("EdtPImo", "CHOOSE 2\nDATDEBA = 01/01/2015\nDATFINA\n0\n1 =\n2 =\nMARK 2,1\n");
  EXPECT_EQ(Lines(r, {"TITLE", "MARK"}),
            (std::vector<std::string>{"TITLE DATES DE BORNAGE DES ACQUISITIONS",
                                      "TITLE CRITERES D'EDITION",
                                      "MARK Selection des Immobilisations à Editer -> [2,1]"}));
  EXPECT_EQ(exerciseIndex_, 2);
  ASSERT_EQ(r.editions.size(), 1u);
  std::vector<std::string> cards;
  for (const auto& t : r.editions[0].titles)
    if (t.rfind("Ordre", 0) == 0) cards.push_back(t.substr(0, t.find(" - Fournisseur")));
  // VEH: every asset acquired from 2015 to 2026, disposed or not; then INF.
  EXPECT_EQ(cards, (std::vector<std::string>{"Ordre  : 00005 - Date Acquisition : 01/01/2015",
                                             "Ordre  : 00001 - Date Acquisition : 01/01/2020",
                                             "Ordre  : 00004 - Date Acquisition : 01/01/2020",
                                             "Ordre  : 00003 - Date Acquisition : 01/12/2026",
                                             "Ordre  : 00001 - Date Acquisition : 01/02/2026"}));
}

TEST_F(DriverTest, AssetListAsStored) {
  const RunResult r = Run("ListImo", "");
  ASSERT_EQ(r.editions.size(), 1u);
  const Printed& p = r.editions[0];
  ASSERT_EQ(p.lines.size(), 8u);  // six assets, a description, a remark
  EXPECT_TRUE(SameAmounts(p.lines[0], {{"CD", 0}, {"D", 10}}));
  EXPECT_TRUE(SameAmounts(p.lines[5], {{"CD", 120.5}, {"D", 40.25}}));
  EXPECT_EQ(Text(p.lines[0], "CODNATI") + Text(p.lines[0], "NUMNATI") + Text(p.lines[0], "DATACQ") +
                "|" + Text(p.lines[0], "LCANA") + "|",
            "INF0000101/02/2026|S1     A2|");
  EXPECT_EQ(Text(p.lines[1], "NOMFRN"), "Portable");
  EXPECT_EQ(Text(p.lines[2], "DATCES"), "31/12/2025");
  EXPECT_EQ(Text(p.lines[6], "NOMFRN"), "Clio");
  ASSERT_EQ(p.totals.size(), 1u);
  EXPECT_TRUE(SameAmounts(p.totals[0]["cells"], {{"CD", 120.5}, {"D", 50.25}}));
}

TEST(EmptyRegister, EndsEveryEditionBeforeAnyScreen) {
  TestCompany company("01/01/2026", "31/12/2026");
  company.Open("LINTANA = []\nCOMPTA = O\n")->Run("LectParamImmo");
  std::filesystem::remove_all(company.editions());  // the parameters' own edition
  for (const char* operation : {"EditImo", "EdtPImo", "ListImo"}) {
    company.Open("")->Run(operation);
    std::ifstream transcript(company.transcript());
    std::string line;
    EXPECT_FALSE(std::getline(transcript, line)) << operation << ": " << line;
  }
  EXPECT_FALSE(std::filesystem::exists(company.editions()));
}

}  // namespace
}  // namespace actifix::testing
