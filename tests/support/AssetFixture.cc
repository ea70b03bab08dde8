#include "support/AssetFixture.h"

#include <sqlite3.h>

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

}  // namespace actifix::testing
