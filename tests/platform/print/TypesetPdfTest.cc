// The typeset PDF read back through its text layer (pdftotext): the same amounts as the JSON
// lines, in the same order, the headings on every page and "n / N" page numbers.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <tuple>

#include "host/Cp1252.h"
#include "platform/print/EditionEngine.h"
#include "platform/print/EditionFormat.h"
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

// The words of the PDF with their page and box (pdftotext -bbox), in reading order.
struct Word {
  int page;
  double width, x0, y0, x1;  // width: the page's
  std::string text;
};
std::vector<Word> Words(const std::filesystem::path& pdf) {
  const std::string html = PdfText(pdf, "pdftotext -bbox");
  static const std::regex item(
      "<page width=\"([.0-9]+)\"|<word xMin=\"([.0-9]+)\" yMin=\"([.0-9]+)\" "
      "xMax=\"([.0-9]+)\"[^>]*>([^<]*)<");
  std::vector<Word> words;
  Word at{0, 0, 0, 0, 0, {}};
  for (std::sregex_iterator it(html.begin(), html.end(), item), end; it != end; ++it) {
    if ((*it)[1].matched) {
      at = {at.page + 1, std::stod((*it)[1]), 0, 0, 0, {}};
      continue;
    }
    words.push_back({at.page, at.width, std::stod((*it)[2]), std::stod((*it)[3]),
                     std::stod((*it)[4]), (*it)[5]});
  }
  // In reading order: by page, line and place on the line.
  std::sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return std::tie(a.page, a.y0, a.x0) < std::tie(b.page, b.y0, b.x0);
  });
  return words;
}

// Two sections of `count` assets each with their totals and a grand total, on short pages.
std::filesystem::path Print(const std::filesystem::path& dir, int count, bool grid,
                            const std::string& criteria = "NATURE",
                            std::function<void(int, int)> onPdfPage = {}) {
  EditionOptions options;
  options.onPdfPage = std::move(onPdfPage);
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
  std::vector<std::pair<int, int>> drawn;
  const std::filesystem::path text =
      Print(dir.path(), 30, false, "NATURE",
            [&](int page, int pages) { drawn.emplace_back(page, pages); });
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
    // The title once, in the running head.
    EXPECT_EQ(content.find("LISTE", content.find("LISTE") + 1), std::string::npos);
    EXPECT_EQ(drawn.at(page - 1), std::make_pair(page, pages));  // the drawing's progress
  }
  EXPECT_EQ(page, pages);
  EXPECT_EQ(drawn.size(), static_cast<std::size_t>(pages));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

// The words of the typeset PDF of an edition of `descriptor` that `lines` fills.
std::vector<Word> Typeset(const std::filesystem::path& dir, int pageLength,
                          const std::string& descriptor,
                          const std::function<void(EditionEngine&)>& lines) {
  EditionOptions options;
  options.outDir = dir;
  options.pageLength = pageLength;
  EditionEngine e(options);
  e.Open(kZero, kZero, kZero, "LISTE", kZero);
  e.DefineColumns(descriptor);
  lines(e);
  e.Close(kZero);
  e.Flush();
  std::filesystem::path pdf = e.LastTextFile();
  return Words(pdf.replace_extension(".pdf"));
}

// The breakdown's columns: small amounts over three pages, then on the last one a nine-digit
// amount in each column and their bold totals. Every amount stands apart from its neighbours,
// and each column where it stood on page 2.
TEST(TypesetPdf, AWideAmountOnTheLastPageWidensItsColumnOnEveryPage) {
  actifix::testing::TempDir dir;
  const std::vector<Word> words = Typeset(
      dir.path(), 24,
      "[PS,1,[[MA,Mode,A,20,G],[VA,Valeur,M,12,2,D],[CD,Cumul Debut,M,12,2,D],[DOT,Dotation,M,"
      "12,2,D],[CES,Cession,M,12,2,D],[CF,Cumul Fin,M,12,2,D],[VNC,VNC,M,12,2,D]],[VA,CD,DOT,CES,"
      "CF,VNC]]",
      [](EditionEngine& e) {
        for (int i = 1; i <= 61; ++i) {
          for (const char* c : {"VA", "CD", "DOT", "CES", "CF", "VNC"})
            e.SetAmount(c, i == 61 ? 983074240.62 : i * 1.5, "@");
          e.PrintLine();
        }
        e.PrintTotalLine("[[[MA,TOTAL]],[[VA,1],[CD,1],[DOT,1],[CES,1],[CF,1],[VNC,1]]]", "");
      });
  std::set<double> edges[2];  // the right edges of the amounts of page 2 and of the last page
  for (std::size_t i = 0; i < words.size(); ++i) {
    const Word& w = words[i];
    EXPECT_FALSE(std::regex_search(w.text, std::regex(",\\d\\d\\d"))) << w.text;
    if (i + 1 < words.size() && words[i + 1].page == w.page && words[i + 1].y0 == w.y0) {
      EXPECT_LT(w.x1, words[i + 1].x0) << w.text << " " << words[i + 1].text;
    }
    if (std::regex_match(w.text, std::regex("\\d+,\\d\\d")) &&
        (w.page == 2 || w.page == words.back().page))
      edges[w.page == 2 ? 0 : 1].insert(std::round(w.x1));
  }
  ASSERT_EQ(words.back().page, 4);
  EXPECT_EQ(edges[0].size(), 6u);
  EXPECT_TRUE(std::includes(edges[1].begin(), edges[1].end(), edges[0].begin(), edges[0].end()));
}

// Criteria too long for the running head end on a whole word and "…", on every page.
TEST(TypesetPdf, LongCriteriaAreCutAfterAWord) {
  actifix::testing::TempDir dir;
  const std::string criteria =
      "NATURE, Fournisseurs, Descriptions, Remarques, Analytiques, Géolocalisations, "
      "Responsables, Affectations, Catégories, Financements, Garanties, Assurances, Contrats";
  std::filesystem::path pdf = Print(dir.path(), 30, false, criteria);
  int cut = 0;
  for (const Word& w : Words(pdf.replace_extension(".pdf")))
    if (w.text.ends_with("…")) {
      ++cut;
      EXPECT_NE(criteria.find(" " + w.text.substr(0, w.text.size() - 3) + ","), std::string::npos)
          << w.text;
    }
  EXPECT_GE(cut, 4);  // one a page
}

// The asset list, too wide for portrait: its landscape page is filled to the right margin.
TEST(TypesetPdf, TheLandscapeListFillsItsWidth) {
  actifix::testing::TempDir dir;
  const std::vector<Word> words = Typeset(
      dir.path(), 66,
      "[PS,1,[[CODNATI,NATURE,A,6,G],[NUMNATI,ORDRE,A,5,D],[DATACQ,ACQUISITION,D,C],[CD,Cumul "
      "Debut,M,12,2,D],[D,Dotation,M,12,2,D],[NOMFRN,DESCRIPTION,A,30,G],[DATCES,CESSION,D,C],"
      "[LCANA,ANALYSE,A,40,G]],[CD,D]]",
      [](EditionEngine& e) {
        e.SetCell("LCANA", "A1     B22", "@");
        e.PrintLine();
      });
  const auto analyse =
      std::find_if(words.begin(), words.end(), [](const Word& w) { return w.text == "ANALYSE"; });
  ASSERT_NE(analyse, words.end());
  EXPECT_GT(analyse->width, 800);  // landscape
  EXPECT_GT(analyse->x0, analyse->width * 0.7);
}

TEST(TypesetPdf, TheGridOneStaysOnOption) {
  actifix::testing::TempDir dir;
  std::filesystem::path pdf = Print(dir.path(), 2, true);
  const std::string pdfText = PdfText(pdf.replace_extension(".pdf"));
  EXPECT_NE(pdfText.find("Page 1"), std::string::npos);
  EXPECT_EQ(pdfText.find("1 / 1"), std::string::npos);
}

// Two asset cards, each ending with its plan: the bars are the charges of its years (not the
// "Antérieur" line), the line their cumulative, both read back from the drawing's paths.
TEST(TypesetPdf, ThePlanPictureDrawsTheFiguresOfTheCard) {
  actifix::testing::TempDir dir;
  EditionOptions options;
  options.outDir = dir.path();
  EditionEngine e(options);
  const std::vector<std::vector<double>> plans = {{3500, 2275, 1478.75, 1373.13, 1373.12},
                                                  {600, 150}};
  for (const auto& plan : plans) {
    e.Open(kZero, kZero, kZero, "FICHE", kZero);
    e.AddTitle("Ordre : 00001", "G");
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
    e.Close(kZero);
  }
  e.Flush();
  std::filesystem::path pdf = e.LastTextFile();
  const std::string svg = PdfText(pdf.replace_extension(".pdf"), "pdftocairo -svg");
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

}  // namespace
}  // namespace actifix::platform
