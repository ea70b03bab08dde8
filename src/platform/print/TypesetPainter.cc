// The painting of the typeset PDF: the document, the running head and the lines of each page.
#include "platform/print/TypesetPainter.h"

#include <cairo-pdf.h>

#include <algorithm>

#include "platform/print/TypesetChart.h"
#include "platform/print/TypesetLayout.h"

namespace actifix::platform::typeset {
namespace {

constexpr double kMinHeadSize = 6.0;  // the criteria of the running head, at the least

// One page being drawn: its format, the places of its tables, the widths of the comma and of
// a digit that amounts are set by.
class PageDrawing {
 public:
  PageDrawing(Painter& p, const Page& page, const std::vector<Table>& tables,
              const PageFormat& format)
      : p_(p), page_(page), tables_(tables), f_(format), places_(tables, format) {}

  void Head(const RunningHead& head, int number, int count);
  void Lines();

 private:
  void Title(const Row& line, double top, double y);
  void Heading(std::size_t i, double top, double y);
  void Rules(std::size_t i, double top);
  void Cells(std::size_t i, double top, double y);
  void Cell(Face& face, const Column& column, double x, double w, double y, const std::string& text,
            double room);

  Painter& p_;
  const Page& page_;
  const std::vector<Table>& tables_;
  const PageFormat& f_;
  PagePlaces places_;
  double commaWidth_ = 0, digitWidth_ = 0;
};

// The running head, in the slots of the text's page header: the company, the title and
// "n / N"; the fiscal year, the criteria (made smaller, then cut, to fit) and the date.
void PageDrawing::Head(const RunningHead& head, int number, int count) {
  const std::string pages = std::to_string(number) + " / " + std::to_string(count);
  const double size = f_.headSize, usable = f_.usable, right = f_.right;
  const double y0 = kMargin + f_.baseline;
  const double pagesWidth = p_.bold.Em(pages) * size;
  const double titleWidth = std::min(p_.bold.Em(head.title) * size, usable * 0.55);
  p_.Show(p_.bold, size, kMargin, y0,
          FitAtWord(p_.bold, head.company, size, (usable - titleWidth) / 2 - size));
  p_.Show(p_.bold, size, kMargin + (usable - titleWidth) / 2, y0, head.title, titleWidth);
  p_.Show(p_.bold, size, right - pagesWidth, y0, pages);
  const std::string year =
      head.yearStart.empty() ? "" : "Exercice du " + head.yearStart + " au " + head.yearEnd;
  const double y1 = y0 + f_.pitch;
  const double yearWidth = p_.Show(p_.regular, size, kMargin, y1, year);
  const double dateWidth = p_.regular.Em(head.date) * size;
  p_.Show(p_.regular, size, right - dateWidth, y1, head.date);
  const double room = usable - yearWidth - dateWidth - 4 * size;
  const double criteriaSize =
      std::max(kMinHeadSize, std::min(size, room / std::max(0.1, p_.regular.Em(page_.criteria))));
  const std::string criteria = FitAtWord(p_.regular, page_.criteria, criteriaSize, room);
  const double criteriaWidth = p_.regular.Em(criteria) * criteriaSize;
  p_.Show(p_.regular, criteriaSize, kMargin + yearWidth + 2 * size + (room - criteriaWidth) / 2, y1,
          criteria);
  p_.Rule(kMargin, right, kMargin + 2.5 * f_.pitch, kMedium);
}

void PageDrawing::Lines() {
  commaWidth_ = p_.regular.Of(',').advance * f_.size;
  digitWidth_ = p_.regular.Of('0').advance * f_.size;
  for (std::size_t i = 0; i < page_.lines.size(); ++i) {
    const Row& line = page_.lines[i];
    const double top = f_.Top(i);
    const double y = top + f_.baseline;
    switch (line.kind) {
      case PageLine::Kind::kHeader:
      case PageLine::Kind::kBlank:
        break;
      case PageLine::Kind::kTitle:
        Title(line, top, y);
        break;
      case PageLine::Kind::kHeading:
        if (line.table >= 0) Heading(i, top, y);
        break;
      case PageLine::Kind::kRule:
        if (line.table >= 0) Rules(i, top);
        break;
      case PageLine::Kind::kBody:
      case PageLine::Kind::kTotal:
        Cells(i, top, y);
        break;
    }
  }
}

// A title, centred when the text centred it; a group heading on a grey band as wide as the
// widest table of the page.
void PageDrawing::Title(const Row& line, double top, double y) {
  const std::string_view text = TrimLeft(line.text);
  const double textWidth = p_.bold.Em(text) * f_.size;
  double x = kMargin;
  if (line.text.size() - text.size() >= 2) x += std::max(0.0, (f_.usable - textWidth) / 2);
  if (line.band) {
    double end = x + textWidth;
    for (const Row& other : page_.lines)
      if (other.table >= 0) end = std::max(end, places_.Of(other.table).right);
    cairo_t* cr = p_.cr();
    cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
    cairo_rectangle(cr, kMargin - 2, top + 0.5, std::min(end, f_.right) - kMargin + 4,
                    f_.pitch - 1);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
  }
  p_.Show(p_.bold, f_.size, x, y, text, f_.usable);
}

// One line of a heading block: the group headings over their columns with a rule under each,
// the column headings aligned as their cells, or the rule under them.
void PageDrawing::Heading(std::size_t i, double top, double y) {
  const Row& line = page_.lines[i];
  const Table& table = tables_[line.table];
  const Place& place = places_.Of(line.table);
  const double size = f_.size;
  const int row = HeadingRow(page_.lines, i, !table.groups.empty());
  if (row == 0) {
    for (const ColumnGroup& group : table.groups) {
      const std::size_t last = group.first + group.count - 1;
      const double x1 = place.x[group.first];
      const double x2 = place.x[last] + place.w[last];
      const double w = p_.bold.Em(group.heading) * size;
      p_.Show(p_.bold, size, x1 + std::max(0.0, (x2 - x1 - w) / 2), y, group.heading, x2 - x1);
      p_.Rule(x1, x2, top + f_.pitch - 0.5, kThin);
    }
  } else if (row == 1) {
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
      const Column& column = table.columns[c];
      const double w = p_.bold.Em(column.heading) * size;
      const double x = IsNumeric(column.kind)             ? place.x[c] + place.w[c] - w
                       : column.kind == ColumnKind::kDate ? place.x[c] + (place.w[c] - w) / 2
                                                          : place.x[c];
      p_.Show(p_.bold, size, x, y, column.heading);
    }
  } else {
    p_.Rule(kMargin, place.right, top + f_.pitch / 2, kThin);
  }
}

// The engine's rules over the totalled columns; heavier over the grand total.
void PageDrawing::Rules(std::size_t i, double top) {
  const Row& line = page_.lines[i];
  const Place& place = places_.Of(line.table);
  const Row* after = i + 1 < page_.lines.size() ? &page_.lines[i + 1] : nullptr;
  const bool grand =
      after != nullptr && after->kind == PageLine::Kind::kTotal && IsGrandTotal(*after);
  for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c)
    if (!line.cells[c].empty())
      p_.Rule(place.x[c], place.x[c] + place.w[c], top + f_.pitch - 1, grand ? kHeavy : kThin);
}

// A body or total line, cell by cell; a total the engine drew no rule over gets one.
void PageDrawing::Cells(std::size_t i, double top, double y) {
  const Row& line = page_.lines[i];
  const double size = f_.size;
  if (line.table < 0 || line.cells.empty()) {
    p_.Show(p_.regular, size, kMargin, y, line.text, f_.usable);
    return;
  }
  const Table& table = tables_[line.table];
  const Place& place = places_.Of(line.table);
  const Row* before = i > 0 ? &page_.lines[i - 1] : nullptr;
  const bool total = line.kind == PageLine::Kind::kTotal;
  if (total && (before == nullptr || (before->kind != PageLine::Kind::kRule &&
                                      before->kind != PageLine::Kind::kTotal))) {
    const bool grand = IsGrandTotal(line);
    for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c)
      if (grand || (!line.cells[c].empty() && IsNumeric(table.columns[c].kind)))
        p_.Rule(place.x[c], place.x[c] + place.w[c] + (grand ? kGapEm * size : 0), top + 0.5,
                grand ? kHeavy : kThin);
  }
  Face& face = total || IsSectionHeading(line) ? p_.bold : p_.regular;
  for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c)
    Cell(face, table.columns[c], place.x[c], place.w[c], y, line.cells[c],
         CellRoom(line, place, c, f_.right));
}

// One cell: amounts on their decimal comma, dates centred, texts left.
void PageDrawing::Cell(Face& face, const Column& column, double x, double w, double y,
                       const std::string& text, double room) {
  if (text.empty()) return;
  const double size = f_.size;
  if (IsNumeric(column.kind)) {
    const std::size_t comma = text.rfind(',');
    const double decimals = column.decimals > 0 ? commaWidth_ + column.decimals * digitWidth_ : 0;
    const double whole = face.Em(std::string_view(text).substr(0, comma)) * size;
    const double tail =
        comma == std::string::npos ? 0 : face.Em(std::string_view(text).substr(comma)) * size;
    const bool onComma = comma != std::string::npos || column.decimals != 0;
    p_.Show(face, size, AmountStart(x + w, whole, tail, decimals, onComma), y, text);
  } else if (column.kind == ColumnKind::kDate) {
    p_.Show(face, size, x + (w - face.Em(text) * size) / 2, y, text);
  } else {
    p_.Show(face, size, x, y, TrimLeft(text), room);
  }
}

}  // namespace

Painter::~Painter() {
  if (cr_ != nullptr) cairo_destroy(cr_);
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
}

bool Painter::Open(const std::filesystem::path& draft, const std::string& title) {
  surface_ = cairo_pdf_surface_create(draft.c_str(), kA4Short, kA4Long);
  if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return false;
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(surface_, CAIRO_PDF_METADATA_CREATOR, "Actifix");
  cr_ = cairo_create(surface_);
  current_ = nullptr;
  return true;
}

void Painter::DrawPage(const Page& page, int number, int count, const RunningHead& head,
                       const std::vector<Table>& tables, int linesPerPage) {
  // The face size: the widest table or title of the page in the width of the paper.
  double widestEm = 1;
  for (const Row& line : page.lines) {
    if (line.table >= 0) widestEm = std::max(widestEm, tables[line.table].em);
    if (line.kind == PageLine::Kind::kTitle)
      widestEm = std::max(widestEm, bold.Em(TrimLeft(line.text)));
  }
  const PageFormat format = FormatPage(widestEm, linesPerPage);
  cairo_pdf_surface_set_size(surface_, format.paper.width, format.paper.height);
  cairo_set_source_rgb(cr_, 0, 0, 0);
  PageDrawing drawing(*this, page, tables, format);
  drawing.Head(head, number, count);
  drawing.Lines();
  if (!page.chart.labels.empty()) {
    const double top = format.Top(std::max<std::size_t>(page.lines.size(), 3) + 1);
    DrawChart(*this, page.chart, kMargin, top, format.right,
              std::min(top + kChartLines * format.pitch, format.paper.height - kMargin),
              format.size);
  }
  DrawTexts();
  cairo_show_page(cr_);
}

bool Painter::Close() {
  bool written = cr_ != nullptr;
  if (cr_ != nullptr) {
    cairo_destroy(cr_);
    cr_ = nullptr;
    cairo_surface_finish(surface_);
    written = cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS;
  }
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  surface_ = nullptr;
  return written;
}

double Painter::Show(Face& face, double size, double x, double y, std::string_view utf8,
                     double fit) {
  if (pending_ != nullptr && (pending_ != &face || pendingSize_ != size)) DrawTexts();
  const std::size_t first = glyphs_.size();
  double at = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t from = i;
    const Face::Glyph& g = face.Of(NextChar(utf8, i));
    glyphs_.push_back({g.index, at, y});
    clusters_.push_back({static_cast<int>(i - from), 1});
    at += g.advance * size;
  }
  if (glyphs_.size() == first) return 0;
  const double squeeze = at > fit ? fit / at : 1;
  for (std::size_t k = first; k < glyphs_.size(); ++k) glyphs_[k].x = x + glyphs_[k].x * squeeze;
  texts_ += utf8;
  pending_ = &face;
  pendingSize_ = size;
  return at * squeeze;
}

void Painter::DrawTexts() {
  if (glyphs_.empty()) return;
  if (current_ != pending_ || currentSize_ != pendingSize_) {
    cairo_set_font_face(cr_, pending_->face());
    cairo_set_font_size(cr_, pendingSize_);
    current_ = pending_;
    currentSize_ = pendingSize_;
  }
  cairo_show_text_glyphs(cr_, texts_.data(), static_cast<int>(texts_.size()), glyphs_.data(),
                         static_cast<int>(glyphs_.size()), clusters_.data(),
                         static_cast<int>(clusters_.size()), cairo_text_cluster_flags_t(0));
  texts_.clear();
  glyphs_.clear();
  clusters_.clear();
  pending_ = nullptr;
}

void Painter::Rule(double x1, double x2, double y, double width) {
  DrawTexts();
  cairo_set_line_width(cr_, width);
  cairo_move_to(cr_, x1, y);
  cairo_line_to(cr_, x2, y);
  cairo_stroke(cr_);
}

}  // namespace actifix::platform::typeset
