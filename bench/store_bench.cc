// The store at bulk speed, beside bare SQLite doing the same work: N inserts of 256-byte
// records with one "P" key each in one transaction, then a walk of the key file in key
// order reading every record. Each side runs in a child process of its own, for its peak
// memory. Prints both times, their ratio and the peaks; --tsv prints the lines of bench/run.sh.
//
//   bench_store_bench [--tsv] [N]      (or ACTIFIX_BENCH_COUNT=N; default 1000000)
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_common.h"
#include "host/HostError.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/SqliteStore.h"

namespace {

using actifix::bench::BufferComponent;
using actifix::bench::Clock;
using actifix::bench::Seconds;
namespace fs = std::filesystem;

// Keys in a scattered order, all distinct: an odd multiplier is a bijection modulo 2^32.
std::string KeyOf(uint32_t i) {
  char key[12];
  std::snprintf(key, sizeof key, "%011u", static_cast<unsigned>(i * 2654435761u));
  return key;
}

void FillRecord(std::string& record, uint32_t i) {
  std::memcpy(record.data(), &i, sizeof i);
  record[255] = static_cast<char>(i);
}

struct Times {
  double insert = 0, walk = 0;
  double peakMb = -1;
  double total() const { return insert + walk; }
};

// Runs one side in a child process: its two times and its peak memory.
Times InChild(Times (*run)(const fs::path&, uint32_t), const fs::path& dir, uint32_t count) {
  const actifix::bench::Measures m = actifix::bench::InChildParts([&] {
    const Times times = run(dir, count);
    return std::vector<double>{times.insert, times.walk};
  });
  if (m.seconds.size() != 2) throw std::runtime_error("run failed");
  return {m.seconds[0], m.seconds[1], m.peakMb};
}

Times RunStore(const fs::path& dir, uint32_t count) {
  using namespace actifix::platform;
  SqliteStore store(CompanyDatabase::Create(
      dir / "01Actifix.db", {"01", "Bench", "01/01/2026", "31/12/2026", "01/01/2026"}));
  auto records = store.MakeRecordFile();
  auto keyed = store.MakeKeyedFile();
  BufferComponent component(*records);
  int16_t keys = 0;
  records->Open(-1, "Immo", 256, component.handle, component);
  keyed->Open(-1, "Immo", 11, "P", keys);
  store.Commit();

  Times times;
  auto start = Clock::now();
  int32_t number = 0;
  for (uint32_t i = 0; i < count; ++i) {
    FillRecord(component.buffer, i);
    keyed->Insert(keys, KeyOf(i), component.handle, number);
  }
  store.Commit();
  times.insert = Seconds(start);

  start = Clock::now();
  uint32_t seen = 0;
  int16_t found = 0;
  std::string key;
  for (keyed->First(keys, component.handle, found, key); found != 0;
       keyed->Next(keys, component.handle, found, key))
    ++seen;
  times.walk = Seconds(start);
  if (seen != count) throw std::runtime_error("store walk saw " + std::to_string(seen));
  return times;
}

void Check(sqlite3* db, int rc, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
}

Times RunBare(const fs::path& dir, uint32_t count) {
  sqlite3* db = nullptr;
  Check(db, sqlite3_open((dir / "bare.db").c_str(), &db), "open");
  // The same settings as the store's databases, so that only our layer is measured.
  Check(db,
        sqlite3_exec(db,
                     "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-16384;"
                     "CREATE TABLE r(num INTEGER PRIMARY KEY, data BLOB NOT NULL);"
                     "CREATE TABLE k(key BLOB NOT NULL, seq INTEGER NOT NULL, num INTEGER NOT "
                     "NULL, PRIMARY KEY(key, seq)) WITHOUT ROWID;",
                     nullptr, nullptr, nullptr),
        "schema");
  sqlite3_stmt* putRecord = nullptr;
  sqlite3_stmt* putKey = nullptr;
  Check(db,
        sqlite3_prepare_v2(db, "INSERT INTO r(num, data) VALUES(?, ?)", -1, &putRecord, nullptr),
        "prepare");
  Check(
      db,
      sqlite3_prepare_v2(db, "INSERT INTO k(key, seq, num) VALUES(?, 0, ?)", -1, &putKey, nullptr),
      "prepare");

  Times times;
  auto start = Clock::now();
  std::string record(256, 'x');
  Check(db, sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), "begin");
  for (uint32_t i = 0; i < count; ++i) {
    FillRecord(record, i);
    const std::string key = KeyOf(i);
    sqlite3_bind_int64(putRecord, 1, i + 1);
    sqlite3_bind_blob(putRecord, 2, record.data(), 256, SQLITE_STATIC);
    Check(db, sqlite3_step(putRecord), "insert record");
    sqlite3_reset(putRecord);
    sqlite3_bind_blob(putKey, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_int64(putKey, 2, i + 1);
    Check(db, sqlite3_step(putKey), "insert key");
    sqlite3_reset(putKey);
  }
  Check(db, sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), "commit");
  times.insert = Seconds(start);

  start = Clock::now();
  sqlite3_stmt* walk = nullptr;
  Check(db,
        sqlite3_prepare_v2(
            db, "SELECT k.key, r.data FROM k JOIN r ON r.num = k.num ORDER BY k.key, k.seq", -1,
            &walk, nullptr),
        "prepare");
  uint32_t seen = 0;
  std::string key, buffer;
  while (sqlite3_step(walk) == SQLITE_ROW) {
    key.assign(static_cast<const char*>(sqlite3_column_blob(walk, 0)),
               sqlite3_column_bytes(walk, 0));
    buffer.assign(static_cast<const char*>(sqlite3_column_blob(walk, 1)),
                  sqlite3_column_bytes(walk, 1));
    ++seen;
  }
  times.walk = Seconds(start);
  sqlite3_finalize(walk);
  sqlite3_finalize(putRecord);
  sqlite3_finalize(putKey);
  sqlite3_close(db);
  if (seen != count) throw std::runtime_error("bare walk saw " + std::to_string(seen));
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const bool tsv = actifix::bench::TakeTsvFlag(argc, argv);
  uint32_t count = 1000000;
  if (const char* env = std::getenv("ACTIFIX_BENCH_COUNT")) count = std::strtoul(env, nullptr, 10);
  if (argc > 1) count = std::strtoul(argv[1], nullptr, 10);
  if (count == 0) {
    std::fprintf(stderr, "usage: %s [--tsv] [count]\n", argv[0]);
    return 2;
  }
  char pattern[] = "/tmp/actifix-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const fs::path dir = pattern;
  try {
    const Times bare = InChild(RunBare, dir, count);
    const Times store = InChild(RunStore, dir, count);
    if (tsv) {
      using actifix::bench::TsvLine;
      TsvLine("store insert", count, store.insert, "bare SQLite insert", bare.insert, store.peakMb);
      TsvLine("store walk in key order", count, store.walk, "bare SQLite walk", bare.walk,
              store.peakMb);
    } else {
      std::printf("%u records of 256 bytes, one \"P\" key each\n", count);
      std::printf("%-12s %10s %10s %10s %10s\n", "", "insert s", "walk s", "total s", "peak MB");
      std::printf("%-12s %10.3f %10.3f %10.3f %10.0f\n", "bare SQLite", bare.insert, bare.walk,
                  bare.total(), bare.peakMb);
      std::printf("%-12s %10.3f %10.3f %10.3f %10.0f\n", "Store", store.insert, store.walk,
                  store.total(), store.peakMb);
      std::printf("%-12s %10.2f %10.2f %10.2f\n", "ratio", store.insert / bare.insert,
                  store.walk / bare.walk, store.total() / bare.total());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    fs::remove_all(dir);
    return 1;
  }
  fs::remove_all(dir);
  return 0;
}
