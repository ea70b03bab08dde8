#include "platform/web/EditionFiles.h"

#include <xlsxwriter.h>

#include <fstream>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "host/HostError.h"
#include "platform/web/Html.h"

namespace actifix::platform::web {

namespace {

// One row of an edition: a line or a total line, its cells in the order of its columns.
struct EditionRow {
  bool total = false;
  std::string label;                   // a total line's label
  std::vector<nlohmann::json> values;  // per column: a number, a string or null
};

struct EditionVisitor {
  std::function<void(const std::string& title)> title;
  std::function<void(const std::vector<std::string>& names)> columns;
  std::function<void(const EditionRow& row)> row;
  std::function<bool()> done;  // may be empty: whether the rest of the file is not wanted
};

// Reads `jsonl` event by event; a malformed line is skipped.
void Visit(const std::filesystem::path& jsonl, const EditionVisitor& visitor) {
  std::ifstream in(jsonl);
  if (!in) throw HostError(ErrorKind::kIo, "EditionFiles", jsonl.string(), "fichier illisible");
  std::vector<std::string> names;
  for (std::string text; (!visitor.done || !visitor.done()) && std::getline(in, text);) {
    const nlohmann::json event = nlohmann::json::parse(text, nullptr, false);
    if (!event.is_object()) continue;
    const std::string kind = event.value("kind", "");
    if (kind == "title" && visitor.title) {
      visitor.title(event.value("text", ""));
    } else if (kind == "columns") {
      names = event.value("names", std::vector<std::string>());
      if (visitor.columns) visitor.columns(names);
    } else if ((kind == "line" || kind == "total") && event.contains("cells")) {
      EditionRow row;
      row.total = kind == "total";
      row.label = event.value("label", "");
      const nlohmann::json& cells = event["cells"];
      for (const std::string& name : names)
        row.values.push_back(cells.contains(name) ? cells[name] : nlohmann::json());
      if (visitor.row) visitor.row(row);
    }
  }
}

std::string ValueHtml(const nlohmann::json& value) {
  if (value.is_number()) return Num(Escape(Money(value.get<double>())));
  if (value.is_string()) return Escape(value.get<std::string>());
  return "";
}

std::string CsvText(std::string text) {
  if (text.find_first_of(";\"\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string CsvValue(const nlohmann::json& value) {
  if (value.is_number()) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value.get<double>());
    std::string s = text;
    if (const auto dot = s.find('.'); dot != std::string::npos) s[dot] = ',';
    return s;
  }
  return value.is_string() ? CsvText(value.get<std::string>()) : "";
}

}  // namespace

std::string EditionHtml(const std::filesystem::path& jsonl, int maxRows) {
  std::string html;
  bool inTable = false;
  int rows = 0;
  bool cut = false;
  EditionVisitor v;
  v.title = [&](const std::string& title) {
    if (cut) return;
    if (inTable) html += "</table>\n";
    inTable = false;
    html += "<p class=\"title\">" + Escape(title) + "</p>\n";
  };
  v.columns = [&](const std::vector<std::string>& names) {
    if (cut) return;
    if (inTable) html += "</table>\n";
    std::vector<std::string> heads;
    for (const std::string& name : names) heads.push_back(Escape(name));
    html += "<table class=\"edition\">" + Row(heads, true);
    inTable = true;
  };
  v.row = [&](const EditionRow& row) {
    if (cut) return;
    if (++rows > maxRows) {
      cut = true;
      return;
    }
    std::vector<std::string> cells;
    for (const nlohmann::json& value : row.values) cells.push_back(ValueHtml(value));
    if (row.total && !cells.empty() && cells.front().empty()) cells.front() = Escape(row.label);
    std::string tr = Row(cells);
    if (row.total) tr.replace(0, 4, "<tr class=\"total\">");
    html += tr;
  };
  v.done = [&cut] { return cut; };
  Visit(jsonl, v);
  if (inTable) html += "</table>\n";
  if (cut)
    html += "<p class=\"note\">Les " + std::to_string(maxRows) +
            " premières lignes seulement : l'édition entière est dans les téléchargements.</p>\n";
  return html;
}

void WriteEditionCsv(const std::filesystem::path& jsonl, const std::filesystem::path& csv) {
  std::ofstream out(csv, std::ios::binary);
  EditionVisitor v;
  v.columns = [&](const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i) out << (i ? ";" : "") << CsvText(names[i]);
    out << "\r\n";
  };
  v.row = [&](const EditionRow& row) {
    for (std::size_t i = 0; i < row.values.size(); ++i) {
      std::string cell = CsvValue(row.values[i]);
      if (i == 0 && row.total && cell.empty()) cell = CsvText(row.label);
      out << (i ? ";" : "") << cell;
    }
    out << "\r\n";
  };
  Visit(jsonl, v);
  out.close();
  if (!out) throw HostError(ErrorKind::kIo, "EditionFiles", csv.string(), "écriture impossible");
}

void WriteEditionXlsx(const std::filesystem::path& jsonl, const std::filesystem::path& xlsx) {
  struct Closer {
    void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
  };
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  std::string tmpdir = xlsx.parent_path().string();
  options.tmpdir = tmpdir.data();
  std::unique_ptr<lxw_workbook, Closer> workbook(workbook_new_opt(xlsx.c_str(), &options));
  lxw_worksheet* sheet = workbook ? workbook_add_worksheet(workbook.get(), "Edition") : nullptr;
  lxw_format* amount = workbook ? workbook_add_format(workbook.get()) : nullptr;
  lxw_format* bold = workbook ? workbook_add_format(workbook.get()) : nullptr;
  if (sheet == nullptr || amount == nullptr || bold == nullptr)
    throw HostError(ErrorKind::kIo, "EditionFiles", xlsx.string(), "classeur impossible à créer");
  format_set_num_format(amount, "#,##0.00");
  format_set_bold(bold);
  lxw_row_t r = 0;
  constexpr lxw_row_t kLastRow = 1048575;
  EditionVisitor v;
  v.columns = [&](const std::vector<std::string>& names) {
    if (r > kLastRow) return;
    for (std::size_t i = 0; i < names.size(); ++i)
      worksheet_write_string(sheet, r, static_cast<lxw_col_t>(i), names[i].c_str(), bold);
    ++r;
  };
  v.row = [&](const EditionRow& row) {
    if (r > kLastRow) return;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
      const nlohmann::json& value = row.values[i];
      const auto col = static_cast<lxw_col_t>(i);
      if (value.is_number())
        worksheet_write_number(sheet, r, col, value.get<double>(), amount);
      else if (value.is_string())
        worksheet_write_string(sheet, r, col, value.get<std::string>().c_str(), nullptr);
      else if (i == 0 && row.total)
        worksheet_write_string(sheet, r, col, row.label.c_str(), bold);
    }
    ++r;
  };
  Visit(jsonl, v);
  if (workbook_close(workbook.release()) != LXW_NO_ERROR)
    throw HostError(ErrorKind::kIo, "EditionFiles", xlsx.string(), "écriture impossible");
}

}  // namespace actifix::platform::web
