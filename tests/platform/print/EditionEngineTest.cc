// The edition engine driven the way the module drives it: sections carried into level-2
// totals, resets, interruptions, the JSON lines, the paged text and the files.
#include "platform/print/EditionEngine.h"
#include "platform/print/EditionFormat.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

using Json = nlohmann::json;

const int16_t kZero = 0;
const int16_t kOne = 1;
const int16_t kMinus1 = -1;

// The columns of the depreciation edition, as the module writes them.
const std::string kDepreciationColumns =
    "[PS,1,[[NOMFRN,DESCRIPTION,A,33,G],[VALACQ,Valeur,M,12,2,D],[TAUX,Taux,M,6,2,D,[A]],"
    "[MODAMO,M,A,1,G],[@AMORTISSEMENTS ,[CUMAMO,Cumul Debut,M,12,2,D],"
    "[DOTAMO,Dotation,M,12,2,D,[A]],[CUMFIN,Cumul Fin,M,12,2,D,[A]],[VNC,VNC,M,12,2,D,[A]]]],"
    "[VALACQ,CUMAMO,DOTAMO,CUMFIN,VNC]]";
const std::string kLedgerColumns =
    "[PS,1,[[NC,No COMPTE,A,10,G],[LIB,LIBELLE,A,60,G],[D,DEBIT,M,11,2,D],"
    "[C,CREDIT,M,11,2,D]],[D,C]]";
const std::string kAccountColumns =
    "[PS,1,[[NOCPTCG,NUMERO COMPTE DE COMPTABILITE GENERALE,A,10,G],"
    "[NOMCPTCG,NOM DU COMPTE DE COMPTABILITE GENERALE,A,40,G]],[]]";

std::vector<Json> JsonLines(const std::string& text) {
  std::vector<Json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(Json::parse(line));
  return lines;
}

std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An engine writing its JSON lines to a string, without files.
struct JsonEngine {
  explicit JsonEngine(EditionOptions options = {}) : engine(WithStream(std::move(options))) {}
  EditionOptions WithStream(EditionOptions options) {
    options.jsonOut = &out;
    options.pdf = false;
    return options;
  }
  void Open(const std::string& title = "TEST") { engine.Open(kZero, kZero, kZero, title, kMinus1); }
  std::vector<Json> Lines() const { return JsonLines(out.str()); }
  // The cells of the total lines, by label.
  std::map<std::string, Json> Totals() const {
    std::map<std::string, Json> totals;
    for (const auto& line : Lines())
      if (line["kind"] == "total") totals[line["label"].get<std::string>()] = line["cells"];
    return totals;
  }

  std::ostringstream out;
  EditionEngine engine;
};

void AssetLine(EditionEngine& e, const std::string& name, double valacq, double cumamo,
               double dotamo, double cumfin, double vnc) {
  e.SetCell("NOMFRN", name, "@");
  e.SetAmount("VALACQ", valacq, "@");
  if (cumamo != 0) e.SetAmount("CUMAMO", cumamo, "@");
  if (dotamo != 0) e.SetAmount("DOTAMO", dotamo, "@");
  e.SetAmount("CUMFIN", cumfin, "@");
  e.SetAmount("VNC", vnc, "@");
  e.PrintLine();
}

// One group of the depreciation edition: A NOUVEAU carried "+", ACQUISITIONS carried "+",
// the three running columns carried one by one, CESSIONS taken off with "-".
void PrintGroup(EditionEngine& e) {
  e.DefineColumns(kDepreciationColumns);
  AssetLine(e, "Ordre : 00001", 1000, 200, 100.10, 300.10, 699.90);
  AssetLine(e, "Ordre : 00002", 500, 50, 50, 100, 400);
  e.SectionTotals("[VALACQ,CUMAMO]", kZero);
  e.PrintSectionTotalLine("[[[NOMFRN,TOTAL A NOUVEAU]],[[VALACQ,1],[CUMAMO,1]]]", "+");
  e.Step(kOne);
  AssetLine(e, "Ordre : 00003", 2000, 0, 400, 400, 1600);
  e.SectionTotals("[VALACQ]", kZero);
  e.PrintSectionTotalLine("[[[NOMFRN,TOTAL ACQUISITION]],[[VALACQ,1]]]", "+");
  for (const char* column : {"DOTAMO", "CUMFIN", "VNC"}) e.CarryTotal(column, kOne, "+");
  e.SectionTotals("[VALACQ,DOTAMO,CUMFIN,VNC]", kZero);
  e.PrintSectionTotalLine(
      "[[[NOMFRN,TOTAL A NOUVEAU+ACQUISITION]],[[VALACQ,2],[DOTAMO,2],[CUMFIN,2],[VNC,2]]]", "");
  e.Step(kOne);
  AssetLine(e, "Ordre : 00001", 1000, 0, 0, 300.10, 699.90);
  e.SectionTotals("[VALACQ,CUMFIN,VNC]", kZero);
  e.PrintSectionTotalLine("[[[NOMFRN,TOTAL CESSION]],[[VALACQ,1],[CUMFIN,1],[VNC,1]]]", "-");
  e.PrintTotals("[VALACQ,CUMFIN,VNC]");
  e.PrintTotalLine("[[[NOMFRN, TOTAL GENERAL]],[[VALACQ,2],[CUMFIN,2],[VNC,2]]]", "");
  e.ResetTotals("[VALACQ,CUMFIN,VNC]");
  e.Feed(2);
}

void ExpectCells(const Json& cells, const std::map<std::string, double>& want) {
  ASSERT_EQ(cells.size(), want.size()) << cells.dump();
  for (const auto& [column, value] : want) {
    ASSERT_TRUE(cells.contains(column)) << column;
    EXPECT_NEAR(cells[column].get<double>(), value, 0.005) << column;
  }
}

TEST(EditionTotals, SectionsCarriedIntoLevelTwoAndEachColumnDefinitionStartsFromZero) {
  JsonEngine j;
  j.Open();
  PrintGroup(j.engine);
  const auto totals = j.Totals();
  ExpectCells(totals.at("TOTAL A NOUVEAU"), {{"VALACQ", 1500}, {"CUMAMO", 250}});
  // Level 1 of VALACQ was closed by the A NOUVEAU line: only the acquisition.
  ExpectCells(totals.at("TOTAL ACQUISITION"), {{"VALACQ", 2000}});
  ExpectCells(totals.at("TOTAL A NOUVEAU+ACQUISITION"),
              {{"VALACQ", 3500}, {"DOTAMO", 550.10}, {"CUMFIN", 800.10}, {"VNC", 2699.90}});
  // CarryTotal closed level 1 of CUMFIN and VNC: the disposal section stands alone.
  ExpectCells(totals.at("TOTAL CESSION"), {{"VALACQ", 1000}, {"CUMFIN", 300.10}, {"VNC", 699.90}});
  ExpectCells(totals.at(" TOTAL GENERAL"), {{"VALACQ", 2500}, {"CUMFIN", 500}, {"VNC", 2000}});

  // The second group: DOTAMO and CUMAMO were never reset by the module, yet its totals hold
  // only its own asset.
  j.engine.DefineColumns(kDepreciationColumns);
  AssetLine(j.engine, "Ordre : 00004", 300, 0, 30, 30, 270);
  j.engine.PrintSectionTotalLine("[[[NOMFRN,TOTAL ACQUISITION]],[[VALACQ,1]]]", "+");
  for (const char* column : {"DOTAMO", "CUMFIN", "VNC"}) j.engine.CarryTotal(column, kOne, "+");
  j.engine.PrintSectionTotalLine(
      "[[[NOMFRN,TOTAL A NOUVEAU+ACQUISITION]],[[VALACQ,2],[DOTAMO,2],[CUMAMO,2]]]", "");
  // Totals() keeps the last line of each label: the second group's.
  ExpectCells(j.Totals().at("TOTAL A NOUVEAU+ACQUISITION"),
              {{"VALACQ", 300}, {"DOTAMO", 30}, {"CUMAMO", 0}});
}

TEST(EditionTotals, ResetSetsBothLevelsOfTheListedColumnsOnly) {
  JsonEngine j;
  j.Open();
  j.engine.DefineColumns(kLedgerColumns);
  j.engine.SetAmount("D", 100, "@");
  j.engine.SetAmount("C", 40, "@");
  j.engine.PrintLine();
  j.engine.PrintTotalLine("[[[LIB,AVANT]],[[D,1],[C,1]]]", "+");  // level 2 := level 1
  j.engine.ResetTotals("[D]");
  j.engine.PrintTotalLine("[[[LIB,UN]],[[D,1],[C,1]]]", "");
  j.engine.PrintTotalLine("[[[LIB,DEUX]],[[D,2],[C,2]]]", "");
  j.engine.ResetTotals("[]");
  const auto totals = j.Totals();
  ExpectCells(totals.at("AVANT"), {{"D", 100}, {"C", 40}});
  // D lost both levels; C kept its level 1, which PrintTotalLine carried but did not close.
  ExpectCells(totals.at("UN"), {{"D", 0}, {"C", 40}});
  ExpectCells(totals.at("DEUX"), {{"D", 0}, {"C", 40}});
}

TEST(EditionTotals, LevelTwoOfAColumnSeenTwiceInATotalLine) {
  // A total cell of level 1 and one of level 2 for the same column: the printed values are
  // those before the line's own carry.
  JsonEngine j;
  j.Open();
  j.engine.DefineColumns(kLedgerColumns);
  for (const double d : {10.0, 20.005, -5.0}) {
    j.engine.SetAmount("D", d, "@");
    j.engine.PrintLine();
  }
  j.engine.PrintSectionTotalLine("[[[LIB,S1]],[[D,1],[C,2]]]", "-");
  j.engine.PrintSectionTotalLine("[[[LIB,S2]],[[D,1],[C,1]]]", "+");
  j.engine.PrintTotalLine("[[[LIB,FIN]],[[D,2]]]", "");
  const auto totals = j.Totals();
  ExpectCells(totals.at("S1"), {{"D", 25.01}, {"C", 0}});  // 20.005 printed and added as 20.01
  ExpectCells(totals.at("S2"), {{"D", 0}, {"C", 0}});
  ExpectCells(totals.at("FIN"), {{"D", -25.01}});
}

TEST(EditionInterruption, TurnsTrueAfterTheGivenNumberOfLines) {
  EditionOptions options;
  options.interruptAfter = 2;
  JsonEngine j(options);
  EditionEngine& e = j.engine;
  j.Open();
  e.DefineColumns(kAccountColumns);
  EXPECT_FALSE(e.Interrupted());
  // The chart-of-accounts walk, which stops when the edition says it is interrupted.
  int printed = 0;
  for (int record = 1; record <= 5; ++record) {
    e.SetCell("NOCPTCG", std::to_string(400000 + record), "@");
    e.PrintLine();
    ++printed;
    if (e.Interrupted()) break;
    e.Step(kOne);
  }
  EXPECT_EQ(printed, 2);
  e.Close(kZero);
  e.Flush();
  const auto lines = j.Lines();
  ASSERT_EQ(lines.size(), 4u);  // columns, line, step, line
  EXPECT_EQ(lines[3]["cells"]["NOCPTCG"], "400002");
  // A new edition counts again from its own first line.
  j.Open("SUITE");
  EXPECT_FALSE(e.Interrupted());
}

TEST(EditionInterruption, ZeroLinesAndTheUsersRequest) {
  EditionOptions atOnce;
  atOnce.interruptAfter = 0;
  EditionEngine first(atOnce);
  first.Open(kZero, kZero, kZero, "T", kMinus1);
  EXPECT_TRUE(first.Interrupted());

  bool requested = false;
  EditionOptions byUser;
  byUser.interruptRequested = [&requested] { return requested; };
  EditionEngine second(byUser);
  second.Open(kZero, kZero, kZero, "T", kMinus1);
  EXPECT_FALSE(second.Interrupted());
  requested = true;
  EXPECT_TRUE(second.Interrupted());
}

TEST(EditionJson, LinesOfASmallEditionExactly) {
  JsonEngine j;
  j.Open("EDITION DU PLAN COMPTABLE IMMOBILISATION");
  EditionEngine& e = j.engine;
  e.AddTitle("EDITION DU PLAN COMPTABLE IMMOBILISATION", "G");
  e.DefineColumns(kAccountColumns);
  e.SetCell("NOCPTCG", "401000    ", "@");
  e.SetCell("NOMCPTCG", std::string("Fournisseurs  d'équipements             "_w), "@");
  e.PrintLine();
  e.Step(kOne);
  e.SetCell("NOCPTCG", "  2154    ", "@");
  e.SetCell("NOMCPTCG", "          ", "@");  // blank: left out of the cells
  e.PrintLine();
  e.Step(kOne);
  e.NewPage();
  e.AddStyledTitle(std::string("ECRITURES DE COMPTABILITE GENERALE Au 31/12/2026   "_w), "PD",
                   "Arial");
  e.DefineColumns(kLedgerColumns);
  e.SetCell("NC", "681100", "@");
  e.SetCell("LIB", "Dotation du 01/01/2026 au 31/12/2026", "@");
  e.SetCell("D", "150.50", "@");  // the ledger sets amounts as texts
  e.PrintLine();
  e.SetCell("NC", "281500", "@");
  e.SetCell("C", "150.50", "@");
  e.PrintLine();
  e.Step(kOne);
  e.SetAmount("D", 2000, "@");
  e.SetAmount("C", -0.001, "@");
  e.PrintLine();
  e.PrintTotals("[D,C]");
  e.PrintTotalLine("[[[LIB,TOTAL]],[[D,1],[C,1]]]", "+");
  e.ResetTotals("[D,C]");
  e.NewPage();
  e.Close(kZero);
  e.Flush();
  EXPECT_EQ(j.out.str(),
            R"({"kind":"title","text":"EDITION DU PLAN COMPTABLE IMMOBILISATION"}
{"kind":"columns","names":["NOCPTCG","NOMCPTCG"]}
{"kind":"line","cells":{"NOCPTCG":"401000","NOMCPTCG":"Fournisseurs  d'équipements"}}
{"kind":"step"}
{"kind":"line","cells":{"NOCPTCG":"  2154"}}
{"kind":"step"}
{"kind":"page"}
{"kind":"title","text":"ECRITURES DE COMPTABILITE GENERALE Au 31/12/2026"}
{"kind":"columns","names":["NC","LIB","D","C"]}
{"kind":"line","cells":{"NC":"681100","LIB":"Dotation du 01/01/2026 au 31/12/2026","D":150.5}}
{"kind":"line","cells":{"NC":"281500","C":150.5}}
{"kind":"step"}
{"kind":"line","cells":{"D":2000.0,"C":0.0}}
{"kind":"total","label":"TOTAL","cells":{"D":2150.5,"C":150.5}}
{"kind":"page"}
)");
}

TEST(EditionJson, DateColumnsTakeTextsAndPackedDates) {
  JsonEngine j;
  j.Open();
  j.engine.DefineColumns(
      "[PS,1,[[DATACQ,ACQUISITION,D,C],[DATCES,CESSION,D,C],[NUM,N,N,4,0,D]],[NUM]]");
  std::string packed;
  HostDates().PackDate("01/07/2005", packed);
  ASSERT_EQ(packed.size(), 3u);
  j.engine.SetCell("DATACQ", packed, "@");
  j.engine.SetCell("DATCES", std::string(3, '\0'), "@");  // the empty packed date
  j.engine.SetCell("NUM", "12", "@");
  j.engine.PrintLine();
  j.engine.SetCell("DATACQ", "31/12/2026", "@");
  j.engine.SetCell("DATCES", "   ", "@");
  j.engine.SetAmount("NUM", 7.5, "@");  // number column rounded to its 0 decimals
  j.engine.PrintLine();
  const auto lines = j.Lines();
  EXPECT_EQ(lines[1]["cells"].dump(), R"({"DATACQ":"01/07/2005","NUM":12.0})");
  EXPECT_EQ(lines[2]["cells"].dump(), R"({"DATACQ":"31/12/2026","NUM":8.0})");
}

TEST(EditionErrors, MisuseThrowsHostError) {
  JsonEngine j;
  EditionEngine& e = j.engine;
  EXPECT_THROW(e.PrintLine(), HostError);  // no edition open
  EXPECT_THROW(e.AddTitle("X", "G"), HostError);
  e.Close(kZero);  // closing nothing is harmless
  j.Open();
  EXPECT_THROW(e.SetCell("NC", "1", "@"), HostError);  // no columns yet
  EXPECT_THROW(e.PrintLine(), HostError);
  EXPECT_THROW(e.DefineColumns("[PS,1,[[NC,No,A,10,G]],[X]]"), HostError);
  e.DefineColumns(kLedgerColumns);
  EXPECT_THROW(e.SetCell("NOPE", "1", "@"), HostError);
  EXPECT_THROW(e.SetCell("D", "douze", "@"), HostError);
  EXPECT_THROW(e.PrintTotalLine("[[[LIB,T]],[[LIB,1]]]", ""), HostError);  // not totalled
  EXPECT_THROW(e.PrintTotalLine("[[[LIB,T]],[[D,1]]]", "*"), HostError);   // unknown sign
  EXPECT_THROW(e.PrintSectionTotalLine("[[[LIB,T]],[[X,1]]]", "+"), HostError);
  EXPECT_THROW(e.CarryTotal("D", 2, "+"), HostError);
  EXPECT_THROW(e.ResetTotals("[D,X]"), HostError);
  try {
    e.SetCell(std::string("Numéro"_w), "1", "@");
    FAIL() << "unknown column accepted";
  } catch (const HostError& error) {
    EXPECT_EQ(error.operation(), "HostEdition.SetCell");
    EXPECT_EQ(error.subject(), "Numéro");  // UTF-8 for the user
  }
}

// ---- Paged text ----

struct TextEdition {
  explicit TextEdition(int pageLength) {
    options.outDir = dir.path();
    options.pdf = false;
    options.company = "SARL Été";
    options.date = "15/01/2027";
    options.pageLength = pageLength;
  }
  std::string Text() const { return ReadFile(closed); }
  std::vector<std::string> Pages() const {
    std::vector<std::string> pages;
    std::string text = Text();
    std::size_t start = 0;
    for (std::size_t ff; (ff = text.find('\f', start)) != std::string::npos; start = ff + 1)
      pages.push_back(text.substr(start, ff - start));
    pages.push_back(text.substr(start));
    return pages;
  }

  actifix::testing::TempDir dir;
  EditionOptions options;
  std::filesystem::path closed;
};

std::vector<std::string> SplitLines(const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(EditionText, FrenchAmountsInFixedColumns) {
  TextEdition t(66);
  EditionEngine e(t.options);
  e.Open(kZero, kZero, kZero, "ECRITURES", kMinus1);
  e.DefineColumns(kLedgerColumns);
  const std::pair<double, double> amounts[] = {{1234.5, 0}, {-1234.5, 1000000}, {0, -0.004}};
  for (const auto& [d, c] : amounts) {
    e.SetCell("NC", "401", "@");
    e.SetCell("LIB", "Achat", "@");
    e.SetAmount("D", d, "@");
    e.SetAmount("C", c, "@");
    e.PrintLine();
  }
  e.PrintTotals("[D,C]");
  e.PrintTotalLine("[[[LIB,TOTAL]],[[D,1],[C,1]]]", "");
  e.Close(kZero);
  e.Flush();
  t.closed = e.LastTextFile();
  const auto lines = SplitLines(t.Text());
  const std::string account = "401       " + std::string(" Achat") + std::string(55, ' ') + " ";
  const std::string head = "No COMPTE  LIBELLE" + std::string(53, ' ');
  ASSERT_EQ(lines.size(), 3u + 2u + 3u + 2u);
  EXPECT_EQ(lines[3], head + "       DEBIT      CREDIT");
  EXPECT_EQ(lines[4], std::string(95, '-'));
  EXPECT_EQ(lines[5], account + "   1 234,50        0,00");
  EXPECT_EQ(lines[6], account + "  -1 234,50  1000000,00");  // too wide with its blanks
  EXPECT_EQ(lines[7], account + "       0,00        0,00");
  EXPECT_EQ(lines[8], std::string(72, ' ') + std::string(11, '-') + " " + std::string(11, '-'));
  EXPECT_EQ(lines[9],
            std::string(11, ' ') + "TOTAL" + std::string(56, ' ') + "       0,00  1000000,00");
}

TEST(EditionText, PagesHeadersAndTheLineCounter) {
  TextEdition t(12);
  EditionEngine e(t.options);
  e.Open(kZero, kZero, kZero, std::string("LISTE DES DÉPÔTS"_w), kMinus1);
  EXPECT_EQ(e.PageLine(), 0);
  EXPECT_EQ(e.PageLength(), 12);
  e.AddTitle(std::string("LISTE DES DÉPÔTS"_w), "G");
  EXPECT_EQ(e.PageLine(), 4);  // header of 3 lines, then the title
  e.DefineColumns(kAccountColumns);
  for (int i = 1; i <= 9; ++i) {
    e.SetCell("NOCPTCG", std::to_string(i), "@");
    e.PrintLine();
    e.Feed(1);
  }
  e.NewPage();
  EXPECT_EQ(e.PageLine(), 0);
  e.NewPage();  // nothing on the page yet: no second break
  e.Feed(3);    // no blank lines at the top of a page
  e.AddTitle("FIN", "G");
  e.NewPage();  // before Close: no empty page at the end
  e.Close(kZero);
  e.Flush();
  t.closed = e.LastTextFile();

  const auto pages = t.Pages();
  ASSERT_EQ(pages.size(), 4u);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    const auto lines = SplitLines(pages[p]);
    SCOPED_TRACE(p);
    EXPECT_LE(lines.size(), 12u);
    ASSERT_GE(lines.size(), 4u);
    const std::string number = "Page " + std::to_string(p + 1);
    EXPECT_TRUE(lines[0].starts_with("SARL Été ")) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - number.size()), number);
    EXPECT_TRUE(lines[1].starts_with("LISTE DES DÉPÔTS ")) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 10), "15/01/2027");
    EXPECT_EQ(lines[2], std::string(80, '='));
  }
  // The column headings come back at the top of every page that goes on with the lines.
  for (std::size_t p = 1; p < 3; ++p)
    EXPECT_EQ(SplitLines(pages[p])[3].substr(0, 10), "NUMERO COM") << p;
  EXPECT_EQ(SplitLines(pages[3])[3], "FIN");
  EXPECT_EQ(SplitLines(pages[3]).size(), 4u);
  EXPECT_NE(t.Text().back(), '\f');
}

TEST(EditionText, APageHoldsAtLeastItsHeaderHeadingsAndOneLine) {
  TextEdition t(1);
  EditionEngine e(t.options);
  EXPECT_EQ(e.PageLength(), 6);
  e.Open(kZero, kZero, kZero, "T", kMinus1);
  e.DefineColumns(kAccountColumns);
  for (int i = 0; i < 3; ++i) {
    e.SetCell("NOCPTCG", std::to_string(i), "@");
    e.PrintLine();
  }
  e.Close(kZero);
  e.Flush();
  t.closed = e.LastTextFile();
  const auto pages = t.Pages();
  ASSERT_EQ(pages.size(), 3u);
  for (const auto& page : pages) EXPECT_EQ(SplitLines(page).size(), 6u);
}

// ---- Files ----

TEST(EditionFilesWritten, NumberedSetsAndTheClosedCallback) {
  actifix::testing::TempDir dir;
  std::vector<std::pair<std::string, std::filesystem::path>> closed;
  EditionOptions options;
  options.outDir = dir.path() / "editions";
  options.pdf = false;
  options.onClosed = [&](const std::string& title, const std::filesystem::path& file) {
    closed.emplace_back(title, file);
  };
  EditionEngine e(options);

  // Opened and closed with nothing in it: the asset card screen does so to start.
  e.Open(kZero, kZero, kZero, "FICHE DES IMMOBILISATIONS ET PLAN D'AMORTISSEMENT", kMinus1);
  e.Close(kMinus1);
  EXPECT_TRUE(closed.empty());
  EXPECT_FALSE(std::filesystem::exists(options.outDir));

  e.Open(kZero, kZero, kZero, std::string("EDITION DES PARAMETRES DE L'ENTREPRISE"_w), kMinus1);
  e.AddTitle("EDITION DES PARAMETRES DE L'ENTREPRISE", "G");
  // Opening the next edition closes this one.
  e.Open(kZero, kZero, kZero, std::string("Écritures"_w), kMinus1);
  e.AddTitle(std::string("Écritures"_w), "G");
  e.Close(kZero);
  // The same title again goes on in the same document, from a new page; an empty
  // opening in between adds nothing.
  e.Open(kZero, kZero, kZero, std::string("Écritures"_w), kMinus1);
  e.Close(kZero);
  e.Open(kZero, kZero, kZero, std::string("Écritures"_w), kMinus1);
  e.AddTitle("Suite", "G");
  e.Close(kZero);
  EXPECT_EQ(closed.size(), 1u);
  e.Flush();

  ASSERT_EQ(closed.size(), 2u);
  EXPECT_EQ(closed[0].first, "EDITION DES PARAMETRES DE L'ENTREPRISE");
  EXPECT_EQ(closed[0].second, options.outDir / "001-EDITION-DES-PARAMETRES-DE-L-ENTREPRISE.txt");
  EXPECT_EQ(closed[1].first, "Écritures");
  EXPECT_EQ(closed[1].second.filename(), "002-Ecritures.txt");
  EXPECT_TRUE(std::filesystem::exists(options.outDir / "002-Ecritures.jsonl"));
  EXPECT_FALSE(std::filesystem::exists(options.outDir / "002-Ecritures.pdf"));
  EXPECT_EQ(ReadFile(options.outDir / "002-Ecritures.jsonl"),
            "{\"kind\":\"title\",\"text\":\"Écritures\"}\n{\"kind\":\"page\"}\n"
            "{\"kind\":\"title\",\"text\":\"Suite\"}\n");
  EXPECT_NE(ReadFile(options.outDir / "002-Ecritures.txt").find("Page 2"), std::string::npos);

  // An edition never closed writes nothing.
  {
    EditionEngine dropped(options);
    dropped.Open(kZero, kZero, kZero, "PERDUE", kMinus1);
    dropped.AddTitle("PERDUE", "G");
  }
  EXPECT_EQ(closed.size(), 2u);
  EXPECT_EQ(NextEditionNumber(options.outDir), 3);
}

}  // namespace
}  // namespace actifix::platform
