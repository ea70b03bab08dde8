// Which store the --data value names: a server address is shown without the password it may
// carry, and nothing is made for it; a directory holds the companies.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>

#include "host/HostError.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/Backend.h"
#include "support/PgSql.h"
#include "support/Program.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {

using actifix::testing::BackendName;
using actifix::testing::EachBackend;
using actifix::testing::OnEachBackend;
namespace {

TEST(CompanyStoreTest, ServersAreNamedWithoutPasswordAndDirectoriesHoldTheCompanies) {
  const actifix::testing::TempDir dir;
  for (const auto& [where, shown] : std::vector<std::pair<std::string, std::string>>{
           {"postgresql://ana:s3cret@db/actifix", "postgresql://ana@db/actifix"},
           {"postgres://ana:s3cret@db", "postgres://ana@db"},
           {"postgresql:///a?host=/tmp/s&password=s3cret&user=ana",
            "postgresql:///a?host=/tmp/s&user=ana"},
           {"postgresql://db/a?password=s3cret", "postgresql://db/a"},
           // Malformed: whatever libpq makes of them, the password goes.
           {"postgresql://ana:s3cret@[::1/actifix", "postgresql://ana@[::1/actifix"},
           {"postgresql://ana:s3/c?r@t@db/a", "postgresql://ana@db/a"},
           {"postgresql:///a?password=s3%zz&host=/x", "postgresql:///a?host=/x"}}) {
    // Nothing is asked of the server until a company is: an address is taken as given.
    const auto companies = MakeCompanyStore(where);
    EXPECT_EQ(companies->Where(), shown);
    EXPECT_EQ(companies->BackupPlace(), shown);
  }
  std::ofstream(dir.path() / "file") << "x";
  EXPECT_THROW(MakeCompanyStore((dir.path() / "file").string()), HostError);

  const auto companies = MakeCompanyStore((dir.path() / "data").string());
  EXPECT_TRUE(companies->Codes().empty());
  std::filesystem::create_directories(companies->OutputDir());
  companies->Create({"B2", "Société", "01/01/2026", "31/12/2026", "31/12/2026"});
  companies->Create({"A1", "Autre", "01/07/2026", "30/06/2027", "01/07/2026"});
  EXPECT_EQ(companies->Codes(), (std::vector<std::string>{"A1", "B2"}));
  EXPECT_TRUE(companies->Exists("B2"));
  EXPECT_EQ(companies->Open("A1")->Settings().yearEnd, "30/06/2027");
  EXPECT_THROW(companies->Create({"B2", "Encore", "01/01/2026", "31/12/2026", ""}), HostError);
  EXPECT_EQ(companies->Settings("B2").name, "Société");
}

// A restore checks the backup as an opening checks a company, changes nothing when it refuses
// it, and keeps what it replaces as a backup that restores back; on a directory and a server.
class RestoreTest : public OnEachBackend {
 protected:
  // Runs `sql` in the backup or company at `where` (a file, or a schema of the server).
  std::string Sql(const std::string& where, const std::string& sql) const {
    if (OnServer())
      return actifix::testing::Sql(data_, "SET search_path TO \"" + where + "\";" + sql);
    sqlite3* db = nullptr;
    std::string value;
    const auto take = [](void* out, int, char** row, char**) {
      return *static_cast<std::string*>(out) = row[0], 0;
    };
    int rc = sqlite3_open(where.c_str(), &db);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), take, &value, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? value : throw std::runtime_error(sql);
  }
  actifix::testing::TempDir dir_;
  std::string data_ = (dir_.path() / "data").string();
};

TEST_P(RestoreTest, HostileBackupsAreRefusedAndWhatIsReplacedIsKept) {
  if (OnServer()) {
    data_ = std::getenv("ACTIFIX_TEST_PG");
    actifix::testing::Sql(data_, "DROP SCHEMA IF EXISTS \"actifix_R1\" CASCADE");
  }
  setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
  const std::string at = "--data '" + data_ + "' ",
                    company = OnServer() ? "actifix_R1" : data_ + "/R1Actifix.db";
  for (const char* args :
       {"company create R1 --year 01/01/2026 31/12/2026", "--company R1 generate --assets 30"})
    ASSERT_EQ(actifix::testing::RunProgram(at + args, dir_.path() / "run").status, 0);
  std::string older = "UPDATE meta SET value = '1' WHERE name = 'schema_version'";  // no checksums
  for (const char* file : {"Immo", "Nature", "Parimo", "Pcimo", "Anaimo"})
    older += std::string(";ALTER TABLE \"r_") + file + "\" DROP COLUMN sum";
  const std::pair<std::string, std::string> cases[] = {
      // what is done to it, its refusal
      {"UPDATE meta SET value = '3' WHERE name = 'schema_version'", "version plus récente"},
      {"UPDATE meta SET value = 'R2' WHERE name = 'code'", "copie de l'entreprise R2"},
      {"DELETE FROM meta WHERE name = 'code'", "le code de l'entreprise manque"},
      {"DROP TABLE \"k_Immon\"", "le fichier « Immon » manque"},
      {"DELETE FROM meta WHERE name = 'schema_version'", "pas une"},
      {"SELECT 1", ""},
      {older, ""}};
  const auto companies = MakeCompanyStore(data_);
  for (const auto& [tamper, refusal] : cases) {
    SCOPED_TRACE(tamper);
    const Backup backup = companies->TakeBackup(*companies->Open("R1"), "R1");
    const std::string original = companies->Settings("R1").name, mark = original + "+";
    Sql(company, "UPDATE meta SET value = '" + mark + "' WHERE name = 'name'");
    Sql(backup.path.string(), tamper);
    const std::size_t listed = companies->Backups("R1").size();
    std::optional<Backup> kept;
    std::string cause;
    try {
      kept = companies->Restore("R1", backup);
    } catch (const HostError& refused) {
      cause = refused.cause();
    }
    EXPECT_EQ(cause.empty(), refusal.empty()) << cause;
    EXPECT_NE(cause.find(refusal), std::string::npos) << cause;
    EXPECT_EQ(companies->Backups("R1").size(), listed + (kept ? 1 : 0));
    EXPECT_EQ(companies->Open("R1")->Settings().name, kept ? original : mark);  // opened: migrated
    if (!kept) continue;
    EXPECT_NE(kept->path.string().find("avant"), std::string::npos);
    EXPECT_EQ(Sql(company, "SELECT count(*) FROM \"r_Immo\" WHERE sum IS NULL"), "0");
    companies->Restore("R1", *kept);
    EXPECT_EQ(companies->Settings("R1").name, mark);
  }
}

// A backup begun before a write is of its own moment, however long its copy takes beside
// what the program commits meanwhile; its closed year goes with it.
TEST_P(RestoreTest, ABackupBegunCopiesItsMomentWhileTheProgramWritesOn) {
  if (OnServer()) {
    data_ = std::getenv("ACTIFIX_TEST_PG");
    actifix::testing::Sql(data_, "DROP SCHEMA IF EXISTS \"actifix_B1\" CASCADE");
  }
  ASSERT_EQ(actifix::testing::RunProgram(
                "--data '" + data_ + "' company create B1 --year 01/01/2026 31/12/2026",
                dir_.path() / "run")
                .status,
            0);
  const auto companies = MakeCompanyStore(data_);
  const auto store = companies->Open("B1");
  const std::string before = store->Settings().name;
  PendingBackup copying =
      companies->BeginBackup(*store, "B1", ClosedYear{"01/01/2025", "31/12/2025"});
  for (int i = 0; i < 50; ++i) {
    CompanySettings settings = store->Settings();
    settings.name = "Après " + std::to_string(i);
    store->SaveSettings(settings);
    store->Commit();
  }
  const Backup backup = copying.Finish();
  EXPECT_EQ(Sql(backup.path.string(), "SELECT value FROM meta WHERE name = 'name'"), before);
  EXPECT_EQ(companies->Settings("B1").name, "Après 49");
  const auto listed = companies->FindBackup(backup.path.string());
  ASSERT_TRUE(listed && listed->closedYear);
  EXPECT_EQ(listed->closedYear->end, "31/12/2025");
}

INSTANTIATE_TEST_SUITE_P(Stores, RestoreTest, EachBackend(), BackendName);

}  // namespace
}  // namespace actifix::platform::testing
