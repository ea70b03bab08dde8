// The edition engine of our host: HostEdition for real. The module opens an edition, defines
// its columns, sets the cells of a line and prints it, prints total lines, and closes it; the
// engine lays it out in pages and, when it is closed, writes it to the output directory as
// NNN-<title>.txt (paged text), NNN-<title>.pdf (typeset, or the text on its grid: gridPdf)
// and NNN-<title>.jsonl (JSON lines), and NNN-<title>.csv for the editions whose title the
// options name.
//
// Texts come from the module in Windows-1252 and leave in UTF-8.
//
// How the operations behave (where the module leaves the choice to the host):
// - Open starts an edition named by its title (page headers, file names). It adds no title
//   line: AddTitle and AddStyledTitle do, at the point where they are called (so the card
//   print's identification lines stay with their card); a title line of the edition's own
//   title adds nothing to the pages, since each page header gives it (its JSON line stays).
//   Open while an edition is open closes that one first. An edition opened and never closed
//   (engine destroyed) writes nothing.
// - Close ends the edition but keeps its document open: when the next Open has the same
//   title, the new edition goes on in the same document, from a new page (the asset card
//   screen prints each saved card so, and one run gives one document of all its cards).
//   Flush, or an Open of another title, writes the kept document and calls onClosed. An
//   edition closed with nothing added to it (no title line, no column set, no line) adds
//   nothing: the asset card screen opens and closes one at once to start. Close with no
//   edition open does nothing. The flag is not used.
//   The text and JSON lines are written as they are printed, to ".open-<pid>-*" files of the
//   output directory renamed when the document is written (removed when it is dropped), so
//   an edition of any length costs no memory; the PDF alone keeps its pages until then. The
//   first edition of an engine removes the drafts a stopped run left (RemoveAbandonedDrafts).
// - DefineColumns may come again in the same edition. Each definition starts a new block: the
//   current line is emptied and every running total, of both levels, starts again at 0.
//   Its column headings are printed before the next line, total or rule, and again at the
//   top of each page while it holds.
// - SetCell on an amount or number column reads its text as a number ("1234.56", "-200.00";
//   a comma point and blanks are accepted too; blank empties the cell). SetCell on a date
//   column takes a date text, or a 3-byte packed date (shown as its date; the empty packed
//   date shows nothing). SetAmount on a text column writes the amount in French.
// - PrintLine prints the current line, empties it, adds each amount of a totalled column,
//   rounded to the column's decimals, to that column's level-1 total, and counts the line for
//   Interrupted. An empty line prints blank.
// - Totals: level 1 of a column is what its lines added since it was last closed; level 2 is
//   fed from level 1 by a sign: "+" adds, "-" takes off, "" carries nothing.
//   PrintSectionTotalLine prints, then carries each level-1 cell of its descriptor into
//   level 2 by the sign, then closes it (level 1 := 0). CarryTotal(column, 1, sign) does the
//   same for one column without printing. PrintTotalLine prints and carries by its sign but
//   closes nothing (ResetTotals follows it in the module). Values printed are those before
//   the carry. ResetTotals sets both levels of the listed columns to 0.
// - SectionTotals and PrintTotals draw a rule of "-" under those listed columns that keep
//   totals (nothing for "[]" or text columns); they change no total.
// - Names given in cells, lists and total lines must be columns of the current definition
//   (blanks around them ignored); a total cell must name a totalled column. Anything else,
//   a malformed descriptor, or an operation with no edition open throws HostError.
// - Pages: a header of 3 lines (company and "Page N"; title and date; a rule of "="), then
//   the body. NewPage ends the current page when it holds something; the new page starts
//   with the next printed thing (so NewPage before Close adds no empty page). A page that
//   would overflow PageLength ends by itself. Feed prints blank lines, none at the top of a
//   page and none past its end. PageLine is the number of lines used on the current page,
//   header included, 0 before its first line.
// - JSON lines: "title" for AddTitle/AddStyledTitle (trailing blanks trimmed), "columns" for
//   DefineColumns, "line" for PrintLine (cells that are set and not blank, in column order;
//   text trimmed on the right, inner and leading blanks kept), "total" for both kinds of total
//   line (label: its label texts as written, joined by a blank; cells: every total cell),
//   "step" for Step, "page" for a NewPage that ends a page. Pages ended because they were full
//   are not in the JSON lines, nor are rules and blank lines.
// - Interrupted is true once interruptAfter lines have been printed in the running edition
//   (0: at once), or when interruptRequested says so.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "host/HostEdition.h"
#include "platform/print/EditionDescriptor.h"
#include "platform/print/EditionRenderer.h"
#include "platform/print/RendererRelay.h"

namespace actifix::platform {

struct EditionOptions {
  std::filesystem::path outDir;    // one set of files per closed edition; empty: no files
  std::string company;             // UTF-8, for the page header
  std::string date;                // "dd/mm/yyyy", for the page header
  int pageLength = 66;             // at least 6: the header, the headings and a line
  long interruptAfter = -1;        // --interrupt-after N: Interrupted() turns true after N lines
  bool pdf = true;                 // calc and tests may skip the PDF
  bool gridPdf = false;            // the PDF drawn on the text's grid rather than typeset
  std::string yearStart, yearEnd;  // the fiscal year, "dd/mm/yyyy", for the typeset running head
  std::function<void(const std::string& titleUtf8, const std::filesystem::path& textFile)> onClosed;
  std::function<bool()> interruptRequested;  // the terminal's Ctrl-C flag, may be empty
  // Told of the pages of the typeset PDF drawn when its document is written (how many, and
  // the count; never fewer than the time before), may be empty: the drawing comes after the
  // edition's last line and takes a while.
  std::function<void(int page, int pages)> onPdfPage;
  // Threads drawing a long typeset PDF: 0 as the machine's cores allow (two at most), 1 or 2.
  int pdfThreads = 0;
  // When set, the JSON lines of every edition are also written there as they are printed
  // (actifix calc --plan gives std::cout).
  std::ostream* jsonOut = nullptr;
  // The editions also written as CSV for a spreadsheet: their titles (UTF-8, trailing blanks
  // ignored).
  std::vector<std::string> csvTitles;
};

class EditionEngine : public HostEdition {
 public:
  explicit EditionEngine(EditionOptions options);
  ~EditionEngine() override;
  EditionEngine(const EditionEngine&) = delete;
  EditionEngine& operator=(const EditionEngine&) = delete;

  void Open(const int16_t& falseValue, const int16_t& zero1, const int16_t& zero2,
            const std::string& title, const int16_t& option) override;
  void AddTitle(const std::string& title, const std::string& style) override;
  void AddStyledTitle(const std::string& text, const std::string& style,
                      const std::string& font) override;
  void DefineColumns(const std::string& descriptor) override;
  void SetCell(const std::string& column, const std::string& text,
               const std::string& format) override;
  void SetAmount(const std::string& column, double value, const std::string& format) override;
  void PrintLine() override;
  void Step(const int16_t& count) override;
  void SectionTotals(const std::string& columns, const int16_t& flag) override;
  void PrintSectionTotalLine(const std::string& descriptor, const std::string& sign) override;
  void CarryTotal(const std::string& column, const int16_t& level,
                  const std::string& sign) override;
  void PrintTotals(const std::string& columns) override;
  void PrintTotalLine(const std::string& descriptor, const std::string& sign) override;
  void ResetTotals(const std::string& columns) override;
  void Feed(const int16_t& lines) override;
  void NewPage() override;
  void Close(const int16_t& flag) override;

  // Writes the document kept by the last Close, if any (the platform calls it when an
  // operation ends). Throws HostError when its files cannot be written.
  void Flush();

  // The state HostToolkit reports for the running edition.
  bool Interrupted() const;
  int16_t PageLength() const;
  int16_t PageLine() const;

  // Files of the last edition written ("" when none): the text, PDF and JSON lines.
  const std::filesystem::path& LastTextFile() const { return lastText_; }

 private:
  struct Cell {
    bool set = false;
    bool isNumber = false;
    double number = 0;
    std::string text;  // Windows-1252
  };
  struct Totals {
    double level1 = 0;
    double level2 = 0;
  };

  void RequireOpen(const char* operation) const;
  int ColumnIndex(const char* operation, const std::string& name) const;
  std::vector<int> ColumnList(const char* operation, const std::string& list) const;
  void Carry(int column, const std::string& sign);
  void PrintTotalRow(const char* operation, const std::string& descriptor, const std::string& sign,
                     bool closeLevel1);
  void DrawRule(const char* operation, const std::string& columns);

  // Layout of the physical lines (Windows-1252 in, UTF-8 out to the renderers).
  // `cellTexts`: the line cut into its columns (Windows-1252), for the renderers that want it.
  void Emit(PageLine::Kind kind, const std::string& textCp1252, bool underColumns,
            const std::vector<std::string>* cellTexts = nullptr);
  void StartPage();
  void Put(PageLine::Kind kind, const std::string& textCp1252,
           const std::vector<std::string>* cellTexts = nullptr);
  std::string RowText(const std::vector<std::string>& cellTexts) const;
  void AppendRowText(std::string& row, const std::vector<std::string>& cellTexts) const;
  void CellText(int column, const Cell& cell, std::string& text) const;
  std::vector<std::string> HeadingRows() const;
  int LayoutWidth() const;

  void Broadcast(const std::function<void(EditionRenderer&)>& call);
  void WriteFiles();

  EditionOptions options_;

  bool open_ = false;
  bool kept_ = false;     // a closed edition whose document waits for Flush
  bool touched_ = false;  // a title line, a column set or a line was added
  std::string title_;     // Windows-1252
  std::optional<EditionLayout> layout_;
  std::vector<std::string> names_;  // the columns' names in UTF-8, as the renderers take them
  std::vector<int> widths_;         // printed width of each column: its width, or its heading's
  std::vector<Cell> cells_;
  std::vector<Totals> totals_;
  // What each line is made of, kept from line to line: once warm, a line allocates nothing.
  std::vector<std::string> lineTexts_;
  std::vector<CellValue> lineValues_;
  std::string lineRow_;
  platform::PageLine putLine_;
  std::vector<std::string> putCells_;
  long printedLines_ = 0;

  int pageNumber_ = 0;
  int pageLine_ = 0;
  bool pageStarted_ = false;
  bool bodyOnPage_ = false;
  bool breakPending_ = false;
  bool headingsPending_ = false;

  // The text and the JSON lines of the open edition go straight to files of the output
  // directory, renamed to their edition's name at Close: an edition of a million assets is
  // not held in memory. Without an output directory they go nowhere.
  // Marks the edition as holding something, and opens its files at the first time.
  void Touch();
  void DropStreams();
  // The draft of the document being printed, with `extension`, in the output directory.
  std::filesystem::path Draft(const char* extension) const;
  std::filesystem::path textTemp_, jsonTemp_, csvTemp_;
  std::ofstream textFile_, jsonFile_, csvFile_;
  std::unique_ptr<TextRenderer> textRenderer_;
  std::unique_ptr<JsonRenderer> jsonRenderer_;
  std::unique_ptr<CsvRenderer> csvRenderer_;  // only for the editions of options_.csvTitles
  std::unique_ptr<JsonRenderer> streamRenderer_;
  std::unique_ptr<PdfWriter> pdfRenderer_;
  // Feeds the renderers above on a thread of their own (none without an output directory);
  // declared after them, it is stopped before they go.
  std::unique_ptr<RendererRelay> relay_;
  bool cellsWanted_ = false;  // a renderer draws the lines column by column
  int documents_ = 0;         // documents begun: names their drafts
  bool draftsSwept_ = false;  // the drafts other runs abandoned were looked for

  std::filesystem::path lastText_;
};

}  // namespace actifix::platform
