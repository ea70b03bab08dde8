#include "support/AssetFixture.h"

#include <sqlite3.h>

#include "front/MImmo.h"

namespace actifix::testing {

void WriteAsset(const AssetCard& card) {
  MImmoState& m = MImmo();
  AssetRecord& r = m.immo;
  r = AssetRecord();
  std::string packed, list = card.codes, element, code;
  r.CODNATI = card.nature;
  r.NUMNATI = card.number;
  Dates().PackDate(card.disposed, packed);
  r.DATCES = packed;
  Dates().PackDate(card.acquired, packed);
  r.DATACQ = packed;
  r.NOMFRN = card.supplier;
  r.DESCRI = card.description;
  r.NOMCLT = card.buyer;
  r.MODAMO = card.mode;
  r.LCANA = card.codes;
  Convert().PackSingle(card.rate, packed);
  r.TAUX = packed;
  for (const auto& [amount, field] : {std::pair{card.value, &r.VALACQ},
                                      {card.cumulative, &r.CUMAMO},
                                      {card.charge, &r.DOTAMO},
                                      {card.proceeds, &r.MTCESS}}) {
    Convert().PackDouble(amount, packed);
    *field = packed;
  }
  int32_t number = 0;
  KeyedFile().Insert(m.kImmo, r.CODNATI.str() + r.NUMNATI.str(), m.fImmo, number);
  while (list != "[]") {
    Brackets().TakeFirst(list, element);
    Convert().Pad(element, 0, 6, code);
    KeyedFile().AddKey(m.kImmoa, code + r.DATACQ.str(), number);
  }
  KeyedFile().AddKey(m.kImmon, r.CODNATI.str() + r.DATACQ.str(), number);
}

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
