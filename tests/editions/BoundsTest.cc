// The dotation within date bounds and in later years, and the totals-only edition with two
// sort levels: every figure worked out from the stored cumul and dotation of each asset.
#include "editions/EditionFixture.h"

namespace actifix::testing {
namespace {

using Amounts = std::map<std::string, double>;

// The amounts of the first line of each asset, by its order number.
std::map<std::string, nlohmann::json> AssetLines(const Printed& p) {
  std::map<std::string, nlohmann::json> lines;
  for (const auto& line : p.lines) {
    const std::string text = Text(line, "NOMFRN");
    if (text.rfind("Ordre : ", 0) == 0) lines.emplace(text.substr(8, 5), line);
  }
  return lines;
}

class BoundsTest : public EditionTest {
 protected:
  BoundsTest() : EditionTest("LINTANA = []\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("MAT", "Matériel", "2154", "28154");
      // Linear 20 % from 01/07/2024: 1005.46 in 2024, 2000 a year after.
      AddAsset({.nature = "MAT",
                .number = "00001",
                .acquired = "01/07/2024",
                .value = 10000,
                .cumul = 3005.46,
                .dotation = 2000});
      // Exceptional: 300 a year until less is left.
      AddAsset({.nature = "MAT",
                .number = "00002",
                .acquired = "01/01/2023",
                .value = 1000,
                .mode = "E",
                .rate = 0,
                .cumul = 600,
                .dotation = 300});
      // Depreciated to 31/12/2025: the year's 150 falls before any bounds.
      AddAsset({.nature = "MAT",
                .number = "00003",
                .acquired = "01/01/2021",
                .value = 10000,
                .cumul = 9850,
                .dotation = 150});
    });
  }
  // EditImo on exercise `year` from `from` to `to`, one level, the group kept.
  Printed Edit(int year, const std::string& from, const std::string& to) {
    const RunResult r =
        Run("EditImo", "CHOOSE " + std::to_string(year) + "\nDATDEB = " + from +
                           "\nDATFIN = " + to + "\nDATDEBA\nDATFINA\nRECAPSEULE\n0\nMARK 1\n");
    EXPECT_EQ(exerciseIndex_, year);
    return r.editions.at(0);
  }
};

TEST_F(BoundsTest, ShareOfTheYearAndLaterYears) {
  struct Case {
    int year;
    const char *from, *to;
    Amounts asset1, asset2, asset3;
  };
  const Case cases[] = {
      // First 182 days: 182 x 2000 / 365.
      {1,
       "01/01/2026",
       "01/07/2026",
       {{"CUMAMO", 3005.46}, {"DOTAMO", 997.26}, {"CUMFIN", 4002.72}, {"VNC", 5997.28}},
       {{"CUMAMO", 600}, {"DOTAMO", 149.59}, {"CUMFIN", 749.59}, {"VNC", 250.41}},
       {{"CUMAMO", 10000}, {"DOTAMO", 0}, {"CUMFIN", 10000}, {"VNC", 0}}},
      // The other 183 days; what came before goes into the cumul at the start.
      {1,
       "02/07/2026",
       "31/12/2026",
       {{"CUMAMO", 4002.72}, {"DOTAMO", 1002.74}, {"CUMFIN", 5005.46}, {"VNC", 4994.54}},
       {{"CUMAMO", 749.59}, {"DOTAMO", 150.41}, {"CUMFIN", 900}, {"VNC", 100}},
       {{"CUMAMO", 10000}, {"DOTAMO", 0}, {"CUMFIN", 10000}, {"VNC", 0}}},
      // 2027: rolled once; the exceptional asset takes what is left.
      {2,
       "01/01/2027",
       "31/12/2027",
       {{"CUMAMO", 5005.46}, {"DOTAMO", 2000}, {"CUMFIN", 7005.46}, {"VNC", 2994.54}},
       {{"CUMAMO", 900}, {"DOTAMO", 100}, {"CUMFIN", 1000}, {"VNC", 0}},
       {{"CUMAMO", 10000}, {"DOTAMO", 0}, {"CUMFIN", 10000}, {"VNC", 0}}},
      // 2028 (366 days): rolled twice.
      {3,
       "01/01/2028",
       "31/12/2028",
       {{"CUMAMO", 7005.46}, {"DOTAMO", 2000}, {"CUMFIN", 9005.46}, {"VNC", 994.54}},
       {{"CUMAMO", 1000}, {"DOTAMO", 0}, {"CUMFIN", 1000}, {"VNC", 0}},
       {{"CUMAMO", 10000}, {"DOTAMO", 0}, {"CUMFIN", 10000}, {"VNC", 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " - " + c.to);
    const Printed p = Edit(c.year, c.from, c.to);
    const auto lines = AssetLines(p);
    ASSERT_EQ(lines.size(), 3u);
    for (const auto& [number, amounts] :
         {std::pair{"00001", c.asset1}, {"00002", c.asset2}, {"00003", c.asset3}}) {
      Amounts expected = amounts;
      expected["VALACQ"] = number == std::string("00002") ? 1000 : 10000;
      expected["TAUX"] = number == std::string("00002") ? 0 : 20;
      EXPECT_TRUE(SameAmounts(lines.at(number), expected)) << number;
    }
  }
}

class RecapTest : public EditionTest {
 protected:
  RecapTest() : EditionTest("LINTANA = [Service]\nCOMPTA = N\n") {}
  void SetUp() override {
    Build([] {
      AddNature("VEH", std::string("Véhicules"_w), "2182", "28182");
      AddAnalytic(1, "S1", "Atelier");
      AddAsset({.nature = "VEH",
                .number = "00001",
                .acquired = "01/01/2024",
                .value = 1000,
                .cumul = 400,
                .dotation = 200,
                .analytics = "[S1]"});
      AddAsset({.nature = "VEH",
                .number = "00002",
                .acquired = "01/01/2025",
                .value = 2000,
                .mode = "D",
                .cumul = 500,
                .dotation = 600,
                .analytics = "[S2]"});
      AddAsset({.nature = "VEH",
                .number = "00003",
                .acquired = "01/01/2023",
                .value = 50,
                .mode = "X",
                .analytics = "[S1]"});
      AddAsset({.nature = "INF",
                .number = "00001",
                .acquired = "01/03/2026",
                .value = 300,
                .mode = "E",
                .rate = 0,
                .dotation = 100});
    });
  }
};

TEST_F(RecapTest, BreakdownsOnlyAtEveryClosingLevel) {
  const RunResult r = Run("EditImo",
                          "CHOOSE 1\nDATDEB\nDATFIN\nDATDEBA\nDATFINA\nRECAPSEULE = O\n0\n1\n"
                          "MARK 1,2,3\n");
  ASSERT_EQ(r.editions.size(), 1u);
  const Printed& p = r.editions[0];
  const std::string v = "Ventilation Par Mode d'Amortissement";
  EXPECT_EQ(
      std::vector<std::string>(p.titles.begin() + 3, p.titles.end()),
      (std::vector<std::string>{
          "NATURE  : INF",  // unknown: the label is what the nature buffer holds
          "Service : <Omis> <Non Renseigné>", v, "Total - NATURE : INF",
          "NATURE  : VEH    Véhicules", "Service : S1     Atelier", v, "NATURE  : VEH    Véhicules",
          "Service : S2     Atelier",  // unknown: the analytic buffer's label
          v, "Total - NATURE : VEH Véhicules", "TOTAL GENERAL"}));
  // Three lines (linear, declining, exceptional) and a total per block; no asset line.
  ASSERT_EQ(p.lines.size(), 18u);
  for (const auto& line : p.lines) EXPECT_TRUE(line.contains("MA"));
  const Amounts zero = {{"VA", 0}, {"CD", 0}, {"DOT", 0}, {"CES", 0}, {"CF", 0}, {"VNC", 0}};
  const Amounts linear = {{"VA", 1000}, {"CD", 400}, {"DOT", 200},
                          {"CES", 0},   {"CF", 600}, {"VNC", 400}};
  const Amounts declining = {{"VA", 2000}, {"CD", 500},  {"DOT", 600},
                             {"CES", 0},   {"CF", 1100}, {"VNC", 900}};
  const Amounts exceptional = {{"VA", 300}, {"CD", 0},   {"DOT", 100},
                               {"CES", 0},  {"CF", 100}, {"VNC", 200}};
  const std::vector<Amounts> rows = {
      zero,   zero,      exceptional,  // INF / no code
      zero,   zero,      exceptional,  // Total - INF: the level-1 sums moved up
      linear, zero,      zero,         // VEH / S1: the mode "X" asset left out
      zero,   declining, zero,         // VEH / S2
      linear, declining, zero,         // Total - VEH: both groups
      linear, declining, exceptional};
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_TRUE(SameAmounts(p.lines[i], rows[i])) << i;
  const auto totals = Totals(p);
  ASSERT_EQ(totals.size(), 6u);
  EXPECT_TRUE(SameAmounts(
      totals[5].second,
      {{"VA", 3300}, {"CD", 900}, {"DOT", 900}, {"CES", 0}, {"CF", 1800}, {"VNC", 1500}}));
  EXPECT_EQ(r.reports,
            (std::vector<std::string>{"EDTIMO.IMO: Code Nature Inconnu INF   ",
                                      "EDTIMO.IMO: Cas non Prévu s/Mode Amortissement",
                                      "EDTIMO.IMO: Analytique Service : Code S2     Inconnu "}));
  EXPECT_FALSE(std::filesystem::exists(company_.dataDir() / "01TampCg.dat"));  // COMPTA = N
}

}  // namespace
}  // namespace actifix::testing
