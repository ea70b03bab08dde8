// An edition's JSON lines read back for the web view: shown as HTML tables, and written again
// for a spreadsheet as CSV (semicolons, decimal comma, UTF-8) and as a typed XLSX workbook.
// Each "columns" event starts a table; lines and total lines are its rows, cells by column.
#pragma once

#include <filesystem>
#include <string>

namespace actifix::platform::web {

// The edition of `jsonl` as HTML: its title lines, then its tables; after `maxRows` rows the
// rest is left to the downloads, and said so.
std::string EditionHtml(const std::filesystem::path& jsonl, int maxRows);
// Writes the rows of `jsonl` to `csv` / `xlsx`. Throws HostError when a file cannot be written.
void WriteEditionCsv(const std::filesystem::path& jsonl, const std::filesystem::path& csv);
void WriteEditionXlsx(const std::filesystem::path& jsonl, const std::filesystem::path& xlsx);

}  // namespace actifix::platform::web
