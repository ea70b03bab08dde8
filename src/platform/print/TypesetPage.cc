// The spool of the typeset PDF: each page as little-endian 32-bit sizes and raw bytes.
#include "platform/print/TypesetPage.h"

#include <cstdint>
#include <cstdlib>

namespace actifix::platform::typeset {
namespace {

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

// A chart's figures go as texts, one per label and series, "" for a series not drawn.
void SpoolChart(std::ostream& out, const Chart& chart) {
  PutString(out, chart.title);
  PutInt(out, static_cast<uint32_t>(chart.labels.size()));
  for (std::size_t i = 0; i < chart.labels.size(); ++i) {
    PutString(out, chart.labels[i]);
    for (const std::vector<double>* series : {&chart.bars, &chart.bars2, &chart.line})
      PutString(out, series->empty() ? "" : std::to_string((*series)[i]));
  }
  for (const std::string& name : chart.names) PutString(out, name);
}

void UnspoolChart(std::istream& in, Chart& chart) {
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
}

}  // namespace

void SpoolPage(std::ostream& out, const Page& page) {
  PutString(out, page.criteria);
  PutInt(out, static_cast<uint32_t>(page.lines.size()));
  for (const Row& line : page.lines) {
    PutInt(out, static_cast<uint32_t>(line.kind) | (line.band ? 0x100u : 0u));
    PutInt(out, static_cast<uint32_t>(line.table + 1));
    PutString(out, line.text);
    PutInt(out, static_cast<uint32_t>(line.cells.size()));
    for (const std::string& cell : line.cells) PutString(out, cell);
  }
  SpoolChart(out, page.chart);
}

bool UnspoolPage(std::istream& in, Page& page) {
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
  UnspoolChart(in, page.chart);
  return static_cast<bool>(in);
}

}  // namespace actifix::platform::typeset
