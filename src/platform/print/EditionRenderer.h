// What the edition engine hands to its renderers. The engine lays the edition out itself, so
// every renderer sees the same thing in two forms:
//  - logical events in print order (titles, column sets, lines, totals, record ends, pages),
//    with the cell values typed: what the JSON lines are made of;
//  - physical pages of fixed-width lines, header included: what the text and the PDF draw.
// A renderer overrides the calls of the form it draws. All texts here are UTF-8.
#pragma once

#include <filesystem>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "platform/print/EditionDescriptor.h"

namespace actifix::platform {

// One cell of a printed line or total line: a number (amount and number columns) or a text
// (text and date columns; dates as "dd/mm/yyyy").
struct CellValue {
  std::string column;
  bool isNumber = false;
  double number = 0;  // already rounded to the column's decimals
  std::string text;   // trailing blanks trimmed
};

// One physical line of a page. The kind lets a renderer set the weight of the line. A line
// under the columns (body, total, rule) may also come cut into the text of each column
// (trimmed, UTF-8), for the renderers that asked for it (WantsCells).
struct PageLine {
  enum class Kind { kHeader, kTitle, kHeading, kBody, kTotal, kRule, kBlank };
  Kind kind = Kind::kBody;
  std::string text;
  const std::vector<std::string>* cells = nullptr;
};

class EditionRenderer {
 public:
  virtual ~EditionRenderer() = default;

  // Logical events.
  virtual void Title(const std::string& /*text*/) {}
  // `headings` as a reader sees them: a grouped column's group heading, " - ", its own.
  virtual void Columns(const std::vector<std::string>& /*names*/,
                       const std::vector<std::string>& /*headings*/) {}
  virtual void Line(std::span<const CellValue> /*cells*/) {}
  // `label`: the label texts joined by a blank; `labels`: each of them in its column.
  virtual void Total(const std::string& /*label*/, const std::vector<CellValue>& /*cells*/,
                     const std::vector<CellValue>& /*labels*/) {}
  virtual void Step() {}
  // A page break the module asked for (NewPage), not one made because a page was full.
  virtual void Page() {}
  // The column set just defined, as the engine prints it: `widths` are the printed widths of
  // its columns (a column is at least as wide as its heading).
  virtual void Layout(const EditionLayout& /*layout*/, const std::vector<int>& /*widths*/) {}
  // The same edition opened again goes on in this document (the next asset card).
  virtual void Reopened() {}
  virtual bool WantsCells() const { return false; }

  // Physical pages: StartPage(1), lines, StartPage(2), lines...
  virtual void StartPage(int /*number*/) {}
  virtual void Put(const PageLine& /*line*/) {}

  // The edition is complete.
  virtual void Finish() {}
};

// A renderer that writes as the events come to a stream it does not own.
class StreamRenderer : public EditionRenderer {
 public:
  explicit StreamRenderer(std::ostream& out) : out_(out) {}

 protected:
  std::ostream& out_;
};

// Paged text: the lines of each page, pages separated by a form feed.
class TextRenderer : public StreamRenderer {
 public:
  using StreamRenderer::StreamRenderer;
  void StartPage(int number) override;
  void Put(const PageLine& line) override;
};

// JSON lines, one object per logical event, written as they come:
//   {"kind":"title","text":…}  {"kind":"columns","names":[…]}
//   {"kind":"line","cells":{NAME: value}}  {"kind":"total","label":…,"cells":{…}}
//   {"kind":"step"}  {"kind":"page"}
// Cells keep the order of the columns; amounts are numbers, texts and dates strings.
class JsonRenderer : public StreamRenderer {
 public:
  using StreamRenderer::StreamRenderer;
  void Title(const std::string& text) override;
  void Columns(const std::vector<std::string>& names,
               const std::vector<std::string>& headings) override;
  void Line(std::span<const CellValue> cells) override;
  void Total(const std::string& label, const std::vector<CellValue>& cells,
             const std::vector<CellValue>& labels) override;
  void Step() override;
  void Page() override;

 private:
  std::string buffer_;  // the line being written, kept for its capacity
};

// CSV for a French spreadsheet, as the register export: Windows-1252, ";" between fields, CR LF
// after every row. A title is a row of its one text; a column set, a header row of its
// headings; a printed line or total line, a row of its cells in column order (amounts with 2
// decimals and a decimal comma, no grouping; a total's labels in their columns). A text holding
// ";", a quote or a line end is quoted, its quotes doubled.
class CsvRenderer : public StreamRenderer {
 public:
  using StreamRenderer::StreamRenderer;
  void Title(const std::string& text) override;
  void Columns(const std::vector<std::string>& names,
               const std::vector<std::string>& headings) override;
  void Line(std::span<const CellValue> cells) override;
  void Total(const std::string& label, const std::vector<CellValue>& cells,
             const std::vector<CellValue>& labels) override;

 private:
  // The fields of a row, from `cells` in column order.
  void Row(std::span<const CellValue> cells);
  std::size_t ColumnOf(const std::string& name) const;
  void Write(const std::vector<std::string>& fieldsUtf8);

  std::vector<std::string> names_;
};

// A renderer that writes a PDF document: drawn into a draft, moved to its file at the end.
class PdfWriter : public EditionRenderer {
 public:
  // Finishes the document and moves it to `file`. Throws HostError when the draft or the
  // file cannot be written.
  virtual void Write(const std::filesystem::path& file) = 0;
};

// PDF through cairo and pango: the physical pages in DejaVu Sans Mono (bold for titles,
// headings and totals), A4 portrait when the widest line of a page fits (up to about 119
// characters), landscape otherwise, the font made smaller when even that is too narrow.
// Each page is drawn into the `draft` file as soon as it ends, so that an edition of any
// length holds one page in memory; Write finishes the draft and moves it to its file.
class PdfRenderer : public PdfWriter {
 public:
  // `title` goes into the document's metadata; `linesPerPage` sets the line pitch.
  PdfRenderer(std::string title, int linesPerPage, std::filesystem::path draft);
  // A draft never written is removed.
  ~PdfRenderer() override;
  PdfRenderer(const PdfRenderer&) = delete;
  PdfRenderer& operator=(const PdfRenderer&) = delete;

  // Throw HostError when the draft cannot be written.
  void StartPage(int number) override;
  void Put(const PageLine& line) override;
  // Draws the last page and moves the document to `file`. Throws HostError when the draft
  // or the file cannot be written.
  void Write(const std::filesystem::path& file) override;

 private:
  struct Drawing;  // the cairo surface and pango layout of the draft
  void DrawPage();

  std::string title_;
  int linesPerPage_;
  std::filesystem::path draft_;
  std::vector<PageLine> page_;  // the page being filled
  bool pageStarted_ = false;
  std::unique_ptr<Drawing> drawing_;
};

}  // namespace actifix::platform
