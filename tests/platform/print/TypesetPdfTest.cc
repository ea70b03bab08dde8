// The typeset PDF read back through its text layer (pdftotext): the same amounts as the JSON
// lines, in the same order, the headings on every page and "n / N" page numbers.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <regex>
#include <sstream>
#include <tuple>

#include "host/Cp1252.h"
#include "platform/print/EditionEngine.h"
#include "platform/print/EditionFormat.h"
#include "platform/print/PdfJoin.h"
#include "support/TempDir.h"

namespace actifix::platform {
namespace {

const int16_t kZero = 0;

// The PDF's text layer (pdftotext), or its drawing as SVG paths (pdftocairo).
std::string PdfText(const std::filesystem::path& pdf, const char* tool = "pdftotext -layout") {
  std::string text;
  FILE* pipe = popen((tool + (" '" + pdf.string() + "' - 2>&1")).c_str(), "r");
  char buffer[4096];
  for (std::size_t n; pipe != nullptr && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    text.append(buffer, n);
  EXPECT_EQ(pipe != nullptr ? pclose(pipe) : -1, 0) << "pdftotext (poppler-utils) : " << text;
  return text;
}

std::vector<std::string> Amounts(const std::string& text) {
  static const std::regex amount("-?\\d{1,3}(?: \\d{3})*,\\d\\d");
  std::vector<std::string> found;
  for (std::sregex_iterator it(text.begin(), text.end(), amount), end; it != end; ++it)
    found.push_back(it->str());
  return found;
}

// The words of the PDF (pdftotext -bbox) in reading order: by page, line, place on the line.
struct Word {
  int page;
  double x0, y0, x1;
  std::string text;
};
std::vector<Word> Words(const std::filesystem::path& pdf) {
  const std::string html = PdfText(pdf, "pdftotext -bbox");
  static const std::regex item(
      "<page |<word xMin=\"([.0-9]+)\" yMin=\"([.0-9]+)\" xMax=\"([.0-9]+)\"[^>]*>([^<]*)<");
  std::vector<Word> words;
  int page = 0;
  for (std::sregex_iterator it(html.begin(), html.end(), item), end; it != end; ++it)
    if (!(*it)[1].matched)
      ++page;
    else
      words.push_back(
          {page, std::stod((*it)[1]), std::stod((*it)[2]), std::stod((*it)[3]), (*it)[4]});
  std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return std::tie(a.page, a.y0, a.x0) < std::tie(b.page, b.y0, b.x0);
  });
  return words;
}

// Two sections of `count` assets each with their totals and a grand total, on short pages.
std::filesystem::path Print(const std::filesystem::path& dir, int count, bool grid,
                            const std::string& criteria = "NATURE",
                            std::function<void(int, int)> onPdfPage = {}, int threads = 0) {
  EditionOptions options;
  options.onPdfPage = std::move(onPdfPage);
  options.pdfThreads = threads;
  options.outDir = dir;
  options.company = "SARL Démo";
  options.date = "31/12/2026";
  options.yearStart = "01/01/2026";
  options.yearEnd = "31/12/2026";
  options.pageLength = 24;
  options.gridPdf = grid;
  EditionEngine e(options);
  e.Open(kZero, kZero, kZero, "LISTE", kZero);
  e.AddTitle("LISTE", "G");
  e.AddTitle("Classement Par : " + criteria, "G");
  e.DefineColumns(std::string(
      "[PS,1,[[NOM,Désignation,A,30,G],[DAT,Acquisition,D,C],[@AMORTISSEMENTS,[VAL,Valeur,M,12,"
      "2,D],[DOT,Dotation,M,12,2,D]]],[VAL,DOT]]"_w));
  for (const char* section : {" A NOUVEAU", " ACQUISITIONS"}) {
    e.SetCell("NOM", section, "@");
    e.PrintLine();
    for (int i = 1; i <= count; ++i) {
      e.SetCell("NOM", std::string("Matériel n° "_w) + std::to_string(i), "@");
      e.SetCell("DAT", "05/01/2024", "@");
      e.SetAmount("VAL", 1234567.891 * i / 7, "@");
      e.SetAmount("DOT", -i * 0.5, "@");
      e.PrintLine();
    }
    e.SectionTotals("[VAL,DOT]", kZero);
    e.PrintSectionTotalLine("[[[NOM,TOTAL]],[[VAL,1],[DOT,1]]]", "+");
  }
  e.PrintTotals("[VAL,DOT]");
  e.PrintTotalLine("[[[NOM, TOTAL GENERAL]],[[VAL,2],[DOT,2]]]", "");
  e.Close(kZero);
  e.Flush();
  return e.LastTextFile();
}

TEST(TypesetPdf, TextLayerHoldsTheJsonAmountsHeadingsAndPageNumbers) {
  actifix::testing::TempDir dir;
  int drawn = 0;  // pages drawn in order, each told with the count
  const std::string criteria =
      "NATURE, Fournisseurs, Descriptions, Remarques, Analytiques, Géolocalisations, Responsables, "
      "Affectations, Catégories, Financements, Garanties, Assurances, Contrats, Emplacements";
  const std::filesystem::path text =
      Print(dir.path(), 30, false, criteria,
            [&](int page, int pages) { drawn = page == drawn + 1 && pages >= page ? page : -1; });
  std::filesystem::path pdf = text, json = text;
  const std::string pdfText = PdfText(pdf.replace_extension(".pdf"));

  std::vector<std::string> expected;
  std::istringstream lines(actifix::testing::FileBytes(json.replace_extension(".jsonl")));
  for (std::string line; std::getline(lines, line);) {
    const auto event = nlohmann::ordered_json::parse(line);  // cells in column order
    if (event.contains("cells"))
      for (const auto& [name, value] : event["cells"].items())
        if (value.is_number()) expected.push_back(FormatFrenchAmount(value.get<double>(), 2));
  }
  ASSERT_EQ(expected.size(), 2u * 30 * 2 + 3 * 2);
  EXPECT_EQ(Amounts(pdfText), expected);
  EXPECT_NE(pdfText.find("1 234 567,89"), std::string::npos);  // French grouping

  // One PDF page per page of the text, each numbered "n / N" under a running head, the
  // column headings repeated; nothing but the three files is left in the directory.
  const std::string textBytes = actifix::testing::FileBytes(text);
  const int pages = 1 + static_cast<int>(std::count(textBytes.begin(), textBytes.end(), '\f'));
  ASSERT_GT(pages, 3);
  std::istringstream pdfPages(pdfText);
  int page = 0;
  for (std::string content; std::getline(pdfPages, content, '\f');) {
    if (content.find_first_not_of(" \n") == std::string::npos) continue;
    ++page;
    SCOPED_TRACE(page);
    const std::string number = std::to_string(page) + " ?/ ?" + std::to_string(pages);
    EXPECT_TRUE(std::regex_search(content, std::regex(" " + number + "\n")));
    EXPECT_NE(content.find("Exercice du 01/01/2026 au 31/12/2026"), std::string::npos);
    EXPECT_NE(content.find("Classement Par : NATURE"), std::string::npos);
    EXPECT_NE(content.find("AMORTISSEMENTS"), std::string::npos);
    EXPECT_NE(content.find("Dotation"), std::string::npos);
    // The title once, in the running head; its criteria cut after a whole word.
    EXPECT_EQ(content.find("LISTE", content.find("LISTE") + 1), std::string::npos);
    std::smatch cut;
    ASSERT_TRUE(std::regex_search(content, cut, std::regex(" ([^ ]+)…")));
    EXPECT_NE(criteria.find(" " + cut[1].str() + ","), std::string::npos) << cut[1];
  }
  EXPECT_EQ(page, pages);
  EXPECT_EQ(drawn, pages);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// The breakdown's columns, filling the page: small amounts over three pages, then on the
// last one a nine-digit amount in each column and their bold totals; then the asset list, too
// wide for portrait. Every amount, on every page, stands apart from its neighbours; the list's
// landscape page is filled to its right margin.
TEST(TypesetPdf, WideAmountsWidenTheirColumnOnEveryPageAndLandscapeFillsItsWidth) {
  actifix::testing::TempDir dir;
  EditionOptions options;
  options.outDir = dir.path();
  EditionEngine e(options);
  e.Open(kZero, kZero, kZero, "LISTE", kZero);
  e.DefineColumns(
      "[PS,1,[[MA,Mode,A,20,G],[VA,Valeur,M,12,2,D],[CD,Cumul Debut,M,12,2,D],[DOT,Dotation,M,12,"
      "2,D],[CES,Cession,M,12,2,D],[CF,Cumul Fin,M,12,2,D],[VNC,VNC,M,12,2,D]],[VA,CD,DOT,CES,CF,"
      "VNC]]");
  for (int i = 1; i <= 200; ++i) {
    for (const char* c : {"VA", "CD", "DOT", "CES", "CF", "VNC"})
      e.SetAmount(c, i == 200 ? 983074240.62 : i * 1.5, "@");
    e.PrintLine();
  }
  e.PrintTotalLine("[[[MA,TOTAL]],[[VA,1],[CD,1],[DOT,1],[CES,1],[CF,1],[VNC,1]]]", "");
  e.NewPage();
  e.DefineColumns(
      "[PS,1,[[CODNATI,NATURE,A,6,G],[NUMNATI,ORDRE,A,5,D],[DATACQ,ACQUISITION,D,C],[CD,Cumul "
      "Debut,M,12,2,D],[D,Dotation,M,12,2,D],[NOMFRN,DESCRIPTION,A,30,G],[DATCES,CESSION,D,C],"
      "[LCANA,ANALYSE,A,40,G]],[CD,D]]");
  e.SetCell("LCANA", "A1     B22", "@");
  e.PrintLine();
  e.Close(kZero);
  e.Flush();
  std::filesystem::path pdf = e.LastTextFile();
  const std::vector<Word> words = Words(pdf.replace_extension(".pdf"));
  ASSERT_EQ(words.back().page, 5);
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    const Word &w = words[i], &next = words[i + 1];
    EXPECT_FALSE(std::regex_search(w.text, std::regex(",\\d\\d\\d"))) << w.text;
    EXPECT_TRUE(next.page != w.page || next.y0 != w.y0 || w.x1 < next.x0) << w.text << next.text;
    // Landscape (wider than the 595 points of portrait), its last column at the right margin.
    EXPECT_TRUE(w.text != "ANALYSE" || w.x0 > 0.7 * 842) << w.x0;
  }
}

// A long edition drawn in parts on two cores, then joined: the same words in the same places
// as when drawn whole on one core, each page numbered of the whole, the progress never going
// back; the joined file holds the font subsets of each part.
TEST(TypesetPdf, PartsJoinedDrawWhatOneCoreDraws) {
  actifix::testing::TempDir one, two;
  int told = 0;
  bool forward = true;
  std::filesystem::path whole = Print(one.path(), 1800, false, "NATURE", {}, 1);
  std::filesystem::path joined = Print(
      two.path(), 1800, false, "NATURE",
      [&](int page, int pages) { forward = forward && page >= told && page <= pages, told = page; },
      2);
  const std::vector<Word> expected = Words(whole.replace_extension(".pdf"));
  const std::vector<Word> words = Words(joined.replace_extension(".pdf"));
  const int pages = expected.back().page;
  ASSERT_GE(pages, 3 * 64);
  ASSERT_EQ(words.size(), expected.size());
  for (std::size_t i = 0; i < words.size(); ++i) {
    const Word &w = words[i], &e = expected[i];
    ASSERT_TRUE(w.page == e.page && w.x0 == e.x0 && w.y0 == e.y0 && w.text == e.text)
        << w.page << " " << w.text << " / " << e.page << " " << e.text;
  }
  EXPECT_TRUE(forward);
  EXPECT_EQ(told, pages);
  const std::string info = PdfText(joined, "sh -c 'pdfinfo \"$0\"'");
  EXPECT_TRUE(std::regex_search(info, std::regex("Pages: +" + std::to_string(pages) + "\n")));
  EXPECT_EQ(info.find("rror"), std::string::npos) << info;
  const std::string bytes = actifix::testing::FileBytes(joined);
  std::size_t fonts = 0;
  for (std::size_t at = 0; (at = bytes.find("/Type /FontDescriptor", at)) != std::string::npos;
       ++at)
    ++fonts;
  EXPECT_EQ(fonts, 2u * (pages / 64));
  // What is not one of cairo's documents is refused, for the PDF to be drawn again whole.
  EXPECT_FALSE(JoinCairoPdfs({joined, whole.replace_extension(".txt")}, two.path() / "x.pdf"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(two.path()), {}), 3);
}

TEST(TypesetPdf, TheGridOneStaysOnOption) {
  actifix::testing::TempDir dir;
  std::filesystem::path pdf = Print(dir.path(), 2, true);
  const std::string pdfText = PdfText(pdf.replace_extension(".pdf"));
  EXPECT_NE(pdfText.find("Page 1"), std::string::npos);
  EXPECT_EQ(pdfText.find("1 / 1"), std::string::npos);
}

// Two asset cards, each ending with its plan: the bars are the charges of its years (not the
// "Antérieur" line), the line their cumulative, both read back from the drawing's paths; each
// card's page is headed by its own titles. The cards are printed as the card screen prints
// them (the edition opened again for each), then as one edition with a page break between.
class TypesetCards : public ::testing::TestWithParam<bool> {};

TEST_P(TypesetCards, ThePlanPictureDrawsTheFiguresOfTheCard) {
  const bool oneEdition = GetParam();
  actifix::testing::TempDir dir;
  EditionOptions options;
  options.outDir = dir.path();
  EditionEngine e(options);
  const std::vector<std::vector<double>> plans = {{3500, 2275, 1478.75, 1373.13, 1373.12},
                                                  {600, 150}};
  for (const auto& plan : plans) {
    if (!oneEdition || &plan == &plans.front()) e.Open(kZero, kZero, kZero, "FICHE", kZero);
    if (&plan != &plans.front() && oneEdition) e.NewPage();
    e.AddTitle("Ordre : 0000" + std::to_string(&plan - &plans.front() + 1), "G");
    e.DefineColumns(
        "[PS,1,[[EXER,EXERCICE,A,24,G],[DOTAMO,Dotation,M,12,2,D],[CUMFIN,Cumul,M,12,2,D]],[]]");
    e.SetCell("EXER", "Antérieur", "@");
    e.SetAmount("DOTAMO", 99999, "@");
    e.PrintLine();
    double cumul = 0;
    for (std::size_t i = 0; i < plan.size(); ++i) {
      e.SetCell("EXER", "01/01/" + std::to_string(2026 + i) + " Au 31/12/2026", "@");
      e.SetAmount("DOTAMO", plan[i], "@");
      e.SetAmount("CUMFIN", cumul += plan[i], "@");
      e.PrintLine();
    }
    if (!oneEdition || &plan == &plans.back()) e.Close(kZero);
  }
  e.Flush();
  std::filesystem::path pdf = e.LastTextFile();
  std::istringstream text(PdfText(pdf.replace_extension(".pdf")));
  std::vector<std::string> pages;
  for (std::string page; std::getline(text, page, '\f');)
    if (page.find_first_not_of(" \n") != std::string::npos) pages.push_back(page);
  ASSERT_EQ(pages.size(), 2u);
  for (std::size_t card = 0; card < 2; ++card) {
    const std::string own = "Ordre : 0000" + std::to_string(card + 1);
    const std::string other = "Ordre : 0000" + std::to_string(2 - card);
    EXPECT_NE(pages[card].find(own, pages[card].find(own) + 1), std::string::npos) << card;
    EXPECT_EQ(pages[card].find(other), std::string::npos) << card;
  }
  const std::string svg = PdfText(pdf, "pdftocairo -svg");
  // Filled bars: "M x y L x y L x y L x y Z"; lines: "M x y L x y ..." with a transform.
  const std::regex bar(
      "fill:rgb\\(2[67][.0-9]*%,4[45][.0-9]*%[^\"]*\" d=\"M [-.0-9]+ ([-.0-9]+) L "
      "[-.0-9]+ [-.0-9]+ L [-.0-9]+ ([-.0-9]+)");
  const std::regex line("stroke:rgb\\(75%[^\"]*\" d=\"([^\"]*)\" transform=\"matrix\\(([^)]*)");
  std::vector<double> heights, bottoms;
  for (std::sregex_iterator it(svg.begin(), svg.end(), bar), end; it != end; ++it) {
    heights.push_back(std::stod((*it)[2]) - std::stod((*it)[1]));
    bottoms.push_back(std::stod((*it)[2]));
  }
  std::vector<std::vector<std::pair<double, double>>> lines;
  for (std::sregex_iterator it(svg.begin(), svg.end(), line), end; it != end; ++it) {
    double a, b, c, d, tx, ty;
    std::sscanf((*it)[2].str().c_str(), "%lf,%lf,%lf,%lf,%lf,%lf", &a, &b, &c, &d, &tx, &ty);
    std::istringstream path((*it)[1]);
    auto& points = lines.emplace_back();
    for (std::string op; path >> op;) {
      double x, y;
      path >> x >> y;
      points.emplace_back(a * x + c * y + tx, b * x + d * y + ty);
    }
  }
  ASSERT_EQ(heights.size(), 2u + 5 + 2);  // a legend swatch and the bars, card by card
  ASSERT_EQ(lines.size(), 4u);            // a legend line and the plan's line
  std::size_t at = 0;
  for (std::size_t card = 0; card < plans.size(); ++card) {
    const auto& plan = plans[card];
    ++at;  // the legend
    const double zero = bottoms[at];
    const double unit = heights[at] / plan[0];
    for (std::size_t i = 0; i < plan.size(); ++i, ++at)
      EXPECT_NEAR(heights[at], plan[i] * unit, 0.01) << card << " " << i;
    // Every vertex of the line (collinear points may be merged) on the cumulative of its year.
    const auto& points = lines[2 * card + 1];
    const double x0 = points.front().first, y0 = points.front().second;
    const double pitch = (points.back().first - x0) / static_cast<double>(plan.size() - 1);
    const double scale = (zero - y0) / plan[0];
    for (const auto& [x, y] : points) {
      const auto year = static_cast<std::size_t>(std::lround((x - x0) / pitch));
      double cumul = 0;
      for (std::size_t i = 0; i <= year; ++i) cumul += plan[i];
      EXPECT_NEAR(zero - y, cumul * scale, 0.01) << card << " " << year;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(TypesetPdf, TypesetCards, ::testing::Bool());

}  // namespace
}  // namespace actifix::platform
