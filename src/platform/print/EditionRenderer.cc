// The paged-text and JSON-lines renderers of an edition.
#include <nlohmann/json.hpp>

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

}  // namespace

void JsonRenderer::Title(const std::string& text) {
  Json line;
  line["kind"] = "title";
  line["text"] = text;
  out_ << line.dump() << '\n';
}

void JsonRenderer::Columns(const std::vector<std::string>& names) {
  Json line;
  line["kind"] = "columns";
  line["names"] = names;
  out_ << line.dump() << '\n';
}

void JsonRenderer::Line(const std::vector<CellValue>& cells) {
  Json line;
  line["kind"] = "line";
  line["cells"] = CellsObject(cells);
  out_ << line.dump() << '\n';
}

void JsonRenderer::Total(const std::string& label, const std::vector<CellValue>& cells) {
  Json line;
  line["kind"] = "total";
  line["label"] = label;
  line["cells"] = CellsObject(cells);
  out_ << line.dump() << '\n';
}

void JsonRenderer::Step() { out_ << R"({"kind":"step"})" << '\n'; }

void JsonRenderer::Page() { out_ << R"({"kind":"page"})" << '\n'; }

}  // namespace actifix::platform
