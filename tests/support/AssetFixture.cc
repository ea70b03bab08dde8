#include "support/AssetFixture.h"

#include <sqlite3.h>

#include "front/MImmo.h"
#include "platform/store/CompanyDatabase.h"

namespace actifix::testing {

int32_t WriteAsset(const AssetCard& card) {
  MImmoState& m = MImmo();
  const HostConvert& convert = Convert();
  AssetRecord& r = m.immo;
  r = AssetRecord();
  std::string packed;
  r.CODNATI = card.nature;
  r.NUMNATI = card.number;
  Dates().PackDate(card.acquired, packed);
  r.DATACQ = packed;
  Dates().PackDate(card.disposed, packed);
  r.DATCES = packed;
  r.NOMFRN = card.supplier;
  r.DESCRI = card.description;
  r.NOMCLT = card.buyer;
  r.MODAMO = card.mode;
  convert.PackSingle(card.rate, packed);
  r.TAUX = packed;
  const std::pair<double, FixedText<8>*> amounts[] = {{card.value, &r.VALACQ},
                                                      {card.cumulative, &r.CUMAMO},
                                                      {card.charge, &r.DOTAMO},
                                                      {card.proceeds, &r.MTCESS}};
  for (const auto& [amount, field] : amounts) {
    convert.PackDouble(amount, packed);
    *field = packed;
  }
  r.LCANA = card.codes;
  int32_t number = 0;
  KeyedFile().Insert(m.kImmo, r.CODNATI.str() + r.NUMNATI.str(), m.fImmo, number);
  std::string list = card.codes, element, code;
  while (list != "[]") {
    Brackets().TakeFirst(list, element);
    convert.Pad(element, 0, 6, code);
    KeyedFile().AddKey(m.kImmoa, code + r.DATACQ.str(), number);
  }
  KeyedFile().AddKey(m.kImmon, r.CODNATI.str() + r.DATACQ.str(), number);
  return number;
}

Rows ReadRows(const std::filesystem::path& database, const std::string& table) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  const bool records = table.rfind("r_", 0) == 0;
  const std::string sql =
      "SELECT " + std::string(records ? "data" : "key") + ", num FROM \"" + table + "\"";
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  Rows rows;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    rows.emplace(std::string(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                             sqlite3_column_bytes(stmt, 0)),
                 sqlite3_column_int64(stmt, 1));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

std::map<std::string, Rows> AssetFiles(const std::filesystem::path& database) {
  std::map<std::string, Rows> files;
  for (const char* table : {"r_Immo", "k_Immo", "k_Immon", "k_Immoa"})
    files[table] = ReadRows(database, table);
  return files;
}

void SetCompanyYear(const std::filesystem::path& database, const std::string& start,
                    const std::string& end) {
  auto db = platform::CompanyDatabase::Open(database);
  platform::CompanySettings settings = db->Settings();
  settings.yearStart = start;
  settings.yearEnd = end;
  db->SaveSettings(settings);
}

}  // namespace actifix::testing
