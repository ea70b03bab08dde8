// The fiscal plans through the program on both stores: the export's columns, the import's
// refusals and round trip, a copy, a backup's restore, and check with an orphan plan.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <vector>

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/BackendData.h"

namespace actifix::testing {
namespace {

class FiscalPlansTest : public OnEachBackendData {
 protected:
  void SetUp() override {
    OnEachBackendData::SetUp();
    for (const std::string code : {"F1", "F2"}) {
      ASSERT_EQ(Run("company create " + code + " --year 01/01/2026 31/12/2026").status, 0);
      ASSERT_EQ(Run("--company " + code + " generate --assets 2").status, 0);
    }
    ASSERT_EQ(Run("company fiscal F2 --on --comptes 68112 675 775").status, 0);
  }
  ProgramRun Run(const std::string& args, const std::string& data = "") {
    return RunProgram("--data '" + (data.empty() ? data_ : data) + "' " + args,
                      (dir_.path() / "run").string());
  }
  // Writes `bytes` to a file and runs `args` with its name in place of FILE.
  ProgramRun With(const std::string& bytes, std::string args, const std::string& data = "") {
    std::ofstream(dir_.path() / "file", std::ios::binary) << bytes;
    return Run(args.replace(args.find("FILE"), 4, (dir_.path() / "file").string()), data);
  }
  // The export, in the data directory, or where ACTIFIX_OUT says for a server.
  std::string Export(const std::string& code, const std::string& data = "") {
    const std::string at = data.empty() ? data_ : data;
    const std::string run = "--company " + code + " run ImmoExcel --script FILE --out ";
    EXPECT_EQ(With("", run + dir_.path().string(), at).status, 0);
    return FileBytes((at.starts_with("postgres") ? dir_.path() : std::filesystem::path(at)) /
                     (code + "Immo.csv"));
  }
  // Runs `sql` in company F1, a database file or a schema of the server.
  void InF1(const std::string& sql) {
    if (OnServer()) return (void)Sql(data_, "SET search_path TO \"actifix_F1\";" + sql);
    sqlite3* db = nullptr;
    sqlite3_open((data_ + "/F1Actifix.db").c_str(), &db);
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    sqlite3_close(db);
  }
  // The run's status, and each of `lines` in what it printed.
  static void Expect(const ProgramRun& run, int status, const std::vector<std::string>& lines) {
    EXPECT_EQ(run.status, status) << run.out;
    for (const std::string& line : lines)
      EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
  }
};

const std::string kPresse = "MOB;901;15/03/2026;F;Presse;;12000,00;L;20,00;;;;;[];;;";
// Deletes card 901, raises the cumulative of card 903 to its value.
const std::string kCards =
    "CONF\nCODNATI = MOB\nNUMNATI = 00901 F6\nCONFIRM yes\nCODNATI\nNUMNATI = 00903\nDATACQ\n"
    "NOMFRN\nDESCRI\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ\nMODAMO\nTAUX\nCUMAMO = 8000\n"
    "DOTAMO = 0\nCODNATI =\n";
// Fiscal declining against economic linear; a shorter fiscal duration; a typed charge below
// the economic one, written back within the balance. Then their current year as exported.
const std::string kPlans[][3] = {
    {"MOB   ;00901;", kPresse + "D;20,00;0;0;;;;", ";D;20,00;0,00;0,00;0,00;3500,00;1580,00;0,00"},
    {"MOB   ;00902;", "MOB;902;01/01/2026;F;Bureau;;10000,00;L;12,50;;;;;[];;;L;20,00;0;0;;;;",
     ";L;20,00;0,00;0,00;0,00;2000,00;750,00;0,00"},
    {"MOB   ;00903;",
     "MOB;903;01/01/2024;F;Serveur;;8000,00;L;20,00;3200,00;;;;[];;;E;;1000,00;500,00;900,00;;;",
     ";E;0,00;1000,00;500,00;900,00;900,00;0,00;500,00"}};

TEST_P(FiscalPlansTest, TravelThroughExportImportCopyBackupAndCheck) {
  // The header of the export with the fiscal columns, from a company with the option on.
  const std::string empty = Export("F2"), header = empty.substr(0, empty.find("\r\n") + 2);
  std::string file = header;
  for (const auto& plan : kPlans) file += plan[1] + "\n";
  Expect(With(file, "--company F1 import FILE"), 1,
         {"ligne 2, colonne Mode Fiscal : plan fiscal refusé : l'option fiscale de l'entreprise "
          "est désactivée ; activez-la par « actifix company fiscal F1 --on »"});
  ASSERT_EQ(Run("company fiscal F1 --on --comptes 68112 675 775").status, 0);
  // Faulty fiscal fields, refused with their column and the card's words (the card's own
  // refusals: the card's fiscal-plan scenario).
  for (const auto& [fields, message] : std::vector<std::pair<std::string, std::string>>{
           {"D;50,00;0;0;", "Taux Fiscal : taux de 33,33 au plus pour le mode D"},
           {"D;2,5x;0;0;", "Taux Fiscal : taux non valable"},
           {"D;20;0;-1;", "Solde Dérogatoire Début : montant négatif"},
           {"D;20;0;0;5", "Dotation Fiscale Saisie : dotation fiscale saisie en mode E seulement"},
           {";20;0;0;", "Taux Fiscal : valeur sans mode fiscal"}})
    Expect(With(header + kPresse + fields + ";;;\n", "--company F1 import FILE --dry-run"), 1,
           {"ligne 2, colonne " + message});
  ASSERT_EQ(With(file, "--company F1 import FILE").status, 0);
  const std::string exported = Export("F1");
  // The export's lines of the plans, fed back to a company built alike, give the same file.
  std::string lines = exported.substr(0, exported.find("\r\n") + 2);
  for (const auto& plan : kPlans) {
    const std::size_t at = exported.find("\n" + plan[0]) + 1;
    lines += exported.substr(at, exported.find("\r\n", at) + 2 - at);
    EXPECT_EQ(lines.substr(lines.size() - 2 - plan[2].size(), plan[2].size()), plan[2]);
  }
  ASSERT_EQ(With(lines, "--company F2 import FILE").status, 0);
  EXPECT_EQ(Export("F2"), exported);
  // A copy carries the plans; so do a backup and its restore.
  const std::string copy = (dir_.path() / "copy").string();
  ASSERT_EQ(Run("company copy F1 --to " + copy).status, 0);
  EXPECT_EQ(Export("F1", copy), exported);
  const auto companies = platform::MakeCompanyStore(data_);
  const platform::Backup backup = companies->TakeBackup(*companies->Open("F1"), "F1");
  InF1("DELETE FROM \"k_Immof\"; DELETE FROM \"r_Immof\"");
  EXPECT_NE(Export("F1"), exported);
  companies->Restore("F1", backup);
  EXPECT_EQ(Export("F1"), exported);
  // With the option off, a card deleted leaves its plan and another's cumulative goes past
  // what its balance allows; a plan's key is lost. The repair removes the plan, rebuilds the
  // keys, and leaves the figures to the card's fiscal page.
  ASSERT_EQ(Run("company fiscal F1 --off").status, 0);
  ASSERT_EQ(With(kCards, "--company F1 run EntImo --script FILE --out " + copy).status, 0);
  InF1("DELETE FROM \"k_Immof\" WHERE num = 2");
  const std::string balance =
      "MOB 00903 : plan fiscal : solde au-delà de la valeur nette comptable (0,00)";
  Expect(Run("--company F1 check"), 1,
         {"MOB 00901 : plan fiscal sans immobilisation (enregistrement 1 du fichier Immof)",
          "plan fiscal MOB 00902 : clé « Immof » absente", balance});
  Expect(Run("--company F1 check --repair"), 1,
         {"plan fiscal MOB 00901 : enregistrement 1 du fichier Immof retiré",
          "fichier de clés « Immof » reconstruit depuis les fiches : 1 clé(s) ajoutée(s), 0 "
          "retirée(s), 2 au total",
          balance, "Après réparation : 1 anomalie"});
}

INSTANTIATE_TEST_SUITE_P(Stores, FiscalPlansTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
