// The asset card print with its depreciation plan, and the batches of cards.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "depreciation/AmortFixture.h"
#include "platform/print/EditionEngine.h"

namespace actifix::testing {
namespace {

class PlanTest : public CardTest {
 protected:
  // Prints the card of the asset buffer in an edition of its own.
  Printed PrintCard() {
    Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), "PLAN", -1);
    EDTPA();
    return CloseEdition();
  }

  // Closes the running edition; its text goes to text_, its JSON lines are returned.
  Printed CloseEdition() {
    Edition().Close(0);
    auto& engine = dynamic_cast<platform::EditionEngine&>(Edition());
    engine.Flush();
    std::filesystem::path file = engine.LastTextFile();
    std::ifstream textIn(file);
    text_.assign(std::istreambuf_iterator<char>(textIn), std::istreambuf_iterator<char>());
    std::ifstream jsonIn(file.replace_extension(".jsonl"));
    Printed printed;
    printed.Read(jsonIn);
    return printed;
  }

  std::string text_;
};

// Each plan's printed charges and rates on the balance (when given), the "Antérieur" line
// first when CUMAMO is not 0, and the total of its lines. Value 10000, rate 20.
TEST_F(PlanTest, PlansByModeCumulativeAndDisposal) {
  struct Case {
    const char *mode, *acquired, *disposed;
    double cumulative, charge;
    const char *dotamo, *ta;
  };
  const Case cases[] = {
      {"L", "01/07/2005", "", 0, 1008.22, "1008.22 2000 2000 2000 2000 991.78",
       "10.08 20 20 20 20 9.92"},
      {"E", "01/01/2005", "", 0, 3000, "3000 3000 3000 1000", ""},  // until the value
      {"E", "01/01/2005", "", 0, 0, "0", ""},  // a typed charge of 0 ends the plan at once
      {"L", "01/01/2003", "", 4000, 2000, "4000 2000 2000 2000", ""},
      {"L", "01/01/2000", "", 10000, 0, "10000", ""},                 // the prior line alone
      {"L", "01/01/2005", "30/06/2006", 0, 2000, "2000 991.78", ""},  // 181 days of 2006
      // Disposed of on 01/01/2007: inside 2007, but its charge of 0 ends the plan before it.
      {"L", "01/01/2005", "01/01/2007", 0, 2000, "2000 2000", ""},
      // Declining: 35 % on the balance, then linear over what is left.
      {"D", "15/07/2005", "", 0, 1764.38, "1764.38 2882.47 1873.60 1739.78 1739.77",
       "17.64 35 35 50 100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.acquired + " " + c.disposed);
    SetAsset(c.mode, 10000, 20, c.acquired, c.cumulative, c.charge, c.disposed);
    const Printed p = PrintCard();
    std::istringstream dotamo(c.dotamo), ta(c.ta);
    double total = 0, cumulative = 0, charge = 0, rate = 0;
    for (std::size_t i = 0; i < p.lines.size(); ++i) {
      const nlohmann::json& line = p.lines[i];
      const bool prior = c.cumulative != 0 && i == 0, first = i == (c.cumulative != 0 ? 1u : 0u);
      ASSERT_TRUE(dotamo >> charge) << "one line too many";
      EXPECT_EQ(Text(line, "EXER") == "Antérieur", prior) << i;
      EXPECT_NEAR(*Amount(line, "DOTAMO"), charge, 0.005) << i;
      if (ta >> rate) {
        EXPECT_NEAR(*Amount(line, "TA"), rate, 0.005) << i;
      }
      // Value, rate and mode on the first year line only.
      EXPECT_EQ(Amount(line, "VALACQ").has_value(), first) << i;
      EXPECT_EQ(Text(line, "MODAMO"), first ? c.mode : "") << i;
      total += charge;
      if (!prior) {
        EXPECT_NEAR(*Amount(line, "VNCAN"), 10000 - cumulative, 0.005) << i;
        EXPECT_NEAR(*Amount(line, "CUMFIN"), cumulative + charge, 0.005) << i;
        EXPECT_NEAR(*Amount(line, "VNC"), 10000 - cumulative - charge, 0.005) << i;
      }
      cumulative += charge;
    }
    EXPECT_FALSE(dotamo >> charge) << "lines missing";
    ASSERT_EQ(p.totals.size(), 1u);
    EXPECT_NEAR(*Amount(p.totals[0]["cells"], "DOTAMO"), total, 0.005);
    EXPECT_TRUE(Reports().empty());  // FINAM is not asked in mode "E"
  }
}

TEST_F(PlanTest, TitlesColumnsAndTotals) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 3;
  Printed p = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 3);
  ASSERT_EQ(p.lines.size(), 6u);
  EXPECT_EQ(Text(p.lines[0], "EXER"), "01/01/2005 Au 31/12/2005");
  EXPECT_EQ(Text(p.lines[5], "EXER"), "01/01/2010 Au 31/12/2010");
  EXPECT_NEAR(*Amount(p.lines[0], "VALACQ"), 10000, 0.005);
  EXPECT_NEAR(*Amount(p.lines[0], "TAUX"), 20, 0.005);
  // Titles come trimmed on the right from the engine; no disposal, description or remark.
  EXPECT_EQ(p.titles, (std::vector<std::string>{"Nature : MAT    Matériel de bureau",
                                                "Ordre  : 00001 - Date Acquisition : 01/07/2005 "
                                                "- Fournisseur Bureau Vallée"}));
  ASSERT_EQ(p.columns.size(), 1u);
  EXPECT_EQ(p.columns[0], (std::vector<std::string>{"EXER", "VALACQ", "TAUX", "MODAMO", "VNCAN",
                                                    "TA", "DOTAMO", "CUMFIN", "VNC"}));
  for (const char* heading : {"EXERCICE", "Valeur", "VNC Debut", "Dotation", "Cumul Fin"})
    EXPECT_NE(text_.find(heading), std::string::npos) << heading;
  // The totals: a rule, the total line of DOTAMO alone, then the end of the card's page.
  EXPECT_EQ(std::vector<std::string>(p.kinds.end() - 3, p.kinds.end()),
            (std::vector<std::string>{"line", "total", "page"}));
  ASSERT_EQ(p.totals.size(), 1u);
  EXPECT_EQ(p.totals[0]["label"], " TOTAL");  // as the module writes it
  EXPECT_EQ(p.totals[0]["cells"].size(), 1u);
  EXPECT_TRUE(std::regex_search(text_, std::regex("\n[ -]*-{12}[ -]*\n[^\n]*TOTAL"))) << text_;
  EXPECT_TRUE(Reports().empty());
  // A disposal and a description add titles; an unknown nature is reported and printed.
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "30/06/2006");
  MImmo().immo.NOMCLT = "  Dupont SA";
  MImmo().immo.MTCESS = PackAmount(1500.5);
  MImmo().immo.DESCRI = "Photocopieur";
  MImmo().immo.CODNATI = "XYZ";
  p = PrintCard();
  ASSERT_EQ(p.titles.size(), 4u);
  EXPECT_EQ(p.titles[2], std::string(16, ' ') +
                             "Date De Cession  : 30/06/2006 - Client Dupont SA - Mt Cession "
                             ": 1500.50");
  EXPECT_EQ(p.titles[3], "Photocopieur");
  EXPECT_EQ(p.lines.size(), 2u);
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].routine + ": " + Reports()[0].message, "EDTPA: Code Nature Inconnu <XYZ>");
}

TEST_F(PlanTest, InterruptionOrAFailingHostCallRestoresTheIndex) {
  // A failing Find: a key file that is not open.
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), "PLAN", -1);
  const int16_t nature = MImmo().kNature;
  MImmo().kNature = 999;
  MImmo().exerciseIndex = 7;
  EXPECT_THROW(EDTPA(), HostError);
  EXPECT_EQ(MImmo().exerciseIndex, 7);
  MImmo().kNature = nature;
  Reopen(2);  // editions stop after two printed lines: no totals
  component_.OuvImmo();
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 5;
  const Printed p = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 5);
  EXPECT_EQ(p.lines.size(), 2u);
  EXPECT_TRUE(p.totals.empty());
  EXPECT_EQ(std::count(p.kinds.begin(), p.kinds.end(), "page"), 0);
  EXPECT_EQ(text_.find("TOTAL"), std::string::npos);
}

TEST_F(PlanTest, NewPageBeforeTotalsNearTheEndOfThePage) {
  // Mode "E" prints one line per 10 of value. A card's page of 66 lines holds 3 header lines,
  // 2 titles and 2 heading lines before its own: after 56 lines 63 are used and the totals
  // still fit; after 57 to 59 a new page comes first; at 60 the page had ended by itself.
  const std::pair<int, const char*> cases[] = {
      {56, "line"}, {57, "page"}, {59, "page"}, {60, "line"}};
  for (const auto& [lines, kind] : cases) {
    SetAsset("E", 10.0 * lines, 0, "01/01/2005", 0, 10);
    const Printed p = PrintCard();
    EXPECT_EQ(p.lines.size(), static_cast<std::size_t>(lines));
    EXPECT_EQ(*(std::find(p.kinds.begin(), p.kinds.end(), "total") - 1), kind) << lines;
  }
}

TEST_F(PlanTest, PlanStopsAtTheEndOfTheExerciseTable) {
  // 1 % from 01/07/2005: 101 fiscal years, one more than the table holds.
  SetAsset("L", 10000, 1, "01/07/2005", 0, 50.41);
  const Printed p = PrintCard();
  ASSERT_EQ(p.lines.size(), 100u);
  EXPECT_EQ(Text(p.lines.back(), "EXER"), "01/01/2104 Au 31/12/2104");
  ASSERT_EQ(p.totals.size(), 1u);
  EXPECT_NEAR(*Amount(p.totals[0]["cells"], "DOTAMO"), 10000 - 49.59, 0.005);
  EXPECT_EQ(MImmo().exerciseIndex, 1);
}

TEST_F(PlanTest, CardBatchPrintsEveryGroupAndLeavesTheEditionOpen) {
  int32_t first = 0, second = 0;
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000);
  KeyedFile().Insert(MImmo().kImmo, "MAT   00001", MImmo().fImmo, first);
  SetAsset("E", 1000, 0, "01/01/2005", 0, 500);
  MImmo().immo.NUMNATI = "00002";
  KeyedFile().Insert(MImmo().kImmo, "MAT   00002", MImmo().fImmo, second);
  std::string groups = "[[G1,[" + std::to_string(first) + "," + std::to_string(second) +
                       "]],[G2,[]],[G3,[" + std::to_string(second) + "]]]";
  EdtPlanImmo(groups);
  EXPECT_EQ(groups, "[]");
  std::string title;
  Toolkit().GetEditionTitle(title);
  EXPECT_EQ(title, "FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  // The driver closes the edition: no edition file is there yet, only the open one's.
  for (const auto& f : std::filesystem::directory_iterator(company_.editions()))
    EXPECT_EQ(f.path().filename().string().rfind(".open-", 0), 0u) << f.path();
  const Printed p = CloseEdition();
  EXPECT_NE(text_.find("FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT"), std::string::npos);
  EXPECT_EQ(p.columns.size(), 3u);
  EXPECT_EQ(p.lines.size(), 5u + 2u + 2u);
  EXPECT_EQ(p.titles[3].substr(0, 14), "Ordre  : 00002");
  // Each card totals its own lines.
  ASSERT_EQ(p.totals.size(), 3u);
  const double totals[] = {10000, 1000, 1000};
  for (std::size_t i = 0; i < 3; ++i)
    EXPECT_NEAR(*Amount(p.totals[i]["cells"], "DOTAMO"), totals[i], 0.005) << i;
}

}  // namespace
}  // namespace actifix::testing
