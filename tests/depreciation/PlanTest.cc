// The asset card print with its depreciation plan, and the batches of cards.
#include <cmath>

#include "depreciation/AmortFixture.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"

namespace actifix::testing {
namespace {

const char kDescriptor[] =
    "[PS,1,[[EXER,EXERCICE,A,24,G],[VALACQ,Valeur,M,12,2,D,[A]],[TAUX,Taux,M,6,2,D,[A]],"
    "[MODAMO,M,A,1,G],[VNCAN,VNC Debut,M,12,2,D,[A]],[TA,Taux,M,6,2,D,[A]],"
    "[DOTAMO,Dotation,M,12,2,D],[CUMFIN,Cumul Fin,M,12,2,D,[A]],[VNC,VNC Fin,M,12,2,D,[A]]],"
    "[DOTAMO]]";

class PlanTest : public AmortTest {
 protected:
  PlanTest() {
    component_.OuvImmo();
    MImmoState& m = MImmo();
    m.nature.CODNAT = "MAT";
    m.nature.LIBNAT = "Matériel de bureau"_w;
    int32_t number = 0;
    KeyedFile().Insert(m.kNature, "MAT", m.fNature, number);
    m.nature = NatureRecord();
  }

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

  // The year lines printed (the "Antérieur" line left out).
  std::vector<PrintedLine> YearLines() const {
    std::vector<PrintedLine> years;
    for (const PrintedLine& line : host_.lines)
      if (line.Text("EXER") != "Antérieur"_w) years.push_back(line);
    return years;
  }

  // The sum of the DOTAMO column, as the edition's total would give it.
  double Total() const {
    double total = 0;
    for (const PrintedLine& line : host_.lines) total += line.Amount("DOTAMO").value_or(0);
    return total;
  }

  std::vector<std::string> Ops() const {
    std::vector<std::string> ops;
    for (const EditionCall& call : host_.editionCalls)
      if (call.op != "SetCell" && call.op != "SetAmount") ops.push_back(call.op);
    return ops;
  }

  NvImmo component_;
};

TEST_F(PlanTest, LinearPlanFromTheStoredCharge) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 3;
  EDTPA();
  EXPECT_EQ(MImmo().exerciseIndex, 3);

  const std::vector<PrintedLine> years = YearLines();
  ASSERT_EQ(host_.lines.size(), 6u);  // no "Antérieur" line: CUMAMO is 0
  ASSERT_EQ(years.size(), 6u);
  const char* exer[] = {"01/01/2005 Au 31/12/2005", "01/01/2006 Au 31/12/2006",
                        "01/01/2007 Au 31/12/2007", "01/01/2008 Au 31/12/2008",
                        "01/01/2009 Au 31/12/2009", "01/01/2010 Au 31/12/2010"};
  const double charge[] = {1008.22, 2000, 2000, 2000, 2000, 991.78};
  const double rate[] = {10.08, 20, 20, 20, 20, 9.92};
  double cumulative = 0;
  for (std::size_t i = 0; i < years.size(); ++i) {
    const PrintedLine& line = years[i];
    EXPECT_EQ(line.Text("EXER"), exer[i]);
    EXPECT_NEAR(*line.Amount("DOTAMO"), charge[i], 0.005) << i;
    EXPECT_NEAR(*line.Amount("TA"), rate[i], 0.005) << i;
    EXPECT_NEAR(*line.Amount("VNCAN"), 10000 - cumulative, 0.005) << i;
    cumulative += charge[i];
    EXPECT_NEAR(*line.Amount("CUMFIN"), cumulative, 0.005) << i;
    EXPECT_NEAR(*line.Amount("VNC"), 10000 - cumulative, 0.005) << i;
    // Value, rate and mode on the first year line only.
    EXPECT_EQ(line.Amount("VALACQ").has_value(), i == 0);
    EXPECT_EQ(line.Text("MODAMO"), i == 0 ? "L" : "");
  }
  EXPECT_NEAR(*years[0].Amount("VALACQ"), 10000, 0.005);
  EXPECT_NEAR(*years[0].Amount("TAUX"), 20, 0.005);
  EXPECT_NEAR(Total(), 10000, 0.005);

  ASSERT_EQ(host_.titles.size(), 2u);  // no disposal, description or remark
  EXPECT_EQ(host_.titles[0], "Nature : MAT    Matériel de bureau            "_w);
  EXPECT_EQ(host_.titles[1],
            "Ordre  : 00001 - Date Acquisition : 01/07/2005 - Fournisseur "
            "Bureau Vallée                 "_w);
  EXPECT_EQ(host_.Calls("AddStyledTitle")[0].text2, "MS");
  EXPECT_EQ(host_.Calls("DefineColumns")[0].text, kDescriptor);
  const std::vector<std::string> ops = Ops();
  const std::vector<std::string> tail(ops.end() - 4, ops.end());
  EXPECT_EQ(tail,
            (std::vector<std::string>{"PrintTotals", "PrintTotalLine", "ResetTotals", "NewPage"}));
  EXPECT_EQ(host_.Calls("PrintTotals")[0].text, "[DOTAMO]");
  EXPECT_EQ(host_.Calls("PrintTotalLine")[0].text, "[[[EXER, TOTAL]],[[DOTAMO,1]]]");
  EXPECT_EQ(host_.Calls("PrintTotalLine")[0].text2, "");
  EXPECT_EQ(host_.Calls("ResetTotals")[0].text, "[DOTAMO]");
  EXPECT_TRUE(host_.reports.empty());
}

TEST_F(PlanTest, ExceptionalModeRepeatsTheStoredChargeUntilTheValue) {
  SetAsset("E", 1000, 0, "01/01/2005", 0, 300);
  EDTPA();
  const std::vector<PrintedLine> years = YearLines();
  ASSERT_EQ(years.size(), 4u);
  const double charge[] = {300, 300, 300, 100};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(*years[i].Amount("DOTAMO"), charge[i], 0.005);
  EXPECT_NEAR(Total(), 1000, 0.005);
  EXPECT_TRUE(host_.reports.empty());  // FINAM is not asked in mode "E"
}

TEST_F(PlanTest, PriorCumulativeLineAndWhatRemains) {
  SetAsset("L", 10000, 20, "01/01/2003", 4000, 2000);
  EDTPA();
  ASSERT_EQ(host_.lines.size(), 4u);
  const PrintedLine& prior = host_.lines[0];
  EXPECT_EQ(prior.Text("EXER"), "Antérieur"_w);
  EXPECT_NEAR(*prior.Amount("DOTAMO"), 4000, 0.005);
  EXPECT_FALSE(prior.Amount("VALACQ").has_value());
  EXPECT_TRUE(host_.lines[1].Amount("VALACQ").has_value());
  EXPECT_EQ(host_.lines[3].Text("EXER"), "01/01/2007 Au 31/12/2007");
  EXPECT_NEAR(Total(), 10000, 0.005);
}

TEST_F(PlanTest, FullyDepreciatedAssetHasOnlyThePriorLine) {
  SetAsset("L", 10000, 20, "01/01/2000", 10000, 0);
  EDTPA();
  ASSERT_EQ(host_.lines.size(), 1u);
  EXPECT_EQ(host_.lines[0].Text("EXER"), "Antérieur"_w);
  EXPECT_EQ(host_.Calls("PrintTotalLine").size(), 1u);
}

TEST_F(PlanTest, DisposedAssetStopsAfterTheYearOfDisposal) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "30/06/2006");
  MImmo().immo.NOMCLT = "  Dupont SA";
  MImmo().immo.MTCESS = PackAmount(1500.5);
  MImmo().immo.DESCRI = "Photocopieur";
  EDTPA();
  ASSERT_EQ(host_.titles.size(), 4u);
  EXPECT_EQ(host_.titles[2], std::string(16, ' ') +
                                 "Date De Cession  : 30/06/2006 - Client Dupont SA - Mt Cession "
                                 ": 1500.50");
  EXPECT_EQ(host_.titles[3], MImmo().immo.DESCRI.str());
  const std::vector<PrintedLine> years = YearLines();
  ASSERT_EQ(years.size(), 2u);
  EXPECT_DOUBLE_EQ(*years[1].Amount("DOTAMO"), 2000.0 * 181 / 365);
}

TEST_F(PlanTest, ZeroChargeEndsThePlan) {
  // Disposed of on the first day of 2007: the last day is inside 2007, but 2007's charge is
  // exactly 0, which ends the plan without printing that year.
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "01/01/2007");
  EDTPA();
  ASSERT_EQ(YearLines().size(), 2u);
  EXPECT_NEAR(Total(), 4000, 0.005);
  // An exceptional asset whose typed charge is 0: one line, then the end.
  host_.lines.clear();
  SetAsset("E", 1000, 0, "01/01/2005", 0, 0);
  EDTPA();
  ASSERT_EQ(host_.lines.size(), 1u);
  EXPECT_NEAR(*host_.lines[0].Amount("DOTAMO"), 0, 0.005);
}

TEST_F(PlanTest, DecliningPlanRatesOnTheBalance) {
  SetAsset("D", 10000, 20, "15/07/2005", 0, 1764.38);
  EDTPA();
  const std::vector<PrintedLine> years = YearLines();
  ASSERT_EQ(years.size(), 5u);
  const double rate[] = {17.64, 35, 35, 50, 100};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(*years[i].Amount("TA"), rate[i], 0.005) << i;
  EXPECT_NEAR(Total(), 10000, 0.005);
}

TEST_F(PlanTest, UnknownNatureIsReportedAndPrinted) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000);
  MImmo().immo.CODNATI = "XYZ";
  EDTPA();
  ASSERT_EQ(host_.reports.size(), 1u);
  EXPECT_EQ(host_.reports[0].message, "Code Nature Inconnu <XYZ>");
  EXPECT_EQ(host_.reports[0].routine, "EDTPA");
  EXPECT_EQ(YearLines().size(), 5u);
}

TEST_F(PlanTest, InterruptionStopsWithoutTotalsAndRestoresTheIndex) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  host_.interruptAt = 2;
  MImmo().exerciseIndex = 5;
  EDTPA();
  EXPECT_EQ(MImmo().exerciseIndex, 5);
  EXPECT_EQ(host_.lines.size(), 2u);
  EXPECT_TRUE(host_.Calls("PrintTotals").empty());
  EXPECT_TRUE(host_.Calls("NewPage").empty());
}

TEST_F(PlanTest, IndexIsRestoredWhenAHostCallFails) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().kNature = 999;  // a key file that is not open: Find fails
  MImmo().exerciseIndex = 7;
  EXPECT_THROW(EDTPA(), HostError);
  EXPECT_EQ(MImmo().exerciseIndex, 7);
}

TEST_F(PlanTest, NewPageBeforeTotalsNearTheEndOfThePage) {
  SetAsset("L", 10000, 20, "01/01/2000", 10000, 0);
  host_.pageLength = 60;
  host_.pageLine = 58;
  EDTPA();
  const std::vector<std::string> ops = Ops();
  EXPECT_EQ(std::vector<std::string>(ops.end() - 5, ops.end()),
            (std::vector<std::string>{"NewPage", "PrintTotals", "PrintTotalLine", "ResetTotals",
                                      "NewPage"}));
}

TEST_F(PlanTest, PlanStopsAtTheEndOfTheExerciseTable) {
  // 1 % from 01/07/2005: 101 fiscal years, one more than the table holds.
  SetAsset("L", 10000, 1, "01/07/2005", 0, 50.41);
  EDTPA();
  ASSERT_EQ(host_.lines.size(), 100u);
  EXPECT_EQ(host_.lines.back().Text("EXER"), "01/01/2104 Au 31/12/2104");
  EXPECT_NEAR(Total(), 10000 - 49.59, 0.005);
  EXPECT_EQ(host_.Calls("PrintTotalLine").size(), 1u);
  EXPECT_EQ(MImmo().exerciseIndex, 1);
}

TEST_F(PlanTest, CardBatchPrintsEveryGroupAndEmptiesTheList) {
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000);
  const int32_t first = StoreAsset("MAT   00001");
  SetAsset("E", 1000, 0, "01/01/2005", 0, 500);
  MImmo().immo.NUMNATI = "00002";
  const int32_t second = StoreAsset("MAT   00002");
  std::string groups = "[[G1,[" + std::to_string(first) + "," + std::to_string(second) +
                       "]],[G2,[]],[G3,[" + std::to_string(second) + "]]]";
  EdtPlanImmo(groups);
  EXPECT_EQ(groups, "[]");
  EXPECT_EQ(host_.editionTitle, "FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  ASSERT_EQ(host_.Calls("Open").size(), 1u);
  EXPECT_EQ(host_.Calls("Open")[0].text, "FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT");
  EXPECT_EQ(host_.Calls("Open")[0].number, -1);
  EXPECT_EQ(host_.Calls("DefineColumns").size(), 3u);
  EXPECT_EQ(host_.Calls("Feed").size(), 3u);
  EXPECT_EQ(host_.editionsClosed, 0);  // the driver closes it
  EXPECT_EQ(host_.lines.size(), 5u + 2u + 2u);
  EXPECT_EQ(host_.titles[3].substr(0, 14), "Ordre  : 00002");
}

}  // namespace
}  // namespace actifix::testing
