#include "platform/store/pg/PgCompany.h"

#include "host/HostError.h"
#include "platform/store/RecordSum.h"

namespace actifix::platform {

namespace {

const char kNoCompany[] = "cette entreprise n'existe pas sur ce serveur";

}  // namespace

PgCompany::PgCompany(std::unique_ptr<pg::Connection> conn, const std::string& code,
                     const std::string& schema)
    : conn_(std::move(conn)),
      code_(code),
      quotedSchema_(pg::Quoted(schema)),
      subject_(conn_->uri() + " " + schema) {}

std::unique_ptr<PgCompany> PgCompany::Create(const std::string& uri,
                                             const CompanySettings& settings, bool commit) {
  const std::string operation = "PgCompany.Create";
  std::unique_ptr<PgCompany> company(new PgCompany(std::make_unique<pg::Connection>(uri, operation),
                                                   settings.code, SchemaFor(settings.code)));
  pg::Connection& c = *company->conn_;
  const std::string& s = company->quotedSchema_;
  // No write lock: nobody else works on a company that does not exist yet; a program making
  // the same one at the same moment fails on CREATE SCHEMA.
  c.Exec("BEGIN", operation, company->subject_);
  company->state_ = State::kWrite;
  try {
    const pg::Result exists =
        c.Query("SELECT 1 FROM pg_namespace WHERE nspname = $1",
                pg::Params().Text(SchemaFor(settings.code)), operation, company->subject_, false);
    if (exists.rows() != 0)
      throw HostError(ErrorKind::kConflict, operation, company->subject_,
                      "cette entreprise existe déjà");
    c.Exec("CREATE SCHEMA " + s, operation, company->subject_);
    c.Exec("CREATE TABLE " + s + ".meta(name text PRIMARY KEY, value text NOT NULL)", operation,
           company->subject_);
    c.Exec("CREATE TABLE " + s +
               ".record_files(name text PRIMARY KEY, record_length int4 NOT NULL,"
               " last_number int4 NOT NULL DEFAULT 0)",
           operation, company->subject_);
    c.Exec("CREATE TABLE " + s +
               ".key_files(name text PRIMARY KEY, key_length int2 NOT NULL, kind text NOT NULL,"
               " last_seq int4 NOT NULL DEFAULT 0)",
           operation, company->subject_);
    company->Put("schema_version", std::to_string(kSchemaVersion), operation);
    company->SaveSettings(settings);
    if (commit) company->CommitWrite(operation);
  } catch (...) {
    company->RollbackWrite();
    throw;
  }
  return company;
}

std::unique_ptr<PgCompany> PgCompany::Open(const std::string& uri, const std::string& code) {
  return Open(std::make_unique<pg::Connection>(uri, "PgCompany.Open"), code);
}

std::unique_ptr<PgCompany> PgCompany::Open(std::unique_ptr<pg::Connection> conn,
                                           const std::string& code) {
  return Open(std::move(conn), code, SchemaFor(code), false);
}

std::unique_ptr<PgCompany> PgCompany::OpenArchive(const std::string& uri, const std::string& schema,
                                                  const std::string& code) {
  return Open(std::make_unique<pg::Connection>(uri, "PgCompany.Open"), code, schema, true);
}

std::unique_ptr<PgCompany> PgCompany::Open(std::unique_ptr<pg::Connection> conn,
                                           const std::string& code, const std::string& schema,
                                           bool readOnly) {
  const std::string operation = "PgCompany.Open";
  std::unique_ptr<PgCompany> company(new PgCompany(std::move(conn), code, schema));
  pg::Connection& c = *company->conn_;
  if (readOnly) c.Exec("SET default_transaction_read_only = on", operation, company->subject_);
  const pg::Result meta = c.Query("SELECT to_regclass($1) IS NOT NULL",
                                  pg::Params().Text(company->quotedSchema_ + ".meta"), operation,
                                  company->subject_, false);
  if (meta.Bytes(0, 0) != std::string_view("\1", 1))
    throw HostError(ErrorKind::kNotFound, operation, company->subject_, kNoCompany);
  const pg::Result version = c.Query(
      "SELECT value::int4 FROM " + company->quotedSchema_ + ".meta WHERE name = 'schema_version'",
      pg::Params(), operation, company->subject_, false);
  if (version.rows() != 1)
    throw HostError(ErrorKind::kDamaged, operation, company->subject_,
                    "ce schéma n'est pas une entreprise Actifix");
  if (version.Int(0, 0) > kSchemaVersion)
    throw HostError(ErrorKind::kNotSupported, operation, company->subject_,
                    "cette base vient d'une version plus récente d'Actifix");
  company->settingsAtOpen_ = company->Settings();
  CheckIdentity(company->settingsAtOpen_, code, operation, company->subject_);
  const std::string& s = company->quotedSchema_;
  const pg::Result missing = c.Query(
      "SELECT f.name FROM (SELECT 'r_' || name AS t, name FROM " + s +
          ".record_files UNION ALL SELECT 'k_' || name, name FROM " + s +
          ".key_files) f WHERE to_regclass(quote_ident($1) || '.' || quote_ident(f.t)) IS NULL"
          " LIMIT 1",
      pg::Params().Text(schema), operation, company->subject_, false);
  if (missing.rows() != 0)
    throw HostError(ErrorKind::kDamaged, operation, company->subject_,
                    MissingFileCause(std::string(missing.Bytes(0, 0))));
  if (version.Int(0, 0) < kSchemaVersion) {
    // An archive is never written to, so it cannot take the checksums older copies lack.
    if (readOnly)
      throw HostError(ErrorKind::kNotSupported, operation, company->subject_,
                      "cette copie vient d'une version antérieure d'Actifix et ne peut être lue "
                      "qu'une fois restaurée");
    company->AddRecordSums(operation);
  }
  return company;
}

void PgCompany::AddRecordSums(const std::string& operation) {
  BeginWrite(operation, subject_);
  try {
    // Another program may have done it while this one waited for the lock.
    const pg::Result version = conn_->Query(
        "SELECT value::int4 FROM " + quotedSchema_ + ".meta WHERE name = 'schema_version'",
        pg::Params(), operation, subject_, false);
    if (version.Int(0, 0) < kSchemaVersion) {
      const pg::Result files = conn_->Query("SELECT name FROM " + quotedSchema_ + ".record_files",
                                            pg::Params(), operation, subject_, false);
      for (int f = 0; f < files.rows(); ++f) {
        const std::string name(files.Bytes(f, 0));
        const std::string table = quotedSchema_ + "." + pg::Quoted("r_" + name);
        conn_->Exec("ALTER TABLE " + table + " ADD COLUMN IF NOT EXISTS sum int4", operation, name);
        // The sums are computed here, a batch of records at a time.
        constexpr int kBatch = 10000;
        const std::string next = "SELECT num, data FROM " + table +
                                 " WHERE num > $1::int4 ORDER BY num LIMIT " +
                                 std::to_string(kBatch);
        const std::string update = "UPDATE " + table +
                                   " t SET sum = u.sum FROM unnest($1::int4[], $2::int4[])"
                                   " u(num, sum) WHERE t.num = u.num";
        for (int64_t after = 0;;) {
          const pg::Result rows =
              conn_->Query(next, pg::Params().Int(after), operation, name, false);
          if (rows.rows() == 0) break;
          std::string numbers = pg::ArrayHeader(23, rows.rows()),
                      sums = pg::ArrayHeader(23, rows.rows());
          for (int i = 0; i < rows.rows(); ++i) {
            const auto number = static_cast<int32_t>(rows.Int(i, 0));
            pg::ArrayElement(numbers, pg::Int4(number));
            pg::ArrayElement(sums, pg::Int4(RecordSum(number, rows.Bytes(i, 1))));
          }
          conn_->Send(update, pg::Params().Bytes(numbers).Bytes(sums), operation, name, false);
          after = rows.Int(rows.rows() - 1, 0);
        }
      }
      Put("schema_version", std::to_string(kSchemaVersion), operation);
    }
    CommitWrite(operation);
  } catch (...) {
    RollbackWrite();
    throw;
  }
}

std::vector<std::string> PgCompany::List(const std::string& uri) {
  const std::string operation = "PgCompany.List";
  pg::Connection c(uri, operation);
  // The "meta" tables by the catalog's index on names, rather than a look-up of each schema's
  // by its text: 1 ms for a thousand companies where that took 5 to 15.
  const pg::Result names = c.Query(
      "SELECT substr(n.nspname, 9) FROM pg_namespace n WHERE n.nspname LIKE 'actifix\\___'"
      " AND EXISTS (SELECT 1 FROM pg_class c WHERE c.relnamespace = n.oid AND c.relname = 'meta')"
      " ORDER BY 1",
      pg::Params(), operation, c.uri(), false);
  std::vector<std::string> codes;
  for (int i = 0; i < names.rows(); ++i) codes.emplace_back(names.Bytes(i, 0));
  return codes;
}

void PgCompany::Drop(const std::string& uri, const std::string& code) {
  const std::string operation = "PgCompany.Drop";
  pg::Connection c(uri, operation);
  c.Exec("DROP SCHEMA IF EXISTS " + pg::Quoted(SchemaFor(code)) + " CASCADE", operation,
         c.uri() + " " + SchemaFor(code));
}

CompanySettings PgCompany::Settings() {
  const std::string operation = "PgCompany.Settings";
  const pg::Result rows = conn_->Query("SELECT name, value FROM " + quotedSchema_ + ".meta",
                                       pg::Params(), operation, subject_, false);
  CompanySettings settings;
  for (int i = 0; i < rows.rows(); ++i)
    settings.Take(rows.Bytes(i, 0), std::string(rows.Bytes(i, 1)));
  settings.TakeDefaults();
  return settings;
}

void PgCompany::Put(const std::string& name, const std::string& value,
                    const std::string& operation) {
  conn_->Send("INSERT INTO " + quotedSchema_ +
                  ".meta(name, value) VALUES($1, $2)"
                  " ON CONFLICT (name) DO UPDATE SET value = excluded.value",
              pg::Params().Text(name).Text(value), operation, subject_, false);
}

void PgCompany::SaveSettings(const CompanySettings& settings) {
  const std::string operation = "PgCompany.SaveSettings";
  const bool own = !InWrite();
  if (own) BeginWrite(operation, subject_);
  Put("code", settings.code, operation);
  Put("name", settings.name, operation);
  Put("year_start", settings.yearStart, operation);
  Put("year_end", settings.yearEnd, operation);
  Put("work_date", settings.workDate, operation);
  Put("cumulatives_year",
      settings.cumulativesYear.empty() ? settings.yearStart : settings.cumulativesYear, operation);
  for (int i = 0; i < CompanySettings::kFiscalRows; ++i) {
    const auto [name, value] = settings.FiscalRows(i);
    Put(name, value, operation);
  }
  if (own)
    CommitWrite(operation);
  else
    conn_->Sync(operation, subject_);
}

std::string PgCompany::YearOpened(const std::string& yearStart) {
  const pg::Result row = conn_->Query(
      "SELECT value FROM " + quotedSchema_ + ".meta WHERE name = $1",
      pg::Params().Text("year_opened " + yearStart), "PgCompany.YearOpened", subject_, false);
  return row.rows() == 0 ? "" : std::string(row.Bytes(0, 0));
}

void PgCompany::MarkYearOpened(const std::string& yearStart, const std::string& when) {
  const std::string operation = "PgCompany.MarkYearOpened";
  BeginWrite(operation, subject_);
  Put("year_opened " + yearStart, when, operation);
  conn_->Sync(operation, subject_);
}

void PgCompany::SetPowerSafe(bool powerSafe) {
  conn_->Exec(powerSafe ? "SET synchronous_commit = on" : "SET synchronous_commit = off",
              "PgCompany.SetPowerSafe", subject_);
}

void PgCompany::BeginWrite(const std::string& operation, const std::string& subject,
                           const std::function<void()>& alsoSend) {
  if (InTransaction()) return;
  conn_->Send("BEGIN", pg::Params(), operation, subject, false);
  state_ = State::kWrite;
  ++writeGeneration_;
  try {
    conn_->Send("SET LOCAL lock_timeout = " + std::to_string(CompanyDatabase::kBusyWaitMs),
                pg::Params(), operation, subject, false);
    conn_->Send("SELECT pg_advisory_xact_lock($1, hashtext($2))",
                pg::Params().Int(kLockSpace).Text(SchemaFor(code_)), operation, subject, false);
    if (alsoSend) alsoSend();
    conn_->Sync(operation, subject);
  } catch (...) {
    RollbackWrite();
    throw;
  }
}

void PgCompany::BeginRead(const std::string& operation) {
  if (InTransaction()) return;
  // A read still in the pipeline (a walk's next batch) would start the transaction first, and
  // its isolation could no longer be chosen.
  conn_->Sync(operation, subject_);
  conn_->Exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", operation, subject_);
  state_ = State::kRead;
}

void PgCompany::CommitWrite(const std::string& operation) {
  if (!InTransaction()) return;
  try {
    // A transaction that failed on the server ends in ROLLBACK, not in an error.
    if (conn_->Query("COMMIT", pg::Params(), operation, subject_, false).status() != "COMMIT")
      throw HostError(operation, subject_, "la transaction a échoué et n'a pas été enregistrée");
  } catch (...) {
    RollbackWrite();
    throw;
  }
  state_ = State::kNone;
}

void PgCompany::RollbackWrite() {
  if (!InTransaction()) return;
  state_ = State::kNone;
  const std::string operation = "PgCompany.Rollback";
  conn_->DiscardCopies();
  try {
    conn_->Sync(operation, subject_);  // a failed write would make the ROLLBACK skipped
  } catch (const HostError&) {
    // Its failure is what is being abandoned.
  }
  try {
    conn_->Exec("ROLLBACK", operation, subject_);
  } catch (const HostError&) {
    // A connection that broke has lost the transaction with it.
  }
}

}  // namespace actifix::platform
