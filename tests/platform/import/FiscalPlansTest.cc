// The fiscal plans through the program, on a directory and on a server: the export's fiscal
// columns, the import's refusals and its round trip, a copy, a backup and its restore, and
// check finding then removing a plan whose card was deleted while the option was off.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <tuple>

#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/Program.h"

namespace actifix::testing {
namespace {

class FiscalPlansTest : public OnEachBackend {
 protected:
  void SetUp() override {
    setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
    if (OnServer()) data_ = std::getenv("ACTIFIX_TEST_PG");
    for (const std::string code : {"F1", "F2"}) {
      if (OnServer()) Sql(data_, "DROP SCHEMA IF EXISTS \"actifix_" + code + "\" CASCADE");
      ASSERT_EQ(Run("company create " + code + " --year 01/01/2026 31/12/2026").status, 0);
      ASSERT_EQ(Run("--company " + code + " generate --assets 2").status, 0);
    }
  }
  ProgramRun Run(const std::string& args, const std::string& data = "") {
    return RunProgram("--data '" + (data.empty() ? data_ : data) + "' " + args,
                      (dir_.path() / "run").string());
  }
  ProgramRun Import(const std::string& code, const std::string& bytes, const char* flags = "") {
    std::ofstream(dir_.path() / "in.csv", std::ios::binary) << bytes;
    return Run("--company " + code + " import " + (dir_.path() / "in.csv").string() + flags);
  }
  // Operation `op` of company `code` answered by `script`.
  int Operation(const std::string& code, const std::string& op, const std::string& script,
                const std::string& data = "") {
    std::ofstream(dir_.path() / "script") << script;
    return Run("--company " + code + " run " + op + " --script " +
                   (dir_.path() / "script").string() + " --out " + (dir_.path() / "ed").string(),
               data.empty() ? data_ : data)
        .status;
  }
  // The export, in the data directory, or where ACTIFIX_OUT says for a server.
  std::string Export(const std::string& code, const std::string& data = "") {
    const std::string at = data.empty() ? data_ : data;
    EXPECT_EQ(Operation(code, "ImmoExcel", "", at), 0);
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
  TempDir dir_;
  std::string data_ = (dir_.path() / "data").string();
};

const std::string kHeader =
    "Code Nature;No d'Ordre;Date d'Acquisition;Fournisseur;Description;Remarque;Valeur "
    "d'Acquisition;Mode;Taux;Cumul Début;Date Cession;Client Cession;Dotation Exercice;Codes "
    "Ana;Mt Cession;Cpt Tresorerie;Mode Fiscal;Taux Fiscal;Cumul Fiscal Début;Solde Dérogatoire "
    "Début;Dotation Fiscale Saisie\n";
// Fiscal declining against economic linear; a shorter fiscal duration; a typed charge below
// the economic one, written back within the balance. Then their current year as exported.
const std::string kPlans[][3] = {
    {"MOB   ;00901;", "MOB;901;15/03/2026;F;Presse;;12000,00;L;20,00;;;;;[];;;D;20,00;0;0;",
     ";D;20,00;0,00;0,00;0,00;3500,00;1580,00;0,00"},
    {"MOB   ;00902;", "MOB;902;01/01/2026;F;Bureau;;10000,00;L;12,50;;;;;[];;;L;20,00;0;0;",
     ";L;20,00;0,00;0,00;0,00;2000,00;750,00;0,00"},
    {"MOB   ;00903;",
     "MOB;903;01/01/2024;F;Serveur;;8000,00;L;20,00;3200,00;;;;[];;;E;;1000,00;500,00;900,00",
     ";E;0,00;1000,00;500,00;900,00;900,00;0,00;500,00"}};

TEST_P(FiscalPlansTest, TravelThroughExportImportCopyBackupAndCheck) {
  std::string file = kHeader;
  for (const auto& plan : kPlans) file += plan[1] + "\n";
  ProgramRun run = Import("F1", file);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("ligne 2, colonne Mode Fiscal : plan fiscal refusé : l'option fiscale de "
                         "l'entreprise est désactivée ; activez-la par « actifix company fiscal F1 "
                         "--on »"),
            std::string::npos)
      << run.out;
  for (const char* code : {"F1", "F2"})
    ASSERT_EQ(Run(std::string("company fiscal ") + code + " --on --comptes 68112 675 775").status,
              0);
  // Each faulty fiscal field of the first line, refused with its column and the card's words.
  const std::tuple<int, const char*, const char*> faults[] = {
      {16, "X", "Mode Fiscal : mode L (linéaire)"},
      {17, "50,00", "Taux Fiscal : taux de 33,33 au plus pour le mode D"},
      {17, "2,5x", "Taux Fiscal : taux non valable"},
      {18, "12000,01", "Cumul Fiscal Début : cumul fiscal au-delà de la valeur"},
      {19, "12000,01", "Solde Dérogatoire Début : solde au-delà de la valeur nette comptable"},
      {19, "-1", "Solde Dérogatoire Début : montant négatif"},
      {20, "5,00", "Dotation Fiscale Saisie : dotation fiscale saisie en mode E seulement"},
      {16, "", "Taux Fiscal : valeur sans mode fiscal"}};
  for (const auto& [column, value, message] : faults) {
    std::string line = kPlans[0][1];
    std::size_t at = 0;
    for (int c = 0; c < column; ++c) at = line.find(';', at) + 1;
    line.replace(at, line.find(';', at) - at, value);
    run = Import("F1", kHeader + line + "\n", " --dry-run");
    EXPECT_NE(run.out.find(std::string("ligne 2, colonne ") + message), std::string::npos)
        << run.out;
  }
  ASSERT_EQ(Import("F1", file).status, 0);
  const std::string exported = Export("F1");
  // The export's lines of the plans, fed back to a company built alike, give the same file.
  std::string lines = exported.substr(0, exported.find("\r\n") + 2);
  for (const auto& plan : kPlans) {
    const std::size_t at = exported.find("\n" + plan[0]) + 1;
    lines += exported.substr(at, exported.find("\r\n", at) + 2 - at);
    EXPECT_EQ(lines.substr(lines.size() - 2 - plan[2].size(), plan[2].size()), plan[2]);
  }
  ASSERT_EQ(Import("F2", lines).status, 0);
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
  ASSERT_EQ(
      Operation(
          "F1", "EntImo",
          "CONF\nCODNATI = MOB\nNUMNATI = 00901 F6\nCONFIRM yes\nCODNATI\nNUMNATI = "
          "00903\nDATACQ\nNOMFRN\nDESCRI\nREMIMO\nDATCES\n1 = ADM\n2 = AT1\nVALACQ\nMODAMO\nTAUX\n"
          "CUMAMO = 8000\nDOTAMO = 0\nCODNATI =\n"),
      0);
  InF1("DELETE FROM \"k_Immof\" WHERE num = 2");
  const char* const found[] = {
      "MOB 00901 : plan fiscal sans immobilisation (enregistrement 1 du fichier Immof)",
      "plan fiscal MOB 00902 : clé « Immof » absente",
      "MOB 00903 : plan fiscal : solde au-delà de la valeur nette comptable (0,00)",
      "plan fiscal MOB 00901 : enregistrement 1 du fichier Immof retiré",
      "fichier de clés « Immof » reconstruit depuis les fiches : 1 clé(s) ajoutée(s), 0 "
      "retirée(s), 2 au total",
      "Après réparation : 1 anomalie"};
  for (const bool repair : {false, true}) {
    run = Run(std::string("--company F1 check") + (repair ? " --repair" : ""));
    EXPECT_EQ(run.status, 1);
    for (int at = repair ? 2 : 0; at < (repair ? 6 : 3); ++at)
      EXPECT_NE(run.out.find(found[at]), std::string::npos) << run.out;
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, FiscalPlansTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::testing
