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
//  - A long document is drawn in parts on two cores, then joined (PdfJoin.h).
// Pictures of the figures the edition printed: see TypesetChart.h. The work is shared out:
// this class records the edition and spools its pages (TypesetPage.h), TypesetLayout.h says
// where things go, TypesetPainter.h draws them in the faces of TypesetFace.h.
#pragma once

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/print/EditionRenderer.h"
#include "platform/print/TypesetChart.h"
#include "platform/print/TypesetPage.h"

namespace actifix::platform {

namespace typeset {
class Painter;
}

class TypesetPdfRenderer : public PdfWriter {
 public:
  using Head = typeset::RunningHead;
  // `drawn` (may be empty) is told of the pages drawn at Write: how many, and the count.
  // `threads`: 1 draws the document whole on the calling thread, however long; 2 draws a
  // long one in parts on two threads; 0 chooses by the cores of the machine.
  TypesetPdfRenderer(Head head, int linesPerPage, std::filesystem::path draft,
                     std::function<void(int, int)> drawn = {}, int threads = 0);
  // A draft never written is removed, with its spool.
  ~TypesetPdfRenderer() override;
  TypesetPdfRenderer(const TypesetPdfRenderer&) = delete;
  TypesetPdfRenderer& operator=(const TypesetPdfRenderer&) = delete;

  void Title(const std::string& text) override;
  void Columns(const std::vector<std::string>& names,
               const std::vector<std::string>& headings) override;
  void Line(std::span<const CellValue> cells) override;
  void Total(const std::string& label, const std::vector<CellValue>& cells,
             const std::vector<CellValue>& labels) override;
  void Layout(const EditionLayout& layout, const std::vector<int>& widths) override;
  void Reopened() override;
  void Page() override;
  bool WantsCells() const override { return true; }
  // Throw HostError when the spool cannot be written.
  void StartPage(int number) override;
  void Put(const PageLine& line) override;
  void Write(const std::filesystem::path& file) override;

 private:
  void EndPage();
  // Draws the spooled pages `from` to `to` (from 1) into `draft` with `painter`; `each` is
  // called after each page and stops the drawing when it returns false. Returns whether the
  // document was written whole.
  bool DrawPages(typeset::Painter& painter, const std::filesystem::path& draft, int from, int to,
                 const std::function<bool()>& each);
  // The pages drawn in parts by this thread and another, joined into the draft. Returns false,
  // the draft to be drawn again whole, when a part or the join failed.
  bool DrawInParts();
  std::string Criteria() const;
  // Puts `chart` under the last line of the page, or on a new page when it has no room left.
  void AttachChart(typeset::Chart& chart);
  // The widths of the amounts of `line` in its column set, for the column widths.
  void MeasureAmounts(typeset::Row& line);

  Head head_;
  int linesPerPage_;
  std::filesystem::path draft_, spool_;
  std::ofstream spoolOut_;
  std::vector<std::streamoff> spooledAt_;  // where each page begins in the spool
  int pages_ = 0;
  typeset::Page page_;
  bool pageStarted_ = false;
  // The column sets met, each once: an edition of many cards has few different ones.
  std::vector<typeset::Table> tables_;
  std::map<std::string, int> tableIds_;
  int table_ = -1;
  // The criteria of the running head: the titles that open the edition, up to its first
  // column set or blank line, but its own title.
  std::vector<std::string> criteria_;
  bool criteriaClosed_ = false;
  bool pageCriteriaSet_ = false;
  typeset::ChartFigures figures_;
  std::unique_ptr<typeset::Painter> painter_;
  std::function<void(int, int)> drawn_;
  bool twoThreads_;  // a long document is drawn in parts by two threads
};

}  // namespace actifix::platform
