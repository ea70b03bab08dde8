// One company in a PostgreSQL database: the schema "actifix_<CODE>", over one connection of
// its own, with the company's settings and the transactions of the store over it.
//
// Layout (schema version 2), in schema "actifix_<CODE>" (the code's case kept):
//
//   table            columns                                  meaning
//   meta             name text PK, value text                 as in the SQLite database:
//                                                             "schema_version", the settings,
//                                                             "year_opened <start>" rows
//   record_files     name text PK, record_length int4,        one row per record file
//                    last_number int4                         (highest number ever given)
//   key_files        name text PK, key_length int2, kind text one row per key file;
//                    last_seq int4                            last_seq is the highest seq
//                                                             ever given in an "S" file
//   "r_<name>"       num int4 PK, data bytea, sum int4        the records of file <name>
//                    (fillfactor 50)                          and their RecordSum(num, data)
//   "k_<name>"       key bytea, seq int4, num int4,           the entries of key file <name>;
//                    PK (key, seq)                            bytea compares as memcmp; seq
//                                                             is 0 in a "P" file, and in an
//                                                             "S" file grows with each entry
//                                                             of the file, so that equal keys
//                                                             keep their insertion order
//
// Version 1 had no sum column: opening such a company adds it and computes every sum once,
// under the write lock, in one transaction.
//
// Writes: the first write of a transaction begins it (READ COMMITTED) and takes the company's
// write lock, a transaction-level advisory lock (kLockSpace, hashtext of the schema name),
// waiting up to CompanyDatabase::kBusyWaitMs (lock_timeout); the commit or rollback drops it.
// Consistent reads run in a REPEATABLE READ READ ONLY transaction.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/store/StoreDatabase.h"
#include "platform/store/pg/Pg.h"
#include "platform/store/sqlite/CompanyDatabase.h"

namespace actifix::platform {

class PgCompany final : public StoreDatabase {
 public:
  // "ActF": the first key of the advisory locks Actifix takes.
  static constexpr int32_t kLockSpace = 0x41637446;
  // The storage of a record table: half of each page left free, so that a record rewritten
  // (every asset at the year opening) stays on its page without a new index entry.
  static constexpr const char* kRecordTableOptions = " WITH (fillfactor = 50)";
  // The columns of a record table and of a key table, their primary keys apart.
  static constexpr const char* kRecordColumns =
      "(num int4 NOT NULL, data bytea NOT NULL, sum int4)";
  static constexpr const char* kRecordColumnsKeyed =
      "(num int4 PRIMARY KEY, data bytea NOT NULL, sum int4)";
  static constexpr const char* kKeyColumns =
      "(key bytea NOT NULL, seq int4 NOT NULL, num int4 NOT NULL)";
  static constexpr int kSchemaVersion = 2;

  // Whether `data` names a PostgreSQL server rather than a directory.
  static bool IsUri(const std::string& data) {
    return data.starts_with("postgresql://") || data.starts_with("postgres://");
  }
  static std::string SchemaFor(const std::string& code) { return "actifix_" + code; }

  // Creates the company's schema with its tables and settings. Throws HostError when the
  // company already exists (left untouched) or the server refuses. With `commit` false, the
  // write transaction stays open (nobody sees the company before its commit), for a copy.
  // REQUIRES: settings.code already checked (IsCompanyCode).
  static std::unique_ptr<PgCompany> Create(const std::string& uri, const CompanySettings& settings,
                                           bool commit = true);
  // Opens an existing company. Throws HostError when there is none of that code, when its
  // stored code is another or missing, a file's table is missing, or it is of a newer schema.
  // A company of schema version 1 gets its record sums first.
  static std::unique_ptr<PgCompany> Open(const std::string& uri, const std::string& code);
  // The same over a connection of the caller's, which TakeConnection gives back.
  static std::unique_ptr<PgCompany> Open(std::unique_ptr<pg::Connection> conn,
                                         const std::string& code);
  // Gives back the connection the company was opened over, outside any transaction.
  // REQUIRES: no transaction open; the company is not used again.
  std::unique_ptr<pg::Connection> TakeConnection() { return std::move(conn_); }
  // Opens the closed year's archive of company `code` kept in schema `schema` (a backup's),
  // read only: its connection starts every transaction READ ONLY, so any write fails.
  static std::unique_ptr<PgCompany> OpenArchive(const std::string& uri, const std::string& schema,
                                                const std::string& code);
  // The codes of the companies in the database, sorted.
  static std::vector<std::string> List(const std::string& uri);
  // Removes a company and everything of it; nothing when there is none.
  static void Drop(const std::string& uri, const std::string& code);

  CompanySettings Settings() override;
  // The settings as Open read them to check the company's identity.
  const CompanySettings& SettingsAtOpen() const { return settingsAtOpen_; }
  void SaveSettings(const CompanySettings& settings) override;
  std::string YearOpened(const std::string& yearStart) override;
  void MarkYearOpened(const std::string& yearStart, const std::string& when) override;

  // Power-safe commits (the default) wait for the server's disk. Otherwise commits do not
  // wait (synchronous_commit off): a server crash may lose the last ones, never half of one.
  void SetPowerSafe(bool powerSafe) override;
  // Bulk mode, for a register generated or imported: the store writes new records and
  // entries by COPY, and a second "P" entry fails the transaction (PgStore.h).
  void SetBulk(bool bulk) { bulk_ = bulk; }
  bool bulk() const { return bulk_; }

  pg::Connection& connection() { return *conn_; }
  // The quoted schema name, to qualify table names in SQL text.
  const std::string& schema() const { return quotedSchema_; }
  // "<uri> actifix_<CODE>", naming the company in errors.
  const std::string& subject() const override { return subject_; }

  bool InTransaction() const override { return state_ != State::kNone; }
  bool InWrite() const { return state_ == State::kWrite; }
  uint64_t writeGeneration() const override { return writeGeneration_; }
  // Begins the write transaction and takes the write lock. Throws HostError (the busy cause)
  // when another program keeps the lock longer than CompanyDatabase::kBusyWaitMs.
  // `alsoSend` may send the transaction's first reads, so that they cost no round trip more.
  void BeginWrite(const std::string& operation, const std::string& subject,
                  const std::function<void()>& alsoSend = nullptr);
  void BeginRead(const std::string& operation) override;
  void CommitWrite(const std::string& operation) override;
  void RollbackWrite() override;

 private:
  enum class State { kNone, kRead, kWrite };
  PgCompany(std::unique_ptr<pg::Connection> conn, const std::string& code,
            const std::string& schema);
  static std::unique_ptr<PgCompany> Open(std::unique_ptr<pg::Connection> conn,
                                         const std::string& code, const std::string& schema,
                                         bool readOnly);
  // Adds the sum of every record to a company of schema version 1.
  void AddRecordSums(const std::string& operation);
  // Runs `sql` in the current transaction, or on its own.
  void Put(const std::string& name, const std::string& value, const std::string& operation);

  std::unique_ptr<pg::Connection> conn_;
  std::string code_, quotedSchema_, subject_;
  CompanySettings settingsAtOpen_;
  State state_ = State::kNone;
  bool bulk_ = false;
  uint64_t writeGeneration_ = 0;
};

}  // namespace actifix::platform
