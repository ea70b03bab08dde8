// Which store the --data value names: a server address is shown without the password it may
// carry, and nothing is made for it; a directory holds the companies.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <fstream>

#include "host/HostError.h"
#include "platform/store/CompanyStore.h"
#include "platform/store/Store.h"
#include "support/PgSql.h"
#include "support/Program.h"
#include "support/TempDir.h"

namespace actifix::platform::testing {
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
  std::filesystem::create_directories(companies->FileDirectory());
  companies->Create({"B2", "Société", "01/01/2026", "31/12/2026", "31/12/2026"});
  companies->Create({"A1", "Autre", "01/07/2026", "30/06/2027", "01/07/2026"});
  EXPECT_EQ(companies->Codes(), (std::vector<std::string>{"A1", "B2"}));
  EXPECT_TRUE(companies->Exists("B2"));
  EXPECT_EQ(companies->Open("A1")->Settings().yearEnd, "30/06/2027");
  EXPECT_THROW(companies->Create({"B2", "Encore", "01/01/2026", "31/12/2026", ""}), HostError);
  EXPECT_EQ(companies->Settings("B2").name, "Société");
}

// A restore checks the backup as an opening checks a company, changes nothing when it refuses
// it, and keeps what it replaces as a backup that restores back. On a data directory and on
// the test server.
class RestoreTest : public ::testing::TestWithParam<bool> {
 protected:
  // Runs `sql` in the backup or company at `where` (a file, or a schema of the server).
  std::string Sql(const std::string& where, const std::string& sql) const {
    if (GetParam())
      return actifix::testing::Sql(data_, "SET search_path TO \"" + where + "\"; " + sql);
    sqlite3* db = nullptr;
    sqlite3_open(where.c_str(), &db);
    std::string value;
    char* message = nullptr;
    const int rc = sqlite3_exec(
        db, sql.c_str(),
        [](void* out, int, char** values, char**) {
          *static_cast<std::string*>(out) = values[0] ? values[0] : "";
          return 0;
        },
        &value, &message);
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error(sql);
    return value;
  }
  std::string Company() const {
    return GetParam() ? "actifix_R1" : (dir_.path() / "data" / "R1Actifix.db").string();
  }

  actifix::testing::TempDir dir_;
  std::string data_ = (dir_.path() / "data").string();
};

TEST_P(RestoreTest, HostileBackupsAreRefusedAndWhatIsReplacedIsKept) {
  if (GetParam()) {
    data_ = std::getenv("ACTIFIX_TEST_PG");
    actifix::testing::Sql(data_,
                          "DO $$ DECLARE s text; BEGIN FOR s IN SELECT nspname FROM"
                          " pg_namespace WHERE nspname LIKE 'actifix\\_R1%' LOOP EXECUTE"
                          " 'DROP SCHEMA \"' || s || '\" CASCADE'; END LOOP; END $$");
    setenv("ACTIFIX_OUT", dir_.path().c_str(), 1);
  }
  const std::string at = "--data '" + data_ + "' ", scratch = dir_.path() / "run";
  ASSERT_EQ(
      actifix::testing::RunProgram(at + "company create R1 --year 01/01/2026 31/12/2026", scratch)
          .status,
      0);
  ASSERT_EQ(actifix::testing::RunProgram(at + "--company R1 generate --assets 30", scratch).status,
            0);
  const auto companies = MakeCompanyStore(data_);
  // A schema of the first version: no record checksums.
  std::string older;
  for (const std::string file : {"Immo", "Nature", "Parimo", "Pcimo", "Anaimo"})
    if (Sql(Company(), "SELECT count(*) FROM record_files WHERE name = '" + file + "'") == "1")
      older += "ALTER TABLE \"r_" + file + "\" DROP COLUMN sum; ";
  const struct {
    std::string tamper, refusal;  // refusal empty: restored
  } cases[] = {
      {"UPDATE meta SET value = '3' WHERE name = 'schema_version'", "version plus récente"},
      {"UPDATE meta SET value = 'R2' WHERE name = 'code'", "copie de l'entreprise R2"},
      {"DELETE FROM meta WHERE name = 'code'", "le code de l'entreprise manque"},
      {"DROP TABLE \"k_Immon\"", "le fichier « Immon » manque"},
      {"DELETE FROM meta WHERE name = 'schema_version'", "pas une"},
      {"SELECT 1", ""},
      {older + "UPDATE meta SET value = '1' WHERE name = 'schema_version'", ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tamper);
    const Backup backup = companies->TakeBackup(*companies->Open("R1"), "R1");
    const std::string original = companies->Settings("R1").name;
    const std::string mark = "Changée " + std::to_string(++n);
    Sql(Company(), "UPDATE meta SET value = '" + mark + "' WHERE name = 'name'");
    Sql(backup.path.string(), c.tamper);
    const std::size_t listed = companies->Backups("R1").size();
    if (!c.refusal.empty()) {
      try {
        companies->Restore("R1", backup);
        ADD_FAILURE() << "restored";
      } catch (const HostError& refused) {
        EXPECT_NE(refused.cause().find(c.refusal), std::string::npos) << refused.cause();
        EXPECT_NE(refused.cause().find("l'entreprise R1 n'a pas été changée"), std::string::npos);
      }
      EXPECT_EQ(companies->Settings("R1").name, mark);
      EXPECT_EQ(companies->Backups("R1").size(), listed);
      continue;
    }
    const std::optional<Backup> kept = companies->Restore("R1", backup);
    ASSERT_TRUE(kept.has_value());
    EXPECT_NE(kept->path.string().find("avant"), std::string::npos);
    EXPECT_EQ(companies->Backups("R1").size(), listed + 1);
    EXPECT_EQ(companies->Settings("R1").name, original);
    EXPECT_EQ(Sql(Company(), "SELECT value FROM meta WHERE name = 'schema_version'"), "2");
    EXPECT_EQ(Sql(Company(), "SELECT count(*) FROM \"r_Immo\" WHERE sum IS NULL"), "0");
    companies->Restore("R1", *kept);
    EXPECT_EQ(companies->Settings("R1").name, mark);
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, RestoreTest, ::testing::Bool(),
                         [](const auto& store) { return store.param ? "PostgreSQL" : "SQLite"; });

}  // namespace
}  // namespace actifix::platform::testing
