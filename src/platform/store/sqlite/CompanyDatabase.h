// The database of one company: the file <data dir>/<CODE>Actifix.db, an SQLite database
// marked as ours by its application id and a schema version, holding the company's settings
// and, through the Store, its record and key files.
//
// Layout of the database (schema version 2):
//
//   table            columns                                  meaning
//   meta             name TEXT PK, value TEXT                 "schema_version", and the
//                                                             settings "code", "name",
//                                                             "year_start", "year_end",
//                                                             "work_date" (UTF-8; dates
//                                                             dd/mm/yyyy); one row
//                                                             "year_opened <start>" per
//                                                             fiscal year opened, valued
//                                                             with when it was
//   record_files     name TEXT PK, record_length, last_number one row per record file;
//                                                             last_number is the highest
//                                                             record number ever given
//   key_files        name TEXT PK, key_length, kind           one row per key file; kind
//                                                             "P" or "S"
//   "r_<name>"       num INTEGER PK, data BLOB, sum INTEGER   the records of file <name>:
//                                                             Windows-1252 bytes as written,
//                                                             blank-filled on reading; sum is
//                                                             RecordSum(num, data)
//   "k_<name>"       key BLOB, seq INTEGER, num INTEGER,      the entries of key file <name>,
//                    PK (key, seq), WITHOUT ROWID             in memcmp order of the key;
//                                                             seq is 0 in a "P" file (one
//                                                             entry per key) and the order
//                                                             of insertion in an "S" file
//
// Version 1 had no sum column: opening such a database adds it and computes every sum once,
// in one write transaction.
//
// The file header carries PRAGMA application_id = kApplicationId; the journal is in WAL mode
// with synchronous=FULL, so that a committed transaction survives a crash.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/store/CompanySettings.h"
#include "platform/store/StoreDatabase.h"
#include "platform/store/sqlite/Sqlite.h"

namespace actifix::platform {

class CompanyDatabase final : public StoreDatabase {
 public:
  // "ActF": marks a database as Actifix's in the SQLite file header.
  static constexpr int32_t kApplicationId = 0x41637446;
  static constexpr int kSchemaVersion = 2;
  // The columns of a record table.
  static constexpr const char* kRecordColumns =
      "(num INTEGER PRIMARY KEY, data BLOB NOT NULL, sum INTEGER)";
  // How long a write waits for another program that is writing to the same company.
  static constexpr int kBusyWaitMs = kCompanyWaitMs;

  // <dataDirectory>/<code>Actifix.db. REQUIRES: `code` already checked (IsCompanyCode).
  static std::filesystem::path PathFor(const std::filesystem::path& dataDirectory,
                                       const std::string& code) {
    return dataDirectory / (code + "Actifix.db");
  }

  // Creates the database at `path` with its schema and settings.
  // Throws HostError when the file already exists (left untouched) or cannot be made.
  static std::unique_ptr<CompanyDatabase> Create(const std::filesystem::path& path,
                                                 const CompanySettings& settings);
  // Opens an existing database and checks the structure of every page (SQLite's quick
  // check: about 0.4 s for a register of a million assets) before anything is written.
  // Throws HostError when the file is missing, is not an Actifix database, is damaged (a
  // file's table missing included) or is of a newer schema; nothing is written to a refused
  // file. A database of schema version 1 gets its record sums first.
  static std::unique_ptr<CompanyDatabase> Open(const std::filesystem::path& path);
  // Opens an existing database for a run that only reads the register (an edition, the
  // export): checked as Open does but for the walk of every page, which what it reads meets
  // anyway (a damaged page fails as it is read, a damaged record fails its sum). One of an
  // older schema, which takes its record sums first, is walked before that write.
  static std::unique_ptr<CompanyDatabase> OpenForReading(const std::filesystem::path& path);
  // Opens a closed year's archive read only: every write fails, and the file is never changed
  // (no journal mode is set on it). Checked as Open does but for the walk of every page: a
  // damaged page it reads fails then, a damaged record fails its sum.
  static std::unique_ptr<CompanyDatabase> OpenArchive(const std::filesystem::path& path);
  // Opens a database for its settings alone, which it never writes: the header, the id, the
  // version and the catalog are checked, no page is walked (a list of companies reads a few
  // pages of each); an older schema is read as it is.
  static std::unique_ptr<CompanyDatabase> OpenSettings(const std::filesystem::path& path);
  // Opens a backup to be restored, checked as Open does, read only; one of an older schema is
  // accepted as it is (the company restored from it is migrated at its next opening).
  static std::unique_ptr<CompanyDatabase> OpenBackup(const std::filesystem::path& path);

  ~CompanyDatabase() override;
  CompanyDatabase(const CompanyDatabase&) = delete;
  CompanyDatabase& operator=(const CompanyDatabase&) = delete;

  // Power-safe commits (the default) wait for the disk: a commit survives a power loss.
  // Otherwise a commit survives the program's crash or kill, and only the last commits may
  // be lost when the machine itself stops; for batch work.
  void SetPowerSafe(bool powerSafe) override;

  // A consistent copy of the whole database, taken with SQLite's online backup while other
  // programs may go on reading; the copy is a single file in rollback-journal mode. Throws
  // HostError when `target` exists (left untouched) or cannot be written (nothing left of it).
  // REQUIRES: no write transaction open on this connection (commit first).
  void BackupTo(const std::filesystem::path& target);

  // The database as committed now, read through a connection of its own that keeps its read
  // transaction until destroyed: another thread may copy it while this connection writes.
  class Snapshot {
   public:
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;
    // As CompanyDatabase::BackupTo, the copy being of the snapshot's moment.
    void BackupTo(const std::filesystem::path& target);

   private:
    friend class CompanyDatabase;
    explicit Snapshot(sqlite3* db) : db_(db) {}
    sqlite3* db_;
  };
  // Throws HostError when the database cannot be read.
  std::unique_ptr<Snapshot> TakeSnapshot();
  // Replaces every page of this database by those of `source` (a backup opened by
  // OpenBackup, only read) in one write transaction under the company's write lock, so that
  // a program reading it meanwhile sees one or the other. Throws HostError.
  void CopyFrom(CompanyDatabase& source);
  // The company code held by the Actifix database at `path`, opened read-only and checked.
  // Throws HostError when it is not an intact Actifix database.
  static std::string CodeOf(const std::filesystem::path& path);

  // When the fiscal year starting on `yearStart` was opened ("" when it never was): the
  // settings "year_opened <start>" of the meta table, written in the open transaction.
  std::string YearOpened(const std::string& yearStart) override;
  void MarkYearOpened(const std::string& yearStart, const std::string& when) override;

  CompanySettings Settings() override;
  void SaveSettings(const CompanySettings& settings) override;

  const std::filesystem::path& path() const { return path_; }
  const std::string& subject() const override { return subject_; }
  sqlite3* handle() const { return db_; }

  // Runs SQL text without results; errors are reported under `operation`.
  void Exec(const std::string& sql, const std::string& operation);
  Statement Prepare(std::string_view sql) { return Statement(db_, sql); }

  // The write transaction: BEGIN on the first write, COMMIT when asked.
  bool InTransaction() const override { return sqlite3_get_autocommit(db_) == 0; }
  uint64_t writeGeneration() const override { return writeGeneration_; }
  void BeginWrite(const std::string& operation, const std::string& subject);
  void BeginRead(const std::string& operation) override { Exec("BEGIN DEFERRED", operation); }
  void CommitWrite(const std::string& operation) override;
  void RollbackWrite() override;

 private:
  CompanyDatabase(sqlite3* db, std::filesystem::path path);
  static sqlite3* OpenConnection(const std::filesystem::path& path, int flags,
                                 const std::string& operation);
  void Configure(const std::string& operation, bool readOnly = false);
  // Copies the database `from` into the new file `target`, a single file in rollback-journal
  // mode; nothing is left of it on failure.
  static void CopyInto(sqlite3* from, const std::filesystem::path& target,
                       const std::string& operation);
  enum class Use { kCompany, kReading, kArchive, kBackup, kSettings };
  static std::unique_ptr<CompanyDatabase> OpenChecked(const std::filesystem::path& path, Use use);
  // Throws HostError when SQLite's quick check finds a damaged page.
  void CheckIntact(const std::string& operation);
  // Throws HostError when a record or key file of the catalog has no table.
  void CheckTables(const std::string& operation);
  // Adds the sum of every record to a database of schema version 1, under the write lock.
  void AddRecordSums(const std::string& operation);

  sqlite3* db_;
  std::filesystem::path path_;
  std::string subject_;  // the path, naming the database in errors
  Statement begin_, commit_, rollback_;
  uint64_t writeGeneration_ = 0;
};

// <dataDirectory>/<code>Actifix.db, as CompanyDatabase::PathFor.
inline std::filesystem::path CompanyDatabasePath(const std::filesystem::path& dataDirectory,
                                                 const std::string& code) {
  return CompanyDatabase::PathFor(dataDirectory, code);
}

}  // namespace actifix::platform
