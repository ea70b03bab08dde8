#include "export/MImmoExcel.h"

#include "front/MImmo.h"
#include "host/Cp1252.h"

namespace actifix {

namespace {

const std::string kHeader(
    "Code Nature;No d'Ordre;Date d'Acquisition;Fournisseur;Description;Remarque;"
    "Valeur d'Acquisition;Mode;Taux;Cumul Début;Date Cession;Client Cession;"
    "Dotation Exercice;Codes Ana;Mt Cession;Cpt Tresorerie"_w);
const std::string kMessageStart = "Le Fichier @";
const std::string kMessageEnd("@ va être généré pour Exportation sous Excel"_w);

// Appends the packed amount with 2 decimals, in the host's amount format.
void AppendAmount(std::string& line, const std::string& packed) {
  double value = 0;
  Convert().UnpackDouble(packed, value);
  std::string text;
  Convert().FormatAmount(value, 2, text);
  line += text;
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
  line += a.CODNATI.view();
  line += ';';
  line += a.NUMNATI.view();
  line += ';';
  AppendDate(line, a.DATACQ.str());
  line += ';';
  line += a.NOMFRN.view();
  line += ';';
  line += a.DESCRI.view();
  line += ';';
  line += a.REMIMO.view();
  line += ';';
  AppendAmount(line, a.VALACQ.str());
  line += ';';
  line += a.MODAMO.view();
  line += ';';
  float rate = 0;
  Convert().UnpackSingle(a.TAUX.str(), rate);
  std::string rateText;
  Convert().FormatAmount(static_cast<double>(rate), 2, rateText);
  line += rateText;
  line += ';';
  AppendAmount(line, a.CUMAMO.str());
  line += ';';
  AppendDate(line, a.DATCES.str());
  line += ';';
  line += a.NOMCLT.view();
  line += ';';
  AppendAmount(line, a.DOTAMO.str());
  line += ';';
  line += a.LCANA.view();
  line += ';';
  AppendAmount(line, a.MTCESS.str());
  line += ';';
  line += a.NCTRES.view();
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
  records.WriteLine(file, kHeader);
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
    const std::string line = ExportLine();
    screen.ScrollLine(line);
    records.WriteLine(file, line);
    key = EmptyText();
    keyed.Next(m.kImmo, m.fImmo, found, key);
  }
}

}  // namespace actifix
