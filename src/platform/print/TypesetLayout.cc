// The layout of the typeset PDF: paper, line slots, column places, cell room.
#include "platform/print/TypesetLayout.h"

#include <algorithm>

namespace actifix::platform::typeset {
namespace {

constexpr double kMinPortraitSize = 7.0;  // below this a page turns to landscape
constexpr double kLineSpread = 1.2;       // line pitch / face size, at the least
constexpr double kClashGapEm = 1.8;       // between an amount and a text after it
constexpr double kMaxExtraGapEm = 2.5;    // what a narrow table's gaps may grow by

}  // namespace

bool IsNumeric(ColumnKind kind) {
  return kind == ColumnKind::kAmount || kind == ColumnKind::kNumber;
}

double GapEm(const std::vector<Column>& columns, std::size_t i) {
  if (i == 0) return 0;
  return IsNumeric(columns[i - 1].kind) && !IsNumeric(columns[i].kind) ? kClashGapEm : kGapEm;
}

void WidenToPrinted(Table& table) {
  table.em = 0;
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    Column& column = table.columns[i];
    column.em = std::max(column.em, column.printedEm);
    table.em += column.em + GapEm(table.columns, i);
  }
}

bool IsGrandTotal(const Row& line) {
  for (const std::string& cell : line.cells)
    if (cell.find("TOTAL GENERAL") != std::string::npos ||
        cell.find("TOTAL GÉNÉRAL") != std::string::npos)
      return true;
  return false;
}

bool IsSectionHeading(const Row& line) {
  int filled = 0;
  for (const std::string& cell : line.cells) filled += cell.empty() ? 0 : 1;
  if (filled != 1 || line.cells.empty() || line.cells[0].size() < 2 || line.cells[0][0] != ' ')
    return false;
  return std::none_of(line.cells[0].begin(), line.cells[0].end(),
                      [](char c) { return c >= 'a' && c <= 'z'; });
}

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

PageFormat FormatPage(double widestEm, int linesPerPage) {
  PageFormat format;
  format.paper = PaperFor(widestEm, kMinPortraitSize);
  format.usable = format.paper.width - 2 * kMargin;
  format.right = format.paper.width - kMargin;
  format.pitch = (format.paper.height - 2 * kMargin) / linesPerPage;
  format.size = std::min({kMaxFaceSize, format.pitch / kLineSpread, format.usable / widestEm});
  format.headSize = std::min(kMaxFaceSize, format.pitch / kLineSpread);
  format.baseline = (format.pitch + 0.7 * format.size) / 2;
  return format;
}

const Place& PagePlaces::Of(int id) {
  auto [it, added] = places_.try_emplace(id);
  if (!added) return it->second;
  const Table& table = tables_[id];
  const std::size_t n = table.columns.size();
  const double size = format_.size;
  // A landscape page is for a wide table: it spreads over the whole width.
  const double room =
      (format_.usable - table.em * size) / static_cast<double>(std::max<std::size_t>(n - 1, 1));
  const double extra =
      n > 1 ? (format_.paper.landscape ? room : std::min(kMaxExtraGapEm * size, room)) : 0;
  double x = kMargin;
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) x += GapEm(table.columns, i) * size + std::max(0.0, extra);
    it->second.x.push_back(x);
    it->second.w.push_back(table.columns[i].em * size);
    x += table.columns[i].em * size;
  }
  it->second.right = x;
  return it->second;
}

double CellRoom(const Row& line, const Place& place, std::size_t c, double right) {
  // A text may run over the empty cells after it, as in the text edition.
  double room = place.w[c];
  for (std::size_t k = c + 1; k < line.cells.size() && line.cells[k].empty(); ++k)
    room = place.x[k] + place.w[k] - place.x[c];
  if (c + 1 == line.cells.size()) room = std::max(room, right - place.x[c]);
  return room;
}

int HeadingRow(const std::vector<Row>& lines, std::size_t i, bool grouped) {
  int row = 0;
  for (std::size_t k = i; k > 0 && lines[k - 1].kind == PageLine::Kind::kHeading; --k) ++row;
  return grouped ? row : row + 1;
}

double AmountStart(double right, double whole, double tail, double decimals, bool onComma) {
  if (!onComma) return right - whole;
  return right - decimals - whole + (tail > decimals ? decimals - tail : 0);
}

}  // namespace actifix::platform::typeset
