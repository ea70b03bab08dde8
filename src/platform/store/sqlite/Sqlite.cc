#include "platform/store/sqlite/Sqlite.h"

#include <utility>

#include "host/HostError.h"

namespace actifix::platform {

namespace {

struct SqliteFailure {
  ErrorKind kind;
  std::string cause;
};

// Every SQLite result code the store meets, its kind and the cause the user reads: the one
// place where SQLite's codes are read.
SqliteFailure FailureOf(int rc) {
  switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return {ErrorKind::kDamaged,
              "le fichier de la base est endommagé : restaurez-en une copie de sauvegarde"};
    case SQLITE_FULL:
      return {ErrorKind::kIo, "le disque est plein"};
    case SQLITE_IOERR:
      return {ErrorKind::kIo, "erreur de lecture ou d'écriture sur le disque"};
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return {ErrorKind::kInUse,
              "l'entreprise est utilisée par un autre programme : réessayez quand il aura "
              "terminé"};
    case SQLITE_READONLY:
      return {ErrorKind::kIo, "la base est en lecture seule"};
    case SQLITE_CANTOPEN:
      return {ErrorKind::kIo, "impossible d'ouvrir le fichier de la base"};
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return {ErrorKind::kIo, "accès refusé au fichier de la base"};
    case SQLITE_NOMEM:
      return {ErrorKind::kFailed, "mémoire insuffisante"};
    case SQLITE_CONSTRAINT:
      return {ErrorKind::kConflict, "cette clé existe déjà"};
    case SQLITE_TOOBIG:
      return {ErrorKind::kInvalidInput, "donnée trop grande"};
    default:
      return {ErrorKind::kFailed, "erreur de la base de données (code " + std::to_string(rc) + ")"};
  }
}

}  // namespace

std::string SqliteCause(int rc) { return FailureOf(rc).cause; }

HostError SqliteError(int rc, const std::string& operation, const std::string& subject,
                      std::string detail) {
  SqliteFailure failure = FailureOf(rc);
  return HostError(failure.kind, operation, subject, std::move(failure.cause), std::move(detail));
}

void ThrowSqlite(sqlite3* db, int rc, const std::string& operation, const std::string& subject) {
  throw SqliteError(rc, operation, subject,
                    db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  const int rc = sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                                    SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    // A statement that does not compile is a fault of ours, or a damaged schema: the user is
    // told of the file, the statement and SQLite's words go to the detail.
    const std::string detail = std::string(sqlite3_errmsg(db)) + " (" + std::string(sql) + ")";
    const char* file = sqlite3_db_filename(db, "main");
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    throw SqliteError(rc, "SQLite.Prepare", file != nullptr ? file : "", detail);
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)), stmt_(std::exchange(other.stmt_, nullptr)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
  if (this != &other) {
    sqlite3_finalize(stmt_);
    db_ = std::exchange(other.db_, nullptr);
    stmt_ = std::exchange(other.stmt_, nullptr);
  }
  return *this;
}

Statement& Statement::Bind(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
  // An empty blob must still be a blob, not NULL: give SQLite a non-null pointer.
  static const char kNothing = 0;
  sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kNothing : bytes.data(), bytes.size(),
                      SQLITE_TRANSIENT);
  return *this;
}

Statement& Statement::BindText(int index, std::string_view text) {
  sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  return *this;
}

bool Statement::Step(const std::string& operation, const std::string& subject) {
  const int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Reset();
  ThrowSqlite(db_, rc, operation, subject);
}

void Statement::Run(const std::string& operation, const std::string& subject) {
  while (Step(operation, subject)) {
  }
  Reset();
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Bytes(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::string_view Statement::View(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return std::string_view(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

SavepointStatements::SavepointStatements(sqlite3* db, const std::string& name)
    : begin(db, "SAVEPOINT " + name),
      release(db, "RELEASE " + name),
      rollback(db, "ROLLBACK TO " + name) {}

Savepoint::Savepoint(SavepointStatements& statements, const std::string& operation,
                     const std::string& subject)
    : statements_(statements), operation_(operation), subject_(subject) {
  statements_.begin.Run(operation_, subject_);
}

Savepoint::~Savepoint() {
  if (done_) return;
  // Best effort: a failure here leaves the outer transaction to the caller's rollback.
  try {
    statements_.rollback.Run(operation_, subject_);
    statements_.release.Run(operation_, subject_);
  } catch (...) {
  }
}

void Savepoint::Release() {
  statements_.release.Run(operation_, subject_);
  done_ = true;
}

}  // namespace actifix::platform
