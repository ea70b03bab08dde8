#include "platform/store/sqlite/CompanyDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "host/HostError.h"
#include "platform/store/RecordSum.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

namespace {

// Creates `path` empty, refusing an existing file: O_EXCL makes the refusal atomic, so that a
// file of another program is never opened.
void CreateNew(const std::filesystem::path& path, const std::string& operation) {
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) {
    if (errno == EEXIST)
      throw HostError(ErrorKind::kConflict, operation, path.string(), "ce fichier existe déjà");
    throw HostError(ErrorKind::kIo, operation, path.string(), "impossible de créer le fichier");
  }
  ::close(fd);
}

const char kNotOurs[] = "ce fichier n'est pas une base Actifix";

// Whether the first 100 bytes of the file are an SQLite header carrying our application id.
// Read by hand so that a foreign file is refused before SQLite opens (and might touch) it.
bool HasOurHeader(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 100> header{};
  if (!in.read(header.data(), header.size())) return false;
  static const char kMagic[] = "SQLite format 3";  // 16 bytes with its terminating zero
  if (std::memcmp(header.data(), kMagic, sizeof kMagic) != 0) return false;
  uint32_t id = 0;
  for (int i = 68; i < 72; ++i) id = (id << 8) | static_cast<unsigned char>(header[i]);
  return id == static_cast<uint32_t>(CompanyDatabase::kApplicationId);
}

void RemoveDatabaseFiles(const std::filesystem::path& path) {
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  std::filesystem::remove(path.string() + "-wal", ignored);
  std::filesystem::remove(path.string() + "-shm", ignored);
  std::filesystem::remove(path.string() + "-journal", ignored);
}

const char kSchema[] =
    "CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE record_files(name TEXT PRIMARY KEY, record_length INTEGER NOT NULL,"
    " last_number INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE key_files(name TEXT PRIMARY KEY, key_length INTEGER NOT NULL,"
    " kind TEXT NOT NULL);";

}  // namespace

CompanyDatabase::CompanyDatabase(sqlite3* db, std::filesystem::path path)
    : db_(db), path_(std::move(path)), subject_(path_.string()) {}

CompanyDatabase::~CompanyDatabase() {
  // Our statements go first; an uncommitted transaction is abandoned, as a crash would.
  begin_ = Statement();
  commit_ = Statement();
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  rollback_ = Statement();
  sqlite3_close_v2(db_);
}

sqlite3* CompanyDatabase::OpenConnection(const std::filesystem::path& path, int flags,
                                         const std::string& operation) {
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_close_v2(db);
    ThrowSqlite(nullptr, rc, operation, path.string());
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyWaitMs);
  return db;
}

void CompanyDatabase::Configure(const std::string& operation, bool readOnly) {
  Exec(readOnly ? "PRAGMA query_only=ON; PRAGMA cache_size=-16384; PRAGMA mmap_size=1073741824;"
                : "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-16384;"
                  " PRAGMA mmap_size=1073741824;"
                  " PRAGMA foreign_keys=OFF;",
       operation);
  begin_ = Prepare("BEGIN IMMEDIATE");
  commit_ = Prepare("COMMIT");
  rollback_ = Prepare("ROLLBACK");
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::Create(const std::filesystem::path& path,
                                                         const CompanySettings& settings) {
  const std::string operation = "CompanyDatabase.Create";
  CreateNew(path, operation);
  try {
    std::unique_ptr<CompanyDatabase> db(
        new CompanyDatabase(OpenConnection(path, SQLITE_OPEN_READWRITE, operation), path));
    // The id goes into the main file before WAL mode starts, so the header always has it.
    db->Exec("PRAGMA application_id=" + std::to_string(kApplicationId) + ";", operation);
    db->Configure(operation);
    db->Exec("BEGIN;" + std::string(kSchema) +
                 "INSERT INTO meta(name, value) VALUES('schema_version', '" +
                 std::to_string(kSchemaVersion) + "');",
             operation);
    db->SaveSettings(settings);
    db->CommitWrite(operation);
    return db;
  } catch (...) {
    RemoveDatabaseFiles(path);
    throw;
  }
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::Open(const std::filesystem::path& path) {
  return OpenChecked(path, Use::kCompany);
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::OpenForReading(
    const std::filesystem::path& path) {
  return OpenChecked(path, Use::kReading);
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::OpenArchive(const std::filesystem::path& path) {
  return OpenChecked(path, Use::kArchive);
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::OpenSettings(const std::filesystem::path& path) {
  return OpenChecked(path, Use::kSettings);
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::OpenBackup(const std::filesystem::path& path) {
  return OpenChecked(path, Use::kBackup);
}

std::unique_ptr<CompanyDatabase> CompanyDatabase::OpenChecked(const std::filesystem::path& path,
                                                              Use use) {
  const std::string operation = "CompanyDatabase.Open";
  // Settings are read through a writable connection, which leaves no -wal or -shm file behind
  // when it closes; nothing is written through it.
  const bool readOnly = use == Use::kArchive || use == Use::kBackup;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    throw HostError(ErrorKind::kNotFound, operation, path.string(), "ce fichier n'existe pas");
  if (!HasOurHeader(path)) throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  for (const char* suffix : {"", "-wal", "-shm", "-journal"})
    RefuseLink(path.string() + suffix, operation);

  std::unique_ptr<CompanyDatabase> db(new CompanyDatabase(
      OpenConnection(path, readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, operation),
      path));
  Statement id = db->Prepare("PRAGMA application_id");
  if (!id.Step(operation, path.string()) || id.Int(0) != kApplicationId)
    throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  id = Statement();
  // The walk of every page before anything is written, or restored from a backup; what is
  // only read meets a damaged page or record as it reads it.
  if (use == Use::kCompany || use == Use::kBackup) db->CheckIntact(operation);
  Statement hasMeta =
      db->Prepare("SELECT count(*) FROM sqlite_schema WHERE type='table' AND name='meta'");
  if (!hasMeta.Step(operation, path.string()) || hasMeta.Int(0) != 1)
    throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  hasMeta = Statement();
  Statement version = db->Prepare("SELECT value FROM meta WHERE name='schema_version'");
  if (!version.Step(operation, path.string()))
    throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  const int64_t number = version.Int(0);
  version = Statement();
  if (number < 1) throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  if (number > kSchemaVersion)
    throw HostError(ErrorKind::kNotSupported, operation, path.string(),
                    "cette base vient d'une version plus récente d'Actifix");
  db->CheckTables(operation);
  db->Configure(operation, readOnly);
  if (number < kSchemaVersion && use != Use::kBackup && use != Use::kSettings) {
    // An archive is never written to, so it cannot take the checksums older files lack.
    if (readOnly)
      throw HostError(ErrorKind::kNotSupported, operation, path.string(),
                      "cette copie vient d'une version antérieure d'Actifix et ne peut être lue "
                      "qu'une fois restaurée");
    if (use == Use::kReading) db->CheckIntact(operation);
    db->AddRecordSums(operation);
  }
  return db;
}

void CompanyDatabase::CheckTables(const std::string& operation) {
  Statement catalog = Prepare(
      "SELECT count(*) FROM sqlite_schema WHERE type = 'table'"
      " AND name IN ('record_files', 'key_files')");
  if (!catalog.Step(operation, path_.string()) || catalog.Int(0) != 2)
    throw HostError(ErrorKind::kDamaged, operation, path_.string(),
                    MissingFileCause("record_files"));
  catalog = Statement();
  Statement missing = Prepare(
      "SELECT f.name FROM (SELECT 'r_' || name AS t, name FROM record_files UNION ALL"
      " SELECT 'k_' || name, name FROM key_files) f"
      " WHERE NOT EXISTS (SELECT 1 FROM sqlite_schema s WHERE s.type = 'table' AND s.name = f.t)"
      " LIMIT 1");
  if (missing.Step(operation, path_.string()))
    throw HostError(ErrorKind::kDamaged, operation, path_.string(),
                    MissingFileCause(missing.Bytes(0)));
}

namespace {

// actifix_record_sum(num, data): RecordSum, for the migration's one UPDATE per file.
void RecordSumFunction(sqlite3_context* context, int, sqlite3_value** values) {
  const auto number = static_cast<int32_t>(sqlite3_value_int64(values[0]));
  const void* data = sqlite3_value_blob(values[1]);
  const auto size = static_cast<std::size_t>(sqlite3_value_bytes(values[1]));
  sqlite3_result_int64(
      context,
      RecordSum(number, data == nullptr ? std::string_view()
                                        : std::string_view(static_cast<const char*>(data), size)));
}

}  // namespace

void CompanyDatabase::AddRecordSums(const std::string& operation) {
  const std::string subject = path_.string();
  if (sqlite3_create_function(db_, "actifix_record_sum", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC,
                              nullptr, RecordSumFunction, nullptr, nullptr) != SQLITE_OK)
    ThrowSqlite(db_, sqlite3_errcode(db_), operation, subject);
  BeginWrite(operation, subject);
  try {
    // Another program may have done it while this one waited for the lock.
    Statement version = Prepare("SELECT value FROM meta WHERE name='schema_version'");
    const bool done = version.Step(operation, subject) && version.Int(0) >= kSchemaVersion;
    version = Statement();
    if (!done) {
      std::vector<std::string> names;
      Statement files = Prepare("SELECT name FROM record_files");
      while (files.Step(operation, subject)) names.push_back(files.Bytes(0));
      files = Statement();
      for (const std::string& name : names) {
        const std::string table = "main.\"r_" + name + "\"";
        Exec("ALTER TABLE " + table + " ADD COLUMN sum INTEGER", operation);
        Exec("UPDATE " + table + " SET sum = actifix_record_sum(num, data)", operation);
      }
      Exec("UPDATE meta SET value = '" + std::to_string(kSchemaVersion) +
               "' WHERE name = 'schema_version'",
           operation);
    }
    CommitWrite(operation);
  } catch (...) {
    RollbackWrite();
    throw;
  }
}

void CompanyDatabase::CheckIntact(const std::string& operation) {
  Statement check = Prepare("PRAGMA quick_check(1)");
  if (!check.Step(operation, path_.string()) || check.Bytes(0) != "ok")
    throw SqliteError(SQLITE_CORRUPT, operation, path_.string());
}

void CompanyDatabase::SetPowerSafe(bool powerSafe) {
  Exec(powerSafe ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL",
       "CompanyDatabase.SetPowerSafe");
}

void CompanyDatabase::Exec(const std::string& sql, const std::string& operation) {
  char* message = nullptr;
  const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  if (rc != SQLITE_OK) ThrowSqlite(db_, rc, operation, path_.string());
}

CompanySettings CompanyDatabase::Settings() {
  const std::string operation = "CompanyDatabase.Settings";
  Statement select = Prepare("SELECT name, value FROM meta");
  CompanySettings settings;
  while (select.Step(operation, path_.string())) settings.Take(select.Bytes(0), select.Bytes(1));
  settings.TakeDefaults();
  return settings;
}

void CompanyDatabase::SaveSettings(const CompanySettings& settings) {
  const std::string operation = "CompanyDatabase.SaveSettings";
  const std::string subject = path_.string();
  SavepointStatements statements(db_, "settings");
  Savepoint savepoint(statements, operation, subject);
  Statement put = Prepare("INSERT OR REPLACE INTO meta(name, value) VALUES(?, ?)");
  const std::string& cumulatives =
      settings.cumulativesYear.empty() ? settings.yearStart : settings.cumulativesYear;
  const std::pair<const char*, const std::string*> values[] = {{"code", &settings.code},
                                                               {"name", &settings.name},
                                                               {"year_start", &settings.yearStart},
                                                               {"year_end", &settings.yearEnd},
                                                               {"work_date", &settings.workDate},
                                                               {"cumulatives_year", &cumulatives}};
  for (const auto& [name, value] : values) {
    put.BindText(1, name).BindText(2, *value);
    put.Run(operation, subject);
  }
  for (int i = 0; i < CompanySettings::kFiscalRows; ++i) {
    const auto [name, value] = settings.FiscalRows(i);
    put.BindText(1, name).BindText(2, value);
    put.Run(operation, subject);
  }
  savepoint.Release();
}

void CompanyDatabase::BeginWrite(const std::string& operation, const std::string& subject) {
  if (InTransaction()) return;
  begin_.Run(operation, subject);
  ++writeGeneration_;
}

void CompanyDatabase::CommitWrite(const std::string& operation) {
  if (InTransaction()) commit_.Run(operation, path_.string());
}

void CompanyDatabase::RollbackWrite() {
  if (InTransaction()) {
    try {
      rollback_.Run("CompanyDatabase.Rollback", path_.string());
    } catch (const std::exception&) {
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
  }
}

namespace {

// An intact Actifix database opened read-only, closed with the object.
struct ReadOnlyCopy {
  sqlite3* db = nullptr;
  ~ReadOnlyCopy() { sqlite3_close_v2(db); }
};

void OpenReadOnly(const std::filesystem::path& path, ReadOnlyCopy& copy,
                  const std::string& operation) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    throw HostError(ErrorKind::kNotFound, operation, path.string(), "ce fichier n'existe pas");
  if (!HasOurHeader(path)) throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  const int rc = sqlite3_open_v2(path.c_str(), &copy.db, SQLITE_OPEN_READONLY, nullptr);
  if (rc != SQLITE_OK) ThrowSqlite(copy.db, rc, operation, path.string());
  Statement check(copy.db, "PRAGMA quick_check(1)");
  if (!check.Step(operation, path.string()) || check.Bytes(0) != "ok")
    throw SqliteError(SQLITE_CORRUPT, operation, path.string());
}

std::string CodeIn(sqlite3* db, const std::filesystem::path& path, const std::string& operation) {
  Statement code(db, "SELECT value FROM meta WHERE name = 'code'");
  if (!code.Step(operation, path.string()))
    throw HostError(ErrorKind::kDamaged, operation, path.string(), kNotOurs);
  return code.Bytes(0);
}

// Copies every page of `from` into `to` in one step; throws HostError on failure.
void CopyPages(sqlite3* to, sqlite3* from, const std::string& operation,
               const std::filesystem::path& subject) {
  sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
  if (backup == nullptr) ThrowSqlite(to, sqlite3_errcode(to), operation, subject.string());
  const int rc = sqlite3_backup_step(backup, -1);
  sqlite3_backup_finish(backup);
  if (rc != SQLITE_DONE) ThrowSqlite(to, rc, operation, subject.string());
}

}  // namespace

void CompanyDatabase::CopyInto(sqlite3* from, const std::filesystem::path& target,
                               const std::string& operation) {
  CreateNew(target, operation);
  sqlite3* out = nullptr;
  try {
    out = OpenConnection(target, SQLITE_OPEN_READWRITE, operation);
    CopyPages(out, from, operation, target);
    // One file that can be moved or copied on its own.
    char* message = nullptr;
    const int rc = sqlite3_exec(out, "PRAGMA journal_mode=DELETE", nullptr, nullptr, &message);
    sqlite3_free(message);
    if (rc != SQLITE_OK) ThrowSqlite(out, rc, operation, target.string());
    sqlite3_close_v2(out);
  } catch (...) {
    sqlite3_close_v2(out);
    RemoveDatabaseFiles(target);
    throw;
  }
}

void CompanyDatabase::BackupTo(const std::filesystem::path& target) {
  const std::string operation = "CompanyDatabase.BackupTo";
  if (InTransaction())
    throw HostError(ErrorKind::kInUse, operation, target.string(),
                    "une écriture est en cours sur l'entreprise");
  CopyInto(db_, target, operation);
}

std::unique_ptr<CompanyDatabase::Snapshot> CompanyDatabase::TakeSnapshot() {
  const std::string operation = "CompanyDatabase.TakeSnapshot";
  std::unique_ptr<Snapshot> snapshot(
      new Snapshot(OpenConnection(path_, SQLITE_OPEN_READONLY, operation)));
  // The read transaction begins with its first read, and holds that moment until it ends.
  Statement begin(snapshot->db_, "BEGIN DEFERRED");
  begin.Run(operation, subject_);
  Statement read(snapshot->db_, "SELECT 1 FROM meta LIMIT 1");
  read.Step(operation, subject_);
  return snapshot;
}

CompanyDatabase::Snapshot::~Snapshot() { sqlite3_close_v2(db_); }

void CompanyDatabase::Snapshot::BackupTo(const std::filesystem::path& target) {
  CopyInto(db_, target, "CompanyDatabase.BackupTo");
}

std::string CompanyDatabase::CodeOf(const std::filesystem::path& path) {
  const std::string operation = "CompanyDatabase.CodeOf";
  ReadOnlyCopy copy;
  OpenReadOnly(path, copy, operation);
  return CodeIn(copy.db, path, operation);
}

void CompanyDatabase::CopyFrom(CompanyDatabase& source) {
  CopyPages(db_, source.db_, "CompanyDatabase.Restore", path_);
}

std::string CompanyDatabase::YearOpened(const std::string& yearStart) {
  const std::string operation = "CompanyDatabase.YearOpened";
  Statement select = Prepare("SELECT value FROM meta WHERE name = ?");
  select.BindText(1, "year_opened " + yearStart);
  return select.Step(operation, path_.string()) ? select.Bytes(0) : "";
}

void CompanyDatabase::MarkYearOpened(const std::string& yearStart, const std::string& when) {
  const std::string operation = "CompanyDatabase.MarkYearOpened";
  Statement put = Prepare("INSERT OR REPLACE INTO meta(name, value) VALUES(?, ?)");
  put.BindText(1, "year_opened " + yearStart).BindText(2, when);
  put.Run(operation, path_.string());
}

}  // namespace actifix::platform
