#include "platform/xlsx/RegisterSpreadsheet.h"

#include <xlsxwriter.h>

#include <stdlib.h>

#include <algorithm>
#include <memory>

#include "export/ExportColumns.h"
#include "export/FiscalColumns.h"
#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/base/PrivateDirectory.h"
#include "state/Amounts.h"
#include "state/MImmo.h"

namespace actifix::platform {

namespace {

const char* const kOperation = "RegisterSpreadsheet";
// The last row of a sheet (1,048,576 rows, the header included).
constexpr lxw_row_t kLastRow = 1048575;

struct WorkbookCloser {
  void operator()(lxw_workbook* workbook) const { workbook_close(workbook); }
};

void Check(lxw_error error, const std::filesystem::path& path) {
  if (error != LXW_NO_ERROR)
    throw HostError(ErrorKind::kIo, kOperation, path.string(), "impossible d'écrire le classeur",
                    lxw_strerror(error));
}

// Column width in characters: the header or the widest value, and a little air. The list of
// analytic codes holds one code of at most 6 characters per heading of the company.
double ColumnWidth(int id, int32_t headings) {
  const ExportColumn& column = kExportColumns[id];
  int widest = column.width;
  if (id == kColAnalytic) widest = std::min(column.width, 7 * headings + 1);
  if (column.kind == ColumnKind::kDate) widest = 10;
  if (column.kind == ColumnKind::kAmount) widest = 12;
  if (column.kind == ColumnKind::kRate) widest = 6;
  return std::max(static_cast<int>(column.header.size()), widest) + 2;
}

// The value at 2 decimals, as the CSV writes it: never -0 (-0.004 is 0, not "-0,00").
double Number(double value) { return Round2(value) + 0.0; }

// Our own addition, with the company's fiscal option on: the fiscal columns of the asset in
// the buffer after the 16, typed as theirs; empty cells for an asset without a plan.
lxw_error WriteFiscal(lxw_worksheet* sheet, lxw_row_t row, lxw_format* amount) {
  const FiscalValues values = ReadFiscalValues();
  if (!values.planned) return LXW_NO_ERROR;
  const lxw_col_t first = kExportColumnCount;
  const char mode[2] = {values.mode, '\0'};
  lxw_error error = worksheet_write_string(sheet, row, first + kColFiscalMode, mode, nullptr);
  if (error == LXW_NO_ERROR)
    error = worksheet_write_number(sheet, row, first + kColFiscalRate, Number(values.rate), amount);
  for (int id = kColFiscalCumulative; id < kFiscalColumnCount && error == LXW_NO_ERROR; ++id)
    error = worksheet_write_number(sheet, row, first + id, Number(values.amounts[id]), amount);
  return error;
}

}  // namespace

void WriteRegisterSpreadsheet(const std::filesystem::path& path) {
  // The library writes the workbook and its own temporary files by name: in a directory of
  // this program alone, made beside the workbook.
  const PrivateDirectory privateDir(
      path.parent_path() / ("." + path.filename().string() + ".XXXXXX"), kOperation, path.string(),
      "impossible de créer le classeur");
  const std::filesystem::path temporary = privateDir.path() / path.filename();
  std::string tmpdir = privateDir.path().string();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = tmpdir.data();
  std::unique_ptr<lxw_workbook, WorkbookCloser> workbook(
      workbook_new_opt(temporary.string().c_str(), &options));
  if (!workbook)
    throw HostError(ErrorKind::kIo, kOperation, temporary.string(),
                    "impossible de créer le classeur");
  lxw_worksheet* sheet = workbook_add_worksheet(workbook.get(), "Immobilisations");
  lxw_format* bold = workbook_add_format(workbook.get());
  format_set_bold(bold);
  lxw_format* amount = workbook_add_format(workbook.get());
  format_set_num_format(amount, "0.00");
  lxw_format* date = workbook_add_format(workbook.get());
  format_set_num_format(date, "dd/mm/yyyy");
  if (sheet == nullptr || bold == nullptr || amount == nullptr || date == nullptr)
    throw HostError(ErrorKind::kIo, kOperation, temporary.string(),
                    "impossible de créer le classeur");

  worksheet_freeze_panes(sheet, 1, 0);
  for (int column = 0; column < kExportColumnCount; ++column) {
    const ExportColumn& c = kExportColumns[column];
    Check(worksheet_set_column(sheet, column, column, ColumnWidth(column, MImmo().headingCount),
                               nullptr),
          path);
    Check(worksheet_write_string(sheet, 0, column, ToUtf8(c.header).c_str(), bold), path);
  }
  const bool fiscalOn = MImmo().fiscal.on;
  for (int id = 0; fiscalOn && id < kFiscalColumnCount; ++id) {
    const lxw_col_t column = kExportColumnCount + id;
    const std::string header = ToUtf8(kFiscalColumns[id].header);
    Check(worksheet_set_column(sheet, column, column, static_cast<double>(header.size()) + 2,
                               nullptr),
          path);
    Check(worksheet_write_string(sheet, 0, column, header.c_str(), bold), path);
  }

  const MImmoState& m = MImmo();
  HostKeyedFile& keyed = KeyedFile();
  int16_t found = 0;
  std::string key, text;
  lxw_row_t row = 0;
  for (keyed.First(m.kImmo, m.fImmo, found, key); found != 0;
       keyed.Next(m.kImmo, m.fImmo, found, key)) {
    if (row == kLastRow) {
      Runtime().Report(std::string("Classeur limité à 1 048 575 immobilisations : les suivantes "
                                   "ne sont que dans le fichier CSV"_w),
                       kOperation, TrueValue());
      break;
    }
    ++row;
    for (int column = 0; column < kExportColumnCount; ++column) {
      const std::string stored(StoredField(m.immo, column));
      lxw_error error = LXW_NO_ERROR;
      switch (kExportColumns[column].kind) {
        case ColumnKind::kText:
        case ColumnKind::kMode:
          Convert().Trim(stored, text);
          if (!text.empty())
            error = worksheet_write_string(sheet, row, column, ToUtf8(text).c_str(), nullptr);
          break;
        case ColumnKind::kDate: {
          int32_t day = 0;
          Dates().UnpackDate(stored, text, day);
          // Day numbers count from 30/12/1899, as spreadsheets count their dates.
          if (day > 0) error = worksheet_write_number(sheet, row, column, day, date);
          break;
        }
        case ColumnKind::kAmount:
          error =
              worksheet_write_number(sheet, row, column, Number(UnpackedAmount(stored)), amount);
          break;
        case ColumnKind::kRate: {
          float rate = 0;
          Convert().UnpackSingle(stored, rate);
          error = worksheet_write_number(sheet, row, column, Number(rate), amount);
          break;
        }
      }
      Check(error, path);
    }
    if (fiscalOn) Check(WriteFiscal(sheet, row, amount), path);
  }
  Check(workbook_close(workbook.release()), path);
  std::error_code failed;
  std::filesystem::rename(temporary, path, failed);
  if (failed)
    throw HostError(ErrorKind::kIo, kOperation, path.string(),
                    "impossible de remplacer le classeur");
}

}  // namespace actifix::platform
