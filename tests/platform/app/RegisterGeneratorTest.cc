// The generated register keeps every rule of the card storage, and one seed gives one
// register.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <map>
#include <set>

#include "front/MImmo.h"
#include "front/Records.h"
#include "platform/app/RegisterGenerator.h"
#include "support/TestCompany.h"

namespace actifix::testing {
namespace {

using Entries = std::multiset<std::pair<std::string, int64_t>>;

// Reads `sql` (two columns: bytes, number) from the company's database.
Entries Read(const std::filesystem::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* stmt = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  Entries entries;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    entries.emplace(std::string(static_cast<const char*>(sqlite3_column_blob(stmt, 0)),
                                sqlite3_column_bytes(stmt, 0)),
                    sqlite3_column_int64(stmt, 1));
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return entries;
}

std::filesystem::path Generate(TestCompany& company, int64_t assets, uint64_t seed) {
  auto session = company.Open();
  session->RunWith([&](NvImmo&) {
    platform::GeneratorOptions options;
    options.assets = assets;
    options.seed = seed;
    EXPECT_EQ(platform::GenerateRegister(options), assets);
  });
  return company.dataDir() / "01Actifix.db";
}

double Amount(const std::string& packed) {
  double value = 0;
  HostConvert().UnpackDouble(packed, value);
  return value;
}

TEST(RegisterGenerator, EveryCardHasExactlyItsKeysAndOneSeedGivesOneRegister) {
  TestCompany company("01/01/2026", "31/12/2026"), again("01/01/2026", "31/12/2026");
  const auto path = Generate(company, 3000, 7);
  const Entries records = Read(path, "SELECT data, num FROM r_Immo");
  ASSERT_EQ(records.size(), 3000u);
  EXPECT_EQ(Read(Generate(again, 3000, 7), "SELECT data, num FROM r_Immo"), records);

  Entries immo, immon, immoa;
  std::map<std::string, int64_t> highest;  // by nature
  int disposed = 0, modes[3] = {0, 0, 0};
  for (const auto& [text, number] : records) {
    AssetRecord a;
    FromText(text, a);
    immo.emplace(a.CODNATI.str() + a.NUMNATI.str(), number);
    immon.emplace(a.CODNATI.str() + a.DATACQ.str(), number);
    std::string list = a.LCANA.str();
    list = list.substr(1, list.find(']') - 1);  // "ADM,AT1"
    for (std::size_t from = 0; from <= list.size();) {
      const std::size_t comma = std::min(list.find(',', from), list.size());
      immoa.emplace((list.substr(from, comma - from) + "      ").substr(0, 6) + a.DATACQ.str(),
                    number);
      from = comma + 1;
    }
    highest[a.CODNATI.str()] =
        std::max<int64_t>(highest[a.CODNATI.str()], std::stoll(a.NUMNATI.str()));
    EXPECT_EQ(a.RESERVED.str(), " ");
    const double value = Amount(a.VALACQ.str());
    EXPECT_GT(value, 0);
    EXPECT_LE(Amount(a.CUMAMO.str()) + Amount(a.DOTAMO.str()), value + 0.005) << number;
    disposed += a.DATCES.str() != std::string(3, '\0');
    modes[std::string("LDE").find(a.MODAMO.str())]++;
  }
  EXPECT_EQ(Read(path, "SELECT key, num FROM k_Immo"), immo);
  EXPECT_EQ(Read(path, "SELECT key, num FROM k_Immon"), immon);
  EXPECT_EQ(Read(path, "SELECT key, num FROM k_Immoa"), immoa);
  EXPECT_EQ(immoa.size(), 6000u);  // two headings
  // Every mode and some disposals, as a real register has.
  EXPECT_GT(disposed, 60);
  for (int count : modes) EXPECT_GT(count, 60);
  for (const auto& [code, number] :
       Read(path, "SELECT substr(data, 1, 6), CAST(substr(data, 37, 5) AS INTEGER) FROM r_Nature"))
    EXPECT_GE(number, highest[code]) << code;
}

}  // namespace
}  // namespace actifix::testing
