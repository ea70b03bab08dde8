#include "platform/print/EditionEngine.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <fstream>

#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/print/EditionFormat.h"
#include "platform/print/RendererRelay.h"
#include "platform/print/TypesetPdfRenderer.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {
namespace {

bool IsNumeric(ColumnKind kind) {
  return kind == ColumnKind::kAmount || kind == ColumnKind::kNumber;
}

// The decimals a column's numbers are rounded to: its own, 2 for a text column.
int DecimalsOf(const ColumnSpec& column) { return IsNumeric(column.kind) ? column.decimals : 2; }

// The text a module gave for an amount cell: "1234.56", "-200.00", "1 234,56"; nullopt when
// it is not a number. Blank gives an empty optional through `blank`.
std::optional<double> ReadAmountText(const std::string& text, bool& blank) {
  std::string digits;
  for (const char c : text)
    if (c != ' ') digits.push_back(c == ',' ? '.' : c);
  blank = digits.empty();
  if (blank) return std::nullopt;
  if (digits[0] == '+') digits.erase(0, 1);
  double value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

// A page holds at least its header, the column headings and one line.
constexpr int kMinPageLength = 6;

EditionEngine::EditionEngine(EditionOptions options) : options_(std::move(options)) {
  options_.pageLength = std::clamp(options_.pageLength, kMinPageLength, 32767);
}

// An edition still open when the engine goes is dropped, as documented in the header.
EditionEngine::~EditionEngine() {
  // A closed edition is written even when nobody flushed it; an open one is dropped.
  try {
    Flush();
  } catch (const HostError&) {
  }
  DropStreams();
}

void EditionEngine::Touch() {
  touched_ = true;
  if (!textTemp_.empty() || options_.outDir.empty()) return;
  std::error_code ec;
  std::filesystem::create_directories(options_.outDir, ec);
  if (ec)
    throw HostError(ErrorKind::kIo, "HostEdition", options_.outDir.string(),
                    "impossible de créer le répertoire des éditions");
  if (!draftsSwept_) RemoveAbandonedDrafts(options_.outDir);
  draftsSwept_ = true;
  textTemp_ = Draft(".txt");
  jsonTemp_ = Draft(".jsonl");
  textFile_.clear();
  jsonFile_.clear();
  OpenNoFollow(textFile_, textTemp_, WriteMode::kNew, "HostEdition");
  OpenNoFollow(jsonFile_, jsonTemp_, WriteMode::kNew, "HostEdition");
  if (csvRenderer_) {
    csvTemp_ = Draft(".csv");
    csvFile_.clear();
    OpenNoFollow(csvFile_, csvTemp_, WriteMode::kNew, "HostEdition");
  }
}

std::filesystem::path EditionEngine::Draft(const char* extension) const {
  return options_.outDir / (".open-" + std::to_string(getpid()) + "-" +
                            std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
                            std::to_string(documents_) + extension);
}

void EditionEngine::DropStreams() {
  textFile_.close();
  jsonFile_.close();
  csvFile_.close();
  std::error_code ignored;
  for (std::filesystem::path* temp : {&textTemp_, &jsonTemp_, &csvTemp_}) {
    if (!temp->empty()) std::filesystem::remove(*temp, ignored);
    temp->clear();
  }
  // Until the edition holds something, its files do not exist and writes go nowhere.
  textFile_.setstate(std::ios::badbit);
  jsonFile_.setstate(std::ios::badbit);
  csvFile_.setstate(std::ios::badbit);
}

void EditionEngine::RequireOpen(const char* operation) const {
  if (!open_)
    throw HostError(ErrorKind::kInvalidInput, operation, "", "aucune édition n'est ouverte");
}

int EditionEngine::ColumnIndex(const char* operation, const std::string& name) const {
  if (!layout_)
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(name),
                    "les colonnes de l'édition ne sont pas définies");
  const int index = layout_->Find(name);
  if (index < 0)
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(name),
                    "colonne inconnue dans l'édition");
  return index;
}

std::vector<int> EditionEngine::ColumnList(const char* operation, const std::string& list) const {
  std::vector<std::string> names;
  try {
    names = ParseColumnNames(list);
  } catch (const DescriptorError& e) {
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(list), ToUtf8(e.what()));
  }
  std::vector<int> indexes;
  for (const auto& name : names) indexes.push_back(ColumnIndex(operation, name));
  return indexes;
}

// ---- Opening and closing ----

void EditionEngine::Open(const int16_t& /*falseValue*/, const int16_t& /*zero1*/,
                         const int16_t& /*zero2*/, const std::string& title,
                         const int16_t& /*option*/) {
  if (open_) Close(0);
  const bool goOn = kept_ && title == title_;
  if (!goOn) Flush();
  kept_ = false;
  open_ = true;
  layout_.reset();
  widths_.clear();
  cells_.clear();
  totals_.clear();
  printedLines_ = 0;
  if (goOn) {
    // The same edition again: it goes on in the kept document, from a new page.
    Broadcast([](EditionRenderer& r) { r.Reopened(); });
    NewPage();
    return;
  }
  relay_.reset();  // an edition that held nothing leaves nothing to play
  touched_ = false;
  title_ = title;
  pageNumber_ = 0;
  pageLine_ = 0;
  pageStarted_ = bodyOnPage_ = breakPending_ = headingsPending_ = false;
  DropStreams();
  ++documents_;
  textRenderer_ = std::make_unique<TextRenderer>(textFile_);
  jsonRenderer_ = std::make_unique<JsonRenderer>(jsonFile_);
  const std::string titleUtf8 = ToUtf8(TrimRight(title));
  csvRenderer_.reset();
  for (const std::string& csvTitle : options_.csvTitles)
    if (TrimRight(csvTitle) == titleUtf8) csvRenderer_ = std::make_unique<CsvRenderer>(csvFile_);
  streamRenderer_ =
      options_.jsonOut != nullptr ? std::make_unique<JsonRenderer>(*options_.jsonOut) : nullptr;
  pdfRenderer_.reset();
  if (options_.pdf && !options_.outDir.empty() && options_.gridPdf)
    pdfRenderer_ = std::make_unique<PdfRenderer>(titleUtf8, options_.pageLength, Draft(".pdf"));
  else if (options_.pdf && !options_.outDir.empty())
    pdfRenderer_ = std::make_unique<TypesetPdfRenderer>(
        TypesetPdfRenderer::Head{options_.company, titleUtf8, options_.yearStart, options_.yearEnd,
                                 options_.date},
        options_.pageLength, Draft(".pdf"), options_.onPdfPage, options_.pdfThreads);
  cellsWanted_ = false;
  Broadcast([this](EditionRenderer& r) { cellsWanted_ = cellsWanted_ || r.WantsCells(); });
  // The files' renderers work on a thread of their own while the module goes on.
  if (!options_.outDir.empty())
    relay_ = std::make_unique<RendererRelay>(std::vector<EditionRenderer*>{
        textRenderer_.get(), jsonRenderer_.get(), csvRenderer_.get(), pdfRenderer_.get()});
}

void EditionEngine::Close(const int16_t& /*flag*/) {
  if (!open_) return;
  if (options_.jsonOut != nullptr) options_.jsonOut->flush();
  open_ = false;
  kept_ = touched_;
}

void EditionEngine::Flush() {
  if (!kept_) return;
  kept_ = false;
  Broadcast([](EditionRenderer& r) { r.Finish(); });
  relay_.reset();
  textRenderer_.reset();
  jsonRenderer_.reset();
  csvRenderer_.reset();
  if (!textTemp_.empty()) WriteFiles();
  DropStreams();
  streamRenderer_.reset();
  pdfRenderer_.reset();
}

void EditionEngine::WriteFiles() {
  const std::string stem = EditionFileStem(NextEditionNumber(options_.outDir), title_);
  const auto base = options_.outDir / stem;
  const auto textFile = std::filesystem::path(base.string() + ".txt");
  textFile_.close();
  jsonFile_.close();
  csvFile_.close();
  if (!textFile_ || !jsonFile_ || (!csvTemp_.empty() && !csvFile_))
    throw HostError(ErrorKind::kIo, "HostEdition.Close", textTemp_.string(),
                    "impossible d'écrire le fichier");
  std::error_code ec;
  std::filesystem::rename(textTemp_, textFile, ec);
  if (!ec) std::filesystem::rename(jsonTemp_, base.string() + ".jsonl", ec);
  if (!ec && !csvTemp_.empty()) std::filesystem::rename(csvTemp_, base.string() + ".csv", ec);
  if (ec)
    throw HostError(ErrorKind::kIo, "HostEdition.Close", textFile.string(),
                    "impossible d'écrire le fichier");
  textTemp_.clear();
  jsonTemp_.clear();
  csvTemp_.clear();
  if (pdfRenderer_) pdfRenderer_->Write(base.string() + ".pdf");
  lastText_ = textFile;
  if (options_.onClosed) options_.onClosed(ToUtf8(TrimRight(title_)), textFile);
}

void EditionEngine::Broadcast(const std::function<void(EditionRenderer&)>& call) {
  if (relay_) {
    call(*relay_);
  } else {
    for (EditionRenderer* r : std::initializer_list<EditionRenderer*>{
             textRenderer_.get(), jsonRenderer_.get(), csvRenderer_.get(), pdfRenderer_.get()})
      if (r != nullptr) call(*r);
  }
  if (streamRenderer_) call(*streamRenderer_);
}

// ---- Titles and columns ----

void EditionEngine::AddTitle(const std::string& title, const std::string& style) {
  RequireOpen("HostEdition.AddTitle");
  Touch();
  const std::string text(TrimRight(title));
  const int width = std::max(80, LayoutWidth());
  const std::string align = Trimmed(style);
  // Every page header gives the edition's own title: a title line of it would say it twice.
  const bool ownTitle = Trim(text) == Trim(title_);
  if (!ownTitle && (align == "C" || align == "D"))
    Emit(PageLine::Kind::kTitle,
         FitCell(text, std::max(width, static_cast<int>(text.size())),
                 align == "C" ? Alignment::kCenter : Alignment::kRight),
         false);
  else if (!ownTitle)
    Emit(PageLine::Kind::kTitle, text, false);
  Broadcast([&](EditionRenderer& r) { r.Title(ToUtf8(text)); });
}

void EditionEngine::AddStyledTitle(const std::string& text, const std::string& /*style*/,
                                   const std::string& /*font*/) {
  RequireOpen("HostEdition.AddStyledTitle");
  Touch();
  const std::string trimmed(TrimRight(text));
  Emit(PageLine::Kind::kTitle, trimmed, false);
  Broadcast([&](EditionRenderer& r) { r.Title(ToUtf8(trimmed)); });
}

void EditionEngine::DefineColumns(const std::string& descriptor) {
  RequireOpen("HostEdition.DefineColumns");
  try {
    layout_ = ParseEditionDescriptor(descriptor);
  } catch (const DescriptorError& e) {
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.DefineColumns", ToUtf8(descriptor),
                    ToUtf8(e.what()));
  }
  Touch();
  widths_.clear();
  std::vector<std::string> headings;
  names_.clear();
  for (const auto& c : layout_->columns) {
    widths_.push_back(std::max(c.width, static_cast<int>(Trimmed(c.heading).size())));
    names_.push_back(ToUtf8(c.name));
    const std::string group = c.group < 0 ? "" : Trimmed(layout_->groups[c.group].heading);
    headings.push_back(
        ToUtf8(group.empty() ? Trimmed(c.heading) : group + " - " + Trimmed(c.heading)));
  }
  cells_.assign(layout_->columns.size(), Cell{});
  totals_.assign(layout_->columns.size(), Totals{});
  headingsPending_ = true;
  Broadcast([&](EditionRenderer& r) {
    r.Columns(names_, headings);
    r.Layout(*layout_, widths_);
  });
}

// ---- Cells and lines ----

void EditionEngine::SetCell(const std::string& column, const std::string& text,
                            const std::string& /*format*/) {
  RequireOpen("HostEdition.SetCell");
  const int index = ColumnIndex("HostEdition.SetCell", column);
  const ColumnSpec& def = layout_->columns[index];
  Cell cell;
  if (IsNumeric(def.kind)) {
    bool blank = false;
    const auto value = ReadAmountText(text, blank);
    if (!blank) {
      if (!value)
        throw HostError(ErrorKind::kInvalidInput, "HostEdition.SetCell",
                        ToUtf8(def.name + " = " + text), "ce n'est pas un nombre");
      cell = {true, true, *value, {}};
    }
  } else if (def.kind == ColumnKind::kDate && text.size() == 3 && !IsDateText(text)) {
    std::string date;
    HostDates().UnpackText(text, date);
    cell = {true, false, 0, date};
  } else {
    cell = {true, false, 0, text};
  }
  cells_[index] = cell;
}

void EditionEngine::SetAmount(const std::string& column, double value,
                              const std::string& /*format*/) {
  RequireOpen("HostEdition.SetAmount");
  const int index = ColumnIndex("HostEdition.SetAmount", column);
  const ColumnSpec& def = layout_->columns[index];
  if (def.kind == ColumnKind::kDate)
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.SetAmount", ToUtf8(def.name),
                    "un montant ne va pas dans une colonne de dates");
  if (IsNumeric(def.kind))
    cells_[index] = {true, true, value, {}};
  else
    cells_[index] = {true, false, 0, FormatFrenchAmount(value, 2)};
}

void EditionEngine::CellText(int column, const Cell& cell, std::string& text) const {
  if (!cell.set) {
    text.clear();
  } else if (cell.isNumber) {
    const ColumnSpec& def = layout_->columns[column];
    text = FitAmount(cell.number, DecimalsOf(def), widths_[column]);
  } else {
    text.assign(cell.text);
  }
}

void EditionEngine::PrintLine() {
  RequireOpen("HostEdition.PrintLine");
  if (!layout_)
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.PrintLine", ToUtf8(title_),
                    "les colonnes de l'édition ne sont pas définies");
  Touch();
  lineTexts_.resize(cells_.size());
  if (lineValues_.size() < cells_.size()) lineValues_.resize(cells_.size());
  std::size_t valueCount = 0;
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    const Cell& cell = cells_[i];
    const ColumnSpec& def = layout_->columns[i];
    CellText(static_cast<int>(i), cell, lineTexts_[i]);
    if (!cell.set) continue;
    if (cell.isNumber) {
      const double rounded = RoundHalfAway(cell.number, DecimalsOf(def));
      CellValue& value = lineValues_[valueCount++];
      value.column.assign(names_[i]);
      value.isNumber = true;
      value.number = rounded;
      value.text.clear();
      if (def.totalled)
        totals_[i].level1 = RoundHalfAway(totals_[i].level1 + rounded, DecimalsOf(def));
    } else if (const std::string_view text = TrimRight(cell.text); !text.empty()) {
      CellValue& value = lineValues_[valueCount++];
      value.column.assign(names_[i]);
      value.isNumber = false;
      value.number = 0;
      value.text.clear();
      AppendUtf8(value.text, text);
    }
  }
  lineRow_.clear();
  AppendRowText(lineRow_, lineTexts_);
  Emit(PageLine::Kind::kBody, lineRow_, true, &lineTexts_);
  const std::span<const CellValue> values(lineValues_.data(), valueCount);
  Broadcast([&](EditionRenderer& r) { r.Line(values); });
  ++printedLines_;
  for (Cell& cell : cells_) cell.set = cell.isNumber = false, cell.number = 0, cell.text.clear();
}

void EditionEngine::Step(const int16_t& /*count*/) {
  RequireOpen("HostEdition.Step");
  Broadcast([](EditionRenderer& r) { r.Step(); });
}

// ---- Totals ----

void EditionEngine::Carry(int column, const std::string& sign) {
  const std::string s = Trimmed(sign);
  Totals& t = totals_[column];
  const int decimals = DecimalsOf(layout_->columns[column]);
  if (s == "+")
    t.level2 = RoundHalfAway(t.level2 + t.level1, decimals);
  else if (s == "-")
    t.level2 = RoundHalfAway(t.level2 - t.level1, decimals);
  else if (!s.empty())
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.CarryTotal", ToUtf8(sign),
                    "signe de report inconnu (+, - ou rien)");
}

void EditionEngine::PrintTotalRow(const char* operation, const std::string& descriptor,
                                  const std::string& sign, bool closeLevel1) {
  RequireOpen(operation);
  const std::string s = Trimmed(sign);
  if (!s.empty() && s != "+" && s != "-")
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(sign),
                    "signe de report inconnu (+, - ou rien)");
  TotalLineSpec def;
  try {
    def = ParseTotalLineDescriptor(descriptor);
  } catch (const DescriptorError& e) {
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(descriptor), ToUtf8(e.what()));
  }
  Touch();
  std::vector<std::string> texts(layout_ ? layout_->columns.size() : 0);
  std::string label;
  std::vector<CellValue> labels;
  for (const auto& l : def.labels) {
    const int index = ColumnIndex(operation, l.column);
    texts[index] = l.text;
    label += (label.empty() ? "" : " ") + l.text;
    labels.push_back({ToUtf8(layout_->columns[index].name), false, 0, ToUtf8(l.text)});
  }
  std::vector<CellValue> values;
  std::vector<int> carried;
  for (const auto& t : def.totals) {
    const int index = ColumnIndex(operation, t.column);
    const ColumnSpec& column = layout_->columns[index];
    if (!column.totalled)
      throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(t.column),
                      "cette colonne ne tient pas de total");
    const double value = t.level == 1 ? totals_[index].level1 : totals_[index].level2;
    texts[index] = FitAmount(value, DecimalsOf(column), widths_[index]);
    values.push_back({ToUtf8(column.name), true, RoundHalfAway(value, DecimalsOf(column)), {}});
    if (t.level == 1) carried.push_back(index);
  }
  Emit(PageLine::Kind::kTotal, RowText(texts), true, &texts);
  Broadcast([&](EditionRenderer& r) { r.Total(ToUtf8(label), values, labels); });
  for (const int index : carried) {
    Carry(index, sign);
    if (closeLevel1) totals_[index].level1 = 0;
  }
}

void EditionEngine::PrintSectionTotalLine(const std::string& descriptor, const std::string& sign) {
  PrintTotalRow("HostEdition.PrintSectionTotalLine", descriptor, sign, true);
}

void EditionEngine::PrintTotalLine(const std::string& descriptor, const std::string& sign) {
  PrintTotalRow("HostEdition.PrintTotalLine", descriptor, sign, false);
}

void EditionEngine::CarryTotal(const std::string& column, const int16_t& level,
                               const std::string& sign) {
  RequireOpen("HostEdition.CarryTotal");
  const int index = ColumnIndex("HostEdition.CarryTotal", column);
  if (!layout_->columns[index].totalled)
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.CarryTotal", ToUtf8(column),
                    "cette colonne ne tient pas de total");
  if (level != 1)
    throw HostError(ErrorKind::kInvalidInput, "HostEdition.CarryTotal", ToUtf8(column),
                    "seul le niveau 1 se reporte (niveau " + std::to_string(level) + ")");
  Carry(index, sign);
  totals_[index].level1 = 0;
}

void EditionEngine::ResetTotals(const std::string& columns) {
  RequireOpen("HostEdition.ResetTotals");
  for (const int index : ColumnList("HostEdition.ResetTotals", columns)) totals_[index] = {};
}

void EditionEngine::DrawRule(const char* operation, const std::string& columns) {
  RequireOpen(operation);
  const std::vector<int> indexes = ColumnList(operation, columns);
  std::vector<std::string> texts(layout_ ? layout_->columns.size() : 0);
  bool any = false;
  for (const int index : indexes) {
    if (!layout_->columns[index].totalled) continue;
    texts[index] = std::string(widths_[index], '-');
    any = true;
  }
  if (any) Emit(PageLine::Kind::kRule, RowText(texts), true, &texts);
}

void EditionEngine::SectionTotals(const std::string& columns, const int16_t& /*flag*/) {
  DrawRule("HostEdition.SectionTotals", columns);
}

void EditionEngine::PrintTotals(const std::string& columns) {
  DrawRule("HostEdition.PrintTotals", columns);
}

// ---- Pages ----

void EditionEngine::Feed(const int16_t& lines) {
  RequireOpen("HostEdition.Feed");
  if (!pageStarted_ || breakPending_ || !bodyOnPage_) return;
  for (int i = 0; i < lines && pageLine_ < options_.pageLength; ++i)
    Put(PageLine::Kind::kBlank, "");
}

void EditionEngine::NewPage() {
  RequireOpen("HostEdition.NewPage");
  if (!pageStarted_ || breakPending_ || !bodyOnPage_) return;
  breakPending_ = true;
  Broadcast([](EditionRenderer& r) { r.Page(); });
}

bool EditionEngine::Interrupted() const {
  if (options_.interruptRequested && options_.interruptRequested()) return true;
  return options_.interruptAfter >= 0 && printedLines_ >= options_.interruptAfter;
}

int16_t EditionEngine::PageLength() const { return static_cast<int16_t>(options_.pageLength); }

int16_t EditionEngine::PageLine() const {
  return static_cast<int16_t>(pageStarted_ && !breakPending_ ? pageLine_ : 0);
}

int EditionEngine::LayoutWidth() const {
  if (!layout_ || widths_.empty()) return 0;
  int width = static_cast<int>(widths_.size()) - 1;
  for (const int w : widths_) width += w;
  return width;
}

std::string EditionEngine::RowText(const std::vector<std::string>& cellTexts) const {
  std::string row;
  AppendRowText(row, cellTexts);
  return row;
}

void EditionEngine::AppendRowText(std::string& row,
                                  const std::vector<std::string>& cellTexts) const {
  const std::size_t start = row.size();
  for (std::size_t i = 0; i < widths_.size(); ++i) {
    if (i > 0) row.push_back(' ');
    const std::string_view text = i < cellTexts.size() ? cellTexts[i] : std::string_view();
    const int width = widths_[i];
    // An amount wider than its column is printed whole rather than cut.
    if (static_cast<int>(text.size()) > width && IsNumeric(layout_->columns[i].kind))
      row += text;
    else
      AppendFitted(row, text, width, layout_->columns[i].align);
  }
  row.resize(start + TrimRight(std::string_view(row).substr(start)).size());
}

std::vector<std::string> EditionEngine::HeadingRows() const {
  std::vector<std::string> rows;
  if (!layout_) return rows;
  if (!layout_->groups.empty()) {
    std::string row;
    int column = 0;
    const int count = static_cast<int>(widths_.size());
    while (column < count) {
      if (column > 0) row.push_back(' ');
      const int group = layout_->columns[column].group;
      if (group < 0) {
        row += std::string(widths_[column], ' ');
        ++column;
        continue;
      }
      const ColumnGroup& g = layout_->groups[group];
      int span = g.count - 1;
      for (int k = g.first; k < g.first + g.count; ++k) span += widths_[k];
      row += FitCell(Trimmed(g.heading), span, Alignment::kCenter);
      column = g.first + g.count;
    }
    rows.emplace_back(TrimRight(row));
  }
  std::vector<std::string> headings;
  for (const auto& c : layout_->columns) headings.push_back(Trimmed(c.heading));
  rows.push_back(RowText(headings));
  rows.push_back(std::string(LayoutWidth(), '-'));
  return rows;
}

void EditionEngine::Emit(PageLine::Kind kind, const std::string& textCp1252, bool underColumns,
                         const std::vector<std::string>* cellTexts) {
  const auto headingCount = [&] {
    return underColumns && headingsPending_ ? static_cast<int>(HeadingRows().size()) : 0;
  };
  if (!pageStarted_ || breakPending_ || pageLine_ + 1 + headingCount() > options_.pageLength)
    StartPage();
  if (underColumns && headingsPending_) {
    for (const auto& row : HeadingRows()) Put(PageLine::Kind::kHeading, row);
    headingsPending_ = false;
  }
  Put(kind, textCp1252, cellTexts);
  bodyOnPage_ = true;
}

void EditionEngine::StartPage() {
  ++pageNumber_;
  pageStarted_ = true;
  breakPending_ = false;
  bodyOnPage_ = false;
  pageLine_ = 0;
  headingsPending_ = layout_.has_value();
  Broadcast([&](EditionRenderer& r) { r.StartPage(pageNumber_); });

  const int width = std::max(80, LayoutWidth());
  const auto spread = [width](const std::string& left, const std::string& right) {
    const int gap = std::max(1, width - static_cast<int>(left.size() + right.size()));
    return left + std::string(gap, ' ') + right;
  };
  Put(PageLine::Kind::kHeader,
      spread(FromUtf8(options_.company), "Page " + std::to_string(pageNumber_)));
  Put(PageLine::Kind::kHeader, spread(std::string(TrimRight(title_)), FromUtf8(options_.date)));
  Put(PageLine::Kind::kHeader, std::string(width, '='));
}

void EditionEngine::Put(PageLine::Kind kind, const std::string& textCp1252,
                        const std::vector<std::string>* cellTexts) {
  platform::PageLine& line = putLine_;
  line.kind = kind;
  line.text.clear();
  AppendUtf8(line.text, TrimRight(textCp1252));
  line.cells = nullptr;
  if (cellsWanted_ && cellTexts != nullptr) {
    // Each cell as the text edition shows it in its column (a text cut at its width).
    putCells_.resize(widths_.size());
    for (std::size_t i = 0; i < widths_.size(); ++i) {
      const std::string_view text = i < cellTexts->size() ? (*cellTexts)[i] : std::string_view();
      putCells_[i].clear();
      AppendUtf8(putCells_[i], IsNumeric(layout_->columns[i].kind)
                                   ? Trim(text)
                                   : TrimRight(text.substr(
                                         0, static_cast<std::size_t>(std::max(widths_[i], 0)))));
    }
    line.cells = &putCells_;
  }
  Broadcast([&](EditionRenderer& r) { r.Put(line); });
  ++pageLine_;
}

}  // namespace actifix::platform
