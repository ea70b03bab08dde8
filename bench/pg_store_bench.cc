// The PostgreSQL store beside the SQLite store, through the same host services, in one run:
//   - `cards` cards saved in one transaction, each a record with 3 keys (Insert under the
//     "P" key, AddKey under two "S" keys), commit included;
//   - the same again in batch mode (commits not power-safe; PostgreSQL in bulk mode, by COPY),
//     as generate and import would work;
//   - 200 card saves one by one, each in its own transaction (write lock and commit): the
//     time a user waits when saving a card;
//   - a walk in key order over `walk` keys (the file filled up to that many), every record read.
// The PostgreSQL server is the one named by the URI: bench/pg_store.sh makes a throw-away one.
//
//   bench_pg_store_bench URI [cards] [walk]      (defaults 100000 and 1000000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "bench_common.h"
#include "host/HostError.h"
#include "platform/store/pg/PgStore.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/SqliteStore.h"

namespace {

using actifix::bench::BufferComponent;
using actifix::bench::Clock;
using actifix::bench::Seconds;
namespace fs = std::filesystem;

// Keys in a scattered order: an odd multiplier is a bijection modulo 2^32.
std::string KeyOf(uint32_t i, const char* format, uint32_t modulo = 0) {
  char key[16];
  const uint32_t scattered = i * 2654435761u;
  std::snprintf(key, sizeof key, format,
                static_cast<unsigned>(modulo ? scattered % modulo : scattered));
  return key;
}

struct Times {
  double cards = 0, bulk = 0, saveMs = 0, walk = 0, walkAgain = 0;
};

void SetBulk(actifix::platform::CompanyDatabase&, bool) {}
void SetBulk(actifix::platform::PgCompany& company, bool bulk) { company.SetBulk(bulk); }

template <class S>
Times Run(S& store, uint32_t cards, uint32_t walk) {
  auto records = store.MakeRecordFile();
  auto keyed = store.MakeKeyedFile();
  BufferComponent component(*records);
  int16_t primary = 0, nature = 0, account = 0;
  records->Open(-1, "Immo", 256, component.handle, component);
  keyed->Open(-1, "Immo", 11, "P", primary);
  keyed->Open(-1, "Immon", 9, "S", nature);
  keyed->Open(-1, "Immoc", 12, "S", account);
  store.Commit();
  uint32_t made = 0;
  const auto card = [&] {
    const uint32_t i = made++;
    std::memcpy(component.buffer.data(), &i, sizeof i);
    int32_t number = 0;
    keyed->Insert(primary, KeyOf(i, "%011u"), component.handle, number);
    keyed->AddKey(nature, KeyOf(i, "N%08u", 97), number);
    keyed->AddKey(account, KeyOf(i, "C%011u", 1013), number);
  };

  Times times;
  auto start = Clock::now();
  for (uint32_t i = 0; i < cards; ++i) card();
  store.Commit();
  times.cards = Seconds(start);

  store.database().SetPowerSafe(false);
  SetBulk(store.database(), true);  // batch work, as generate and import do
  start = Clock::now();
  for (uint32_t i = 0; i < cards; ++i) card();
  store.Commit();
  times.bulk = Seconds(start);

  store.database().SetPowerSafe(true);
  SetBulk(store.database(), false);
  const int saves = 200;
  start = Clock::now();
  for (int i = 0; i < saves; ++i) card(), store.Commit();
  times.saveMs = Seconds(start) * 1000 / saves;

  store.database().SetPowerSafe(false);
  SetBulk(store.database(), true);
  while (made < walk) {
    card();
    if (made % 100000 == 0) store.Commit();
  }
  store.Commit();
  store.database().SetPowerSafe(true);
  SetBulk(store.database(), false);
  // Twice: the first walk after a bulk load also settles the new rows (PostgreSQL sets their
  // hint bits); an edition of a register written earlier walks it as the second one does.
  for (double* time : {&times.walk, &times.walkAgain}) {
    start = Clock::now();
    uint32_t seen = 0;
    int16_t found = 0;
    std::string key;
    for (keyed->First(primary, component.handle, found, key); found != 0;
         keyed->Next(primary, component.handle, found, key))
      ++seen;
    *time = Seconds(start);
    if (seen != made) throw std::runtime_error("walk saw " + std::to_string(seen));
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace actifix::platform;
  if (argc < 2 || !PgCompany::IsUri(argv[1])) {
    std::fprintf(stderr, "usage: %s postgresql://... [cards] [walk]\n", argv[0]);
    return 2;
  }
  const std::string uri = argv[1];
  const uint32_t cards = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 100000;
  const uint32_t walk = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 1000000;
  char pattern[] = "/tmp/actifix-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  const CompanySettings settings{"B1", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"};
  try {
    Times sqlite, pg;
    {
      SqliteStore store(CompanyDatabase::Create(CompanyDatabase::PathFor(dir, "B1"), settings));
      sqlite = Run(store, cards, walk);
    }
    PgCompany::Drop(uri, "B1");
    {
      PgStore store(PgCompany::Create(uri, settings), dir);
      pg = Run(store, cards, walk);
    }
    PgCompany::Drop(uri, "B1");
    std::printf("%-44s %10s %10s %7s\n", "", "SQLite", "PostgreSQL", "ratio");
    const auto line = [](const std::string& what, double a, double b, const char* unit) {
      std::printf("%-44s %8.3f%-2s %8.3f%-2s %6.2fx\n", what.c_str(), a, unit, b, unit, b / a);
    };
    line(std::to_string(cards) + " cards (record + 3 keys), one transaction", sqlite.cards,
         pg.cards, "s");
    line("the same in batch mode (not power-safe)", sqlite.bulk, pg.bulk, "s");
    line("one card saved in its own transaction", sqlite.saveMs, pg.saveMs, "ms");
    line("walk of " + std::to_string(walk) + " keys, records read", sqlite.walk, pg.walk, "s");
    line("the same walk again", sqlite.walkAgain, pg.walkAgain, "s");
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    fs::remove_all(dir);
    return 1;
  }
  fs::remove_all(dir);
  return 0;
}
