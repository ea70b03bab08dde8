// The register import and the typed spreadsheet, through the program as a user runs them:
// export, import into another company, export again; a file of faulty lines; the forms a
// spreadsheet saves; the cells of the xlsx against the CSV.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "export/ExportColumns.h"
#include "front/NvImmo.h"
#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "platform/app/RegisterGenerator.h"
#include "support/RegisterAudit.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

std::string Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> Split(const std::string& text, const std::string& end) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  for (std::size_t next; (next = text.find(end, at)) != std::string::npos; at = next + end.size())
    parts.push_back(text.substr(at, next - at));
  if (at < text.size()) parts.push_back(text.substr(at));
  return parts;
}

// A company with the natures and analytic codes of the register generator.
class Company {
 public:
  explicit Company(const std::string& code)
      : code_(code), company_("01/01/2026", "31/12/2026", code) {
    auto session = company_.Open("LINTANA = [Service,Atelier]\nCOMPTA\n");
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
    const std::filesystem::path file = company_.dataDir() / "in.csv";
    std::ofstream(file, std::ios::binary) << bytes;
    const std::string command = std::string(ACTIFIX_PROGRAM) + " --data " +
                                company_.dataDir().string() + " --company " + code_ + " import " +
                                file.string() + " " + flags + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    for (int c; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    return {WEXITSTATUS(pclose(pipe)), out};
  }
  std::string Export() {
    company_.Open()->Run("ImmoExcel");
    return Bytes(company_.dataDir() / (code_ + "Immo.csv"));
  }
  TestCompany& company() { return company_; }

 private:
  std::string code_;
  TestCompany company_;
};

// The cells of the sheet of an xlsx file, by reference ("G2"): their attributes and content.
std::map<std::string, std::pair<std::string, std::string>> SheetCells(
    const std::filesystem::path& xlsx, std::string& sheet) {
  FILE* pipe = popen(("unzip -p " + xlsx.string() + " xl/worksheets/sheet1.xml").c_str(), "r");
  for (int c; (c = std::fgetc(pipe)) != EOF;) sheet += static_cast<char>(c);
  pclose(pipe);
  std::map<std::string, std::pair<std::string, std::string>> cells;
  const std::regex cell("<c r=\"([A-Z]+[0-9]+)\"([^>]*)>(.*?)</c>");
  for (auto it = std::sregex_iterator(sheet.begin(), sheet.end(), cell);
       it != std::sregex_iterator(); ++it)
    cells[(*it)[1]] = {(*it)[2], (*it)[3]};
  return cells;
}

// Each value of the CSV line `row` (2 for the first asset) in its typed cell.
void ExpectSameValues(const std::string& csvLine, int row,
                      const std::map<std::string, std::pair<std::string, std::string>>& cells) {
  const std::vector<std::string> fields = Split(csvLine, ";");
  for (int column = 0; column < kExportColumnCount; ++column) {
    const std::string ref = std::string(1, static_cast<char>('A' + column)) + std::to_string(row);
    const auto cell = cells.find(ref);
    std::string field = fields[column];
    HostConvert().Trim(std::string(field), field);
    if (field.empty()) {
      EXPECT_EQ(cell, cells.end()) << ref;
      continue;
    }
    ASSERT_NE(cell, cells.end()) << ref;
    const auto& [attributes, content] = cell->second;
    switch (kExportColumns[column].kind) {
      case ColumnKind::kText:
      case ColumnKind::kMode:
        EXPECT_EQ(attributes, " t=\"inlineStr\"") << ref;
        EXPECT_EQ(content, "<is><t>" + std::regex_replace(ToUtf8(field), std::regex("&"), "&amp;") +
                               "</t></is>")
            << ref;
        break;
      case ColumnKind::kDate: {
        using namespace std::chrono;
        const year_month_day date{year(std::stoi(field.substr(6))),
                                  month(static_cast<unsigned>(std::stoi(field.substr(3, 2)))),
                                  day(static_cast<unsigned>(std::stoi(field.substr(0, 2))))};
        const auto serial = (sys_days(date) - sys_days(1899y / December / 30)).count();
        EXPECT_EQ(content, "<v>" + std::to_string(serial) + "</v>") << ref;
        EXPECT_NE(attributes.find(" s="), std::string::npos) << ref;  // shown as a date
        break;
      }
      default:
        std::replace(field.begin(), field.end(), ',', '.');
        EXPECT_NEAR(std::stod(content.substr(3)), std::stod(field), 0.001) << ref;
        EXPECT_NE(attributes.find(" s="), std::string::npos) << ref;  // shown with 2 decimals
    }
  }
}

const std::string kHeader =
    "Code Nature;No d'Ordre;Date d'Acquisition;Fournisseur;Description;Remarque;Valeur "
    "d'Acquisition;Mode;Taux;Cumul D\xE9"
    "but;Date Cession;Client Cession;Dotation Exercice;Codes Ana;Mt Cession;Cpt Tresorerie";

TEST(Import, RoundTripsTheExportAndRefusesEachFaultyLineWritingNothing) {
  Company source("01");
  source.company().Open()->RunWith([](NvImmo& component) {
    component.LectParamImmo();
    platform::GeneratorOptions generate;
    generate.assets = 400;  // the three modes, disposals, "?" codes, partial disposals
    platform::GenerateRegister(generate);
  });
  const std::string exported = source.Export();
  // The typed spreadsheet beside it holds the same values, header frozen.
  std::string sheet;
  const auto cells = SheetCells(source.company().dataDir() / "01Immo.xlsx", sheet);
  EXPECT_NE(sheet.find("<pane ySplit=\"1\" topLeftCell=\"A2\" activePane=\"bottomLeft\" "
                       "state=\"frozen\"/>"),
            std::string::npos);
  EXPECT_NE(sheet.find("<cols>"), std::string::npos);
  const std::vector<std::string> csvLines = Split(exported, "\r\n");
  ASSERT_EQ(csvLines.size(), 401u);
  for (int row = 2; row <= 401; ++row) ExpectSameValues(csvLines[row - 1], row, cells);
  EXPECT_EQ(cells.count("A402"), 0u);
  Company target("01");  // in a data directory of its own
  auto [status, out] = target.Import(exported, "--dry-run");
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(target.Export(), kHeader + "\r\n") << "a dry run writes nothing";
  std::tie(status, out) = target.Import(exported);
  ASSERT_EQ(status, 0) << out;
  EXPECT_EQ(target.Export(), exported);
  EXPECT_EQ(AuditRegister(target.company()).size(), 400u);  // each asset with exactly its keys

  // Ten faulty lines of ten kinds, between good ones; the company is left as it was.
  std::vector<std::string> lines = Split(exported, "\r\n");
  const auto with = [&](std::size_t line, int column, const std::string& value) {
    std::vector<std::string> f = Split(lines[line], ";");
    f[1] = std::to_string(600 + line);  // not in the register yet
    f[column] = value;
    std::string joined;
    for (const std::string& field : f) joined += (joined.empty() ? "" : ";") + field;
    return joined;
  };
  const std::vector<std::string> faulty = {
      with(1, 3, "Dupont; Fils"),
      with(2, 0, "NOPE"),
      with(3, 13, "[ADM,AT9]"),
      with(4, 2, "31/02/2026"),
      with(5, 7, "X"),
      with(6, 8, "0,00"),
      with(7, 6, "0,004"),
      with(8, 12, "99999999"),
      lines[9],
      with(10, 4, "Tour, fraiseuse"),
  };
  std::string file = kHeader + "\r\n";
  for (std::size_t i = 0; i < faulty.size(); ++i)
    file += faulty[i] + "\r\n" + with(11 + i, 1, std::to_string(500 + i)) + "\r\n";
  std::tie(status, out) = target.Import(file);
  EXPECT_EQ(status, 1);
  const std::vector<std::string> told = Split(out, "\n");
  const std::vector<std::string> expected = {
      "ligne 2, colonne Fournisseur : un « ; » dans le texte décale les colonnes suivantes (17 "
      "champs au lieu de 16)",
      "ligne 4, colonne Code Nature : nature « NOPE » inexistante",
      "ligne 6, colonne Codes Ana : code analytique « AT9 » inexistant pour la rubrique 2",
      "ligne 8, colonne Date d'Acquisition : date « 31/02/2026 » invalide : jj/mm/aaaa attendu",
      "ligne 10, colonne Mode : mode « X » inconnu : L, D ou E",
      "ligne 12, colonne Taux : taux 0,00 refusé : au-dessus de 0 et au plus 100 en mode L ou D",
      "ligne 14, colonne Valeur d'Acquisition : valeur d'acquisition nulle",
      "ligne 20, colonne Description : caractère « , » refusé : « , », « [ » et « ] » sont "
      "réservés aux listes",
  };
  ASSERT_EQ(told.size(), 11u) << out;
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(told[i], expected[i]);
  EXPECT_EQ(told[4], expected[4]);
  EXPECT_EQ(told[5], expected[5]);
  EXPECT_EQ(told[6], expected[6]);
  EXPECT_TRUE(std::regex_match(told[7], std::regex("ligne 16, colonne Dotation Exercice : Cumul "
                                                   "Début \\+ Dotation Exercice = .* dépasse la "
                                                   "valeur d'acquisition .*")))
      << told[7];
  EXPECT_TRUE(
      std::regex_match(told[8], std::regex("ligne 18, colonne No d'Ordre : "
                                           "l'immobilisation .* est déjà dans le registre")))
      << told[8];
  EXPECT_EQ(told[9], expected[7]);
  EXPECT_EQ(told[10], "10 lignes refusées sur 20 : rien n'est importé.");
  EXPECT_EQ(target.Export(), exported);
}

TEST(Import, TakesWhatSpreadsheetsSaveAndComputesEmptyFiguresAsTheCard) {
  Company company("01");
  const auto blanks = [](std::size_t n) { return std::string(n, ' '); };
  const auto exported = [&](const char* number, const char* cumulative, const char* charge) {
    return "MAT   ;" + std::string(number) + ";15/03/2024;Dupont" + blanks(24) +
           ";Tour num\xE9rique" + blanks(16) + ";" + blanks(30) + ";1500,00;L;20,00;" + cumulative +
           ";;" + blanks(30) + ";" + charge + ";[ADM,AT1]" + blanks(31) + ";0,00;" + blanks(10);
  };
  struct Form {
    const char* what;
    std::string file;
  };
  const std::string header = ToUtf8(kHeader);
  const std::vector<Form> forms = {
      {"the export", kHeader + "\r\n" + exported("00001", "243,29", "300,00") + "\r\n"},
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
  for (const Form& form : forms) {
    const auto [status, out] = company.Import(form.file);
    EXPECT_EQ(status, 0) << form.what << ": " << out;
  }
  const std::vector<std::string> lines = Split(company.Export(), "\r\n");
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], exported("00001", "243,29", "300,00"));
  EXPECT_EQ(lines[2], exported("00002", "243,29", "300,00"));
  EXPECT_EQ(lines[3], exported("00003", "243,29", "300,00"));
  // Linear 20 % of 1500 from 15/03/2024: 292 days of 366 in 2024, then 2025; a full 2026.
  EXPECT_EQ(lines[4], exported("00004", "539,34", "300,00"));
  EXPECT_EQ(lines[5], exported("00005", "243,29", "300,00"));
  EXPECT_EQ(lines[6], exported("00006", "243,29", "300,00"));
}

}  // namespace
}  // namespace actifix::testing
