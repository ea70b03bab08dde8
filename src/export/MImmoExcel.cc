#include "export/MImmoExcel.h"

#include "depreciation/MImmoAmort.h"
#include "export/ExportColumns.h"
#include "export/FiscalColumns.h"

#include "host/Cp1252.h"
#include "state/MImmo.h"

namespace actifix {

namespace {

const std::string kMessageStart = "Le Fichier @";
const std::string kMessageEnd("@ va être généré pour Exportation sous Excel"_w);

// Appends the amount with 2 decimals, in the host's amount format.
void AppendNumber(std::string& line, double value) {
  std::string text;
  Convert().FormatAmount(value, 2, text);
  line += text;
}

void AppendAmount(std::string& line, const std::string& packed) {
  double value = 0;
  Convert().UnpackDouble(packed, value);
  AppendNumber(line, value);
}

// Our own addition: the fiscal columns of the asset in the buffer, empty when it has no plan.
void AppendFiscal(std::string& line) {
  const FiscalValues values = ReadFiscalValues();
  for (int id = 0; id < kFiscalColumnCount; ++id) {
    line += ';';
    if (!values.planned) continue;
    if (id == kColFiscalMode)
      line += values.mode;
    else if (id == kColFiscalRate)
      AppendNumber(line, static_cast<double>(values.rate));
    else
      AppendNumber(line, values.amounts[id]);
  }
}

void AppendDate(std::string& line, const std::string& packed) {
  std::string text;
  Dates().UnpackText(packed, text);
  line += text;
}

}  // namespace

std::string ExportLine() {
  const AssetRecord& a = MImmo().immo;
  std::string line;
  line.reserve(260);
  for (int id = 0; id < kExportColumnCount; ++id) {
    if (id > 0) line += ';';
    const std::string_view stored = StoredField(a, id);
    switch (kExportColumns[id].kind) {
      case ColumnKind::kText:
        line += NeutralisedText(stored);  // a spreadsheet must not evaluate a typed "=..."
        break;
      case ColumnKind::kMode:
        line += stored;
        break;
      case ColumnKind::kDate:
        AppendDate(line, std::string(stored));
        break;
      case ColumnKind::kAmount:
        AppendAmount(line, std::string(stored));
        break;
      case ColumnKind::kRate: {
        float rate = 0;
        Convert().UnpackSingle(std::string(stored), rate);
        AppendNumber(line, static_cast<double>(rate));
        break;
      }
    }
  }
  if (MImmo().fiscal.on) AppendFiscal(line);
  return line;
}

void ImmoExcel() {
  MImmoState& m = MImmo();
  HostToolkit& toolkit = Toolkit();
  HostRecordFile& records = RecordFile();
  std::string directory, prefix;
  toolkit.DataDirectory(directory);
  toolkit.CompanyPrefix(prefix);
  const std::string fileName = directory + prefix + "Immo.csv";
  int16_t file = 0;
  records.CreateText(fileName, file);
  records.WriteLine(file, m.fiscal.on ? ExportHeader() + FiscalHeader() : ExportHeader());
  int16_t result = 0;
  MessageBox().Show("Information", "Sortie pour Excel", kMessageStart + fileName + kMessageEnd,
                    result);
  HostScreen& screen = Screen();
  screen.OpenScroll(40, 80);
  int16_t status = 0;
  screen.Clear(status);

  HostKeyedFile& keyed = KeyedFile();
  int16_t found = 0;
  std::string key = EmptyText();
  keyed.First(m.kImmo, m.fImmo, found, key);
  while (found != 0) {
    RequireCardFigures("ImmoExcel", false);  // no "nan" in the file
    const std::string line = ExportLine();
    screen.ScrollLine(line);
    records.WriteLine(file, line);
    key = EmptyText();
    keyed.Next(m.kImmo, m.fImmo, found, key);
  }
}

}  // namespace actifix
