// The typeset PDF renderer: pages spooled as they end, drawn with cairo at Write.
#include "platform/print/TypesetPdfRenderer.h"

#include <cairo-pdf.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/print/EditionFormat.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {
namespace {

constexpr double kA4Short = 595.276;  // points
constexpr double kA4Long = 841.890;
constexpr double kMargin = 28.35;         // 1 cm
constexpr double kMaxSize = 8.5;          // points
constexpr double kMinHeadSize = 6.0;      // the criteria of the running head, at the least
constexpr double kMinPortraitSize = 7.0;  // below this a page turns to landscape
constexpr double kLineSpread = 1.2;       // line pitch / face size, at the least
constexpr double kTextEm = 0.6;           // room for one character of a text column, in em
constexpr double kDigitEm = 0.636;        // advance of a digit of DejaVu Sans
constexpr double kGapEm = 1.0;            // between two columns, at the least
constexpr double kClashGapEm = 1.8;       // between an amount and a text after it
constexpr double kMaxExtraGapEm = 2.5;    // what a narrow table's gaps may grow by
constexpr int kChartLines = 20;           // the height of a picture, in lines of the page
constexpr double kThin = 0.4, kMedium = 0.8, kHeavy = 1.3;  // rules, in points

// ---- Spool: little-endian sizes and bytes ----

void PutInt(std::ostream& out, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                         static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  out.write(bytes, 4);
}
void PutString(std::ostream& out, const std::string& text) {
  PutInt(out, static_cast<uint32_t>(text.size()));
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}
uint32_t GetInt(std::istream& in) {
  unsigned char bytes[4] = {};
  in.read(reinterpret_cast<char*>(bytes), 4);
  return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}
void GetString(std::istream& in, std::string& text) {
  text.resize(GetInt(in));
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
}

// The next character of `utf8` from `at`, which it moves past it; U+FFFD for a malformed one.
char32_t NextChar(std::string_view utf8, std::size_t& at) {
  const int32_t c = NextCodePoint(utf8, at);
  return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

bool IsNumeric(ColumnKind kind) {
  return kind == ColumnKind::kAmount || kind == ColumnKind::kNumber;
}

// The gap before column `i`: wider where a right-aligned amount meets a left-aligned text.
double GapEm(const std::vector<TypesetPdfRenderer::Column>& columns, std::size_t i) {
  if (i == 0) return 0;
  return IsNumeric(columns[i - 1].kind) && !IsNumeric(columns[i].kind) ? kClashGapEm : kGapEm;
}

bool IsGrandTotal(const TypesetPdfRenderer::Row& line) {
  for (const std::string& cell : line.cells)
    if (cell.find("TOTAL GENERAL") != std::string::npos ||
        cell.find("TOTAL GÉNÉRAL") != std::string::npos)
      return true;
  return false;
}

// A body line of one capitalised text after a blank, alone on its line: " A NOUVEAU".
bool IsSectionHeading(const TypesetPdfRenderer::Row& line) {
  int filled = 0;
  for (const std::string& cell : line.cells) filled += cell.empty() ? 0 : 1;
  if (filled != 1 || line.cells.empty() || line.cells[0].size() < 2 || line.cells[0][0] != ' ')
    return false;
  return std::none_of(line.cells[0].begin(), line.cells[0].end(),
                      [](char c) { return c >= 'a' && c <= 'z'; });
}

// An amount the text printed without its thousands blanks, for want of room ("82010581,33"),
// given them back: the typeset columns have the room.
void Regroup(std::string& amount) {
  const std::size_t from = !amount.empty() && amount[0] == '-' ? 1 : 0;
  const std::size_t comma = std::min(amount.find(','), amount.size());
  if (comma - from <= 3 || amount.find(' ') != std::string::npos) return;
  for (std::size_t i = from; i < comma; ++i)
    if (amount[i] < '0' || amount[i] > '9') return;
  for (std::size_t at = comma; at > from + 3;) {
    at -= 3;
    amount.insert(at, 1, ' ');
  }
}

// One face of DejaVu Sans, with the glyph and advance of each character met, at size 1.
class Face {
 public:
  explicit Face(cairo_font_weight_t weight)
      : face_(cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, weight)) {
    cairo_matrix_t size, identity;
    cairo_matrix_init_scale(&size, kUnit, kUnit);
    cairo_matrix_init_identity(&identity);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    unit_ = cairo_scaled_font_create(face_, &size, &identity, options);
    cairo_font_options_destroy(options);
  }
  ~Face() {
    cairo_scaled_font_destroy(unit_);
    cairo_font_face_destroy(face_);
  }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  struct Glyph {
    unsigned long index = 0;
    double advance = -1;  // em; negative until looked up
  };

  const Glyph& Of(char32_t c) {
    Glyph& glyph = c < latin_.size() ? latin_[c] : others_[c];
    if (glyph.advance >= 0) return glyph;
    std::string utf8;
    if (c < 0x80) {
      utf8 = static_cast<char>(c);
    } else if (c < 0x800) {
      utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    }
    cairo_glyph_t* glyphs = nullptr;
    int count = 0;
    glyph.advance = 0;
    if (cairo_scaled_font_text_to_glyphs(unit_, 0, 0, utf8.data(), static_cast<int>(utf8.size()),
                                         &glyphs, &count, nullptr, nullptr,
                                         nullptr) == CAIRO_STATUS_SUCCESS &&
        count > 0) {
      cairo_text_extents_t extents;
      cairo_scaled_font_glyph_extents(unit_, glyphs, 1, &extents);
      glyph = {glyphs[0].index, extents.x_advance / kUnit};
    }
    cairo_glyph_free(glyphs);
    return glyph;
  }

  double Em(std::string_view utf8) {
    double em = 0;
    for (std::size_t at = 0; at < utf8.size();) em += Of(NextChar(utf8, at)).advance;
    return em;
  }

  cairo_font_face_t* face() const { return face_; }

 private:
  static constexpr double kUnit = 1000;
  cairo_font_face_t* face_;
  cairo_scaled_font_t* unit_;
  std::array<Glyph, 256> latin_{};
  std::unordered_map<char32_t, Glyph> others_;
};

// `utf8` as it fits in `room` points at `size` in `face`: whole, else cut after its last
// word that leaves room for "…" (its first word cut short only when no word fits).
std::string FitAtWord(Face& face, const std::string& utf8, double size, double room) {
  if (face.Em(utf8) * size <= room) return utf8;
  const double ellipsis = face.Em("…");
  const auto fits = [&](std::string_view head) {
    return (face.Em(head) + ellipsis) * size <= room;
  };
  // A word ends before a blank; the blanks and separators before the cut go with it.
  const auto trimmed = [](std::string_view head) {
    for (bool more = true; more && !head.empty();) {
      more = false;
      if (head.ends_with("—")) {
        head.remove_suffix(std::string_view("—").size());
        more = true;
      } else if (std::string_view(" ,;:-").find(head.back()) != std::string_view::npos) {
        head.remove_suffix(1);
        more = true;
      }
    }
    return head;
  };
  for (std::size_t blank = utf8.rfind(' '); blank != std::string::npos && blank > 0;
       blank = utf8.rfind(' ', blank - 1)) {
    const std::string_view head = trimmed(std::string_view(utf8).substr(0, blank));
    if (!head.empty() && fits(head)) return std::string(head) + "…";
  }
  std::string head = utf8.substr(0, utf8.find(' '));
  while (!head.empty() && !fits(head)) {
    while (!head.empty() && (head.back() & 0xC0) == 0x80) head.pop_back();
    if (!head.empty()) head.pop_back();
  }
  return head + "…";
}

}  // namespace

struct TypesetPdfRenderer::Painter {
  Face regular{CAIRO_FONT_WEIGHT_NORMAL};
  Face bold{CAIRO_FONT_WEIGHT_BOLD};
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;
  Face* current = nullptr;
  double currentSize = 0;
  std::vector<cairo_glyph_t> glyphs;
  std::vector<cairo_text_cluster_t> clusters;

  ~Painter() {
    if (cr != nullptr) cairo_destroy(cr);
    if (surface != nullptr) cairo_surface_destroy(surface);
  }

  // Draws `utf8` from x on the baseline y, squeezed to `fit` points when it is wider.
  // Returns its width.
  double Show(Face& face, double size, double x, double y, std::string_view utf8,
              double fit = 1e9) {
    glyphs.clear();
    clusters.clear();
    double at = 0;
    for (std::size_t i = 0; i < utf8.size();) {
      const std::size_t from = i;
      const Face::Glyph& g = face.Of(NextChar(utf8, i));
      glyphs.push_back({g.index, at, y});
      clusters.push_back({static_cast<int>(i - from), 1});
      at += g.advance * size;
    }
    if (glyphs.empty()) return 0;
    const double squeeze = at > fit ? fit / at : 1;
    for (cairo_glyph_t& g : glyphs) g.x = x + g.x * squeeze;
    if (current != &face || currentSize != size) {
      cairo_set_font_face(cr, face.face());
      cairo_set_font_size(cr, size);
      current = &face;
      currentSize = size;
    }
    cairo_show_text_glyphs(cr, utf8.data(), static_cast<int>(utf8.size()), glyphs.data(),
                           static_cast<int>(glyphs.size()), clusters.data(),
                           static_cast<int>(clusters.size()), cairo_text_cluster_flags_t(0));
    return at * squeeze;
  }

  void Rule(double x1, double x2, double y, double width) {
    cairo_set_line_width(cr, width);
    cairo_move_to(cr, x1, y);
    cairo_line_to(cr, x2, y);
    cairo_stroke(cr);
  }
};

TypesetPdfRenderer::TypesetPdfRenderer(Head head, int linesPerPage, std::filesystem::path draft,
                                       std::function<void(int, int)> drawn)
    : head_(std::move(head)),
      linesPerPage_(std::max(linesPerPage, 4)),
      draft_(std::move(draft)),
      spool_(draft_.string() + ".pages"),
      painter_(std::make_unique<Painter>()),
      drawn_(std::move(drawn)) {}

TypesetPdfRenderer::~TypesetPdfRenderer() {
  painter_.reset();
  spoolOut_.close();
  std::error_code ignored;
  std::filesystem::remove(spool_, ignored);
  std::filesystem::remove(draft_, ignored);
}

// ---- Recording ----

void TypesetPdfRenderer::Title(const std::string& text) {
  if (text.rfind("NATURE", 0) == 0) group_ = text;
  if (criteriaClosed_ || text == head_.title) return;
  criteria_.emplace_back(TrimLeft(text));
}

void TypesetPdfRenderer::Layout(const EditionLayout& layout, const std::vector<int>& widths) {
  criteriaClosed_ = true;
  Table table;
  std::string key;
  for (std::size_t i = 0; i < layout.columns.size(); ++i) {
    const ColumnSpec& declared = layout.columns[i];
    Column column{declared.kind, widths[i], declared.decimals, declared.group,
                  ToUtf8(Trim(declared.heading))};
    const double charEm = declared.kind == ColumnKind::kText ? kTextEm : kDigitEm;
    column.em = std::max(declared.width * charEm, painter_->bold.Em(column.heading));
    key += std::to_string(static_cast<int>(column.kind)) + "," + std::to_string(column.width) +
           "," + std::to_string(column.decimals) + "," + std::to_string(column.group) + "," +
           column.heading + "\n";
    table.columns.push_back(std::move(column));
    table.em += table.columns.back().em + GapEm(table.columns, i);
  }
  for (const ColumnGroup& group : layout.groups) {
    table.groups.push_back({ToUtf8(Trim(group.heading)), group.first, group.count});
    key += "@" + table.groups.back().heading + "," + std::to_string(group.first) + "," +
           std::to_string(group.count) + "\n";
  }
  const auto [found, added] = tableIds_.emplace(key, static_cast<int>(tables_.size()));
  if (added) tables_.push_back(std::move(table));
  table_ = found->second;
}

void TypesetPdfRenderer::Columns(const std::vector<std::string>& names,
                                 const std::vector<std::string>& /*headings*/) {
  names_ = names;
}

namespace {

const CellValue* CellOf(const std::vector<CellValue>& cells, const char* column) {
  for (const CellValue& cell : cells)
    if (cell.column == column) return &cell;
  return nullptr;
}
double NumberOf(const std::vector<CellValue>& cells, const char* column) {
  const CellValue* cell = CellOf(cells, column);
  return cell != nullptr && cell->isNumber ? cell->number : 0;
}

}  // namespace

void TypesetPdfRenderer::Line(const std::vector<CellValue>& cells) {
  // A year of an asset card's plan: "01/01/2026 Au 31/12/2026", its charge and cumulative.
  const CellValue* year = CellOf(cells, "EXER");
  if (year == nullptr || year->text.size() < 4 || year->text.find(" Au ") == std::string::npos ||
      std::find(names_.begin(), names_.end(), "CUMFIN") == names_.end())
    return;
  if (plan_.labels.empty())
    plan_ = {"Plan d'amortissement",
             {"Dotation de l'exercice", "", "Cumul en fin d'exercice"},
             {},
             {},
             {},
             {}};
  plan_.labels.push_back(year->text.substr(year->text.size() - 4));
  plan_.bars.push_back(NumberOf(cells, "DOTAMO"));
  plan_.line.push_back(NumberOf(cells, "CUMFIN"));
}

void TypesetPdfRenderer::Total(const std::string& label, const std::vector<CellValue>& cells,
                               const std::vector<CellValue>& /*labels*/) {
  // The totals of a nature, under its "NATURE  : INF    Matériel informatique" heading.
  if (TrimLeft(label) != "TOTAL" || group_.empty() || CellOf(cells, "DOT") == nullptr ||
      CellOf(cells, "VNC") == nullptr)
    return;
  std::string_view code = TrimLeft(std::string_view(group_).substr(group_.find(':') + 1));
  code = code.substr(0, code.find(' '));
  if (natures_.labels.empty())
    natures_ = {"Valeur nette et dotation de l'exercice par nature",
                {"Valeur nette comptable", "Dotation de l'exercice", ""},
                {},
                {},
                {},
                {}};
  natures_.labels.emplace_back(code);
  natures_.bars.push_back(NumberOf(cells, "VNC"));
  natures_.bars2.push_back(NumberOf(cells, "DOT"));
  group_.clear();
}

void TypesetPdfRenderer::AttachChart(Chart& chart) {
  if (chart.labels.empty()) return;
  if (static_cast<int>(page_.lines.size()) + kChartLines > linesPerPage_ ||
      !page_.chart.labels.empty()) {
    EndPage();
    pageStarted_ = true;
  }
  page_.chart = std::move(chart);
  chart = {};
}

void TypesetPdfRenderer::Reopened() {
  AttachChart(plan_);
  // The page of the card before keeps the criteria it was printed under.
  page_.criteria = Criteria();
  pageCriteriaSet_ = true;
  criteria_.clear();
  criteriaClosed_ = false;
  table_ = -1;
}

void TypesetPdfRenderer::StartPage(int /*number*/) {
  EndPage();
  pageStarted_ = true;
}

void TypesetPdfRenderer::Put(const PageLine& line) {
  pageStarted_ = true;
  if (line.kind == PageLine::Kind::kBlank) criteriaClosed_ = true;
  Row& added = page_.lines.emplace_back();
  added.kind = line.kind;
  added.table = table_;
  added.band = line.kind == PageLine::Kind::kTitle && criteriaClosed_;
  added.text = line.text;
  if (line.cells == nullptr || table_ < 0) return;
  added.cells = *line.cells;
  Table& table = tables_[table_];
  Face& face = line.kind == PageLine::Kind::kTotal ? painter_->bold : painter_->regular;
  for (std::size_t c = 0; c < added.cells.size() && c < table.columns.size(); ++c) {
    Column& column = table.columns[c];
    if (!IsNumeric(column.kind) || added.cells[c].empty()) continue;
    Regroup(added.cells[c]);
    // The room the amount takes, set on its decimal comma: every page is drawn at the end,
    // so the widest amount of the edition sets its column on every page.
    const std::string_view text = added.cells[c];
    const std::size_t comma = std::min(text.rfind(','), text.size());
    const double decimals = column.decimals > 0
                                ? painter_->regular.Of(',').advance +
                                      column.decimals * painter_->regular.Of('0').advance
                                : 0;
    column.printedEm =
        std::max(column.printedEm,
                 face.Em(text.substr(0, comma)) + std::max(decimals, face.Em(text.substr(comma))));
  }
}

std::string TypesetPdfRenderer::Criteria() const {
  std::string joined;
  for (const std::string& text : criteria_) joined += (joined.empty() ? "" : " — ") + text;
  return joined;
}

void TypesetPdfRenderer::EndPage() {
  if (!pageStarted_) return;
  if (!spoolOut_.is_open()) {
    RefuseLink(draft_, "HostEdition");
    RefuseLink(spool_, "HostEdition");
    spoolOut_.open(spool_, std::ios::binary | std::ios::trunc);
  }
  if (!pageCriteriaSet_) page_.criteria = Criteria();
  PutString(spoolOut_, page_.criteria);
  PutInt(spoolOut_, static_cast<uint32_t>(page_.lines.size()));
  for (const Row& line : page_.lines) {
    PutInt(spoolOut_, static_cast<uint32_t>(line.kind) | (line.band ? 0x100u : 0u));
    PutInt(spoolOut_, static_cast<uint32_t>(line.table + 1));
    PutString(spoolOut_, line.text);
    PutInt(spoolOut_, static_cast<uint32_t>(line.cells.size()));
    for (const std::string& cell : line.cells) PutString(spoolOut_, cell);
  }
  const Chart& chart = page_.chart;
  PutString(spoolOut_, chart.title);
  PutInt(spoolOut_, static_cast<uint32_t>(chart.labels.size()));
  for (std::size_t i = 0; i < chart.labels.size(); ++i) {
    PutString(spoolOut_, chart.labels[i]);
    for (const std::vector<double>* series : {&chart.bars, &chart.bars2, &chart.line})
      PutString(spoolOut_, series->empty() ? "" : std::to_string((*series)[i]));
  }
  for (const std::string& name : chart.names) PutString(spoolOut_, name);
  if (!spoolOut_)
    throw HostError("HostEdition", spool_.string(), "impossible d'écrire le fichier PDF");
  ++pages_;
  page_.lines.clear();
  page_.chart = {};
  pageCriteriaSet_ = false;
  pageStarted_ = false;
}

// ---- Drawing ----

void TypesetPdfRenderer::Write(const std::filesystem::path& file) {
  AttachChart(plan_);
  AttachChart(natures_);
  pageStarted_ = pageStarted_ || pages_ == 0;  // a document of no page still gets one
  EndPage();
  spoolOut_.close();
  // An amount column is as wide as the widest amount it printed, gaps following.
  for (Table& table : tables_) {
    table.em = 0;
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
      Column& column = table.columns[i];
      column.em = std::max(column.em, column.printedEm);
      table.em += column.em + GapEm(table.columns, i);
    }
  }
  Painter& p = *painter_;
  p.surface = cairo_pdf_surface_create(draft_.c_str(), kA4Short, kA4Long);
  bool written = cairo_surface_status(p.surface) == CAIRO_STATUS_SUCCESS;
  if (written) {
    cairo_pdf_surface_set_metadata(p.surface, CAIRO_PDF_METADATA_TITLE, head_.title.c_str());
    cairo_pdf_surface_set_metadata(p.surface, CAIRO_PDF_METADATA_CREATOR, "Actifix");
    p.cr = cairo_create(p.surface);
    std::ifstream in(spool_, std::ios::binary);
    Page page;
    for (int number = 1; number <= pages_ && in; ++number) {
      GetString(in, page.criteria);
      page.lines.resize(GetInt(in));
      for (Row& line : page.lines) {
        const uint32_t kind = GetInt(in);
        line.kind = static_cast<PageLine::Kind>(kind & 0xFF);
        line.band = (kind & 0x100) != 0;
        line.table = static_cast<int>(GetInt(in)) - 1;
        GetString(in, line.text);
        line.cells.resize(GetInt(in));
        for (std::string& cell : line.cells) GetString(in, cell);
      }
      Chart& chart = page.chart;
      chart = {};
      GetString(in, chart.title);
      chart.labels.resize(GetInt(in));
      std::string value;
      for (std::string& label : chart.labels) {
        GetString(in, label);
        for (std::vector<double>* series : {&chart.bars, &chart.bars2, &chart.line}) {
          GetString(in, value);
          if (!value.empty()) series->push_back(std::strtod(value.c_str(), nullptr));
        }
      }
      if (!chart.labels.empty()) chart.names.resize(3);
      for (std::string& name : chart.names) GetString(in, name);
      if (in) DrawPage(page, number);
      if (drawn_) drawn_(number, pages_);
    }
    written = static_cast<bool>(in);
    cairo_destroy(p.cr);
    p.cr = nullptr;
    cairo_surface_finish(p.surface);
    written = written && cairo_surface_status(p.surface) == CAIRO_STATUS_SUCCESS;
  }
  cairo_surface_destroy(p.surface);
  p.surface = nullptr;
  std::error_code ec;
  std::filesystem::remove(spool_, ec);
  if (written) std::filesystem::rename(draft_, file, ec);
  if (!written || ec) {
    std::filesystem::remove(draft_, ec);
    throw HostError("HostEdition.Close", file.string(), "impossible d'écrire le fichier PDF");
  }
}

void TypesetPdfRenderer::DrawPage(const Page& page, int number) {
  Painter& p = *painter_;
  cairo_t* cr = p.cr;
  // The face size: the widest table or title of the page in the width of the paper.
  double widestEm = 1;
  for (const Row& line : page.lines) {
    if (line.table >= 0) widestEm = std::max(widestEm, tables_[line.table].em);
    if (line.kind == PageLine::Kind::kTitle)
      widestEm = std::max(widestEm, p.bold.Em(TrimLeft(line.text)));
  }
  const bool landscape = widestEm * kMinPortraitSize > kA4Short - 2 * kMargin;
  const double width = landscape ? kA4Long : kA4Short;
  const double height = landscape ? kA4Short : kA4Long;
  cairo_pdf_surface_set_size(p.surface, width, height);
  const double usable = width - 2 * kMargin;
  const double pitch = (height - 2 * kMargin) / linesPerPage_;
  const double size = std::min({kMaxSize, pitch / kLineSpread, usable / widestEm});
  const double baseline = (pitch + 0.7 * size) / 2;  // from the top of a line's slot
  cairo_set_source_rgb(cr, 0, 0, 0);

  // The running head, in the slots of the text's page header.
  const std::string pages = std::to_string(number) + " / " + std::to_string(pages_);
  const double headSize = std::min(kMaxSize, pitch / kLineSpread);
  const double right = width - kMargin;
  const double y0 = kMargin + baseline;
  const double pagesWidth = p.bold.Em(pages) * headSize;
  const double titleWidth = std::min(p.bold.Em(head_.title) * headSize, usable * 0.55);
  p.Show(p.bold, headSize, kMargin, y0,
         FitAtWord(p.bold, head_.company, headSize, (usable - titleWidth) / 2 - headSize));
  p.Show(p.bold, headSize, kMargin + (usable - titleWidth) / 2, y0, head_.title, titleWidth);
  p.Show(p.bold, headSize, right - pagesWidth, y0, pages);
  const std::string year =
      head_.yearStart.empty() ? "" : "Exercice du " + head_.yearStart + " au " + head_.yearEnd;
  const double y1 = y0 + pitch;
  const double yearWidth = p.Show(p.regular, headSize, kMargin, y1, year);
  const double dateWidth = p.regular.Em(head_.date) * headSize;
  p.Show(p.regular, headSize, right - dateWidth, y1, head_.date);
  // The criteria between the year and the date, made smaller, then cut, to fit.
  const double room = usable - yearWidth - dateWidth - 4 * headSize;
  const double criteriaSize =
      std::max(kMinHeadSize, std::min(headSize, room / std::max(0.1, p.regular.Em(page.criteria))));
  const std::string criteria = FitAtWord(p.regular, page.criteria, criteriaSize, room);
  const double criteriaWidth = p.regular.Em(criteria) * criteriaSize;
  p.Show(p.regular, criteriaSize, kMargin + yearWidth + 2 * headSize + (room - criteriaWidth) / 2,
         y1, criteria);
  p.Rule(kMargin, right, kMargin + 2.5 * pitch, kMedium);

  // Where the columns of each table of the page go at this size.
  struct Place {
    std::vector<double> x, w;
    double right = 0;
  };
  std::unordered_map<int, Place> places;
  const auto placeOf = [&](int id) -> const Place& {
    auto [it, added] = places.try_emplace(id);
    if (!added) return it->second;
    const Table& table = tables_[id];
    const std::size_t n = table.columns.size();
    // A landscape page is for a wide table: it spreads over the whole width.
    const double room =
        (usable - table.em * size) / static_cast<double>(std::max<std::size_t>(n - 1, 1));
    const double extra = n > 1 ? (landscape ? room : std::min(kMaxExtraGapEm * size, room)) : 0;
    double x = kMargin;
    for (std::size_t i = 0; i < n; ++i) {
      if (i > 0) x += GapEm(table.columns, i) * size + std::max(0.0, extra);
      it->second.x.push_back(x);
      it->second.w.push_back(table.columns[i].em * size);
      x += table.columns[i].em * size;
    }
    it->second.right = x;
    return it->second;
  };
  const double commaWidth = p.regular.Of(',').advance * size;
  const double digitWidth = p.regular.Of('0').advance * size;

  // One cell: amounts on their decimal comma, dates centred, texts left.
  const auto cell = [&](Face& face, const Column& column, double x, double w, double y,
                        const std::string& text, double room) {
    if (text.empty()) return;
    if (IsNumeric(column.kind)) {
      const std::size_t comma = text.rfind(',');
      const double decimals = column.decimals > 0 ? commaWidth + column.decimals * digitWidth : 0;
      const double whole = face.Em(std::string_view(text).substr(0, comma)) * size;
      const double tail =
          comma == std::string::npos ? 0 : face.Em(std::string_view(text).substr(comma)) * size;
      const double start = comma == std::string::npos && column.decimals == 0
                               ? x + w - whole
                               : x + w - decimals - whole + (tail > decimals ? decimals - tail : 0);
      p.Show(face, size, start, y, text);
    } else if (column.kind == ColumnKind::kDate) {
      p.Show(face, size, x + (w - face.Em(text) * size) / 2, y, text);
    } else {
      p.Show(face, size, x, y, TrimLeft(text), room);
    }
  };

  for (std::size_t i = 0; i < page.lines.size(); ++i) {
    const Row& line = page.lines[i];
    const double top = kMargin + static_cast<double>(i) * pitch;
    const double y = top + baseline;
    const Row* before = i > 0 ? &page.lines[i - 1] : nullptr;
    const Row* after = i + 1 < page.lines.size() ? &page.lines[i + 1] : nullptr;
    switch (line.kind) {
      case PageLine::Kind::kHeader:
      case PageLine::Kind::kBlank:
        break;
      case PageLine::Kind::kTitle: {
        const std::string_view text = TrimLeft(line.text);
        const double textWidth = p.bold.Em(text) * size;
        double x = kMargin;
        if (line.text.size() - text.size() >= 2) x += std::max(0.0, (usable - textWidth) / 2);
        if (line.band) {
          // As wide as the widest table of the page.
          double end = x + textWidth;
          for (const Row& other : page.lines)
            if (other.table >= 0) end = std::max(end, placeOf(other.table).right);
          cairo_set_source_rgb(cr, 0.9, 0.9, 0.9);
          cairo_rectangle(cr, kMargin - 2, top + 0.5, std::min(end, right) - kMargin + 4,
                          pitch - 1);
          cairo_fill(cr);
          cairo_set_source_rgb(cr, 0, 0, 0);
        }
        p.Show(p.bold, size, x, y, text, usable);
        break;
      }
      case PageLine::Kind::kHeading: {
        if (line.table < 0) break;
        const Table& table = tables_[line.table];
        const Place& place = placeOf(line.table);
        // The rows of a heading block: group headings (if any), column headings, a rule.
        std::size_t row = 0;
        for (std::size_t k = i; k > 0 && page.lines[k - 1].kind == PageLine::Kind::kHeading; --k)
          ++row;
        if (table.groups.empty()) ++row;
        if (row == 0) {
          for (const ColumnGroup& group : table.groups) {
            const double x1 = place.x[group.first];
            const double x2 =
                place.x[group.first + group.count - 1] + place.w[group.first + group.count - 1];
            const double w = p.bold.Em(group.heading) * size;
            p.Show(p.bold, size, x1 + std::max(0.0, (x2 - x1 - w) / 2), y, group.heading, x2 - x1);
            p.Rule(x1, x2, top + pitch - 0.5, kThin);
          }
        } else if (row == 1) {
          for (std::size_t c = 0; c < table.columns.size(); ++c) {
            const Column& column = table.columns[c];
            const double w = p.bold.Em(column.heading) * size;
            const double x = IsNumeric(column.kind)             ? place.x[c] + place.w[c] - w
                             : column.kind == ColumnKind::kDate ? place.x[c] + (place.w[c] - w) / 2
                                                                : place.x[c];
            p.Show(p.bold, size, x, y, column.heading);
          }
        } else {
          p.Rule(kMargin, place.right, top + pitch / 2, kThin);
        }
        break;
      }
      case PageLine::Kind::kRule: {
        if (line.table < 0) break;
        const Place& place = placeOf(line.table);
        const bool grand =
            after != nullptr && after->kind == PageLine::Kind::kTotal && IsGrandTotal(*after);
        for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c)
          if (!line.cells[c].empty())
            p.Rule(place.x[c], place.x[c] + place.w[c], top + pitch - 1, grand ? kHeavy : kThin);
        break;
      }
      case PageLine::Kind::kBody:
      case PageLine::Kind::kTotal: {
        if (line.table < 0 || line.cells.empty()) {
          p.Show(p.regular, size, kMargin, y, line.text, usable);
          break;
        }
        const Table& table = tables_[line.table];
        const Place& place = placeOf(line.table);
        const bool total = line.kind == PageLine::Kind::kTotal;
        if (total && (before == nullptr || (before->kind != PageLine::Kind::kRule &&
                                            before->kind != PageLine::Kind::kTotal))) {
          const bool grand = IsGrandTotal(line);
          for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c)
            if (grand || (!line.cells[c].empty() && IsNumeric(table.columns[c].kind)))
              p.Rule(place.x[c], place.x[c] + place.w[c] + (grand ? kGapEm * size : 0), top + 0.5,
                     grand ? kHeavy : kThin);
        }
        Face& face = total || IsSectionHeading(line) ? p.bold : p.regular;
        for (std::size_t c = 0; c < line.cells.size() && c < place.x.size(); ++c) {
          // A text may run over the empty cells after it, as in the text edition.
          double room = place.w[c];
          for (std::size_t k = c + 1; k < line.cells.size() && line.cells[k].empty(); ++k)
            room = place.x[k] + place.w[k] - place.x[c];
          if (c + 1 == line.cells.size()) room = std::max(room, right - place.x[c]);
          cell(face, table.columns[c], place.x[c], place.w[c], y, line.cells[c], room);
        }
        break;
      }
    }
  }
  if (!page.chart.labels.empty()) {
    const double top =
        kMargin + static_cast<double>(std::max<std::size_t>(page.lines.size(), 3) + 1) * pitch;
    DrawChart(page.chart, kMargin, top, right,
              std::min(top + kChartLines * pitch, height - kMargin), size);
  }
  cairo_show_page(cr);
}

void TypesetPdfRenderer::DrawChart(const Chart& chart, double left, double top, double right,
                                   double bottom, double size) {
  Painter& p = *painter_;
  cairo_t* cr = p.cr;
  static constexpr double kColours[3][3] = {
      {0.27, 0.45, 0.71}, {0.93, 0.55, 0.20}, {0.75, 0.15, 0.15}};
  // Title, then the legend after it.
  double x = left + p.Show(p.bold, size, left, top + size, chart.title) + 2 * size;
  for (std::size_t s = 0; s < chart.names.size(); ++s) {
    if (chart.names[s].empty()) continue;
    cairo_set_source_rgb(cr, kColours[s][0], kColours[s][1], kColours[s][2]);
    if (s == 2)
      p.Rule(x, x + size, top + 0.6 * size, 1.5);
    else
      cairo_rectangle(cr, x, top + 0.1 * size, size, size * 0.8);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    x += 1.4 * size;
    x += p.Show(p.regular, size, x, top + size, chart.names[s]) + 1.5 * size;
  }

  // Round steps of a scale from 0 (or below) to the greatest value; with `steps`, that many
  // of them, so that the line's scale meets the bars' grid.
  struct Scale {
    double low = 0, high = 1, step = 1;
  };
  const auto scaleOf = [](std::initializer_list<const std::vector<double>*> series, double steps,
                          bool exactly) {
    Scale scale{0, 0, 1};
    for (const auto* values : series)
      for (const double v : *values) {
        scale.low = std::min(scale.low, v);
        scale.high = std::max(scale.high, v);
      }
    if (scale.high - scale.low < 1) scale.high = scale.low + 1;
    const double raw = (scale.high - scale.low) / steps;
    const double power = std::pow(10, std::floor(std::log10(raw)));
    scale.step = 10 * power;
    for (const double nice : {1.0, 1.5, 2.0, 2.5, 3.0, 4.0, 5.0, 6.0, 8.0})
      if (raw <= nice * power) {
        scale.step = nice * power;
        break;
      }
    scale.low = std::floor(scale.low / scale.step) * scale.step;
    scale.high = std::ceil(scale.high / scale.step) * scale.step;
    if (exactly) scale.high = std::max(scale.high, scale.low + std::round(steps) * scale.step);
    return scale;
  };
  const Scale bars = scaleOf({&chart.bars, &chart.bars2}, 5, false);
  const Scale line = scaleOf({&chart.line}, (bars.high - bars.low) / bars.step, true);
  const auto tick = [](double v) { return FormatFrenchAmount(v, 0); };
  const double leftAxis = p.regular.Em(tick(bars.high)) * size + size;
  const double rightAxis = chart.line.empty() ? 0 : p.regular.Em(tick(line.high)) * size + size;
  const double pl = left + std::max(leftAxis, p.regular.Em(tick(bars.low)) * size + size);
  const double pr = right - rightAxis;
  const double pt = top + 2.5 * size, pb = bottom - 2 * size;
  const auto yOf = [&](const Scale& s, double v) {
    return pb - (v - s.low) / (s.high - s.low) * (pb - pt);
  };
  cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
  for (double v = bars.low; v <= bars.high + bars.step / 2; v += bars.step)
    p.Rule(pl, pr, yOf(bars, v), kThin);
  cairo_set_source_rgb(cr, 0, 0, 0);
  for (double v = bars.low; v <= bars.high + bars.step / 2; v += bars.step)
    p.Show(p.regular, size, pl - size / 2 - p.regular.Em(tick(v)) * size,
           yOf(bars, v) + 0.35 * size, tick(v));
  if (!chart.line.empty())
    for (double v = line.low; v <= line.high + line.step / 2; v += line.step)
      p.Show(p.regular, size, pr + size / 2, yOf(line, v) + 0.35 * size, tick(v));
  p.Rule(pl, pr, yOf(bars, 0), kMedium);

  const std::size_t n = chart.labels.size();
  const double group = (pr - pl) / static_cast<double>(n);
  const int series = chart.bars2.empty() ? 1 : 2;
  const double bar = std::min(group * 0.7 / series, 5 * size);
  for (std::size_t i = 0; i < n; ++i)
    for (int s = 0; s < series; ++s) {
      const double v = (s == 0 ? chart.bars : chart.bars2)[i];
      cairo_set_source_rgb(cr, kColours[s][0], kColours[s][1], kColours[s][2]);
      const double x0 = pl + static_cast<double>(i) * group + (group - series * bar) / 2 + s * bar;
      cairo_rectangle(cr, x0, yOf(bars, std::max(v, 0.0)), bar,
                      std::abs(yOf(bars, v) - yOf(bars, 0)));
      cairo_fill(cr);
    }
  if (!chart.line.empty()) {
    // The line, and a dot on each year (the only mark of a plan of one year).
    cairo_set_source_rgb(cr, kColours[2][0], kColours[2][1], kColours[2][2]);
    cairo_set_line_width(cr, 1.5);
    for (std::size_t i = 0; i < n; ++i)
      cairo_line_to(cr, pl + (static_cast<double>(i) + 0.5) * group, yOf(line, chart.line[i]));
    cairo_stroke(cr);
    for (std::size_t i = 0; i < n; ++i) {
      cairo_new_sub_path(cr);
      cairo_arc(cr, pl + (static_cast<double>(i) + 0.5) * group, yOf(line, chart.line[i]),
                std::min(2.5, group / 6), 0, 2 * M_PI);
    }
    cairo_fill(cr);
  }
  cairo_set_source_rgb(cr, 0, 0, 0);
  // The labels under their bars, as many as have room.
  double widest = 0;
  for (const std::string& label : chart.labels)
    widest = std::max(widest, p.regular.Em(label) * size);
  const std::size_t every = static_cast<std::size_t>(std::ceil((widest + size) / group));
  for (std::size_t i = 0; i < n; i += std::max<std::size_t>(every, 1))
    p.Show(p.regular, size,
           pl + (static_cast<double>(i) + 0.5) * group - p.regular.Em(chart.labels[i]) * size / 2,
           pb + 1.3 * size, chart.labels[i]);
}

}  // namespace actifix::platform
