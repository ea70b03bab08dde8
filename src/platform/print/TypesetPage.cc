// The spool of the typeset PDF: each page as little-endian 32-bit sizes and raw bytes.
#include "platform/print/TypesetPage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace actifix::platform::typeset {
namespace {

// A page is spooled as its size, then its bytes: written and read back by one call each.
void PutInt(std::string& out, uint32_t value) {
  const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                         static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
  out.append(bytes, 4);
}
void PutString(std::string& out, const std::string& text) {
  PutInt(out, static_cast<uint32_t>(text.size()));
  out.append(text);
}

// Reads a page's bytes; past their end it reads zeros and `ok` turns false.
struct Reader {
  std::string_view bytes;
  bool ok = true;
  uint32_t Int() {
    if (bytes.size() < 4) return ok = false, bytes = {}, 0;
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data());
    bytes.remove_prefix(4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
  }
  void String(std::string& text) {
    const uint32_t size = Int();
    if (size > bytes.size()) return ok = false, bytes = {}, text.clear();
    text.assign(bytes.substr(0, size));
    bytes.remove_prefix(size);
  }
};

// A chart's figures go as texts, one per label and series, "" for a series not drawn.
void SpoolChart(std::string& out, const Chart& chart) {
  PutString(out, chart.title);
  PutInt(out, static_cast<uint32_t>(chart.labels.size()));
  for (std::size_t i = 0; i < chart.labels.size(); ++i) {
    PutString(out, chart.labels[i]);
    for (const std::vector<double>* series : {&chart.bars, &chart.bars2, &chart.line})
      PutString(out, series->empty() ? "" : std::to_string((*series)[i]));
  }
  for (const std::string& name : chart.names) PutString(out, name);
}

void UnspoolChart(Reader& in, Chart& chart) {
  chart = {};
  in.String(chart.title);
  chart.labels.resize(std::min<std::size_t>(in.Int(), in.bytes.size()));
  std::string value;
  for (std::string& label : chart.labels) {
    in.String(label);
    for (std::vector<double>* series : {&chart.bars, &chart.bars2, &chart.line}) {
      in.String(value);
      if (!value.empty()) series->push_back(std::strtod(value.c_str(), nullptr));
    }
  }
  if (!chart.labels.empty()) chart.names.resize(3);
  for (std::string& name : chart.names) in.String(name);
}

}  // namespace

void SpoolPage(std::ostream& out, const Page& page) {
  thread_local std::string bytes;
  bytes.assign(4, '\0');  // the size, set below
  PutString(bytes, page.criteria);
  PutInt(bytes, static_cast<uint32_t>(page.lines.size()));
  for (const Row& line : page.lines) {
    PutInt(bytes, static_cast<uint32_t>(line.kind) | (line.band ? 0x100u : 0u));
    PutInt(bytes, static_cast<uint32_t>(line.table + 1));
    PutString(bytes, line.text);
    PutInt(bytes, static_cast<uint32_t>(line.cells.size()));
    for (const std::string& cell : line.cells) PutString(bytes, cell);
  }
  SpoolChart(bytes, page.chart);
  std::string size;
  PutInt(size, static_cast<uint32_t>(bytes.size() - 4));
  bytes.replace(0, 4, size);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool UnspoolPage(std::istream& in, Page& page) {
  thread_local std::string bytes;
  bytes.resize(4);
  in.read(bytes.data(), 4);
  Reader size{bytes};
  bytes.resize(in ? size.Int() : 0);
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Reader r{in ? std::string_view(bytes) : std::string_view()};
  r.ok = static_cast<bool>(in);
  r.String(page.criteria);
  page.lines.resize(std::min<std::size_t>(r.Int(), r.bytes.size()));
  for (Row& line : page.lines) {
    const uint32_t kind = r.Int();
    line.kind = static_cast<PageLine::Kind>(kind & 0xFF);
    line.band = (kind & 0x100) != 0;
    line.table = static_cast<int>(r.Int()) - 1;
    r.String(line.text);
    line.cells.resize(std::min<std::size_t>(r.Int(), r.bytes.size()));
    for (std::string& cell : line.cells) r.String(cell);
  }
  UnspoolChart(r, page.chart);
  return r.ok;
}

}  // namespace actifix::platform::typeset
