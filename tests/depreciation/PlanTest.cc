// The asset card print with its plan, and the card batch, read back as rows (EditionFixture.h).
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "depreciation/AmortFixture.h"
#include "editions/EditionFixture.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "platform/print/EditionEngine.h"

namespace actifix::testing {
namespace {

// The module's files open, with the nature MAT, for the card prints.
class PlanTest : public AmortTest {
 protected:
  PlanTest() {
    component_.OuvImmo();
    AddNature("MAT", "Matériel de bureau", "2154", "28154");
    session_->Commit();
  }

  // Puts an asset of nature MAT into the asset record buffer.
  void SetAsset(const std::string& mode, double value, float rate, const std::string& acquired,
                double cumulative, double charge, const std::string& disposed = "") {
    const auto text = [](double v) { return std::to_string(v); };
    MImmo().immo =
        AssetRow("MAT|00001|" + acquired + "|" + text(value) + "|" + mode + "|" + text(rate) + "|" +
                 text(cumulative) + "|" + text(charge) + "|" + disposed + "|0||||Bureau Vallée");
  }

  // Prints the card of the asset buffer in an edition of its own.
  std::vector<std::string> PrintCard() {
    Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), "PLAN", -1);
    EDTPA();
    return CloseEdition();
  }

  // Closes the running edition; its file goes to file_, the kinds of its events to kinds_.
  std::vector<std::string> CloseEdition() {
    Edition().Close(0);
    auto& engine = dynamic_cast<platform::EditionEngine&>(Edition());
    engine.Flush();
    file_ = engine.LastTextFile();
    std::ifstream jsonIn(file_.replace_extension(".jsonl"));
    kinds_.clear();
    for (std::string line; std::getline(jsonIn, line);)
      kinds_.push_back(nlohmann::json::parse(line)["kind"]);
    return EditionRows(file_);
  }

  static std::size_t Count(const std::vector<std::string>& rows, const std::string& prefix) {
    return std::count_if(rows.begin(), rows.end(),
                         [&](const std::string& row) { return row.rfind(prefix, 0) == 0; });
  }

  NvImmo component_;
  std::filesystem::path file_;
  std::vector<std::string> kinds_;
};

// Plans of 10000 at 20 % ("E": no rate): EXER|VALACQ|TAUX|MODAMO|VNCAN|TA|DOTAMO|CUMFIN|VNC.
TEST_F(PlanTest, PlansByModeCumulativeAndDisposal) {
  struct Case {
    const char *mode, *acquired, *disposed;
    double cumulative, charge;
    const char* rows;
  };
  const Case cases[] = {
      {"L", "01/07/2005", "", 0, 1008.22,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|20.00|L|10000.00|10.08|1008.22|1008.22|8991.78
L 01/01/2006 Au 31/12/2006||||8991.78|20.00|2000.00|3008.22|6991.78
L 01/01/2007 Au 31/12/2007||||6991.78|20.00|2000.00|5008.22|4991.78
L 01/01/2008 Au 31/12/2008||||4991.78|20.00|2000.00|7008.22|2991.78
L 01/01/2009 Au 31/12/2009||||2991.78|20.00|2000.00|9008.22|991.78
L 01/01/2010 Au 31/12/2010||||991.78|9.92|991.78|10000.00|0.00
S  TOTAL|||||||10000.00
)"},
      // Mode "E" repeats the stored charge until the value; FINAM is not asked.
      {"E", "01/01/2005", "", 0, 3000,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|0.00|E|10000.00|30.00|3000.00|3000.00|7000.00
L 01/01/2006 Au 31/12/2006||||7000.00|30.00|3000.00|6000.00|4000.00
L 01/01/2007 Au 31/12/2007||||4000.00|30.00|3000.00|9000.00|1000.00
L 01/01/2008 Au 31/12/2008||||1000.00|10.00|1000.00|10000.00|0.00
S  TOTAL|||||||10000.00
)"},
      // A charge of 0 ends the plan after its line.
      {"E", "01/01/2005", "", 0, 0,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|0.00|E|10000.00|0.00|0.00|0.00|10000.00
S  TOTAL|||||||0.00
)"},
      {"L", "01/01/2003", "", 4000, 2000, R"(L Antérieur||||||4000.00
L 01/01/2005 Au 31/12/2005|10000.00|20.00|L|6000.00|20.00|2000.00|6000.00|4000.00
L 01/01/2006 Au 31/12/2006||||4000.00|20.00|2000.00|8000.00|2000.00
L 01/01/2007 Au 31/12/2007||||2000.00|20.00|2000.00|10000.00|0.00
S  TOTAL|||||||10000.00
)"},
      {"L", "01/01/2000", "", 10000, 0, "L Antérieur||||||10000.00\nS  TOTAL|||||||10000.00\n"},
      // Disposed of on 30/06/2006: 181 days of 2006.
      {"L", "01/01/2005", "30/06/2006", 0, 2000,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|20.00|L|10000.00|20.00|2000.00|2000.00|8000.00
L 01/01/2006 Au 31/12/2006||||8000.00|9.92|991.78|2991.78|7008.22
S  TOTAL|||||||2991.78
)"},
      // Disposed of on 01/01/2007: inside 2007, but its charge of 0 ends the plan before it.
      {"L", "01/01/2005", "01/01/2007", 0, 2000,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|20.00|L|10000.00|20.00|2000.00|2000.00|8000.00
L 01/01/2006 Au 31/12/2006||||8000.00|20.00|2000.00|4000.00|6000.00
S  TOTAL|||||||4000.00
)"},
      // Declining: 35 % on the balance, then linear over what is left.
      {"D", "15/07/2005", "", 0, 1764.38,
       R"(L 01/01/2005 Au 31/12/2005|10000.00|20.00|D|10000.00|17.64|1764.38|1764.38|8235.62
L 01/01/2006 Au 31/12/2006||||8235.62|35.00|2882.47|4646.85|5353.15
L 01/01/2007 Au 31/12/2007||||5353.15|35.00|1873.60|6520.45|3479.55
L 01/01/2008 Au 31/12/2008||||3479.55|50.00|1739.78|8260.23|1739.77
L 01/01/2009 Au 31/12/2009||||1739.77|100.00|1739.77|10000.00|0.00
S  TOTAL|||||||10000.00
)"},
  };
  for (const Case& c : cases) {
    SetAsset(c.mode, 10000, *c.mode == 'E' ? 0 : 20, c.acquired, c.cumulative, c.charge,
             c.disposed);
    EXPECT_EQ(Pick(PrintCard(), {"L", "S"}), c.rows) << c.mode << " " << c.acquired;
  }
  EXPECT_TRUE(Reports().empty());
}

TEST_F(PlanTest, TitlesHeadingsAndTotals) {
  SetAsset("L", 10000, 20, "01/07/2005", 0, 1008.22);
  MImmo().exerciseIndex = 3;
  std::vector<std::string> rows = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 3);
  // Titles come trimmed on the right from the engine; no disposal, description or remark.
  EXPECT_EQ(Pick(rows, {"T"}),
            "T Nature : MAT    Matériel de bureau\n"
            "T Ordre  : 00001 - Date Acquisition : 01/07/2005 - Fournisseur Bureau Vallée\n");
  // The totals: a rule, the total line of DOTAMO alone, then the end of the card's page.
  EXPECT_EQ(std::vector<std::string>(kinds_.end() - 3, kinds_.end()),
            (std::vector<std::string>{"line", "total", "page"}));
  EXPECT_TRUE(Reports().empty());
  // A disposal and a description add titles; an unknown nature is reported and printed.
  SetAsset("L", 10000, 20, "01/01/2005", 0, 2000, "30/06/2006");
  MImmo().immo.NOMCLT = "  Dupont SA";
  MImmo().immo.MTCESS = PackAmount(1500.5);
  MImmo().immo.DESCRI = "Photocopieur";
  MImmo().immo.CODNATI = "XYZ";
  rows = PrintCard();
  EXPECT_EQ(Pick(rows, {"T                 Date", "T Photo"}),
            "T                 Date De Cession  : 30/06/2006 - Client Dupont SA - Mt Cession : "
            "1500.50\nT Photocopieur\n");
  EXPECT_EQ(Count(rows, "L "), 2u);
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
  const std::vector<std::string> rows = PrintCard();
  EXPECT_EQ(MImmo().exerciseIndex, 5);
  EXPECT_EQ(Count(rows, "L "), 2u);
  EXPECT_EQ(Count(rows, "S "), 0u);
  EXPECT_EQ(std::count(kinds_.begin(), kinds_.end(), "page"), 0);
}

TEST_F(PlanTest, NewPageBeforeTotalsNearTheEndOfThePage) {
  // Mode "E" prints one line per 10 of value. A card's page of 66 lines holds 3 header lines,
  // 2 titles and 2 heading lines before its own: after 56 lines 63 are used and the totals
  // still fit; after 57 to 59 a new page comes first; at 60 the page had ended by itself.
  const std::pair<int, const char*> cases[] = {
      {56, "line"}, {57, "page"}, {59, "page"}, {60, "line"}};
  for (const auto& [lines, kind] : cases) {
    SetAsset("E", 10.0 * lines, 0, "01/01/2005", 0, 10);
    EXPECT_EQ(Count(PrintCard(), "L "), static_cast<std::size_t>(lines));
    EXPECT_EQ(*(std::find(kinds_.begin(), kinds_.end(), "total") - 1), kind) << lines;
  }
}

TEST_F(PlanTest, PlanStopsAtTheEndOfTheExerciseTable) {
  // 1 % from 01/07/2005: 101 fiscal years, one more than the table holds.
  SetAsset("L", 10000, 1, "01/07/2005", 0, 50.41);
  const std::vector<std::string> rows = PrintCard();
  EXPECT_EQ(Count(rows, "L "), 100u);
  EXPECT_EQ(Pick(rows, {"L 01/01/2104", "S"}),
            "L 01/01/2104 Au 31/12/2104||||149.59|1.00|100.00|9950.41|49.59\n"
            "S  TOTAL|||||||9950.41\n");
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
  // The driver closes the edition: no edition file is there yet, only the open one's.
  for (const auto& f : std::filesystem::directory_iterator(company_.editions()))
    EXPECT_EQ(f.path().filename().string().rfind(".open-", 0), 0u) << f.path();
  // One edition under the batch's title, each card totalling its own lines.
  const std::vector<std::string> rows = CloseEdition();
  EXPECT_NE(file_.string().find("FICHE-DES-IMMOBILISATIONS"), std::string::npos) << file_;
  EXPECT_EQ(std::count(kinds_.begin(), kinds_.end(), "columns"), 3);
  EXPECT_EQ(Count(rows, "L "), 5u + 2u + 2u);
  EXPECT_EQ(Pick(rows, {"T Ordre", "S"}),
            "T Ordre  : 00001 - Date Acquisition : 01/01/2005 - Fournisseur Bureau Vallée\n"
            "S  TOTAL|||||||10000.00\n"
            "T Ordre  : 00002 - Date Acquisition : 01/01/2005 - Fournisseur Bureau Vallée\n"
            "S  TOTAL|||||||1000.00\n"
            "T Ordre  : 00002 - Date Acquisition : 01/01/2005 - Fournisseur Bureau Vallée\n"
            "S  TOTAL|||||||1000.00\n");
}

}  // namespace
}  // namespace actifix::testing
