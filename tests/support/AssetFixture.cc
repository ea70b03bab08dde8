#include "support/AssetFixture.h"

#include <arpa/inet.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <cstring>
#include <stdexcept>

namespace actifix::testing {

std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  std::map<std::string, Rows> files;
  for (const std::string table : {"r_Immo", "k_Immo", "k_Immon", "k_Immoa"}) {
    const std::string sql =
        "SELECT " + std::string(table[0] == 'r' ? "data" : "key") + ", num FROM " + table;
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    Rows& rows = files[table];
    while (sqlite3_step(stmt) == SQLITE_ROW)
      rows.emplace(std::string(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                               sqlite3_column_bytes(stmt, 0)),
                   sqlite3_column_int64(stmt, 1));
    sqlite3_finalize(stmt);
  }
  sqlite3_close(db);
  return files;
}

std::map<std::string, Rows> ServerAssetFiles(const std::string& uri) {
  PGconn* conn = PQconnectdb(uri.c_str());
  std::map<std::string, Rows> files;
  for (const std::string table : {"r_Immo", "k_Immo", "k_Immon", "k_Immoa"}) {
    const std::string sql = "SELECT " + std::string(table[0] == 'r' ? "data" : "key") +
                            ", num FROM actifix_01.\"" + table + "\"";
    PGresult* result = PQexecParams(conn, sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 1);
    if (PQresultStatus(result) != PGRES_TUPLES_OK)
      throw std::runtime_error(sql + ": " + PQerrorMessage(conn));
    Rows& rows = files[table];
    for (int i = 0; i < PQntuples(result); ++i) {
      uint32_t number = 0;
      std::memcpy(&number, PQgetvalue(result, i, 1), sizeof number);
      rows.emplace(std::string(PQgetvalue(result, i, 0), PQgetlength(result, i, 0)), ntohl(number));
    }
    PQclear(result);
  }
  PQfinish(conn);
  return files;
}

}  // namespace actifix::testing
