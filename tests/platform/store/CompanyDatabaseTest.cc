// The company database: creation, refusal of files that are not ours (left untouched), and
// damaged files that must end in a HostError, never a crash.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <random>

#include "platform/store/StoreTesting.h"

namespace actifix::platform::testing {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Everything in the directory, so that a refused file can be shown to have made no
// journal, WAL or shared-memory file beside it.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void MakeSqliteFile(const fs::path& path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
}

const CompanySettings kSettings{"01", "Société Générale d'Exemple", "01/03/2025", "28/02/2026",
                                "15/03/2025"};

// A temporary directory and the path of a company database in it.
class CompanyDatabaseTest : public ::testing::Test {
 protected:
  actifix::testing::TempDir dir;
  const fs::path path = dir.path() / "01Actifix.db";
};

TEST_F(CompanyDatabaseTest, SettingsSurviveReopenAndSave) {
  CompanyDatabase::Create(path, kSettings);
  auto db = CompanyDatabase::Open(path);
  CompanySettings settings = db->Settings();
  EXPECT_EQ(settings.name, kSettings.name);
  EXPECT_EQ(settings.yearEnd, "28/02/2026");
  settings.yearStart = "01/03/2026";
  settings.yearEnd = "28/02/2027";
  db->SaveSettings(settings);
  db.reset();
  const CompanySettings again = CompanyDatabase::Open(path)->Settings();
  EXPECT_EQ(again.code, "01");
  EXPECT_EQ(again.yearStart, "01/03/2026");
  EXPECT_EQ(again.yearEnd, "28/02/2027");
  EXPECT_EQ(again.workDate, "15/03/2025");
}

TEST_F(CompanyDatabaseTest, CreateRefusesAnExistingFileAndLeavesIt) {
  WriteBytes(path, "précieux");
  try {
    CompanyDatabase::Create(path, kSettings);
    ADD_FAILURE() << "existing file overwritten";
  } catch (const HostError& error) {
    EXPECT_EQ(error.operation(), "CompanyDatabase.Create");
    EXPECT_EQ(error.subject(), path.string());
  }
  EXPECT_EQ(FileBytes(path), "précieux");
  // A database of ours is not replaced either.
  const fs::path ours = dir.path() / "02Actifix.db";
  CompanyDatabase::Create(ours, kSettings);
  const std::string before = FileBytes(ours);
  EXPECT_THROW(CompanyDatabase::Create(ours, kSettings), HostError);
  EXPECT_EQ(FileBytes(ours), before);
}

TEST_F(CompanyDatabaseTest, RefusesFilesThatAreNotOursAndLeavesThemUntouched) {
  std::mt19937 random(42);
  std::string noise(8192, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  const struct {
    const char* what;
    std::function<void(const fs::path&)> make;
  } cases[] = {
      {"random bytes", [&](const fs::path& p) { WriteBytes(p, noise); }},
      {"empty file", [&](const fs::path& p) { WriteBytes(p, ""); }},
      {"text file", [&](const fs::path& p) { WriteBytes(p, "SQLite format 3 mais non\n"); }},
      {"database of another application",
       [&](const fs::path& p) {
         MakeSqliteFile(p,
                        "CREATE TABLE meta(name TEXT, value TEXT);"
                        "INSERT INTO meta VALUES('schema_version','1');");
       }},
      {"another application in WAL mode",
       [&](const fs::path& p) {
         MakeSqliteFile(p,
                        "PRAGMA application_id=7; PRAGMA journal_mode=WAL;"
                        "CREATE TABLE t(x); INSERT INTO t VALUES(1);");
       }},
      {"our id but no schema",
       [&](const fs::path& p) {
         MakeSqliteFile(p,
                        "PRAGMA application_id=" + std::to_string(CompanyDatabase::kApplicationId) +
                            "; CREATE TABLE t(x);");
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.make(path);
    const std::string before = FileBytes(path);
    const auto listing = Listing(dir.path());
    try {
      CompanyDatabase::Open(path);
      ADD_FAILURE() << "opened";
    } catch (const HostError& error) {
      EXPECT_EQ(error.cause(), "ce fichier n'est pas une base Actifix");
    }
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(Listing(dir.path()), listing);
    fs::remove(path);  // the next case starts from an empty directory
  }
}

TEST_F(CompanyDatabaseTest, RefusesAMissingFileAndANewerSchema) {
  EXPECT_THROW(CompanyDatabase::Open(path), HostError);
  EXPECT_FALSE(fs::exists(path));

  CompanyDatabase::Create(path, kSettings);
  MakeSqliteFile(path, "UPDATE meta SET value='99' WHERE name='schema_version';");
  try {
    CompanyDatabase::Open(path);
    ADD_FAILURE() << "newer schema opened";
  } catch (const HostError& error) {
    EXPECT_NE(error.cause().find("plus récente"), std::string::npos) << error.what();
  }
}

// Fills many records, then damages the file in the middle: every page there is overwritten,
// so the walk must meet the damage, and must report it as a HostError.
TEST_F(StoreTest, DamagedDatabaseGivesAHostErrorNeverACrash) {
  std::string text(200, 'r');
  char key[12];
  for (int i = 0; i < 3000; ++i) {
    std::snprintf(key, sizeof key, "K%010d", i);
    Insert(primary, key, text);
  }
  store->Commit();
  component.reset();
  keyed.reset();
  records.reset();
  store.reset();

  std::string bytes = FileBytes(path());
  ASSERT_GT(bytes.size(), 64u * 4096u);
  const std::size_t middle = bytes.size() / 2 / 4096 * 4096;
  for (std::size_t i = middle - 8 * 4096; i < middle + 8 * 4096; ++i)
    bytes[i] = static_cast<char>(0xA5 ^ (i * 31));
  WriteBytes(path(), bytes);

  try {
    Reopen();
    std::vector<std::string> keys = Walk(primary);
    for (int32_t n = 1; n <= 3000; ++n) records->Read(immo, n);
    ADD_FAILURE() << "damage not noticed (" << keys.size() << " keys walked)";
  } catch (const HostError& error) {
    EXPECT_EQ(error.cause(), SqliteCause(SQLITE_CORRUPT)) << error.what();
  }
}

TEST_F(CompanyDatabaseTest, TruncatedDatabaseGivesAHostError) {
  CompanyDatabase::Create(path, kSettings);
  fs::resize_file(path, 50);
  EXPECT_THROW(CompanyDatabase::Open(path), HostError);
}

}  // namespace
}  // namespace actifix::platform::testing
