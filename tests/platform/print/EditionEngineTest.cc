// The edition engine driven the way the module drives it: totals carried, closed and reset,
// interruptions, the JSON lines, the paged text and the files.
#include "platform/print/EditionEngine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>

#include "host/Cp1252.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

const std::string kLedgerColumns =
    "[PS,1,[[NC,No COMPTE,A,10,G],[LIB,LIBELLE,A,60,G],[D,DEBIT,M,11,2,D],"
    "[C,CREDIT,M,11,2,D]],[D,C]]";
const std::string kAccountColumns =
    "[PS,1,[[NOCPTCG,NUMERO COMPTE DE COMPTABILITE GENERALE,A,10,G],"
    "[NOMCPTCG,NOM DU COMPTE DE COMPTABILITE GENERALE,A,40,G]],[]]";

using actifix::testing::FileBytes;

TEST(EditionTurns, CallsOutOfTurnRefusedAndInterruptionCountedInEachEdition) {
  bool requested = false;
  EditionOptions options;
  options.interruptAfter = 2;
  options.interruptRequested = [&requested] { return requested; };
  EditionEngine e(options);
  EXPECT_THROW(e.PrintLine(), HostError);  // no edition open
  e.Close(0);                              // closing nothing is harmless
  for (const char* title : {"UNE", "DEUX"}) {
    e.Open(0, 0, 0, title, -1);
    EXPECT_THROW(e.SetCell("NC", "1", "@"), HostError);  // no columns yet
    EXPECT_THROW(e.PrintLine(), HostError);
    e.DefineColumns(kAccountColumns);
    for (int line = 0; line <= 2; ++line) {
      EXPECT_EQ(e.Interrupted(), line == 2) << title << line;
      e.PrintLine();
    }
  }
  options.interruptAfter = 0;
  EditionEngine atOnce(options);
  atOnce.Open(0, 0, 0, "T", -1);
  EXPECT_TRUE(atOnce.Interrupted());
  e.Open(0, 0, 0, "TROIS", -1);
  requested = true;  // the user's Ctrl-C
  EXPECT_TRUE(e.Interrupted());
}

// The JSON lines of a small edition exactly: cells as the module sets them, the totals' rules
// (lines added rounded, signs, level-2 cells, resets, a new definition), refusals, dates.
TEST(EditionJson, LinesTotalsAndDatesOfASmallEdition) {
  std::ostringstream out;
  EditionOptions options;
  options.pdf = false;
  options.jsonOut = &out;
  EditionEngine e(options);
  e.Open(0, 0, 0, "TEST", -1);
  e.AddStyledTitle(std::string("ECRITURES DE COMPTABILITE GÉNÉRALE   "_w), "PD", "Arial");
  e.DefineColumns(kLedgerColumns);
  e.SetCell("NC", "  681100  ", "@");  // leading blanks kept, trailing ones trimmed
  // Quotes, backslash and control characters escaped as JSON writes them.
  e.SetCell("LIB", std::string("Dotation  \"matériel\" \\\t\x01\x1F€   "_w), "@");
  e.SetCell("D", "150.50", "@");  // the ledger sets amounts as texts
  e.PrintLine();
  e.Step(1);
  e.SetCell("LIB", "     ", "@");  // blank: left out of the cells
  e.SetCell("C", "1 150,50", "@");
  e.SetAmount("D", -0.001, "@");
  e.PrintLine();
  for (const double d : {20.005, 0.005}) {
    e.SetAmount("D", d, "@");
    e.PrintLine();
  }
  e.PrintTotals("[D,C]");
  // Values printed are those before the line's own carry; a level-2 cell carries nothing.
  e.PrintSectionTotalLine("[[[LIB,S1]],[[D,1],[C,2]]]", "-");
  e.PrintSectionTotalLine("[[[LIB,S2]],[[D,1]]]", "+");  // level 1 of D closed by S1
  e.PrintTotalLine("[[[LIB,AVANT]],[[C,1]]]", "+");      // carries C but keeps its level 1
  e.PrintTotalLine("[[[LIB,UN]],[[D,2],[C,1]]]", "");
  e.PrintTotalLine("[[[LIB,DEUX]],[[D,2],[C,2]]]", "");
  e.ResetTotals("[D]");  // both levels of D, nothing of C
  e.ResetTotals("[]");
  e.PrintTotalLine("[[[LIB, TROIS]],[[D,2],[C,1]]]", "");  // the label as written
  e.PrintTotalLine("[[[LIB,QUATRE]],[[D,1],[C,2]]]", "");
  EXPECT_THROW(e.SetCell("D", "douze", "@"), HostError);  // refused calls print nothing
  EXPECT_THROW(e.PrintTotalLine("[[[LIB,T]],[[LIB,1]]]", ""), HostError);  // not totalled
  EXPECT_THROW(e.PrintTotalLine("[[[LIB,T]],[[D,1]]]", "*"), HostError);   // unknown sign
  EXPECT_THROW(e.CarryTotal("D", 2, "+"), HostError);
  EXPECT_THROW(e.ResetTotals("[D,X]"), HostError);
  EXPECT_THROW(e.DefineColumns("[PS,1,[[NC,No,A,10,G]],[X]]"), HostError);
  // An unknown column is named to the user in UTF-8.
  EXPECT_THAT([&] { e.SetCell(std::string("Numéro"_w), "1", "@"); },
              ::testing::Throws<HostError>(::testing::AllOf(
                  ::testing::Property(&HostError::operation, "HostEdition.SetCell"),
                  ::testing::Property(&HostError::subject, "Numéro"))));
  e.DefineColumns(kLedgerColumns);  // a new definition starts every total from zero
  e.PrintTotalLine("[[[LIB,CINQ]],[[D,1],[C,2]]]", "");
  e.NewPage();
  e.DefineColumns("[PS,1,[[DATACQ,ACQUISITION,D,C],[DATCES,CESSION,D,C],[NUM,N,N,4,0,D]],[NUM]]");
  std::string packed;
  HostDates().PackDate("01/07/2005", packed);
  e.SetCell("DATACQ", packed, "@");
  e.SetCell("DATCES", std::string(3, '\0'), "@");  // the empty packed date
  e.SetCell("NUM", "12", "@");
  e.PrintLine();
  e.SetCell("DATACQ", "29/02/2028", "@");
  e.SetCell("DATCES", "   ", "@");
  e.SetAmount("NUM", 7.5, "@");  // number column rounded to its 0 decimals
  e.PrintLine();
  e.NewPage();
  e.Close(0);
  e.Flush();
  // S1 holds the lines added rounded: 150.50 + 0.00 + 20.01 + 0.01.
  EXPECT_EQ(out.str(), R"({"kind":"title","text":"ECRITURES DE COMPTABILITE GÉNÉRALE"}
{"kind":"columns","names":["NC","LIB","D","C"]}
{"kind":"line","cells":{"NC":"  681100","LIB":"Dotation  \"matériel\" \\\t\u0001\u001f€","D":150.5}}
{"kind":"step"}
{"kind":"line","cells":{"D":0.0,"C":1150.5}}
{"kind":"line","cells":{"D":20.01}}
{"kind":"line","cells":{"D":0.01}}
{"kind":"total","label":"S1","cells":{"D":170.52,"C":0.0}}
{"kind":"total","label":"S2","cells":{"D":0.0}}
{"kind":"total","label":"AVANT","cells":{"C":1150.5}}
{"kind":"total","label":"UN","cells":{"D":-170.52,"C":1150.5}}
{"kind":"total","label":"DEUX","cells":{"D":-170.52,"C":1150.5}}
{"kind":"total","label":" TROIS","cells":{"D":0.0,"C":1150.5}}
{"kind":"total","label":"QUATRE","cells":{"D":0.0,"C":1150.5}}
{"kind":"columns","names":["NC","LIB","D","C"]}
{"kind":"total","label":"CINQ","cells":{"D":0.0,"C":0.0}}
{"kind":"page"}
{"kind":"columns","names":["DATACQ","DATCES","NUM"]}
{"kind":"line","cells":{"DATACQ":"01/07/2005","NUM":12.0}}
{"kind":"line","cells":{"DATACQ":"29/02/2028","NUM":8.0}}
{"kind":"page"}
)");
}

// The paged text of an edition `print` fills, as pages of lines.
std::vector<std::vector<std::string>> PrintText(int pageLength,
                                                const std::function<void(EditionEngine&)>& print) {
  actifix::testing::TempDir dir;
  EditionOptions options;
  options.outDir = dir.path();
  options.company = "SARL Été";
  options.date = "15/01/2027";
  options.pageLength = pageLength;
  options.pdf = false;
  EditionEngine e(options);
  e.Open(0, 0, 0, std::string("LISTE DES DÉPÔTS"_w), -1);
  print(e);
  e.Close(0);
  e.Flush();
  std::vector<std::vector<std::string>> pages(1);
  std::istringstream in(FileBytes(e.LastTextFile()));
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with('\f')) pages.emplace_back();  // a page's header begins with a feed
    pages.back().push_back(line.starts_with('\f') ? line.substr(1) : line);
  }
  return pages;
}

TEST(EditionText, FrenchAmountsInFixedColumnsPagesHeadersAndTheLineCounter) {
  const auto pages = PrintText(12, [](EditionEngine& e) {
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
    e.NewPage();
    EXPECT_EQ(e.PageLine(), 0);
    e.DefineColumns(kAccountColumns);
    for (int i = 1; i <= 9; ++i) {
      e.SetCell("NOCPTCG", std::to_string(i), "@");
      e.PrintLine();
      e.Feed(1);
    }
    e.NewPage();
    e.NewPage();  // nothing on the page yet: no second break
    e.Feed(3);    // no blank lines at the top of a page
    e.AddTitle("FIN", "G");
    e.NewPage();  // before Close: no empty page at the end
  });
  // Nine lines with a blank after each, four to a page, then the page of FIN alone.
  ASSERT_EQ(pages.size(), 5u);
  const std::size_t sizes[] = {3 + 2 + 3 + 2, 12, 12, 3 + 2 + 2, 3 + 1};
  for (std::size_t p = 0; p < pages.size(); ++p) {
    SCOPED_TRACE(p);
    ASSERT_EQ(pages[p].size(), sizes[p]);
    const std::string number = "Page " + std::to_string(p + 1);
    EXPECT_TRUE(pages[p][0].starts_with("SARL Été ") && pages[p][0].ends_with(number));
    EXPECT_TRUE(pages[p][1].starts_with("LISTE DES DÉPÔTS ") &&
                pages[p][1].ends_with("15/01/2027"));
    EXPECT_EQ(pages[p][2], std::string(p == 0 ? 95 : 80, '='));  // as wide as the lines
    // The column headings come back at the top of every page that goes on with the lines.
    EXPECT_EQ(pages[p][3].substr(0, 10), p == 4 ? "FIN" : p == 0 ? "No COMPTE " : "NUMERO COM");
  }
  const auto& lines = pages[0];
  const std::string account = "401       " + std::string(" Achat") + std::string(55, ' ') + " ";
  EXPECT_EQ(lines[3], "No COMPTE  LIBELLE" + std::string(53, ' ') + "       DEBIT      CREDIT");
  EXPECT_EQ(lines[4], std::string(95, '-'));
  EXPECT_EQ(lines[5], account + "   1 234,50        0,00");
  EXPECT_EQ(lines[6], account + "  -1 234,50  1000000,00");  // too wide with its blanks
  EXPECT_EQ(lines[7], account + "       0,00        0,00");
  EXPECT_EQ(lines[8], std::string(72, ' ') + std::string(11, '-') + " " + std::string(11, '-'));
  EXPECT_EQ(lines[9],
            std::string(11, ' ') + "TOTAL" + std::string(56, ' ') + "       0,00  1000000,00");
  // However short the pages asked, a page holds its header, the headings and one line.
  const auto tiny = PrintText(1, [](EditionEngine& e) {
    EXPECT_EQ(e.PageLength(), 6);
    e.DefineColumns(kAccountColumns);
    for (int i = 0; i < 3; ++i) e.PrintLine();
  });
  ASSERT_EQ(tiny.size(), 3u);
  for (const auto& page : tiny) EXPECT_EQ(page.size(), 6u);
}

TEST(EditionFilesWritten, OneDocumentPerTitleInARunAndNothingOfADroppedEdition) {
  actifix::testing::TempDir dir;
  std::vector<std::string> closed;
  EditionOptions options;
  options.outDir = dir.path() / "editions";
  options.pdf = false;
  options.onClosed = [&](const std::string& title, const std::filesystem::path& file) {
    closed.push_back(title + " -> " + file.lexically_relative(dir.path()).string());
  };
  {
    EditionEngine e(options);
    const std::string ecritures = std::string("Écritures"_w);
    e.Open(0, 0, 0, "FICHE", -1);  // nothing in it: adds nothing (the card screen starts so)
    e.Close(0);
    EXPECT_FALSE(std::filesystem::exists(options.outDir));
    // The same title again goes on in the same document, from a new page; an empty edition of
    // it in between adds nothing.
    for (const std::string& line : {std::string("Journal"), std::string(), std::string("Suite")}) {
      e.Open(0, 0, 0, ecritures, -1);
      if (!line.empty()) e.AddTitle(line, "G");
      e.Close(0);
    }
    EXPECT_TRUE(closed.empty());  // written when another title opens
    e.Open(0, 0, 0, "PERDUE", -1);
    e.AddTitle("PERDUE", "G");  // never closed: dropped with the engine
  }
  EXPECT_EQ(closed, std::vector<std::string>{"Écritures -> editions/001-Ecritures.txt"});
  EXPECT_EQ(FileBytes(options.outDir / "001-Ecritures.jsonl"),
            "{\"kind\":\"title\",\"text\":\"Journal\"}\n{\"kind\":\"page\"}\n"
            "{\"kind\":\"title\",\"text\":\"Suite\"}\n");
  EXPECT_NE(FileBytes(options.outDir / "001-Ecritures.txt").find("Page 2"), std::string::npos);
  // Those two files alone: no draft is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(options.outDir), {}), 2);
}

// The drafts a stopped run left (its process gone, untouched for an hour) are removed when the
// next edition begins; those of a running process, fresh ones and other files stay.
TEST(EditionFiles, DraftsAbandonedByAStoppedRunAreRemoved) {
  actifix::testing::TempDir dir;
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const auto make = [&](const std::string& name, bool aged) {
    const std::filesystem::path path = dir.path() / name;
    std::ofstream(path) << "x";
    if (aged)
      std::filesystem::last_write_time(
          path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    return path;
  };
  const auto abandoned = {make(".open-" + std::to_string(gone) + "-7-1.pdf.3", true),
                          make(".open-" + std::to_string(gone) + "-7-1.pdf.pages", true)};
  const auto kept = {make(".open-" + std::to_string(gone) + "-7-2.txt", false),
                     make(".open-" + std::to_string(getppid()) + "-7-1.txt", true),
                     make(".open-x.txt", true), make("001-LISTE.txt", true)};
  EditionOptions options;
  options.outDir = dir.path();
  options.pdf = false;
  EditionEngine e(options);
  e.Open(0, 0, 0, "LISTE", 0);
  e.AddTitle("LISTE", "G");
  e.Close(0);
  e.Flush();
  for (const auto& path : abandoned) EXPECT_FALSE(std::filesystem::exists(path)) << path;
  for (const auto& path : kept) EXPECT_TRUE(std::filesystem::exists(path)) << path;
}

}  // namespace
}  // namespace actifix::platform
