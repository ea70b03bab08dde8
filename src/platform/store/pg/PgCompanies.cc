#include "platform/store/pg/PgCompanies.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <future>
#include <thread>

#include "host/HostError.h"
#include "platform/store/CompanySettings.h"
#include "platform/store/RecordSum.h"
#include "platform/store/pg/PgCompany.h"
#include "platform/store/pg/PgStore.h"

namespace actifix::platform {

namespace {

// A backup's schema: "actifix_<CODE>_sauvegarde_<yyyymmdd>_<hhmmss>", "_2", "_3"... after it
// for several in one second.
const char kBackupInfix[] = "_sauvegarde_";

// Whether `name` may be a schema name of ours: letters, digits and "_" after "actifix_".
bool IsSchemaName(const std::string& name) {
  return name.size() <= 63 && name.starts_with("actifix_") &&
         std::all_of(name.begin(), name.end(), [](char c) {
           return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '_';
         });
}

// Now in local time with strftime's `format`.
std::string Now(const char* format, std::time_t now) {
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, format, &local));
}

// Copies the company tables of schema `from` into schema `to`, made here, in the transaction
// open on `c`, on the server alone: the catalog tables, then the table of every record and key
// file the catalog names, with the same columns and defaults. A backup is only ever read
// whole, so its tables go without their primary keys and constraints, which take more time
// than the rows (`keyed` false); a company's tables get them once their rows are in (`keyed`
// true).
void CopyCompany(pg::Connection& c, const std::string& from, const std::string& to, bool keyed,
                 const std::string& operation, const std::string& subject) {
  const std::string f = pg::Quoted(from), t = pg::Quoted(to);
  c.Send("CREATE SCHEMA " + t, pg::Params(), operation, subject, false);
  std::vector<std::string> tables = {"meta", "record_files", "key_files"};
  const pg::Result files =
      c.Query("SELECT 'r_' || name FROM " + f +
                  ".record_files UNION ALL SELECT 'k_' || name FROM " + f + ".key_files",
              pg::Params(), operation, subject, false);
  for (int i = 0; i < files.rows(); ++i) tables.emplace_back(files.Bytes(i, 0));
  for (const std::string& table : tables) {
    const std::string source = f + "." + pg::Quoted(table), copy = t + "." + pg::Quoted(table);
    const bool records = table.starts_with("r_"), entries = table.starts_with("k_");
    if (!keyed && (records || entries)) {
      // A backup's file tables by CREATE TABLE AS, which writes them twice as fast as an
      // INSERT into a table made before; a restore gives them their columns again.
      c.Send("CREATE TABLE " + copy + " AS SELECT * FROM " + source, pg::Params(), operation,
             subject, false);
      continue;
    }
    const std::string columns =
        records   ? std::string(PgCompany::kRecordColumns) + PgCompany::kRecordTableOptions
        : entries ? PgCompany::kKeyColumns
                  : " (LIKE " + source + " INCLUDING ALL EXCLUDING INDEXES)";
    c.Send("CREATE TABLE " + copy + columns, pg::Params(), operation, subject, false);
    c.Send("INSERT INTO " + copy + " SELECT * FROM " + source, pg::Params(), operation, subject,
           false);
    // The primary keys of the layout (PgCompany.h).
    const char* key = table.starts_with("r_")   ? "num"
                      : table.starts_with("k_") ? "key, seq"
                                                : "name";
    if (keyed)
      c.Send("ALTER TABLE " + copy + " ADD PRIMARY KEY (" + key + ")", pg::Params(), operation,
             subject, false);
  }
  c.Sync(operation, subject);
}

// Commits the transaction open on `c`; throws HostError when it was rolled back instead.
void Commit(pg::Connection& c, const std::string& operation, const std::string& subject) {
  if (c.Query("COMMIT", pg::Params(), operation, subject, false).status() != "COMMIT")
    throw HostError(operation, subject, "la transaction a échoué et n'a pas été enregistrée");
}

// The backup kept in schema `name`, read on `c`; nothing when there is none of that name.
std::optional<Backup> ReadBackup(pg::Connection& c, const std::string& name,
                                 const std::string& operation) {
  if (!IsSchemaName(name)) return std::nullopt;
  const pg::Result found =
      c.Query("SELECT to_regclass($1) IS NOT NULL, to_regclass($2) IS NOT NULL",
              pg::Params().Text(pg::Quoted(name) + ".backup").Text(pg::Quoted(name) + ".meta"),
              operation, name, false);
  if (found.Bytes(0, 0) != std::string_view("\1", 1)) return std::nullopt;
  if (found.Bytes(0, 1) != std::string_view("\1", 1))
    throw HostError(ErrorKind::kDamaged, operation, name,
                    "cette sauvegarde n'est pas une copie complète");
  const pg::Result row = c.Query(
      "SELECT code, taken, (SELECT coalesce(sum(pg_total_relation_size(r.oid)), 0)::int8"
      " FROM pg_class r JOIN pg_namespace n ON n.oid = r.relnamespace"
      " WHERE n.nspname = $1 AND r.relkind = 'r') FROM " +
          pg::Quoted(name) + ".backup",
      pg::Params().Text(name), operation, name, false);
  if (row.rows() != 1)
    throw HostError(ErrorKind::kDamaged, operation, name,
                    "cette sauvegarde n'est pas une copie complète");
  Backup backup{name, std::string(row.Bytes(0, 0)), std::string(row.Bytes(0, 1)),
                static_cast<uintmax_t>(row.Int(0, 2)), std::nullopt};
  const pg::Result archive =
      c.Query("SELECT to_regclass($1) IS NOT NULL",
              pg::Params().Text(pg::Quoted(name) + ".archive"), operation, name, false);
  if (archive.Bytes(0, 0) == std::string_view("\1", 1)) {
    const pg::Result year =
        c.Query("SELECT year_start, year_end FROM " + pg::Quoted(name) + ".archive", pg::Params(),
                operation, name, false);
    if (year.rows() == 1)
      backup.closedYear = ClosedYear{std::string(year.Bytes(0, 0)), std::string(year.Bytes(0, 1))};
  }
  return backup;
}

// A company held on its own connection: closing it releases the lock.
class PgHold final : public CompanyHold {
 public:
  PgHold(const std::string& uri, const std::string& code, Mode mode, const std::string& command)
      : conn_(uri, kOperation) {
    const std::string schema = PgCompany::SchemaFor(code);
    const std::string subject = conn_.uri() + " " + schema;
    // application_name keeps printable ASCII only and at most 63 bytes: enough for a command.
    conn_.Query("SELECT set_config('application_name', $1, false)",
                pg::Params().Text(command + ", processus " + std::to_string(getpid())), kOperation,
                subject, false);
    const std::string take = mode == Mode::kExclusive
                                 ? "SELECT pg_try_advisory_lock($1, hashtext($2))"
                                 : "SELECT pg_try_advisory_lock_shared($1, hashtext($2))";
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kCompanyWaitMs);
    while (conn_
               .Query(take, pg::Params().Int(PgCompanies::kHoldSpace).Text(schema), kOperation,
                      subject, false)
               .Bytes(0, 0) != std::string_view("\1", 1)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        const std::string holder = Holder(schema, subject);
        throw HostError(ErrorKind::kInUse, kOperation, subject,
                        "l'entreprise est utilisée par un autre programme" +
                            (holder.empty() ? std::string() : " (" + holder + ")") +
                            " : réessayez quand il aura terminé");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  static constexpr const char* kOperation = "CompanyLock";

  // The command of a program that holds the company, "" when none is seen. Advisory locks are
  // per database: a company of the same code in another database is not this one.
  std::string Holder(const std::string& schema, const std::string& subject) {
    const pg::Result row = conn_.Query(
        "SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid"
        " WHERE l.locktype = 'advisory' AND l.granted AND l.objsubid = 2"
        " AND l.classid = $1::int4::oid AND l.objid = hashtext($2)::oid"
        " AND l.pid <> pg_backend_pid() AND l.database ="
        " (SELECT oid FROM pg_database WHERE datname = current_database()) LIMIT 1",
        pg::Params().Int(PgCompanies::kHoldSpace).Text(schema), kOperation, subject, false);
    return row.rows() == 0 ? "" : std::string(row.Bytes(0, 0));
  }

  pg::Connection conn_;
};

}  // namespace

PgCompanies::PgCompanies(std::string uri, std::filesystem::path outputDir)
    : uri_(std::move(uri)),
      shown_(pg::WithoutPassword(uri_, uri_)),
      outputDir_(std::move(outputDir)) {}

std::vector<std::string> PgCompanies::Codes() { return PgCompany::List(uri_); }

bool PgCompanies::Exists(const std::string& code) {
  const std::vector<std::string> codes = Codes();
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

void PgCompanies::Create(const CompanySettings& settings) { PgCompany::Create(uri_, settings); }

void PgCompanies::Remove(const std::string& code) { PgCompany::Drop(uri_, code); }

CompanySettings PgCompanies::Settings(const std::string& code) {
  std::unique_ptr<pg::Connection> conn = std::move(reader_);
  if (!conn) conn = std::make_unique<pg::Connection>(uri_, "PgCompanies.Settings");
  const std::unique_ptr<PgCompany> company = PgCompany::Open(std::move(conn), code);
  const CompanySettings settings = company->SettingsAtOpen();
  reader_ = company->TakeConnection();
  return settings;
}

std::unique_ptr<Store> PgCompanies::Open(const std::string& code) {
  std::unique_ptr<PgCompany> company = PgCompany::Open(uri_, code);
  std::error_code error;
  std::filesystem::create_directories(outputDir_, error);  // the text files tell a failure
  return std::make_unique<PgStore>(std::move(company), outputDir_);
}

std::unique_ptr<CompanyHold> PgCompanies::Hold(const std::string& code, CompanyHold::Mode mode,
                                               const std::string& command) {
  return std::make_unique<PgHold>(uri_, code, mode, command);
}

std::filesystem::path PgCompanies::AnomalyLog(const std::string& code) const {
  return outputDir_ / (code + "Anomalies.log");
}

PgCompanies::CopyStart PgCompanies::StartCopy(Store& store, const std::string& code) {
  const std::string operation = "PgCompanies.TakeBackup", source = PgCompany::SchemaFor(code);
  const std::string subject = shown_ + " " + source;
  if (auto* server = dynamic_cast<PgStore*>(&store); server == nullptr)
    throw HostError(ErrorKind::kNotFound, operation, subject,
                    "l'entreprise n'est pas sur ce serveur");
  else if (server->database().InWrite())
    throw HostError(ErrorKind::kInUse, operation, subject,
                    "une écriture est en cours sur l'entreprise");
  CopyStart start{std::make_unique<pg::Connection>(uri_, operation), "",
                  std::chrono::system_clock::to_time_t(std::chrono::system_clock::now())};
  pg::Connection& c = *start.connection;
  const std::string stem = source + kBackupInfix + Now("%Y%m%d_%H%M%S", start.now);
  // One snapshot for every table, taken by the transaction's first query: the copy is the
  // company as it was at that moment, and appears whole at the commit, or not at all.
  c.Exec("BEGIN ISOLATION LEVEL REPEATABLE READ", operation, subject);
  start.name = stem;
  for (int n = 2; c.Query("SELECT 1 FROM pg_namespace WHERE nspname = $1",
                          pg::Params().Text(start.name), operation, subject, false)
                      .rows() != 0;
       ++n)
    start.name = stem + "_" + std::to_string(n);
  return start;
}

Backup PgCompanies::FinishCopy(const CopyStart& start, const std::string& code,
                               const std::optional<ClosedYear>& closedYear) {
  const std::string operation = "PgCompanies.TakeBackup", source = PgCompany::SchemaFor(code);
  const std::string subject = shown_ + " " + source;
  pg::Connection& c = *start.connection;
  const std::string& name = start.name;
  // An archive is read by key, as a company is: its tables get their primary keys.
  CopyCompany(c, source, name, closedYear.has_value(), operation, subject);
  c.Exec("CREATE TABLE " + pg::Quoted(name) + ".backup(code text NOT NULL, taken text NOT NULL)",
         operation, subject);
  if (closedYear) {
    c.Exec("CREATE TABLE " + pg::Quoted(name) +
               ".archive(year_start text NOT NULL, year_end text NOT NULL)",
           operation, subject);
    c.Query("INSERT INTO " + pg::Quoted(name) + ".archive VALUES($1, $2)",
            pg::Params().Text(closedYear->start).Text(closedYear->end), operation, subject, false);
  }
  c.Query("INSERT INTO " + pg::Quoted(name) + ".backup VALUES($1, $2)",
          pg::Params().Text(code).Text(Now("%d/%m/%Y %H:%M:%S", start.now)), operation, subject,
          false);
  Commit(c, operation, subject);
  return *ReadBackup(c, name, operation);
}

Backup PgCompanies::TakeBackup(Store& store, const std::string& code,
                               const std::optional<ClosedYear>& closedYear) {
  return FinishCopy(StartCopy(store, code), code, closedYear);
}

PendingBackup PgCompanies::BeginBackup(Store& store, const std::string& code,
                                       const std::optional<ClosedYear>& closedYear) {
  return PendingBackup(
      std::async(std::launch::async, [this, start = StartCopy(store, code), code, closedYear] {
        return FinishCopy(start, code, closedYear);
      }));
}

std::vector<Backup> PgCompanies::Backups(const std::string& code) {
  const std::string operation = "PgCompanies.Backups";
  pg::Connection c(uri_, operation);
  const pg::Result names = c.Query(
      "SELECT nspname FROM pg_namespace WHERE nspname LIKE 'actifix\\_%'"
      " AND to_regclass(quote_ident(nspname) || '.backup') IS NOT NULL ORDER BY 1",
      pg::Params(), operation, shown_, false);
  std::vector<Backup> backups;
  for (int i = 0; i < names.rows(); ++i) {
    std::optional<Backup> backup = ReadBackup(c, std::string(names.Bytes(i, 0)), operation);
    if (backup && (code.empty() || backup->code == code)) backups.push_back(std::move(*backup));
  }
  return backups;
}

std::optional<Backup> PgCompanies::FindBackup(const std::string& name) {
  const std::string operation = "PgCompanies.FindBackup";
  pg::Connection c(uri_, operation);
  return ReadBackup(c, name, operation);
}

std::unique_ptr<Store> PgCompanies::OpenArchive(const Backup& backup) {
  const std::optional<Backup> kept = FindBackup(backup.path.string());
  if (!kept)
    throw HostError(ErrorKind::kNotFound, "PgCompanies.OpenArchive", backup.path.string(),
                    "cette sauvegarde n'existe plus");
  return std::make_unique<PgStore>(PgCompany::OpenArchive(uri_, backup.path.string(), kept->code),
                                   outputDir_);
}

namespace {

// Throws HostError when the backup in schema `name` may not be restored as company `code`: the
// checks of an opening (PgCompany::Open), an older schema version accepted.
void CheckRestorable(pg::Connection& c, const std::string& name, const std::string& code,
                     const std::string& operation) {
  const std::string s = pg::Quoted(name);
  const auto refuse = [&](const std::string& why, ErrorKind kind = ErrorKind::kDamaged) {
    throw HostError(kind, operation, name, RestoreRefusal(why, code));
  };
  const pg::Result meta = c.Query("SELECT (SELECT value FROM " + s +
                                      ".meta WHERE name = 'schema_version'), (SELECT"
                                      " value FROM " +
                                      s +
                                      ".meta WHERE name = 'code'), to_regclass($1) IS NOT NULL AND"
                                      " to_regclass($2) IS NOT NULL",
                                  pg::Params().Text(s + ".record_files").Text(s + ".key_files"),
                                  operation, name, false);
  const std::string version(meta.Bytes(0, 0)), held(meta.Bytes(0, 1));
  if (version.empty() || version.size() > 9 ||
      !std::all_of(version.begin(), version.end(), ::isdigit) || std::stoi(version) < 1)
    refuse("ce schéma n'est pas une entreprise Actifix");
  if (std::stoi(version) > PgCompany::kSchemaVersion)
    refuse("cette base vient d'une version plus récente d'Actifix", ErrorKind::kNotSupported);
  if (held.empty()) refuse("le code de l'entreprise manque dans cette copie");
  if (held != code) refuse("c'est une copie de l'entreprise " + held, ErrorKind::kInvalidInput);
  if (meta.Bytes(0, 2) != std::string_view("\1", 1)) refuse(MissingFileCause("record_files"));
  const pg::Result missing = c.Query(
      "SELECT f.name FROM (SELECT 'r_' || name AS t, name FROM " + s +
          ".record_files UNION ALL SELECT 'k_' || name, name FROM " + s +
          ".key_files) f WHERE to_regclass(quote_ident($1) || '.' || quote_ident(f.t)) IS NULL"
          " LIMIT 1",
      pg::Params().Text(name), operation, name, false);
  if (missing.rows() != 0) refuse(MissingFileCause(std::string(missing.Bytes(0, 0))));
}

}  // namespace

std::optional<Backup> PgCompanies::Restore(const std::string& code, const Backup& backup) {
  const std::string operation = "PgCompanies.Restore", target = PgCompany::SchemaFor(code);
  const std::string subject = shown_ + " " + target;
  pg::Connection c(uri_, operation);
  // One transaction under the company's write lock: a reader sees the company before or after.
  c.Exec("BEGIN", operation, subject);
  c.Exec("SET LOCAL lock_timeout = " + std::to_string(CompanyDatabase::kBusyWaitMs), operation,
         subject);
  c.Query("SELECT pg_advisory_xact_lock($1, hashtext($2))",
          pg::Params().Int(PgCompany::kLockSpace).Text(target), operation, subject, false);
  const std::optional<Backup> found = ReadBackup(c, backup.path.string(), operation);
  if (!found)
    throw HostError(ErrorKind::kNotFound, operation, backup.path.string(),
                    "cette sauvegarde n'existe plus");
  if (found->code != code)
    throw HostError(ErrorKind::kInvalidInput, operation, backup.path.string(),
                    RestoreRefusal("c'est une copie de l'entreprise " + found->code, code));
  CheckRestorable(c, backup.path.string(), code, operation);
  // What is replaced becomes one more backup, whatever state it is in: its schema renamed.
  std::optional<std::string> kept;
  if (c.Query("SELECT to_regclass($1) IS NOT NULL", pg::Params().Text(pg::Quoted(target) + ".meta"),
              operation, subject, false)
          .Bytes(0, 0) == std::string_view("\1", 1)) {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::string stem =
        target + kBackupInfix + Now("%Y%m%d_%H%M%S", now) + "_avant_restauration";
    kept = stem;
    for (int n = 2; c.Query("SELECT 1 FROM pg_namespace WHERE nspname = $1",
                            pg::Params().Text(*kept), operation, subject, false)
                        .rows() != 0;
         ++n)
      kept = stem + "_" + std::to_string(n);
    c.Exec("ALTER SCHEMA " + pg::Quoted(target) + " RENAME TO " + pg::Quoted(*kept), operation,
           subject);
    c.Exec(
        "DROP TABLE IF EXISTS " + pg::Quoted(*kept) + ".backup, " + pg::Quoted(*kept) + ".archive",
        operation, subject);
    c.Exec("CREATE TABLE " + pg::Quoted(*kept) + ".backup(code text NOT NULL, taken text NOT NULL)",
           operation, subject);
    c.Query("INSERT INTO " + pg::Quoted(*kept) + ".backup VALUES($1, $2)",
            pg::Params().Text(code).Text(Now("%d/%m/%Y %H:%M:%S", now)), operation, subject, false);
  } else {
    c.Exec("DROP SCHEMA IF EXISTS " + pg::Quoted(target) + " CASCADE", operation, subject);
  }
  CopyCompany(c, backup.path.string(), target, true, operation, subject);
  Commit(c, operation, subject);
  if (!kept) return std::nullopt;
  return ReadBackup(c, *kept, operation);
}

StoredFiles PgCompanies::Describe(Store& store, const std::string& code) {
  const std::string operation = "PgCompanies.Describe";
  auto* server = dynamic_cast<PgStore*>(&store);
  if (server == nullptr)
    throw HostError(ErrorKind::kNotFound, operation, code, "l'entreprise n'est pas sur ce serveur");
  pg::Connection& c = server->database().connection();
  const std::string& s = server->database().schema();
  const std::string& subject = server->database().subject();
  StoredFiles files;
  const pg::Result years =
      c.Query("SELECT substr(name, 13), value FROM " + s +
                  ".meta WHERE name LIKE 'year\\_opened %' ORDER BY name COLLATE \"C\"",
              pg::Params(), operation, subject, false);
  for (int i = 0; i < years.rows(); ++i)
    files.yearsOpened.emplace_back(years.Bytes(i, 0), years.Bytes(i, 1));
  const pg::Result records = c.Query("SELECT name, record_length, last_number FROM " + s +
                                         ".record_files ORDER BY name COLLATE \"C\"",
                                     pg::Params(), operation, subject, false);
  // The rows of table `table` of the file `name` counted, and the highest of `column`.
  const auto tally = [&](const std::string& table, const char* column, const std::string& name) {
    return c.Query("SELECT count(*), coalesce(max(" + std::string(column) + "), 0) FROM " + s +
                       "." + pg::Quoted(table),
                   pg::Params(), operation, name, false);
  };
  for (int i = 0; i < records.rows(); ++i) {
    StoredFiles::Records& file = files.records.emplace_back();
    file.name = records.Bytes(i, 0);
    file.recordLength = static_cast<int32_t>(records.Int(i, 1));
    const pg::Result rows = tally("r_" + file.name, "num", file.name);
    file.count = rows.Int(0, 0);
    file.lastNumber = static_cast<int32_t>(std::max(records.Int(i, 2), rows.Int(0, 1)));
  }
  const pg::Result keys = c.Query("SELECT name, key_length, kind, last_seq FROM " + s +
                                      ".key_files ORDER BY name COLLATE \"C\"",
                                  pg::Params(), operation, subject, false);
  for (int i = 0; i < keys.rows(); ++i) {
    StoredFiles::Keys& file = files.keys.emplace_back();
    file.name = keys.Bytes(i, 0);
    file.keyLength = static_cast<int16_t>(keys.Int(i, 1));
    file.kind = keys.Bytes(i, 2);
    const pg::Result rows = tally("k_" + file.name, "seq", file.name);
    file.count = rows.Int(0, 0);
    file.lastSeq = std::max(keys.Int(i, 3), rows.Int(0, 1));
  }
  return files;
}

namespace {

// A company written in one open transaction of its own connection, committed when published
// and rolled back (by the server, when the connection ends) otherwise.
class PgLoad final : public CompanyLoad {
 public:
  PgLoad(const std::string& uri, const CompanySettings& settings,
         const std::vector<std::pair<std::string, std::string>>& yearsOpened)
      : company_(PgCompany::Create(uri, settings, false)) {
    for (const auto& [start, when] : yearsOpened) company_->MarkYearOpened(start, when);
  }
  ~PgLoad() override {
    if (!published_) company_->RollbackWrite();
  }

  void RecordFile(const StoredFiles::Records& file) override {
    // The table as PgStore::OpenRecordFile makes it, its primary key made after its rows.
    Start(file.name, "r_", std::string(PgCompany::kRecordColumns) + PgCompany::kRecordTableOptions,
          "num, data, sum", "num");
    Send("INSERT INTO " + company_->schema() +
             ".record_files(name, record_length, last_number) VALUES($1, $2::int4, $3::int4)",
         pg::Params().Text(file.name).Int(file.recordLength).Int(file.lastNumber));
  }
  void Record(int32_t number, std::string_view bytes) override {
    conn().Append(copy_, {pg::Int4(number), bytes, pg::Int4(RecordSum(number, bytes))}, kOperation,
                  subject_);
  }
  void KeyFile(const StoredFiles::Keys& file) override {
    // The table as PgStore::OpenKeyFile makes it.
    Start(file.name, "k_", PgCompany::kKeyColumns, "key, seq, num", "key, seq");
    seq_.Start(file.kind);
    Send("INSERT INTO " + company_->schema() +
             ".key_files(name, key_length, kind, last_seq) VALUES($1, $2::int2, $3, $4::int4)",
         pg::Params().Text(file.name).Int(file.keyLength).Text(file.kind).Int(file.lastSeq));
  }
  void Entry(std::string_view key, int32_t number) override {
    // Entries come in order: an "S" file numbers them 1, 2, ..., which keeps equal keys in it.
    conn().Append(copy_, {key, pg::Int4(static_cast<int32_t>(seq_.Next())), pg::Int4(number)},
                  kOperation, subject_);
  }
  void Publish() override {
    Finish();
    company_->CommitWrite(kOperation);
    published_ = true;
  }

 private:
  static constexpr const char* kOperation = "PgCompanies.Load";
  pg::Connection& conn() { return company_->connection(); }
  void Send(const std::string& sql, const pg::Params& params) {
    conn().Send(sql, params, kOperation, subject_, false);
  }
  void Start(const std::string& name, const char* prefix, const std::string& columns,
             const char* copied, const char* key) {
    Finish();
    subject_ = name;
    table_ = company_->schema() + "." + pg::Quoted(prefix + name);
    Send("CREATE TABLE " + table_ + columns, pg::Params());
    copy_ = "COPY " + table_ + "(" + copied + ") FROM STDIN (FORMAT binary)";
    key_ = key;
  }
  // Ends the file in hand: its primary key, and an "S" file's last insertion number.
  void Finish() {
    if (table_.empty()) return;
    Send("ALTER TABLE " + table_ + " ADD PRIMARY KEY (" + key_ + ")", pg::Params());
    if (seq_.last > 0)
      Send("UPDATE " + company_->schema() +
               ".key_files SET last_seq = $1::int4 WHERE name = $2 AND last_seq < $1::int4",
           pg::Params().Int(seq_.last).Text(subject_));
    conn().Sync(kOperation, subject_);
    table_.clear();
    seq_.last = 0;
  }

  std::unique_ptr<PgCompany> company_;
  std::string subject_, table_, copy_, key_;
  EntryNumbering seq_;
  bool published_ = false;
};

}  // namespace

std::unique_ptr<CompanyLoad> PgCompanies::Load(
    const CompanySettings& settings,
    const std::vector<std::pair<std::string, std::string>>& yearsOpened) {
  return std::make_unique<PgLoad>(uri_, settings, yearsOpened);
}

}  // namespace actifix::platform
