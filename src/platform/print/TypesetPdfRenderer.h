// The typeset PDF of an edition: the engine's pages set in a proportional face (DejaVu Sans)
// from what the engine knows of each column, rather than drawn on the text's grid.
//  - Each page of the text is one page of the PDF, line for line, so that both agree on page
//    numbers; the text's 3-line page header becomes a running head: the company, the title and
//    "n / N" on the first line, the fiscal year, the edition's criteria and its date on the
//    second, a rule under them.
//  - Amounts are right-aligned on their decimal comma, dates centred, texts left; the column
//    headings (under their group headings) are set in bold at the top of each page with a
//    thin rule under them. A total line is bold with a thin rule above its amounts (the
//    engine's own rules, or one drawn when the engine drew none); TOTAL GENERAL gets a heavier
//    rule. Titles met after the first column set (the group headings of a listing) stand on
//    a grey band; a body line holding a lone capitalised text that begins with a blank (" A
//    NOUVEAU") is set in bold as a section heading.
//  - A4 portrait when the widest table of a page fits at 7 points, landscape otherwise, the
//    face made smaller when even that is too narrow.
//  - "N" is only known at the end, and a PDF page cannot be changed once drawn: each page is
//    spooled when it ends, in a compact form (its lines and the column texts), to a file
//    beside the draft; Write draws them all, one page in memory at a time. The cost is the
//    spool file (about the size of the text edition) and drawing after the last page rather
//    than during the edition.
// Pictures, drawn from the figures the edition printed (its lines and totals as they were
// printed, never computed again), under the last line that gave them, or on a page of their
// own when the rest of that page is too short (a page the text does not have):
//  - an asset card (columns EXER, DOTAMO, CUMFIN) ends with its depreciation plan: the charge
//    of each year as bars, the cumulative depreciation at its end as a line;
//  - the depreciation edition (a "NATURE" heading, then a " TOTAL" line of the columns DOT and
//    VNC for each nature) ends with the net book value and the year's charge of each nature
//    as bars side by side.
// Scales are read in whole numbers ("10 000"): no amount of a picture looks like a printed one.
// Text is drawn glyph by glyph from a per-character cache of glyph indexes and advances (no
// shaping or kerning, which these Latin texts do not need): that is what keeps it fast.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/print/EditionRenderer.h"

namespace actifix::platform {

class TypesetPdfRenderer : public PdfWriter {
 public:
  struct Head {  // UTF-8
    std::string company, title, yearStart, yearEnd, date;
  };
  // `drawn` (may be empty) is told of each page drawn at Write: its number and the count.
  TypesetPdfRenderer(Head head, int linesPerPage, std::filesystem::path draft,
                     std::function<void(int, int)> drawn = {});
  // A draft never written is removed, with its spool.
  ~TypesetPdfRenderer() override;
  TypesetPdfRenderer(const TypesetPdfRenderer&) = delete;
  TypesetPdfRenderer& operator=(const TypesetPdfRenderer&) = delete;

  void Title(const std::string& text) override;
  void Columns(const std::vector<std::string>& names,
               const std::vector<std::string>& headings) override;
  void Line(const std::vector<CellValue>& cells) override;
  void Total(const std::string& label, const std::vector<CellValue>& cells,
             const std::vector<CellValue>& labels) override;
  void Layout(const EditionLayout& layout, const std::vector<int>& widths) override;
  void Reopened() override;
  bool WantsCells() const override { return true; }
  // Throw HostError when the spool cannot be written.
  void StartPage(int number) override;
  void Put(const PageLine& line) override;
  void Write(const std::filesystem::path& file) override;

  // One column of a table as it is typeset.
  struct Column {
    ColumnKind kind = ColumnKind::kText;
    int width = 0;  // characters, as printed in the text
    int decimals = 0;
    int group = -1;
    std::string heading;   // UTF-8
    double em = 0;         // width in em of the face, heading included
    double printedEm = 0;  // the widest amount printed in it, in em
  };
  struct Table {
    std::vector<Column> columns;
    std::vector<ColumnGroup> groups;  // headings in UTF-8
    double em = 0;                    // natural width in em, gaps included
  };
  struct Row {
    PageLine::Kind kind = PageLine::Kind::kBody;
    bool band = false;  // a title set apart on a grey band
    int table = -1;     // index in tables_ of the column set it is under
    std::string text;
    std::vector<std::string> cells;
  };
  // A picture: one or two series of bars and, on a scale of its own, a line, over labels.
  struct Chart {
    std::string title;
    std::vector<std::string> names;  // of the series: bars, second bars, line ("" when none)
    std::vector<std::string> labels;
    std::vector<double> bars, bars2, line;  // bars2 and line empty when not drawn
  };
  struct Page {
    std::string criteria;
    std::vector<Row> lines;
    Chart chart;  // no labels: none
  };

 private:
  struct Painter;  // the cairo surface and faces, made when the document is drawn
  void EndPage();
  std::string Criteria() const;
  void DrawPage(const Page& page, int number);
  // Puts `chart` under the last line of the page, or on a new page when it has no room left.
  void AttachChart(Chart& chart);
  void DrawChart(const Chart& chart, double left, double top, double right, double bottom,
                 double size);

  Head head_;
  int linesPerPage_;
  std::filesystem::path draft_, spool_;
  std::ofstream spoolOut_;
  int pages_ = 0;
  Page page_;
  bool pageStarted_ = false;
  // The column sets met, each once: an edition of many cards has few different ones.
  std::vector<Table> tables_;
  std::map<std::string, int> tableIds_;
  int table_ = -1;
  // The criteria of the running head: the titles that open the edition, up to its first
  // column set or blank line, but its own title.
  std::vector<std::string> criteria_;
  bool criteriaClosed_ = false;
  bool pageCriteriaSet_ = false;
  // The figures of the pictures, as they are printed.
  std::vector<std::string> names_;  // of the columns defined last
  std::string group_;               // the last group heading ("NATURE : INF ...")
  Chart plan_, natures_;
  std::unique_ptr<Painter> painter_;
  std::function<void(int, int)> drawn_;
};

}  // namespace actifix::platform
