// The register import and the typed spreadsheet, through the program as a user runs them:
// export, import into another company, export again; a file of faulty lines; the forms a
// spreadsheet saves; the cells of the xlsx against the CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <regex>

#include "export/ExportColumns.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "support/Program.h"
#include "support/RegisterAudit.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

std::vector<std::string> Split(const std::string& text, const std::string& end) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
    parts.push_back(text.substr(at, next - at));
  if (at < text.size()) parts.push_back(text.substr(at));
  return parts;
}

// A company with the natures and analytic codes of the register generator.
struct Company : TestCompany {
  Company() : TestCompany("01/01/2026", "31/12/2026") {
    auto session = Open("LINTANA = [Service,Atelier]\nCOMPTA\n");
    session->Run("LectParamImmo");
    session->RunWith([](NvImmo&) {
      for (const char* nature : {"LOGI", "CONS", "INST", "MAT", "TRANS", "BUR", "MOB"})
        AddNature(nature, nature, "2154", "28154");
      for (const char* code : {"ADM", "PROD", "COM", "LOGI"}) AddAnalytic(1, code, code);
      for (const char* code : {"AT1", "AT2", "AT3", "AT4"}) AddAnalytic(2, code, code);
    });
  }
  // `actifix import FILE flags` on the company: its exit status and what it printed.
  std::pair<int, std::string> Import(const std::string& bytes, const char* flags = "") {
    std::ofstream(dataDir() / "in.csv", std::ios::binary) << bytes;
    const ProgramRun run = RunProgram("--data " + dataDir().string() + " --company 01 import " +
                                          (dataDir() / "in.csv").string() + " " + flags,
                                      (dataDir() / "run").string());
    return {run.status, run.out};
  }
  std::string Export() {
    Open()->Run("ImmoExcel");
    return FileBytes(dataDir() / "01Immo.csv");
  }
};

// The cells of the sheet of an xlsx file, by reference ("G2"): their attributes and content.
using Cells = std::map<std::string, std::pair<std::string, std::string>>;
Cells SheetCells(const std::filesystem::path& xlsx, std::string& sheet) {
  FILE* pipe = popen(("unzip -p " + xlsx.string() + " xl/worksheets/sheet1.xml").c_str(), "r");
  for (int c; (c = std::fgetc(pipe)) != EOF;) sheet += static_cast<char>(c);
  pclose(pipe);
  Cells cells;
  const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(.*?)</c>");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell);
       it != std::sregex_iterator(); ++it)
    cells[(*it)[1]] = {(*it)[2], (*it)[3]};
  return cells;
}

// Each value of the CSV line `row` (2 for the first asset) in its typed cell: texts inline,
// dates as days since 30/12/1899 and amounts as numbers, both with a style that shows them so.
void ExpectSameValues(const std::string& csvLine, int row, const Cells& cells) {
  const std::vector<std::string> fields = Split(csvLine, ";");
  for (int column = 0; column < kExportColumnCount; ++column) {
    const std::string ref = static_cast<char>('A' + column) + std::to_string(row);
    const auto cell = cells.find(ref);
    std::string field;
    HostConvert().Trim(fields[column], field);
    if (field.empty() || cell == cells.end()) {
      EXPECT_EQ(field.empty(), cell == cells.end()) << ref;
      continue;
    }
    const auto& [attributes, content] = cell->second;
    const ColumnKind kind = kExportColumns[column].kind;
    if (kind == ColumnKind::kText || kind == ColumnKind::kMode) {
      EXPECT_EQ(attributes + content,
                " t=\"inlineStr\"<is><t>" +
                    std::regex_replace(ToUtf8(field), std::regex("&"), "&amp;") + "</t></is>")
          << ref;
      continue;
    }
    EXPECT_NE(attributes.find(" s="), std::string::npos) << ref;
    if (kind == ColumnKind::kDate) {
      using namespace std::chrono;
      const sys_days date = year(std::stoi(field.substr(6))) / std::stoi(field.substr(3, 2)) /
                            std::stoi(field.substr(0, 2));
      field = std::to_string((date - sys_days(1899y / December / 30)).count());
    }
    std::replace(field.begin(), field.end(), ',', '.');
    EXPECT_NEAR(std::stod(content.substr(3)), std::stod(field), 0.001) << ref;
  }
}

const std::string kHeader =
    "Code Nature;No d'Ordre;Date d'Acquisition;Fournisseur;Description;Remarque;Valeur "
    "d'Acquisition;Mode;Taux;Cumul D\xE9"
    "but;Date Cession;Client Cession;Dotation Exercice;Codes Ana;Mt Cession;Cpt Tresorerie";

TEST(Import, RoundTripsTheExportAndRefusesEachFaultyLineWritingNothing) {
  Company source;
  // The three modes, disposals, "?" codes, partial disposals.
  source.Open()->RunWith([](NvImmo& component) { component.LectParamImmo(), Generate(400); });
  const std::string exported = source.Export();
  // The typed spreadsheet beside it holds the same values, header frozen.
  std::string sheet;
  const auto cells = SheetCells(source.dataDir() / "01Immo.xlsx", sheet);
  EXPECT_NE(sheet.find("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                       "state=\"frozen\"/>"),
            std::string::npos);
  EXPECT_NE(sheet.find("<cols>"), std::string::npos);
  const std::vector<std::string> lines = Split(exported, "\r\n");
  ASSERT_EQ(lines.size(), 401u);
  for (int row = 2; row <= 401; ++row) ExpectSameValues(lines[row - 1], row, cells);
  EXPECT_EQ(cells.count("A402"), 0u);
  Company target;  // in a data directory of its own
  auto [status, out] = target.Import(exported, "--dry-run");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(target.Export(), kHeader + "\r\n") << "a dry run writes nothing";
  std::tie(status, out) = target.Import(exported);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(target.Export(), exported);
  EXPECT_EQ(AuditRegister(target).size(), 400u);  // each asset with exactly its keys

  // Faulty lines of every kind, each before a good one; the company is left as it was. The
  // amounts, mode and rate are refused with the card screen's own words.
  const auto with = [&](std::size_t line, int column, const std::string& value, const char* mode) {
    std::vector<std::string> f = Split(lines[line], ";");
    if (value.empty()) return lines[line];
    f[kColNumber] = std::to_string(600 + line);  // not in the register yet
    f[column] = value;
    if (mode != nullptr) f[kColMode] = mode;
    std::string joined;
    for (const std::string& field : f) joined += (joined.empty() ? "" : ";") + field;
    return joined;
  };
  const std::string tooLarge = "montant trop grand \\(999 999 999 999,99 au plus\\)";
  const std::string negative = "montant négatif : 0 ou plus attendu";
  const struct {
    int column;
    std::string value;   // "": the line as exported, its key already in the register
    std::string reason;  // a regular expression
    const char* mode = nullptr;
  } faults[] = {
      {kColSupplier, "Dupont; Fils",
       "un « ; » dans le texte décale les colonnes suivantes \\(17 champs au lieu de 16\\)"},
      {kColNature, "NOPE", "nature « NOPE » inexistante"},
      {kColAnalytic, "[ADM,AT9]", "code analytique « AT9 » inexistant pour la rubrique 2"},
      {kColAcquired, "31/02/2026", "date « 31/02/2026 » invalide : jj/mm/aaaa attendu"},
      {kColMode, "X", "mode L \\(linéaire\\), D \\(dégressif\\) ou E \\(exceptionnel\\)"},
      {kColRate, "0,00", "taux entre 0,01 et 100 pour le mode L", "L"},
      {kColRate, "150", "taux entre 0,01 et 100 pour le mode D", "D"},
      {kColValue, "0,00", "valeur à donner, au-dessus de 0"},
      {kColValue, "0,004", "montant non valable \\(exemple : 1 234,56\\)"},
      {kColValue, "17" + std::string(307, '0'), tooLarge},
      {kColValue, "12345678901234567,89", tooLarge},
      {kColValue, "-1500", negative},
      {kColCumulative, "-0,01", negative},
      {kColCharge, "-10", negative},
      {kColProceeds, "-1", negative},
      {kColCharge, "99999999", "dotation plus cumul au-delà de la valeur \\(.*\\)"},
      {kColNumber, "", "l'immobilisation .* est déjà dans le registre"},
      {kColDescription, "Tour, fraiseuse",
       "caractère « , » refusé : « , », « \\[ » et « \\] » sont réservés aux listes"},
  };
  const std::size_t n = std::size(faults);
  std::string file = kHeader + "\r\n";
  for (std::size_t i = 0; i < n; ++i)
    file += with(1 + i, faults[i].column, faults[i].value, faults[i].mode) + "\r\n" +
            with(1 + n + i, kColNumber, std::to_string(500 + i), nullptr) + "\r\n";
  std::tie(status, out) = target.Import(file);
  EXPECT_EQ(status, 1);
  const std::vector<std::string> told = Split(out, "\n");
  ASSERT_EQ(told.size(), n + 1) << out;
  for (std::size_t i = 0; i < n; ++i) {
    const std::string at = "ligne " + std::to_string(2 + 2 * i) + ", colonne " +
                           ToUtf8(std::string(kExportColumns[faults[i].column].header)) + " : ";
    EXPECT_TRUE(std::regex_match(told[i], std::regex(at + faults[i].reason))) << told[i];
  }
  EXPECT_EQ(told[n], std::to_string(n) + " lignes refusées sur " + std::to_string(2 * n) +
                         " : rien n'est importé.");
  EXPECT_EQ(target.Export(), exported);
}

TEST(Import, TakesWhatSpreadsheetsSaveAndComputesEmptyFiguresAsTheCard) {
  Company company;
  const auto blanks = [](std::size_t n) { return std::string(n, ' '); };
  const auto exported = [&](int number, const char* cumulative) {
    return "MAT   ;0000" + std::to_string(number) + ";15/03/2024;Dupont" + blanks(24) +
           ";Tour num\xE9rique" + blanks(16) + ";" + blanks(30) + ";1500,00;L;20,00;" + cumulative +
           ";;" + blanks(30) + ";300,00;[ADM,AT1]" + blanks(31) + ";0,00;" + blanks(10);
  };
  const std::string header = ToUtf8(kHeader);
  const std::pair<const char*, std::string> forms[] = {
      {"UTF-8 with BOM, points, no blanks",
       "\xEF\xBB\xBF" + header +
           "\r\nMAT;2;15/03/2024;Dupont;Tour numérique;;1500.00;L;20.00;"
           "243.29;;;300.00;[ADM,AT1];0;\r\n"},
      {"UTF-8, grouping, short date, lower case, LF",
       header + "\nmat ;3;15/3/2024;Dupont  ;Tour numérique;;1\xE2\x80\xAF"
                "500,00;l;20;243,29;;;"
                "300;[ADM,AT1];;  \n"},
      {"quoted as LibreOffice saves it",
       "\"" + std::regex_replace(header, std::regex(";"), "\";\"") +
           "\"\n\"MAT\";\"6\";15/03/2024;\"Dupont\";\"Tour numérique\";;1500;\"L\";20;243.29;;;300;"
           "\"[ADM,AT1]\";0;\n"},
      {"computed",
       header + "\nMAT;4;15/03/2024;Dupont;Tour numérique;;1500;L;20;;;;;[ADM,AT1];;\n"},
      {"computed charge",
       header + "\nMAT;5;15/03/2024;Dupont;Tour numérique;;1500;L;20;243,29;;;;[ADM,AT1];;\n"},
  };
  for (const auto& [what, file] : forms) {
    const auto [status, out] = company.Import(file);
    EXPECT_EQ(status, 0) << what << ": " << out;
  }
  const std::vector<std::string> lines = Split(company.Export(), "\r\n");
  ASSERT_EQ(lines.size(), 6u);  // numbers 2 to 6; the export's own form is the round trip's
  for (int n = 2; n <= 6; ++n)  // 4: 292 days of 366 in 2024 at 20 % of 1500, then 2025
    EXPECT_EQ(lines[n - 1], exported(n, n == 4 ? "539,34" : "243,29"));
}

// Texts a spreadsheet would run as formulas leave the export with one more apostrophe in front,
// in their field's width unless it was full, and come back from it as they were. As in a
// spreadsheet, an apostrophe before a formula's sign marks a text and is not kept on import.
TEST(Import, FormulaTextsLeaveTheExportAsTextsAndComeBackUnchanged) {
  const std::pair<std::string, std::string> texts[] = {
      // imported, then exported
      {"=HYPERLINK(\"http://x.invalid\")", "'=HYPERLINK(\"http://x.invalid\")"},
      {"+33 1 23 45 67 89", "'+33 1 23 45 67 89"},
      {"-remise", "'-remise"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"'=d\xE9j\xE0", "'=d\xE9j\xE0"},
      {"''=d\xE9j\xE0 prot\xE9g\xE9", "''=d\xE9j\xE0 prot\xE9g\xE9"},
      {"Dupont = Fils", "Dupont = Fils"},
  };
  Company source;
  std::string file = kHeader + "\r\n";
  for (std::size_t i = 0; i < std::size(texts); ++i)
    file += "MAT;" + std::to_string(i + 1) + ";15/03/2026;" + texts[i].first +
            ";=1+1;;1500;L;20;;;;;[];;\r\n";
  auto [status, out] = source.Import(file);
  ASSERT_EQ(status, 0) << out;
  const std::string exported = source.Export();
  const std::vector<std::string> lines = Split(exported, "\r\n");
  ASSERT_EQ(lines.size(), std::size(texts) + 1);
  for (std::size_t i = 0; i < std::size(texts); ++i) {
    const std::vector<std::string> f = Split(lines[i + 1], ";");
    std::string written = texts[i].second;
    written.resize(std::max<std::size_t>(written.size(), 30), ' ');
    EXPECT_EQ(f[kColSupplier], written);
    EXPECT_EQ(f[kColDescription], "'=1+1" + std::string(25, ' '));
  }
  Company target;
  std::tie(status, out) = target.Import(exported);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(target.Export(), exported);
}

}  // namespace
}  // namespace actifix::testing
