// A PostgreSQL server for the tests: statements run on it, and the URI of another database
// there. Header-only, for the scenario runner too.
#pragma once

#include <libpq-fe.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace actifix::testing {

// Runs `sql` on the server at `uri`; returns the first value of its first row ("" when none).
inline std::string Sql(const std::string& uri, const std::string& sql) {
  PGconn* conn = PQconnectdb(uri.c_str());
  PQsetNoticeProcessor(
      conn, [](void*, const char*) {}, nullptr);  // "does not exist, skipping"
  PGresult* result = PQexec(conn, sql.c_str());
  const ExecStatusType status = PQresultStatus(result);
  const std::string value =
      status == PGRES_TUPLES_OK && PQntuples(result) > 0 ? PQgetvalue(result, 0, 0) : "";
  const std::string error = PQerrorMessage(conn);
  PQclear(result);
  PQfinish(conn);
  if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
    throw std::runtime_error(sql + ": " + error);
  return value;
}

// `uri` naming the database `name` on the same server.
inline std::string WithDatabase(const std::string& uri, const std::string& name) {
  const std::size_t slash = uri.find('/', uri.find("://") + 3);
  if (slash == std::string::npos) throw std::runtime_error("no database in " + uri);
  const std::size_t end = std::min(uri.find('?', slash), uri.size());
  return uri.substr(0, slash + 1) + name + uri.substr(end);
}

}  // namespace actifix::testing
