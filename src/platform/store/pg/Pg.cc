#include "platform/store/pg/Pg.h"

#include <algorithm>
#include <utility>

#include "host/HostError.h"
#include "host/Text.h"

namespace actifix::platform::pg {

namespace {

// The cause shown when the company's write lock stays held by another program.
const char kBusyCause[] =
    "l'entreprise est utilisée par un autre programme : réessayez quand il aura terminé";

// Commands sent without waiting are checked at the latest after this many. Meanwhile the
// server runs them as they come (libpq reads what the server sends whenever it cannot send,
// so neither side waits on a full socket), so that a long run of writes keeps both busy.
constexpr std::size_t kMaxPending = 4096;

std::string OneLine(const char* text) {
  std::string line(TrimRight(text == nullptr ? "" : text, " \n"));
  for (char& c : line)
    if (c == '\n') c = ' ';
  return line;
}

// A failed command: its kind and French cause, by its SQLSTATE, and the server's or libpq's
// own words, kept apart for the anomaly log and --verbose. The one place where SQLSTATEs are
// read.
struct Failure {
  ErrorKind kind;
  std::string cause, detail;
};

Failure Cause(const PGresult* result, PGconn* conn) {
  const char* state = result == nullptr ? nullptr : PQresultErrorField(result, PG_DIAG_SQLSTATE);
  if (PQstatus(conn) == CONNECTION_BAD || state == nullptr)
    return {ErrorKind::kIo,
            "connexion au serveur PostgreSQL perdue : vérifiez que le serveur fonctionne, puis "
            "relancez",
            OneLine(PQerrorMessage(conn))};
  const std::string code = state;
  const std::string detail = OneLine(PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY));
  if (code == "55P03" || code == "40P01" || code == "40001")
    return {ErrorKind::kInUse, kBusyCause, detail};
  if (code == "23505") return {ErrorKind::kConflict, "clé déjà présente", detail};
  if (code == "42P06") return {ErrorKind::kConflict, "cette entreprise existe déjà", detail};
  if (code == "25006")
    return {ErrorKind::kNotSupported, "écriture refusée pendant une lecture cohérente", detail};
  if (code == "42P01")
    return {ErrorKind::kDamaged,
            "une table de l'entreprise est absente sur le serveur : restaurez-en une sauvegarde",
            detail};
  if (code.starts_with("53"))
    return {ErrorKind::kIo, "le serveur PostgreSQL manque de place ou de mémoire", detail};
  if (code.starts_with("08"))
    return {ErrorKind::kIo, "connexion au serveur PostgreSQL perdue", detail};
  return {ErrorKind::kFailed, "le serveur PostgreSQL a refusé l'opération (code " + code + ")",
          detail};
}

}  // namespace

Params& Params::Int(int64_t value) {
  values_.push_back(std::to_string(value));
  formats_.push_back(0);
  lengths_.push_back(0);
  return *this;
}

Params& Params::Bytes(std::string_view bytes) {
  values_.emplace_back(bytes);
  formats_.push_back(1);
  lengths_.push_back(static_cast<int>(bytes.size()));
  return *this;
}

Params& Params::Text(std::string_view text) {
  values_.emplace_back(text);
  formats_.push_back(0);
  lengths_.push_back(0);
  return *this;
}

Result& Result::operator=(Result&& other) noexcept {
  if (this != &other) {
    PQclear(result_);
    result_ = other.result_;
    other.result_ = nullptr;
  }
  return *this;
}

int64_t Result::Int(int row, int column) const {
  const auto* bytes = reinterpret_cast<const unsigned char*>(PQgetvalue(result_, row, column));
  const int length = PQgetlength(result_, row, column);
  uint64_t value = length > 0 && (bytes[0] & 0x80) != 0 ? ~uint64_t{0} : 0;  // sign
  for (int i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  return static_cast<int64_t>(value);
}

int64_t Result::affected() const {
  const char* count = result_ == nullptr ? "" : PQcmdTuples(result_);
  return *count == '\0' ? 0 : std::stoll(count);
}

namespace {

bool Separates(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '"' || c == '\''; }

// Where the "password=" at `at` is a parameter name, not a piece of a longer one.
bool ParameterStarts(std::string_view text, std::size_t at) {
  return at == 0 || text[at - 1] == '?' || text[at - 1] == '&' || Separates(text[at - 1]);
}

// The end of the value starting at `from`: a quoted one ('a b', libpq's keyword form) runs
// to its closing quote, else to the next "&" or blank.
std::size_t ValueEnd(std::string_view text, std::size_t from) {
  if (from < text.size() && text[from] == '\'') {
    for (std::size_t at = from + 1; at < text.size(); ++at) {
      if (text[at] == '\\')
        ++at;
      else if (text[at] == '\'')
        return at + 1;
    }
    return text.size();
  }
  std::size_t end = from;
  while (end < text.size() && text[end] != '&' && !Separates(text[end])) ++end;
  return end;
}

// The user part of the URI whose "://" ends at `start`: [colon, at) is its password
// (the ":" included), or nothing. It runs to the last "@" before a blank, so that a password
// holding "/", "?" or "@" is still found whole (an "@" in the query hides more than needed).
std::pair<std::size_t, std::size_t> UserPassword(std::string_view text, std::size_t start) {
  std::size_t end = start;
  while (end < text.size() && !Separates(text[end])) ++end;
  const std::size_t at = text.substr(0, end).rfind('@');
  if (at == std::string_view::npos || at < start) return {0, 0};
  const std::size_t colon = text.find(':', start);
  if (colon >= at) return {0, 0};
  return {colon, at};
}

std::string PercentDecoded(std::string_view text) {
  std::string plain;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    if (text[at] == '%' && at + 2 < text.size() && hex(text[at + 1]) >= 0 &&
        hex(text[at + 2]) >= 0) {
      plain += static_cast<char>(hex(text[at + 1]) * 16 + hex(text[at + 2]));
      at += 2;
    } else {
      plain += text[at];
    }
  }
  return plain;
}

// The passwords `address` holds, as typed and percent-decoded.
std::vector<std::string> Passwords(std::string_view address) {
  std::vector<std::string> found;
  const auto add = [&found](std::string_view secret) {
    if (secret.empty()) return;
    found.emplace_back(secret);
    if (const std::string plain = PercentDecoded(secret); plain != secret) found.push_back(plain);
  };
  for (std::size_t scheme = address.find("://"); scheme != std::string_view::npos;
       scheme = address.find("://", scheme + 3)) {
    const auto [colon, at] = UserPassword(address, scheme + 3);
    if (at > colon) add(address.substr(colon + 1, at - colon - 1));
  }
  constexpr std::string_view kKey = "password=";
  for (std::size_t at = address.find(kKey); at != std::string_view::npos;
       at = address.find(kKey, at + 1)) {
    if (!ParameterStarts(address, at)) continue;
    const std::size_t from = at + kKey.size();
    std::string_view value = address.substr(from, ValueEnd(address, from) - from);
    if (value.size() >= 2 && value.front() == '\'') value = value.substr(1, value.size() - 2);
    add(value);
  }
  return found;
}

}  // namespace

std::string WithoutPassword(std::string_view text, std::string_view address) {
  std::string shown(text);
  for (std::size_t scheme = shown.find("://"); scheme != std::string::npos;
       scheme = shown.find("://", scheme + 3)) {
    const auto [colon, at] = UserPassword(shown, scheme + 3);
    if (at > colon) shown.erase(colon, at - colon);
  }
  constexpr std::string_view kKey = "password=";
  for (std::size_t at = shown.find(kKey); at != std::string::npos; at = shown.find(kKey, at)) {
    if (!ParameterStarts(shown, at)) {
      ++at;
      continue;
    }
    std::size_t end = ValueEnd(shown, at + kKey.size());
    if (end < shown.size() && shown[end] == '&') ++end;  // the parameter goes whole
    shown.erase(at, end - at);
  }
  while (!shown.empty() && (shown.back() == '&' || shown.back() == '?')) shown.pop_back();
  for (std::string secret : Passwords(address)) {
    if (secret.size() < 4) secret = '"' + secret + '"';
    const std::string hidden = secret.front() == '"' ? "\"***\"" : "***";
    for (std::size_t at = 0; (at = shown.find(secret, at)) != std::string::npos;) {
      shown.replace(at, secret.size(), hidden);
      at += hidden.size();
    }
  }
  return shown;
}

Connection::Connection(const std::string& uri, const std::string& operation)
    : uri_(WithoutPassword(uri, uri)) {
  conn_ = PQconnectdb(uri.c_str());
  if (PQstatus(conn_) != CONNECTION_OK) {
    // libpq's message may quote the address, or a piece of it it could not read.
    const std::string message = WithoutPassword(OneLine(PQerrorMessage(conn_)), uri);
    PQfinish(conn_);
    throw HostError(ErrorKind::kIo, operation, uri_,
                    "impossible de joindre le serveur PostgreSQL : vérifiez l'adresse, que le "
                    "serveur fonctionne et qu'il vous accepte",
                    message);
  }
  PQsetNoticeProcessor(
      conn_, [](void*, const char*) {}, nullptr);  // "already exists, skipping"
  if (PQsetClientEncoding(conn_, "UTF8") != 0 || PQenterPipelineMode(conn_) != 1) {
    PQfinish(conn_);
    throw HostError(ErrorKind::kIo, operation, uri_,
                    "impossible de préparer la connexion au serveur PostgreSQL");
  }
}

Connection::~Connection() { PQfinish(conn_); }

void Connection::Fail(const std::string& operation, const std::string& subject) const {
  const Failure failure = Cause(nullptr, conn_);
  throw HostError(failure.kind, operation, subject, failure.cause, failure.detail);
}

std::string Connection::Prepare(std::string_view sql, const std::string& operation,
                                const std::string& subject) {
  std::string name = "s" + std::to_string(++prepared_);
  if (PQsendPrepare(conn_, name.c_str(), std::string(sql).c_str(), 0, nullptr) != 1)
    Fail(operation, subject);
  pending_.push_back({operation, subject});  // checked with the next query
  return name;
}

void Connection::Send(const std::string& statement, const Params& params,
                      const std::string& operation, const std::string& subject, bool prepared,
                      Result* into) {
  if (beforeSend_ && !inBeforeSend_) {
    inBeforeSend_ = true;
    try {
      beforeSend_();
    } catch (...) {
      inBeforeSend_ = false;
      throw;
    }
    inBeforeSend_ = false;
  }
  if (copyBytes_ > 0) FlushCopies();
  std::vector<const char*> values(params.values_.size());
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = params.values_[i].data();
  const int sent =
      prepared ? PQsendQueryPrepared(conn_, statement.c_str(), params.size(), values.data(),
                                     params.lengths_.data(), params.formats_.data(), 1)
               : PQsendQueryParams(conn_, statement.c_str(), params.size(), nullptr, values.data(),
                                   params.lengths_.data(), params.formats_.data(), 1);
  if (sent != 1) Fail(operation, subject);
  pending_.push_back({operation, subject, into});
  if (pending_.size() >= kMaxPending) Sync(operation, subject);
}

Result Connection::Query(const std::string& statement, const Params& params,
                         const std::string& operation, const std::string& subject, bool prepared) {
  Send(statement, params, operation, subject, prepared);
  return Drain(operation, subject);
}

void Connection::Sync(const std::string& operation, const std::string& subject) {
  if (copyBytes_ > 0) FlushCopies();
  if (!pending_.empty()) Drain(operation, subject);
}

void Connection::Push(const std::string& operation, const std::string& subject) {
  if (PQsendFlushRequest(conn_) != 1 || PQflush(conn_) != 0) Fail(operation, subject);
}

Result Connection::Drain(const std::string& operation, const std::string& subject) {
  if (PQpipelineSync(conn_) != 1) Fail(operation, subject);
  Result last;
  std::string failedOperation, failedSubject;
  Failure failure;
  while (!pending_.empty()) {
    PGresult* raw = PQgetResult(conn_);
    if (raw == nullptr) {
      pending_.clear();
      Fail(operation, subject);  // the connection broke
    }
    Result result(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (status == PGRES_FATAL_ERROR && failure.cause.empty()) {
      failedOperation = pending_.front().operation;
      failedSubject = pending_.front().subject;
      failure = Cause(raw, conn_);
    }
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);  // the NULL after each command
    if (pending_.front().into != nullptr) *pending_.front().into = std::move(result);
    pending_.pop_front();
    last = std::move(result);
  }
  for (;;) {
    PGresult* raw = PQgetResult(conn_);
    if (raw == nullptr) Fail(operation, subject);
    const bool sync = PQresultStatus(raw) == PGRES_PIPELINE_SYNC;
    PQclear(raw);
    if (sync) break;
  }
  if (!failure.cause.empty())
    throw HostError(failure.kind, failedOperation, failedSubject, failure.cause, failure.detail);
  return last;
}

void Connection::Append(const std::string& copy, std::initializer_list<std::string_view> fields,
                        const std::string& operation, const std::string& subject) {
  Copy& rows = copies_[copy];
  if (rows.rows.empty()) rows.operation = operation, rows.subject = subject;
  const std::size_t before = rows.rows.size();
  // Binary COPY: per row the field count, then each field as its length and bytes, all
  // integers in network byte order.
  const auto n = static_cast<uint16_t>(fields.size());
  rows.rows += {static_cast<char>(n >> 8), static_cast<char>(n)};
  for (const std::string_view field : fields) {
    rows.rows += Int4(static_cast<int32_t>(field.size()));
    rows.rows += field;
  }
  copyBytes_ += rows.rows.size() - before;
  if (copyBytes_ >= kCopyBytes) FlushCopies();
}

Connection::Mark Connection::MarkCopies() const {
  Mark mark{flushes_, {}};
  for (const auto& [copy, rows] : copies_) mark.sizes.emplace_back(&copy, rows.rows.size());
  return mark;
}

bool Connection::Truncate(const Mark& mark) {
  if (mark.flushes != flushes_) return false;  // the map was swapped: its keys are gone
  copyBytes_ = 0;
  for (auto& [copy, rows] : copies_) {
    std::size_t keep = 0;
    for (const auto& [name, size] : mark.sizes)
      if (name == &copy) keep = size;
    rows.rows.resize(std::min(keep, rows.rows.size()));
    copyBytes_ += rows.rows.size();
  }
  return true;
}

void Connection::FlushCopies() {
  std::map<std::string, Copy> copies;
  copies.swap(copies_);
  copyBytes_ = 0;
  ++flushes_;
  for (const auto& [copy, rows] : copies)
    if (!rows.rows.empty()) CopyIn(copy, rows);
}

void Connection::CopyIn(const std::string& copy, const Copy& rows) {
  Sync(rows.operation, rows.subject);
  if (PQexitPipelineMode(conn_) != 1) Fail(rows.operation, rows.subject);
  Failure failure;
  Result start(PQexec(conn_, copy.c_str()));
  if (PQresultStatus(start.raw()) != PGRES_COPY_IN) {
    failure = Cause(start.raw(), conn_);
  } else {
    // The signature, flags and header extension length, the rows, and -1 for the end.
    static const std::string kHeader("PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19);
    const bool sent =
        PQputCopyData(conn_, kHeader.data(), static_cast<int>(kHeader.size())) == 1 &&
        PQputCopyData(conn_, rows.rows.data(), static_cast<int>(rows.rows.size())) == 1 &&
        PQputCopyData(conn_, "\377\377", 2) == 1;
    PQputCopyEnd(conn_, sent ? nullptr : "interrompu");
    Result end(PQgetResult(conn_));
    if (PQresultStatus(end.raw()) != PGRES_COMMAND_OK) failure = Cause(end.raw(), conn_);
    while (PGresult* extra = PQgetResult(conn_)) PQclear(extra);
  }
  if (PQenterPipelineMode(conn_) != 1 && failure.cause.empty())
    failure.cause = "impossible de préparer la connexion au serveur PostgreSQL";
  if (!failure.cause.empty())
    throw HostError(failure.kind, rows.operation, rows.subject, failure.cause, failure.detail);
}

}  // namespace actifix::platform::pg
