// Thin layer over libpq, used only by the PostgreSQL store: one connection kept in pipeline
// mode, so that writes whose result nobody waits for are sent without a round trip and
// checked at the next query; parameters and results in binary form (bytea as raw bytes);
// COPY for bulk writes; every server or connection failure turned into HostError with a
// cause in plain French.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform::pg {

// `text`, an address or any message that may quote one (libpq's own messages do), as it may
// be shown: the password of every URI's user part ("user:password@") and every "password="
// value (of a URI's query or of a "key=value" string) taken out. When `address` is given,
// the pieces of `text` that are a password `address` holds, as typed or percent-decoded, are
// hidden too ("***"): libpq quotes a token it cannot read. A password under 4 characters is
// hidden that way only where the text quotes it whole, lest every letter "a" go.
std::string WithoutPassword(std::string_view text, std::string_view address = {});

// Statement parameters: integers as text, byte strings as binary bytea.
class Params {
 public:
  Params& Int(int64_t value);
  Params& Bytes(std::string_view bytes);
  Params& Text(std::string_view text);

  int size() const { return static_cast<int>(values_.size()); }
  void Clear() { values_.clear(), formats_.clear(), lengths_.clear(); }

 private:
  friend class Connection;
  std::vector<std::string> values_;
  std::vector<int> formats_, lengths_;
};

// One result, rows in binary form. Integer columns must be int2, int4 or int8.
class Result {
 public:
  Result() = default;
  explicit Result(PGresult* result) : result_(result) {}
  ~Result() { PQclear(result_); }
  Result(Result&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
  Result& operator=(Result&& other) noexcept;
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  int rows() const { return result_ == nullptr ? 0 : PQntuples(result_); }
  bool IsNull(int row, int column) const { return PQgetisnull(result_, row, column) != 0; }
  int64_t Int(int row, int column) const;
  std::string_view Bytes(int row, int column) const {
    return {PQgetvalue(result_, row, column),
            static_cast<std::size_t>(PQgetlength(result_, row, column))};
  }
  // Rows changed by an INSERT, UPDATE or DELETE.
  int64_t affected() const;
  PGresult* raw() const { return result_; }
  // The command tag ("COMMIT", "ROLLBACK", "INSERT 0 1").
  std::string_view status() const { return result_ == nullptr ? "" : PQcmdStatus(result_); }

 private:
  PGresult* result_ = nullptr;
};

class Connection {
 public:
  // Connects to `uri` ("postgresql://..."). Throws HostError(operation, uri without its
  // password) when it cannot.
  Connection(const std::string& uri, const std::string& operation);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  // Prepares `sql` once on the server and returns the name to run it by.
  std::string Prepare(std::string_view sql, const std::string& operation,
                      const std::string& subject);
  // Sends a prepared statement (or, when `prepared` is false, SQL text) without waiting for
  // it: a failure is thrown by the next Query or Sync, under this operation and subject.
  // With `into`, its result is kept there when it comes (`into` must outlive the wait).
  void Send(const std::string& statement, const Params& params, const std::string& operation,
            const std::string& subject, bool prepared = true, Result* into = nullptr);
  // Runs a prepared statement (or SQL text) after everything sent before it, and returns its
  // result. Throws HostError for the first of them that failed.
  Result Query(const std::string& statement, const Params& params, const std::string& operation,
               const std::string& subject, bool prepared = true);
  // SQL text without parameters nor result wanted, one statement.
  void Exec(const std::string& sql, const std::string& operation, const std::string& subject) {
    Query(sql, Params(), operation, subject, false);
  }
  // Waits for everything sent. Throws HostError for the first failure.
  void Sync(const std::string& operation, const std::string& subject);
  // Puts what was sent on the wire now and has the server send its results as they come,
  // without waiting: a query asked ahead then runs while the program works.
  void Push(const std::string& operation, const std::string& subject);
  // Bulk writes: adds a row to the COPY `copy` ("COPY t(a, b) FROM STDIN (FORMAT binary)"),
  // its fields in binary form (Int4 for an int4). The rows gathered go to the server by COPY
  // before anything else is sent, at the latest when they pass kCopyBytes; a failure is thrown
  // then, under this operation and subject.
  void Append(const std::string& copy, std::initializer_list<std::string_view> fields,
              const std::string& operation, const std::string& subject);
  // The rows gathered so far, to take back those appended since: Truncate says false when
  // some were sent meanwhile.
  struct Mark {
    uint64_t flushes = 0;
    std::vector<std::pair<const std::string*, std::size_t>> sizes;
  };
  Mark MarkCopies() const;
  // Forgets the rows gathered and not sent (before a rollback).
  void DiscardCopies() {
    copies_.clear();
    copyBytes_ = 0;
    ++flushes_;
  }
  bool Truncate(const Mark& mark);

  // Called before anything is sent (not again while it runs), so that writes held back by
  // the caller go first.
  void SetBeforeSend(std::function<void()> before) { beforeSend_ = std::move(before); }

  // Whether a transaction block is open on the server (after Sync).
  bool InTransactionBlock() const { return PQtransactionStatus(conn_) != PQTRANS_IDLE; }
  // The server's address without its password.
  const std::string& uri() const { return uri_; }

 private:
  struct Pending {
    std::string operation, subject;
    Result* into = nullptr;
  };
  struct Copy {
    std::string rows, operation, subject;
  };
  static constexpr std::size_t kCopyBytes = 8 << 20;
  // Sends the gathered COPY rows, after waiting for everything sent before them.
  void FlushCopies();
  void CopyIn(const std::string& copy, const Copy& rows);
  [[noreturn]] void Fail(const std::string& operation, const std::string& subject) const;
  // Reads the results of everything pending up to the sync; keeps the last command's result.
  Result Drain(const std::string& operation, const std::string& subject);

  PGconn* conn_ = nullptr;
  std::string uri_;
  std::deque<Pending> pending_;
  int prepared_ = 0;
  std::map<std::string, Copy> copies_;
  std::size_t copyBytes_ = 0;
  uint64_t flushes_ = 0;
  std::function<void()> beforeSend_;
  bool inBeforeSend_ = false;
};

// An int4 in the binary form of COPY and of binary parameters: 4 bytes, network order.
inline std::string Int4(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// A one-dimensional array without nulls in binary form (a parameter `$1::int4[]`): the header
// for `count` elements of type `oid` (23 int4, 17 bytea), then each element by ArrayElement.
inline std::string ArrayHeader(uint32_t oid, int32_t count) {
  return Int4(1) + Int4(0) + Int4(static_cast<int32_t>(oid)) + Int4(count) + Int4(1);
}
inline void ArrayElement(std::string& array, std::string_view binary) {
  array += Int4(static_cast<int32_t>(binary.size()));
  array += binary;
}

// Quotes an identifier made of letters, digits and "_" for SQL text.
inline std::string Quoted(std::string_view name) { return "\"" + std::string(name) + "\""; }

}  // namespace actifix::platform::pg
