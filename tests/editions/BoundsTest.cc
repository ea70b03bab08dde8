// The dotation within date bounds and in later years; the totals-only edition, two sort levels.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

class BoundsTest : public EditionTest {
 protected:
  BoundsTest() : EditionTest("LINTANA = []\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("MAT", "Matériel", "2154", "28154");
      // Linear 20 % from 01/07/2024 (1005.46 in 2024, 2000 a year after); exceptional, 300 a
      // year until less is left; depreciated to 31/12/2025, the year's 150 before any bounds.
      AddAssets(R"(MAT|00001|01/07/2024|10000|||3005.46|2000
MAT|00002|01/01/2023|1000|E|0|600|300
MAT|00003|01/01/2021|10000|||9850|150)");
    });
  }
};

TEST_F(BoundsTest, ShareOfTheYearAndLaterYears) {
  // Exercise, bounds; cumul at the start, dotation, cumul at the end, VNC of each asset.
  const char* const cases[][4] = {
      // 182 of 365 days: 182 x 2000 / 365; 182 x 300 / 365.
      {"1", "01/01/2026", "01/07/2026",
       "10000.00|0.00|10000.00|0.00 600.00|149.59|749.59|250.41 3005.46|997.26|4002.72|5997.28"},
      // The other 183 days; the 182 before them go into the cumul at the start.
      {"1", "02/07/2026", "31/12/2026",
       "10000.00|0.00|10000.00|0.00 749.59|150.41|900.00|100.00 "
       "4002.72|1002.74|5005.46|4994.54"},
      // 2027, rolled once: the exceptional asset takes the 100 left.
      {"2", "01/01/2027", "31/12/2027",
       "10000.00|0.00|10000.00|0.00 900.00|100.00|1000.00|0.00 5005.46|2000.00|7005.46|2994.54"},
      // 2028 (366 days), rolled twice.
      {"3", "01/01/2028", "31/12/2028",
       "10000.00|0.00|10000.00|0.00 1000.00|0.00|1000.00|0.00 7005.46|2000.00|9005.46|994.54"},
  };
  for (const auto& c : cases) {
    const RunResult r =
        Run("EditImo", std::string("CHOOSE ") + c[0] + "\nDATDEB = " + c[1] + "\nDATFIN = " + c[2] +
                           "\nDATDEBA\nDATFINA\nRECAPSEULE\n0\nMARK 1\n");
    std::string figures;
    for (const auto& row : r.editions.at(0))
      if (row.rfind("L Ordre", 0) == 0)
        figures += " " + row.substr(row.find('|', row.find('|', row.find('|') + 1) + 1) + 3);
    EXPECT_EQ(figures, std::string(" ") + c[3]) << c[1];
    EXPECT_EQ(exerciseIndex_, std::stoi(c[0]));
  }
}

class RecapTest : public EditionTest {
 protected:
  RecapTest() : EditionTest("LINTANA = [Service]\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("VEH", "Véhicules", "2182", "28182");
      AddAnalytic(1, "S1", "Atelier");
      AddAssets(R"(VEH|00001|01/01/2024|1000|||400|200|||||[S1]
VEH|00002|01/01/2025|2000|D||500|600|||||[S2]
VEH|00003|01/01/2023|50|X||||||||[S1]
INF|00001|01/03/2026|300|E|0||100)");
    });
  }
};

TEST_F(RecapTest, BreakdownsOnlyAtEveryClosingLevel) {
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\n"
                          "RECAPSEULE = O\n0\n1\nMARK 1,2,3\n");
  // Totals only: per group (mode "X" left out), per closing nature (its groups' sums) and for the
  // edition; an unknown nature or code keeps the label its buffer holds.
  std::string printed;  // the rows of zeros and the breakdowns' titles left out
  for (const auto& row : r.editions.at(0))
    if (row != "-" && row.rfind("T Ventilation", 0) != 0 &&
        row.find("0.00|0.00|0.00|0.00|0.00|0.00") == std::string::npos)
      printed += row + "\n";
  EXPECT_EQ(printed.substr(printed.find("T NATURE")), R"(T NATURE  : INF
T Service : <Omis> <Non Renseigné>
L TOTAL EXCEPTIONNEL|300.00|0.00|100.00|0.00|100.00|200.00
S  TOTAL||300.00|0.00|100.00|0.00|100.00|200.00
T Total - NATURE : INF
L TOTAL EXCEPTIONNEL|300.00|0.00|100.00|0.00|100.00|200.00
S  TOTAL||300.00|0.00|100.00|0.00|100.00|200.00
T NATURE  : VEH    Véhicules
T Service : S1     Atelier
L TOTAL LINEAIRE|1000.00|400.00|200.00|0.00|600.00|400.00
S  TOTAL||1000.00|400.00|200.00|0.00|600.00|400.00
T NATURE  : VEH    Véhicules
T Service : S2     Atelier
L TOTAL DEGRESSIF|2000.00|500.00|600.00|0.00|1100.00|900.00
S  TOTAL||2000.00|500.00|600.00|0.00|1100.00|900.00
T Total - NATURE : VEH Véhicules
L TOTAL LINEAIRE|1000.00|400.00|200.00|0.00|600.00|400.00
L TOTAL DEGRESSIF|2000.00|500.00|600.00|0.00|1100.00|900.00
S  TOTAL||3000.00|900.00|800.00|0.00|1700.00|1300.00
T TOTAL GENERAL
L TOTAL LINEAIRE|1000.00|400.00|200.00|0.00|600.00|400.00
L TOTAL DEGRESSIF|2000.00|500.00|600.00|0.00|1100.00|900.00
L TOTAL EXCEPTIONNEL|300.00|0.00|100.00|0.00|100.00|200.00
S  TOTAL||3300.00|900.00|900.00|0.00|1800.00|1500.00
)");
  EXPECT_EQ(r.reports,
            "EDTIMO.IMO: Code Nature Inconnu INF   \nEDTIMO.IMO: Cas non Prévu s/Mode "
            "Amortissement\nEDTIMO.IMO: Analytique Service : Code S2     Inconnu \n");
  EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01TampCg.dat"));  // COMPTA = N
}

}  // namespace
}  // namespace actifix::testing
