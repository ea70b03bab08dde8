// The spreadsheet export byte for byte where the import's round trip cannot see it.
#include <gtest/gtest.h>

#include "front/NvImmo.h"
#include "support/TestCompany.h"
#include "support/TestRegister.h"

namespace actifix::testing {
namespace {

std::string Blanks(std::size_t n) { return std::string(n, ' '); }

const std::string kHeader =
    "Code Nature;No d'Ordre;Date d'Acquisition;Fournisseur;Description;Remarque;"
    "Valeur d'Acquisition;Mode;Taux;Cumul D\xE9"
    "but;Date Cession;Client Cession;"
    "Dotation Exercice;Codes Ana;Mt Cession;Cpt Tresorerie\r\n";

TEST(ImmoExcel, WritesTheRegisterInKeyOrderAsAFrenchSpreadsheetReadsIt) {
  TestCompany company("01/01/2026", "31/12/2026");
  const std::filesystem::path csv = company.dataDir() / "01Immo.csv";
  std::ofstream(csv) << std::string(5000, 'x');  // an earlier, longer file

  // An empty register: the header alone, the information box all the same.
  company.Open("LINTANA = [Service,Atelier]\nCOMPTA\n")->Run("ImmoExcel");
  EXPECT_EQ(FileBytes(csv), kHeader);
  EXPECT_NE(FileBytes(company.transcript())
                .find("BOX Sortie pour Excel: Le Fichier @" + csv.string() +
                      "@ va être généré pour Exportation sous Excel"),
            std::string::npos);

  auto session = company.Open();
  session->RunWith([](NvImmo&) {
    AddAssets(
        "MAT|00001|15/03/2024|1500|L|20|0|243.29|||||[ADM,AT1]|Dupont; Fils|Tour numérique\n"
        "BUR|00002|01/02/2020|1234.565|E|33.33|-0.004|-12.5|30/06/2026|800|SARL Achat||"
        "[COM,AT2]||Bureau d'angle\n");
  });
  session->Run("ImmoExcel");
  // Key order (BUR before MAT); ties rounded away from zero, never "-0,00"; the disposal's
  // date, buyer and price; the ";" of the supplier left as it is.
  const std::string bytes = FileBytes(csv);
  EXPECT_EQ(bytes.substr(0, bytes.find("MAT")),
            kHeader + "BUR   ;00002;01/02/2020;" + Blanks(30) + ";Bureau d'angle" + Blanks(16) +
                ";" + Blanks(30) + ";1234,57;E;33,33;0,00;30/06/2026;SARL Achat" + Blanks(20) +
                ";-12,50;[COM,AT2]" + Blanks(31) + ";800,00;" + Blanks(10) + "\r\n");
  EXPECT_EQ(bytes.substr(bytes.find("MAT")).substr(0, 55),
            "MAT   ;00001;15/03/2024;Dupont; Fils" + Blanks(18) + ";");
}

}  // namespace
}  // namespace actifix::testing
