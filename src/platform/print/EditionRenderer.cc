// The paged-text, JSON-lines and CSV renderers of an edition.
#include <nlohmann/json.hpp>

#include <algorithm>

#include "host/Cp1252.h"
#include "host/HostConvert.h"

#include "platform/print/EditionRenderer.h"

namespace actifix::platform {

void TextRenderer::StartPage(int number) {
  if (number > 1) out_ << '\f';
}

void TextRenderer::Put(const PageLine& line) { out_ << line.text << '\n'; }

namespace {

using Json = nlohmann::ordered_json;

Json CellsObject(const std::vector<CellValue>& cells) {
  Json object = Json::object();
  for (const auto& cell : cells) {
    if (cell.isNumber)
      object[cell.column] = cell.number + 0.0;  // never "-0.0"
    else
      object[cell.column] = cell.text;
  }
  return object;
}

// A number as the JSON library writes it (its shortest form), through one writer of the
// library's kept from line to line: a document and a string made for each number cost more
// than the rest of the line.
void AppendNumber(std::string& out, double value) {
  thread_local std::string text;
  thread_local nlohmann::detail::serializer<Json> writer(
      nlohmann::detail::output_adapter<char>(text), ' ');
  text.clear();
  writer.dump(Json(value), false, false, 0);
  out += text;
}

// A text as the JSON library writes it: ", \ and control characters escaped (\b \f \n \r
// \t, the others as \u00xx), the rest as it is. The engine's cells are UTF-8 made by ToUtf8
// from the module's Windows-1252, always well formed, as the library requires.
void AppendString(std::string& out, std::string_view text) {
  out += '"';
  // Runs that need no escape, nearly every text, go in whole.
  const auto plain = [](char c) {
    return c != '"' && c != '\\' && static_cast<unsigned char>(c) >= 0x20;
  };
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = at;
    while (end < text.size() && plain(text[end])) ++end;
    out.append(text, at, end - at);
    if (end == text.size()) break;
    at = end + 1;
    const char c = text[end];
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default: {  // the other control characters
        static const char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out += kHex[(c >> 4) & 0xF];
        out += kHex[c & 0xF];
      }
    }
  }
  out += '"';
}

// The line `{"kind":"line","cells":{...}}` as CellsObject and dump would write it, without
// building an object per line (the editions' most frequent line): an edition's columns are
// distinct (its descriptor refuses a column defined twice), so each key comes once.
void AppendLine(std::string& out, std::span<const CellValue> cells) {
  out += R"({"kind":"line","cells":{)";
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (i > 0) out += ',';
    AppendString(out, cells[i].column);
    out += ':';
    if (cells[i].isNumber)
      AppendNumber(out, cells[i].number + 0.0);  // never "-0.0"
    else
      AppendString(out, cells[i].text);
  }
  out += "}}";
}

}  // namespace

void JsonRenderer::Title(const std::string& text) {
  Json line;
  line["kind"] = "title";
  line["text"] = text;
  out_ << line.dump() << '\n';
}

void JsonRenderer::Columns(const std::vector<std::string>& names,
                           const std::vector<std::string>& /*headings*/) {
  Json line;
  line["kind"] = "columns";
  line["names"] = names;
  out_ << line.dump() << '\n';
}

void JsonRenderer::Line(std::span<const CellValue> cells) {
  buffer_.clear();
  AppendLine(buffer_, cells);
  buffer_ += '\n';
  out_ << buffer_;
}

void JsonRenderer::Total(const std::string& label, const std::vector<CellValue>& cells,
                         const std::vector<CellValue>& /*labels*/) {
  Json line;
  line["kind"] = "total";
  line["label"] = label;
  line["cells"] = CellsObject(cells);
  out_ << line.dump() << '\n';
}

void JsonRenderer::Step() { out_ << R"({"kind":"step"})" << '\n'; }

void JsonRenderer::Page() { out_ << R"({"kind":"page"})" << '\n'; }

void CsvRenderer::Title(const std::string& text) { Write({text}); }

void CsvRenderer::Columns(const std::vector<std::string>& names,
                          const std::vector<std::string>& headings) {
  names_ = names;
  Write(headings);
}

void CsvRenderer::Line(std::span<const CellValue> cells) { Row(cells); }

void CsvRenderer::Total(const std::string& /*label*/, const std::vector<CellValue>& cells,
                        const std::vector<CellValue>& labels) {
  // The labels and the amounts, each in its column, in column order.
  std::vector<CellValue> all(labels);
  all.insert(all.end(), cells.begin(), cells.end());
  std::stable_sort(all.begin(), all.end(), [this](const CellValue& a, const CellValue& b) {
    return ColumnOf(a.column) < ColumnOf(b.column);
  });
  Row(all);
}

std::size_t CsvRenderer::ColumnOf(const std::string& name) const {
  return static_cast<std::size_t>(std::find(names_.begin(), names_.end(), name) - names_.begin());
}

void CsvRenderer::Row(std::span<const CellValue> cells) {
  std::vector<std::string> fields(names_.size());
  std::size_t at = 0;  // cells come in column order
  for (const CellValue& cell : cells) {
    while (at < names_.size() && names_[at] != cell.column) ++at;
    if (at == names_.size()) break;
    if (cell.isNumber)
      HostConvert().FormatAmount(cell.number, 2, fields[at]);
    else
      fields[at] = cell.text;
  }
  Write(fields);
}

void CsvRenderer::Write(const std::vector<std::string>& fieldsUtf8) {
  std::string row;
  for (std::size_t i = 0; i < fieldsUtf8.size(); ++i) {
    if (i > 0) row.push_back(';');
    const std::string field = FromUtf8(fieldsUtf8[i]);
    if (field.find_first_of(";\"\r\n") == std::string::npos) {
      row += field;
      continue;
    }
    row.push_back('"');
    for (const char c : field) {
      if (c == '"') row.push_back('"');
      row.push_back(c);
    }
    row.push_back('"');
  }
  out_ << row << "\r\n";
}

}  // namespace actifix::platform
