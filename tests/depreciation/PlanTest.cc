// The asset card print with its depreciation plan, and the batches of cards.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "depreciation/AmortFixture.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "platform/print/EditionEngine.h"

namespace actifix::testing {
namespace {

class PlanTest : public AmortTest {
 protected:
  PlanTest() {
    OpenFiles();
    MImmoState& m = MImmo();
    m.nature.CODNAT = "MAT";
    m.nature.LIBNAT = "Matériel de bureau"_w;
    int32_t number = 0;
    KeyedFile().Insert(m.kNature, m.nature.CODNAT.str(), m.fNature, number);
    m.nature = NatureRecord();
    session_->Commit();
  }

  void OpenFiles() { component_.OuvImmo(); }

  // Puts an asset of nature MAT into the asset record buffer.
  void SetAsset(const std::string& mode, double value, float rate, const std::string& acquired,
                double cumulative, double charge, const std::string& disposed = "") {
    AssetRecord& a = MImmo().immo;
    a = AssetRecord();
    a.CODNATI = "MAT";
    a.NUMNATI = "00001";
    a.DATACQ = PackDate(acquired);
    a.NOMFRN = "Bureau Vallée"_w;
    a.MODAMO = mode;
    a.VALACQ = PackAmount(value);
    a.TAUX = PackRate(rate);
    a.CUMAMO = PackAmount(cumulative);
    a.DOTAMO = PackAmount(charge);
    a.DATCES = PackDate(disposed);
    a.MTCESS = PackAmount(0);
  }

  // Stores the asset of the buffer and returns its record number.
  int32_t StoreAsset(const std::string& key) {
    int32_t number = 0;
    KeyedFile().Insert(MImmo().kImmo, key, MImmo().fImmo, number);
    return number;
  }

  // Prints the card of the asset buffer in an edition of its own and reads back what the
  // edition engine wrote.
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

  // The year lines printed (the "Antérieur" line left out).
  static std::vector<nlohmann::json> YearLines(const Printed& p) {
    std::vector<nlohmann::json> years;
    for (const nlohmann::json& line : p.lines)
      if (Text(line, "EXER") != "Antérieur") years.push_back(line);
    return years;
  }

  // The sum of the DOTAMO column over the printed lines.
  static double Total(const Printed& p) {
    double total = 0;
    for (const nlohmann::json& line : p.lines) total += Amount(line, "DOTAMO").value_or(0);
    return total;
  }

  NvImmo component_;
  std::string text_;
};

TEST_F(PlanTest, LinearPlanFromTheStoredCharge) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 3;
  const Printed p = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 3);

  const std::vector<nlohmann::json> years = YearLines(p);
  ASSERT_EQ(p.lines.size(), 6u);  // no "Antérieur" line: CUMAMO is 0
  ASSERT_EQ(years.size(), 6u);
  const char* exer[] = {"01/01/2005 Au 31/12/2005", "01/01/2006 Au 31/12/2006",
                        "01/01/2007 Au 31/12/2007", "01/01/2008 Au 31/12/2008",
                        "01/01/2009 Au 31/12/2009", "01/01/2010 Au 31/12/2010"};
  const double charge[] = {1008.22, 2000, 2000, 2000, 2000, 991.78};
  const double rate[] = {10.08, 20, 20, 20, 20, 9.92};
  double cumulative = 0;
  for (std::size_t i = 0; i < years.size(); ++i) {
    const nlohmann::json& line = years[i];
    EXPECT_EQ(Text(line, "EXER"), exer[i]);
    EXPECT_NEAR(*Amount(line, "DOTAMO"), charge[i], 0.005) << i;
    EXPECT_NEAR(*Amount(line, "TA"), rate[i], 0.005) << i;
    EXPECT_NEAR(*Amount(line, "VNCAN"), 10000 - cumulative, 0.005) << i;
    cumulative += charge[i];
    EXPECT_NEAR(*Amount(line, "CUMFIN"), cumulative, 0.005) << i;
    EXPECT_NEAR(*Amount(line, "VNC"), 10000 - cumulative, 0.005) << i;
    // Value, rate and mode on the first year line only.
    EXPECT_EQ(Amount(line, "VALACQ").has_value(), i == 0);
    EXPECT_EQ(Text(line, "MODAMO"), i == 0 ? "L" : "");
  }
  EXPECT_NEAR(*Amount(years[0], "VALACQ"), 10000, 0.005);
  EXPECT_NEAR(*Amount(years[0], "TAUX"), 20, 0.005);
  EXPECT_NEAR(Total(p), 10000, 0.005);

  // Titles come trimmed on the right from the engine.
  ASSERT_EQ(p.titles.size(), 2u);  // no disposal, description or remark
  EXPECT_EQ(p.titles[0], "Nature : MAT    Matériel de bureau");
  EXPECT_EQ(p.titles[1],
            "Ordre  : 00001 - Date Acquisition : 01/07/2005 - Fournisseur Bureau Vallée");
  ASSERT_EQ(p.columns.size(), 1u);
  EXPECT_EQ(p.columns[0], (std::vector<std::string>{"EXER", "VALACQ", "TAUX", "MODAMO", "VNCAN",
                                                    "TA", "DOTAMO", "CUMFIN", "VNC"}));
  for (const char* heading : {"EXERCICE", "Valeur", "VNC Debut", "Dotation", "Cumul Fin"})
    EXPECT_NE(text_.find(heading), std::string::npos) << heading;
  // The totals: a rule, the total line of DOTAMO alone, then the end of the card's page.
  const std::vector<std::string> tail(p.kinds.end() - 3, p.kinds.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"line", "total", "page"}));
  ASSERT_EQ(p.totals.size(), 1u);
  EXPECT_EQ(p.totals[0]["label"], " TOTAL");  // as the module writes it
  EXPECT_EQ(p.totals[0]["cells"].size(), 1u);
  EXPECT_NEAR(*Amount(p.totals[0]["cells"], "DOTAMO"), 10000, 0.005);
  const std::size_t totalAt = text_.find("TOTAL");
  ASSERT_NE(totalAt, std::string::npos);
  const std::size_t ruleEnd = text_.rfind('\n', totalAt - 1);
  const std::string rule = text_.substr(text_.rfind('\n', ruleEnd - 1) + 1,
                                        ruleEnd - text_.rfind('\n', ruleEnd - 1) - 1);
  EXPECT_NE(rule.find("------------"), std::string::npos) << rule;
  EXPECT_EQ(rule.find_first_not_of(" -"), std::string::npos) << rule;
  for (const auto& r : Reports()) ADD_FAILURE() << r.routine << ": " << r.message;
}

TEST_F(PlanTest, ExceptionalModeRepeatsTheStoredChargeUntilTheValue) {
  SetAsset("E", 1000, 0, "01/01/2005", 0, 300);
  const Printed p = PrintCard();
  const std::vector<nlohmann::json> years = YearLines(p);
  ASSERT_EQ(years.size(), 4u);
  const double charge[] = {300, 300, 300, 100};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(*Amount(years[i], "DOTAMO"), charge[i], 0.005);
  EXPECT_NEAR(Total(p), 1000, 0.005);
  EXPECT_TRUE(Reports().empty());  // FINAM is not asked in mode "E"
}

TEST_F(PlanTest, PriorCumulativeLineAndWhatRemains) {
  SetAsset("L", 10000, 20, "01/01/2003", 4000, 2000);
  const Printed p = PrintCard();
  ASSERT_EQ(p.lines.size(), 4u);
  const nlohmann::json& prior = p.lines[0];
  EXPECT_EQ(Text(prior, "EXER"), "Antérieur");
  EXPECT_NEAR(*Amount(prior, "DOTAMO"), 4000, 0.005);
  EXPECT_FALSE(Amount(prior, "VALACQ").has_value());
  EXPECT_TRUE(Amount(p.lines[1], "VALACQ").has_value());
  EXPECT_EQ(Text(p.lines[3], "EXER"), "01/01/2007 Au 31/12/2007");
  EXPECT_NEAR(Total(p), 10000, 0.005);
  EXPECT_NEAR(*Amount(p.totals.at(0)["cells"], "DOTAMO"), 10000, 0.005);
}

TEST_F(PlanTest, FullyDepreciatedAssetHasOnlyThePriorLine) {
  SetAsset("L", 10000, 20, "01/01/2000", 10000, 0);
  const Printed p = PrintCard();
  ASSERT_EQ(p.lines.size(), 1u);
  EXPECT_EQ(Text(p.lines[0], "EXER"), "Antérieur");
  EXPECT_EQ(p.totals.size(), 1u);
}

TEST_F(PlanTest, DisposedAssetStopsAfterTheYearOfDisposal) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "30/06/2006");
  MImmo().immo.NOMCLT = "  Dupont SA";
  MImmo().immo.MTCESS = PackAmount(1500.5);
  MImmo().immo.DESCRI = "Photocopieur";
  const Printed p = PrintCard();
  ASSERT_EQ(p.titles.size(), 4u);
  EXPECT_EQ(p.titles[2], std::string(16, ' ') +
                             "Date De Cession  : 30/06/2006 - Client Dupont SA - Mt Cession "
                             ": 1500.50");
  EXPECT_EQ(p.titles[3], "Photocopieur");
  const std::vector<nlohmann::json> years = YearLines(p);
  ASSERT_EQ(years.size(), 2u);
  EXPECT_NEAR(*Amount(years[1], "DOTAMO"), 2000.0 * 181 / 365, 0.005);
}

TEST_F(PlanTest, ZeroChargeEndsThePlan) {
  // Disposed of on the first day of 2007: the last day is inside 2007, but 2007's charge is
  // exactly 0, which ends the plan without printing that year.
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "01/01/2007");
  const Printed disposed = PrintCard();
  ASSERT_EQ(YearLines(disposed).size(), 2u);
  EXPECT_NEAR(Total(disposed), 4000, 0.005);
  // An exceptional asset whose typed charge is 0: one line, then the end.
  SetAsset("E", 1000, 0, "01/01/2005", 0, 0);
  const Printed exceptional = PrintCard();
  ASSERT_EQ(exceptional.lines.size(), 1u);
  EXPECT_NEAR(*Amount(exceptional.lines[0], "DOTAMO"), 0, 0.005);
}

TEST_F(PlanTest, DecliningPlanRatesOnTheBalance) {
  SetAsset("D", 10000, 20, "15/07/2005", 0, 1764.38);
  const Printed p = PrintCard();
  const std::vector<nlohmann::json> years = YearLines(p);
  ASSERT_EQ(years.size(), 5u);
  const double rate[] = {17.64, 35, 35, 50, 100};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(*Amount(years[i], "TA"), rate[i], 0.005) << i;
  EXPECT_NEAR(Total(p), 10000, 0.005);
}

TEST_F(PlanTest, UnknownNatureIsReportedAndPrinted) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000);
  MImmo().immo.CODNATI = "XYZ";
  const Printed p = PrintCard();
  ASSERT_EQ(Reports().size(), 1u);
  EXPECT_EQ(Reports()[0].message, "Code Nature Inconnu <XYZ>");
  EXPECT_EQ(Reports()[0].routine, "EDTPA");
  EXPECT_EQ(YearLines(p).size(), 5u);
}

TEST_F(PlanTest, InterruptionStopsWithoutTotalsAndRestoresTheIndex) {
  Reopen(2);  // editions stop after two printed lines
  OpenFiles();
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 5;
  const Printed p = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 5);
  EXPECT_EQ(p.lines.size(), 2u);
  EXPECT_TRUE(p.totals.empty());
  EXPECT_EQ(std::count(p.kinds.begin(), p.kinds.end(), "page"), 0);
  EXPECT_EQ(text_.find("TOTAL"), std::string::npos);
}

TEST_F(PlanTest, IndexIsRestoredWhenAHostCallFails) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), "PLAN", -1);
  MImmo().kNature = 999;  // a key file that is not open: Find fails
  MImmo().exerciseIndex = 7;
  EXPECT_THROW(EDTPA(), HostError);
  EXPECT_EQ(MImmo().exerciseIndex, 7);
}

TEST_F(PlanTest, NewPageBeforeTotalsNearTheEndOfThePage) {
  // Mode "E" prints one line per 10 of value. A card's page of 66 lines holds 3 header lines,
  // 2 titles and 2 heading lines before its own: after 56 lines 63 are used and the totals
  // still fit; after 57 to 59 a new page comes first; at 60 the page had ended by itself.
  const auto kindBeforeTotal = [this](int lines) {
    SetAsset("E", 10.0 * lines, 0, "01/01/2005", 0, 10);
    const Printed p = PrintCard();
    EXPECT_EQ(p.lines.size(), static_cast<std::size_t>(lines));
    return *(std::find(p.kinds.begin(), p.kinds.end(), "total") - 1);
  };
  const std::pair<int, const char*> cases[] = {
      {56, "line"}, {57, "page"}, {59, "page"}, {60, "line"}};
  for (const auto& [lines, kind] : cases) EXPECT_EQ(kindBeforeTotal(lines), kind) << lines;
}

TEST_F(PlanTest, PlanStopsAtTheEndOfTheExerciseTable) {
  // 1 % from 01/07/2005: 101 fiscal years, one more than the table holds.
  SetAsset("L", 10000, 1, "01/07/2005", 0, 50.41);
  const Printed p = PrintCard();
  ASSERT_EQ(p.lines.size(), 100u);
  EXPECT_EQ(Text(p.lines.back(), "EXER"), "01/01/2104 Au 31/12/2104");
  EXPECT_NEAR(Total(p), 10000 - 49.59, 0.005);
  EXPECT_EQ(p.totals.size(), 1u);
  EXPECT_EQ(MImmo().exerciseIndex, 1);
}

TEST_F(PlanTest, CardBatchPrintsEveryGroupAndLeavesTheEditionOpen) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000);
  const int32_t first = StoreAsset("MAT   00001");
  SetAsset("E", 1000, 0, "01/01/2005", 0, 500);
  MImmo().immo.NUMNATI = "00002";
  const int32_t second = StoreAsset("MAT   00002");
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
  ASSERT_EQ(std::distance(std::filesystem::directory_iterator(company_.editions()),
                          std::filesystem::directory_iterator()),
            2);  // one edition: its text and JSON lines
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
