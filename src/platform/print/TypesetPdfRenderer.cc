// The typeset PDF renderer: the edition recorded and its pages spooled as they end, then
// drawn at Write.
#include "platform/print/TypesetPdfRenderer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <thread>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/print/PdfJoin.h"
#include "platform/print/TypesetLayout.h"
#include "platform/print/TypesetPainter.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

using namespace typeset;

namespace {
// A long document is drawn in parts of at least this many pages, by two threads, then joined:
// below two parts, the second thread and the join would cost more than they save.
constexpr int kPagesAPart = 64;
constexpr int kMostParts = 32;
}  // namespace

TypesetPdfRenderer::TypesetPdfRenderer(Head head, int linesPerPage, std::filesystem::path draft,
                                       std::function<void(int, int)> drawn, int threads)
    : head_(std::move(head)),
      linesPerPage_(std::max(linesPerPage, 4)),
      draft_(std::move(draft)),
      spool_(draft_.string() + ".pages"),
      painter_(std::make_unique<Painter>()),
      drawn_(std::move(drawn)),
      twoThreads_(threads == 2 || (threads == 0 && std::thread::hardware_concurrency() >= 2)) {}

TypesetPdfRenderer::~TypesetPdfRenderer() {
  painter_.reset();
  spoolOut_.close();
  std::error_code ignored;
  std::filesystem::remove(spool_, ignored);
  std::filesystem::remove(draft_, ignored);
  // The parts of a drawing cut short.
  for (int part = 0; part < kMostParts; ++part)
    std::filesystem::remove(draft_.string() + "." + std::to_string(part), ignored);
  std::filesystem::remove(draft_.string() + ".j", ignored);
}

// ---- Recording ----

void TypesetPdfRenderer::Title(const std::string& text) {
  figures_.Title(text);
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
  figures_.Columns(names);
}

void TypesetPdfRenderer::Line(std::span<const CellValue> cells) { figures_.Line(cells); }

void TypesetPdfRenderer::Total(const std::string& label, const std::vector<CellValue>& cells,
                               const std::vector<CellValue>& /*labels*/) {
  figures_.Total(label, cells);
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
  AttachChart(figures_.plan());
  // The page of the card before keeps the criteria it was printed under.
  page_.criteria = Criteria();
  pageCriteriaSet_ = true;
  criteria_.clear();
  criteriaClosed_ = false;
  table_ = -1;
}

void TypesetPdfRenderer::Page() {
  // A page break after an asset card, in one edition of many cards, ends the card as opening
  // the edition again for the next one does: its plan under it, the next card's titles for
  // the running head.
  if (criteriaClosed_ && figures_.OnCard()) Reopened();
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
  MeasureAmounts(added);
}

void TypesetPdfRenderer::MeasureAmounts(Row& line) {
  Table& table = tables_[line.table];
  Face& regular = painter_->regular;
  Face& face = line.kind == PageLine::Kind::kTotal ? painter_->bold : regular;
  for (std::size_t c = 0; c < line.cells.size() && c < table.columns.size(); ++c) {
    Column& column = table.columns[c];
    if (!IsNumeric(column.kind) || line.cells[c].empty()) continue;
    Regroup(line.cells[c]);
    // The room the amount takes, set on its decimal comma: every page is drawn at the end,
    // so the widest amount of the edition sets its column on every page.
    const std::string_view text = line.cells[c];
    const std::size_t comma = std::min(text.rfind(','), text.size());
    const double decimals =
        column.decimals > 0 ? regular.Of(',').advance + column.decimals * regular.Of('0').advance
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
  spooledAt_.push_back(spoolOut_.tellp());
  SpoolPage(spoolOut_, page_);
  if (!spoolOut_)
    throw HostError(ErrorKind::kIo, "HostEdition", spool_.string(),
                    "impossible d'écrire le fichier PDF");
  ++pages_;
  page_.lines.clear();
  page_.chart = {};
  pageCriteriaSet_ = false;
  pageStarted_ = false;
}

// ---- Drawing ----

void TypesetPdfRenderer::Write(const std::filesystem::path& file) {
  AttachChart(figures_.plan());
  AttachChart(figures_.natures());
  pageStarted_ = pageStarted_ || pages_ == 0;  // a document of no page still gets one
  EndPage();
  spoolOut_.close();
  // An amount column is as wide as the widest amount it printed, gaps following.
  for (Table& table : tables_) WidenToPrinted(table);
  bool written = twoThreads_ && pages_ >= 2 * kPagesAPart && DrawInParts();
  if (!written) {
    int drawn = 0;
    written = DrawPages(*painter_, draft_, 1, pages_, [&] {
      if (drawn_) drawn_(++drawn, pages_);
      return true;
    });
  }
  std::error_code ec;
  std::filesystem::remove(spool_, ec);
  PublishDraft(written, draft_, file);
}

bool TypesetPdfRenderer::DrawPages(Painter& painter, const std::filesystem::path& draft, int from,
                                   int to, const std::function<bool()>& each) {
  if (!painter.Open(draft, head_.title)) {
    painter.Close();
    return false;
  }
  std::ifstream in(spool_, std::ios::binary);
  if (from <= to) in.seekg(spooledAt_[from - 1]);
  typeset::Page page;
  bool going = true;
  for (int number = from; number <= to && in && going; ++number) {
    if (UnspoolPage(in, page))
      painter.DrawPage(page, number, pages_, head_, tables_, linesPerPage_);
    going = each();
  }
  const bool written = static_cast<bool>(in) && going;
  return painter.Close() && written;
}

bool TypesetPdfRenderer::DrawInParts() {
  // Parts of at least kPagesAPart pages, at most kMostParts: each thread takes the next part
  // left when it is done with one, so that neither waits long for the other at the end.
  const int count = std::clamp(pages_ / kPagesAPart, 2, kMostParts);
  const auto firstPage = [&](int part) {
    return 1 + static_cast<int>(1LL * pages_ * part / count);
  };
  std::vector<std::filesystem::path> parts;
  for (int part = 0; part < count; ++part) {
    parts.push_back(draft_.string() + "." + std::to_string(part));
    RefuseLink(parts.back(), "HostEdition.Close");  // cairo opens its files as they stand
  }
  std::atomic<int> next = 0, drawn = 0, failed = 0;
  std::atomic<bool> otherDone = false;
  std::exception_ptr failure;
  const auto drawParts = [&](Painter& painter, const std::function<void()>& each) {
    for (int part; failed == 0 && (part = next++) < count;)
      if (!DrawPages(painter, parts[part], firstPage(part), firstPage(part + 1) - 1, [&] {
            ++drawn;
            each();
            return failed == 0;
          }))
        ++failed;
  };
  {
    std::jthread other([&] {
      try {
        Painter painter;
        drawParts(painter, [] {});
      } catch (...) {
        failure = std::current_exception();
        ++failed;
      }
      otherDone = true;
    });
    // Leaving early (a failure here) stops the other thread before it is joined.
    struct Stop {
      std::atomic<int>& failed;
      bool done = false;
      ~Stop() { failed += done ? 0 : 1; }
    } stopOnLeaving{failed};
    const auto tell = [&] {
      if (drawn_) drawn_(drawn, pages_);
    };
    drawParts(*painter_, tell);
    while (!otherDone) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      tell();
    }
    stopOnLeaving.done = true;
  }
  if (failure) std::rethrow_exception(failure);
  const std::filesystem::path joined = draft_.string() + ".j";
  std::error_code ec;
  bool written = failed == 0 && JoinCairoPdfs(parts, joined);
  if (written) std::filesystem::rename(joined, draft_, ec);
  written = written && !ec;
  parts.push_back(joined);
  for (const std::filesystem::path& part : parts) std::filesystem::remove(part, ec);
  return written;
}

}  // namespace actifix::platform
