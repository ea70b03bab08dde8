// Thin RAII layer over the SQLite C interface, used only inside the store: a prepared
// statement that finalizes itself, a savepoint that rolls back unless released, and the
// translation of SQLite result codes into HostError with a cause in plain French.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "host/HostError.h"

namespace actifix::platform {

// Throws HostError(kind, operation, subject, cause) for the SQLite result `rc` on `db`.
[[noreturn]] void ThrowSqlite(sqlite3* db, int rc, const std::string& operation,
                              const std::string& subject);

// The HostError for the SQLite result `rc`: its kind and French cause, `detail` SQLite's words.
HostError SqliteError(int rc, const std::string& operation, const std::string& subject,
                      std::string detail = "");

// The French cause shown for a SQLite result code.
std::string SqliteCause(int rc);

// One prepared statement. Errors are reported under the `operation` / `subject` each Step or
// Run is given, so that a failure names the host call.
class Statement {
 public:
  Statement() = default;
  // REQUIRES: db open. Throws HostError when the text does not compile.
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(Statement&& other) noexcept;
  Statement& operator=(Statement&& other) noexcept;
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool valid() const { return stmt_ != nullptr; }

  // Binds (1-based) parameters. Blobs and texts are copied by SQLite.
  Statement& Bind(int index, int64_t value);
  Statement& BindBlob(int index, std::string_view bytes);
  Statement& BindText(int index, std::string_view text);

  // Steps once: true with a row to read, false when done. Throws HostError on failure
  // (the statement is reset first, so it can be used again).
  bool Step(const std::string& operation, const std::string& subject);
  // Runs a statement that returns no row of interest, then resets it.
  void Run(const std::string& operation, const std::string& subject);
  // Ends the current run and clears the bindings, ready for the next one.
  void Reset();

  int64_t Int(int column) const;
  // The bytes of a BLOB or TEXT column.
  std::string Bytes(int column) const;
  bool IsNull(int column) const;
  // The same without a copy, valid until the next Step or Reset.
  std::string_view View(int column) const;

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

// The three prepared statements of one savepoint name, compiled once per connection.
struct SavepointStatements {
  SavepointStatements() = default;
  SavepointStatements(sqlite3* db, const std::string& name);
  Statement begin, release, rollback;
};

// SAVEPOINT ... RELEASE: opens a transaction when none is open, nests otherwise. Unless
// Release() was called, the destructor rolls back to the savepoint and releases it, so a
// host call that fails halfway leaves nothing of itself behind.
class Savepoint {
 public:
  // REQUIRES: `operation` and `subject` outlive the savepoint (they name it in errors).
  Savepoint(SavepointStatements& statements, const std::string& operation,
            const std::string& subject);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;

  void Release();

 private:
  SavepointStatements& statements_;
  const std::string& operation_;
  const std::string& subject_;
  bool done_ = false;
};

}  // namespace actifix::platform
