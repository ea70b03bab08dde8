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
// Below this many pages a document is drawn on one core: the second thread and the join
// would cost more than they save.
constexpr int kTwoHalvesFrom = 64;
}  // namespace

TypesetPdfRenderer::TypesetPdfRenderer(Head head, int linesPerPage, std::filesystem::path draft,
                                       std::function<void(int, int)> drawn, int threads)
    : head_(std::move(head)),
      linesPerPage_(std::max(linesPerPage, 4)),
      draft_(std::move(draft)),
      spool_(draft_.string() + ".pages"),
      painter_(std::make_unique<Painter>()),
      drawn_(std::move(drawn)),
      twoHalves_(threads == 2 || (threads == 0 && std::thread::hardware_concurrency() >= 2)) {}

TypesetPdfRenderer::~TypesetPdfRenderer() {
  painter_.reset();
  spoolOut_.close();
  std::error_code ignored;
  std::filesystem::remove(spool_, ignored);
  std::filesystem::remove(draft_, ignored);
  for (const char* half : {".2", ".j"}) std::filesystem::remove(draft_.string() + half, ignored);
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
  bool written = twoHalves_ && pages_ >= kTwoHalvesFrom && DrawInTwoHalves();
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

bool TypesetPdfRenderer::DrawInTwoHalves() {
  const int half = (pages_ + 1) / 2;
  const std::filesystem::path second = draft_.string() + ".2", joined = draft_.string() + ".j";
  std::atomic<int> drawnFirst = 0, drawnSecond = 0;
  std::atomic<bool> stop = false, secondDone = false;
  bool firstWritten = false, secondWritten = false;
  std::exception_ptr failure;
  {
    std::jthread other([&] {
      try {
        Painter painter;
        secondWritten = DrawPages(painter, second, half + 1, pages_, [&] {
          ++drawnSecond;
          return !stop.load();
        });
      } catch (...) {
        failure = std::current_exception();
      }
      secondDone = true;
    });
    // Leaving early (a failure here) stops the other half before the thread is joined.
    struct Stop {
      std::atomic<bool>& flag;
      ~Stop() { flag = true; }
    } stopOnLeaving{stop};
    const auto tell = [&] {
      if (drawn_) drawn_(drawnFirst + drawnSecond, pages_);
    };
    firstWritten = DrawPages(*painter_, draft_, 1, half, [&] {
      ++drawnFirst;
      tell();
      return true;
    });
    while (!secondDone) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      tell();
    }
  }
  if (failure) std::rethrow_exception(failure);
  std::error_code ec;
  bool written = firstWritten && secondWritten && JoinCairoPdfs(draft_, second, joined);
  if (written) std::filesystem::rename(joined, draft_, ec);
  written = written && !ec;
  std::filesystem::remove(second, ec);
  std::filesystem::remove(joined, ec);
  return written;
}

}  // namespace actifix::platform
