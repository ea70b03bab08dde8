#include "platform/store/pg/PgStore.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "host/HostError.h"
#include "platform/store/StoreFiles.h"

namespace actifix::platform {

using namespace storefiles;  // the host calls' names

namespace {

const std::string kDuplicate = "clé déjà présente";
// Rows fetched at once by the bulk scans of the register check.
constexpr int kScanBatch = 10000;
// Reads by number: a window is fetched when a record is read within kNearRead numbers of the
// one read before; kReadWindows windows of kReadWindow numbers are kept.
constexpr int32_t kReadWindow = 1024;
constexpr std::size_t kReadWindows = 64;
constexpr int32_t kNearRead = 64;
// Finds remembered per key file, at most.
constexpr std::size_t kFoundKept = 4096;

// A record's stored sum, an int4 column.
int32_t SumOf(const pg::Result& rows, int row, int column) {
  return static_cast<int32_t>(rows.Int(row, column));
}

}  // namespace

// One record file: its table and prepared statements beside what every store keeps of it.
struct PgStore::RecordTable : RecordFile {
  using RecordFile::RecordFile;
  std::string table;  // qualified and quoted
  std::string select, upsert, remove, highest;
  std::string upsertMany;  // the upsert of arrays of numbers and texts
  std::string copy;        // COPY of new records in bulk mode
  std::string window;      // the records of a range of numbers
  // In bulk mode, records rewritten (not new) wait here, the last text of each, and go
  // before anything else is sent, so that a register loaded by COPY is not cut into one COPY
  // per card by the rewrite of its nature.
  std::map<int32_t, std::string> heldBack;

  // Records read by number near the one read before come by windows of kReadWindow numbers
  // (aligned), the kReadWindows last used kept, so that reading a register in an order close
  // to its numbering costs no round trip per record. A slot is unknown once this store writes
  // its record (read alone then); every window goes at each commit, rollback or new
  // transaction, as walk batches do.
  enum Slot : char { kUnknown, kAbsent, kPresent };
  struct Window {
    std::vector<std::string> data;
    std::vector<Slot> slots;
    uint64_t used = 0;
  };
  std::unordered_map<int32_t, Window> windows;
  uint64_t clock = 0;
  int32_t nearRead = 0;
};

// One key file. `seq` orders the entries of one key: 0 in a "P" file, so that the primary key
// (key, seq) refuses a second entry; in an "S" file one more than the highest the file has
// given (lastSeq, read again in each write transaction and saved at the commit).
//
// The walk remembers the last entry returned (walkKey, walkSeq) and holds the batch fetched
// after it, each entry with its record as fetched; `batch` is valid while `batchValid` holds
// and was joined with `batchRecords`. A record this store writes after the batch was fetched
// is in `stale`, and read again when its entry is reached.
struct PgStore::KeyTable : KeyFile {
  using KeyFile::KeyFile;
  struct Entry {
    std::string key;
    int64_t seq = 0;
    int32_t number = 0;
    bool hasRecord = false;
    std::string record;
    std::optional<int32_t> sum;  // the record's stored sum
  };
  // The statements that read or write this key file with one record file.
  struct Joined {
    std::string first, firstFew, next, nextFew, find, remove;
  };

  std::string table;
  std::vector<Entry> batch;  // its strings reused from batch to batch
  std::size_t batchSize = 0, batchPos = 0;
  std::unordered_set<int32_t> numbers, stale;
  bool batchValid = false, batchLast = false, fullBatch = true;
  std::string batchRecords;
  // The batch after this one, asked for as soon as this one came, so that the server reads it
  // while this one is walked; usable while the batch stays valid, its records written since
  // (`writtenAhead`) read again.
  pg::Result prefetch;
  bool prefetchUsable = false;
  std::vector<int32_t> writtenAhead;
  std::map<std::string, Joined> joined;
  std::string insert, removeOne, clear, range, rangeFrom;
  // CountPrefix: the entries under a prefix counted, and the first few of them.
  std::string count, countFrom, firstRange, firstFrom;
  std::string removeMany;  // the removal of arrays of keys and numbers
  // In bulk mode, entries removed (RemoveKey) wait here and go with the rewrites held back.
  std::vector<std::pair<std::string, int32_t>> heldRemovals;
  std::string copy;  // COPY of new entries in bulk mode

  // Finds of this file with record file `foundRecords`: key to record number (0: none) and
  // text, kept as windows are, and dropped at every write to either file.
  std::unordered_map<std::string, std::pair<int32_t, std::string>> found;
  std::string foundRecords;

  void StopWalk() override {
    batchValid = false;
    found.clear();
  }
  // Called before every write to the file: the next step fetches from its place again.
  void Changed() override {
    batchValid = false;
    fullBatch = false;
    found.clear();
  }
  // Called before removing the entry (key, number): removing the entry the walk is at (as a
  // walk that deletes what it reaches does) changes nothing ahead, and keeps the batch.
  void Removing(const std::string& key, int32_t number) override {
    if (AtWalk(key, number))
      found.clear();
    else
      Changed();
  }
  // Whether the walk's last step returned the entry (key, number).
  bool AtWalk(const std::string& key, int32_t number) const {
    return batchValid && batchPos > 0 && batch[batchPos - 1].number == number &&
           batch[batchPos - 1].key == key;
  }
};

PgStore::RecordTable& PgStore::Table(RecordFile& records) {
  return static_cast<RecordTable&>(records);
}

PgStore::KeyTable& PgStore::Table(KeyFile& keys) { return static_cast<KeyTable&>(keys); }

// ---------------------------------------------------------------------------------------

PgStore::PgStore(std::unique_ptr<PgCompany> company, std::filesystem::path outputDir)
    : KeyedStore(std::move(company), std::move(outputDir), true) {
  // The store's statements are short: compiling one (tens of ms) would cost more than it saves.
  conn().Send("SET jit = off", pg::Params(), "Store.Open", database().subject(), false);
  conn().SetBeforeSend([this] {
    if (!aside_) SendHeldBack();
  });
}

void PgStore::SendHeldBack() {
  for (const auto& [handle, file] : files_.records) {
    RecordTable& records = Table(*file);
    if (records.heldBack.size() == 1) {
      const auto& [number, text] = *records.heldBack.begin();
      conn().Send(records.upsert, pg::Params().Int(number).Bytes(text).Int(RecordSum(number, text)),
                  kWriteText, records.subject);
    } else if (!records.heldBack.empty()) {
      // One statement for all: a statement per record costs the server more than its row.
      const auto count = static_cast<int32_t>(records.heldBack.size());
      std::string numbers = pg::ArrayHeader(23, count), texts = pg::ArrayHeader(17, count),
                  sums = pg::ArrayHeader(23, count);
      texts.reserve(texts.size() + records.heldBack.size() * (4 + records.length));
      for (const auto& [number, text] : records.heldBack) {
        pg::ArrayElement(numbers, pg::Int4(number));
        pg::ArrayElement(texts, text);
        pg::ArrayElement(sums, pg::Int4(RecordSum(number, text)));
      }
      conn().Send(records.upsertMany, pg::Params().Bytes(numbers).Bytes(texts).Bytes(sums),
                  kWriteText, records.subject);
    }
    records.heldBack.clear();
  }
  for (const auto& [handle, file] : files_.keys) {
    KeyTable& keys = Table(*file);
    auto& held = keys.heldRemovals;
    if (held.empty()) continue;
    // One statement for all, unless a removal is held twice (each takes one entry).
    std::sort(held.begin(), held.end());
    if (held.size() == 1 || std::adjacent_find(held.begin(), held.end()) != held.end()) {
      for (const auto& [key, number] : held)
        conn().Send(keys.removeOne, pg::Params().Bytes(key).Int(number), kRemoveKey, keys.subject);
    } else {
      const auto count = static_cast<int32_t>(held.size());
      std::string entries = pg::ArrayHeader(17, count), numbers = pg::ArrayHeader(23, count);
      for (const auto& [key, number] : held) {
        pg::ArrayElement(entries, key);
        pg::ArrayElement(numbers, pg::Int4(number));
      }
      conn().Send(keys.removeMany, pg::Params().Bytes(entries).Bytes(numbers), kRemoveKey,
                  keys.subject);
    }
    held.clear();
  }
}

void PgStore::SendAside(const std::string& statement, const pg::Params& params,
                        const std::string& operation, const std::string& subject) {
  aside_ = true;
  try {
    conn().Send(statement, params, operation, subject);
  } catch (...) {
    aside_ = false;
    throw;
  }
  aside_ = false;
}

void PgStore::DropPending() {
  for (const auto& [handle, records] : files_.records) Table(*records).heldBack.clear();
  for (const auto& [handle, keys] : files_.keys) Table(*keys).heldRemovals.clear();
}

PgStore::~PgStore() {
  conn().SetBeforeSend(nullptr);
  DropPending();
  files_.texts.Drop();
  database().RollbackWrite();
  conn().DiscardCopies();
  try {
    conn().Sync("Store.Close", database().subject());  // no result left to reach a key file
  } catch (const HostError&) {
    // Only reads were left.
  }
}

bool PgStore::Gathering() const { return static_cast<const PgCompany&>(*db_).bulk(); }

void PgStore::BeginTransaction(const std::string& operation, const std::string& subject) {
  // The numbering of the open files is read with the lock, in the same round trip.
  std::vector<pg::Result> numbers(files_.records.size() + files_.keys.size());
  database().BeginWrite(operation, subject, [&] {
    std::size_t i = 0;
    for (const auto& [handle, records] : files_.records)
      conn().Send(Table(*records).highest, pg::Params().Text(records->name), operation, subject,
                  true, &numbers[i++]);
    for (const auto& [handle, keys] : files_.keys) {
      if (!keys->temporary && !keys->unique())
        conn().Send("SELECT last_seq FROM " + schema() + ".key_files WHERE name = $1",
                    pg::Params().Text(keys->name), operation, subject, false, &numbers[i]);
      ++i;
    }
  });
  const uint64_t generation = database().writeGeneration();
  std::size_t i = 0;
  for (const auto& [handle, records] : files_.records) {
    records->lastNumber = numbers[i++].Int(0, 0);
    records->numberGeneration = generation;
    records->lastNumberChanged = false;
  }
  for (const auto& [handle, keys] : files_.keys) {
    if (numbers[i].rows() == 1) {
      keys->lastSeq = numbers[i].Int(0, 0);
      keys->seqGeneration = generation;
      keys->seqChanged = false;
    }
    ++i;
  }
}

int64_t PgStore::ReadLastNumber(RecordFile& records, const std::string& operation) {
  return conn()
      .Query(Table(records).highest, pg::Params().Text(records.name), operation, records.subject)
      .Int(0, 0);
}

void PgStore::SaveLastNumber(RecordFile& records) {
  conn().Send("UPDATE " + schema() +
                  ".record_files SET last_number = $1::int4"
                  " WHERE name = $2 AND last_number < $1::int4",
              pg::Params().Int(records.lastNumber).Text(records.name), kCommit, records.subject,
              false);
}

void PgStore::SaveLastSeq(KeyFile& keys) {
  conn().Send("UPDATE " + schema() +
                  ".key_files SET last_seq = $1::int4"
                  " WHERE name = $2 AND last_seq < $1::int4",
              pg::Params().Int(keys.lastSeq).Text(keys.name), kCommit, keys.subject, false);
}

int64_t PgStore::CountRows(const std::string& name, const std::string& operation) {
  return conn()
      .Query("SELECT count(*) FROM " + schema() + "." + pg::Quoted("k_" + name), pg::Params(),
             operation, name, false)
      .Int(0, 0);
}

int32_t PgStore::StoredRecordLength(const std::string& name, const std::string& operation) {
  const pg::Result row =
      conn().Query("SELECT record_length FROM " + schema() + ".record_files WHERE name = $1",
                   pg::Params().Text(name), operation, name, false);
  return row.rows() == 0 ? 0 : static_cast<int32_t>(row.Int(0, 0));
}

bool PgStore::StoredKeyFile(const std::string& name, const std::string& operation,
                            int64_t& keyLength, std::string& kind) {
  const pg::Result row =
      conn().Query("SELECT key_length, kind FROM " + schema() + ".key_files WHERE name = $1",
                   pg::Params().Text(name), operation, name, false);
  if (row.rows() == 0) return false;
  keyLength = row.Int(0, 0);
  kind = row.Bytes(0, 1);
  return true;
}

void PgStore::ScanRecordRows(const std::string& name, const std::string& operation,
                             const RowFn& row) {
  const std::string sql = "SELECT num, data, sum FROM " + schema() + "." + pg::Quoted("r_" + name) +
                          " WHERE num > $1::int4 ORDER BY num LIMIT " + std::to_string(kScanBatch);
  int64_t after = 0;
  for (;;) {
    const pg::Result rows = conn().Query(sql, pg::Params().Int(after), operation, name, false);
    for (int i = 0; i < rows.rows(); ++i)
      row(static_cast<int32_t>(rows.Int(i, 0)), rows.Bytes(i, 1), !rows.IsNull(i, 2),
          rows.IsNull(i, 2) ? 0 : static_cast<int32_t>(rows.Int(i, 2)));
    if (rows.rows() < kScanBatch) return;
    after = rows.Int(rows.rows() - 1, 0);
  }
}

void PgStore::ScanKeyRows(const std::string& name, const std::string& operation,
                          const std::function<void(std::string_view, int32_t)>& each) {
  const std::string table = schema() + "." + pg::Quoted("k_" + name);
  const std::string limit = " ORDER BY key, seq LIMIT " + std::to_string(kScanBatch);
  pg::Result rows = conn().Query("SELECT key, seq, num FROM " + table + limit, pg::Params(),
                                 operation, name, false);
  for (;;) {
    for (int i = 0; i < rows.rows(); ++i)
      each(rows.Bytes(i, 0), static_cast<int32_t>(rows.Int(i, 2)));
    if (rows.rows() < kScanBatch) return;
    const int last = rows.rows() - 1;
    rows = conn().Query(
        "SELECT key, seq, num FROM " + table + " WHERE (key, seq) > ($1::bytea, $2::int4)" + limit,
        pg::Params().Bytes(rows.Bytes(last, 0)).Int(rows.Int(last, 1)), operation, name, false);
  }
}

void PgStore::ReplaceKeys(const std::string& name, const std::string& kind,
                          const std::vector<std::pair<std::string, int32_t>>& entries,
                          const std::string& operation) {
  // By COPY, which would refuse a second "P" key only with the whole transaction.
  if (kind == "P") {
    std::unordered_set<std::string_view> keys;
    for (const auto& [key, number] : entries)
      if (!keys.insert(key).second)
        throw HostError(ErrorKind::kConflict, operation, name, kDuplicate);
  }
  const std::string table = schema() + "." + pg::Quoted("k_" + name);
  const std::string copy = "COPY " + table + "(key, seq, num) FROM STDIN (FORMAT binary)";
  conn().Send("SAVEPOINT host_call", pg::Params(), operation, name, false);
  try {
    // An "S" file numbers its entries afresh in the order given.
    conn().Send("DELETE FROM " + table, pg::Params(), operation, name, false);
    int32_t seq = 0;
    for (const auto& [key, number] : entries)
      conn().Append(copy, {key, pg::Int4(kind == "P" ? 0 : ++seq), pg::Int4(number)}, operation,
                    name);
    conn().Send("UPDATE " + schema() +
                    ".key_files SET last_seq = greatest(last_seq, $1::int4) WHERE name = $2",
                pg::Params().Int(seq).Text(name), operation, name, false);
    conn().Sync(operation, name);
  } catch (...) {
    RollbackHostCall();
    throw;
  }
  conn().Send("RELEASE SAVEPOINT host_call", pg::Params(), operation, name, false);
}

void PgStore::RollbackHostCall() {
  try {
    conn().Sync(kInsert, database().subject());
  } catch (const HostError&) {
    // The failure being undone.
  }
  try {
    conn().Exec("ROLLBACK TO SAVEPOINT host_call", "Store.Rollback", database().subject());
    conn().Send("RELEASE SAVEPOINT host_call", pg::Params(), "Store.Rollback", database().subject(),
                false);
  } catch (const HostError&) {
    // The connection broke: the transaction is lost, and says so at the next call.
  }
}

// In bulk mode the rows of a host call go by COPY and are taken back from it on failure;
// otherwise they are written under a savepoint.
void PgStore::BeginHostCall(const std::string& operation, const std::string& subject) {
  mark_ = conn().MarkCopies();
  if (!database().bulk())
    conn().Send("SAVEPOINT host_call", pg::Params(), operation, subject, false);
}

void PgStore::EndHostCall(const std::string& operation, const std::string& subject) {
  if (!database().bulk())
    conn().Send("RELEASE SAVEPOINT host_call", pg::Params(), operation, subject, false);
}

void PgStore::UndoHostCall(const std::string& operation, const std::string& subject) {
  if (!database().bulk()) {
    RollbackHostCall();
  } else if (!conn().Truncate(mark_)) {
    Rollback();  // what was sent of it cannot be taken back alone
    throw HostError(operation, subject,
                    "échec pendant un envoi en bloc : toute la transaction est abandonnée");
  }
}

// ---------------------------------------------------------------------------------------
// Record files

void PgStore::CreateRecordTable(const std::string& name, int32_t recordLength) {
  // Under the write lock, so that two programs never make it twice.
  conn().Send("INSERT INTO " + schema() +
                  ".record_files(name, record_length) VALUES($1, $2::int4)"
                  " ON CONFLICT DO NOTHING",
              pg::Params().Text(name).Int(recordLength), kOpenRecord, name, false);
  conn().Send("CREATE TABLE IF NOT EXISTS " + schema() + "." + pg::Quoted("r_" + name) +
                  PgCompany::kRecordColumnsKeyed + PgCompany::kRecordTableOptions,
              pg::Params(), kOpenRecord, name, false);
}

std::unique_ptr<KeyedStore::RecordFile> PgStore::OpenRecordTable(const std::string& name,
                                                                 int32_t recordLength,
                                                                 HostComponent& component) {
  auto records = std::make_unique<RecordTable>(name, recordLength, component);
  const std::string& s = schema();
  const std::string t = records->table = s + "." + pg::Quoted("r_" + name);
  records->highest = conn().Prepare(
      "SELECT greatest(coalesce((SELECT last_number FROM " + s +
          ".record_files WHERE name = $1), 0), coalesce((SELECT max(num) FROM " + t + "), 0))",
      kOpenRecord, name);
  records->select =
      conn().Prepare("SELECT data, sum FROM " + t + " WHERE num = $1::int4", kOpenRecord, name);
  records->upsert = conn().Prepare(
      "INSERT INTO " + t +
          "(num, data, sum) VALUES($1::int4, $2::bytea, $3::int4)"
          " ON CONFLICT (num) DO UPDATE SET data = excluded.data, sum = excluded.sum",
      kOpenRecord, name);
  records->upsertMany = conn().Prepare(
      "INSERT INTO " + t +
          "(num, data, sum) SELECT * FROM unnest($1::int4[], $2::bytea[], $3::int4[])"
          " ON CONFLICT (num) DO UPDATE SET data = excluded.data, sum = excluded.sum",
      kOpenRecord, name);
  records->remove = conn().Prepare("DELETE FROM " + t + " WHERE num = $1::int4", kOpenRecord, name);
  records->copy = "COPY " + t + "(num, data, sum) FROM STDIN (FORMAT binary)";
  records->window = conn().Prepare(
      "SELECT num, data, sum FROM " + t + " WHERE num >= $1::int4 AND num < $2::int4", kOpenRecord,
      name);
  return records;
}

bool PgStore::FetchRecord(RecordFile& file, int32_t number, std::string& text,
                          const std::string& operation) {
  RecordTable& records = Table(file);
  if (const std::string* known = nullptr; Windowed(records, number, known, operation)) {
    if (known == nullptr) return false;
    text = *known;
    return true;
  }
  const pg::Result row =
      conn().Query(records.select, pg::Params().Int(number), operation, records.subject);
  if (row.rows() == 0) return false;
  text.assign(row.Bytes(0, 0));
  records.CheckSum(number, text, !row.IsNull(0, 1), row.IsNull(0, 1) ? 0 : SumOf(row, 0, 1),
                   operation);
  return true;
}

bool PgStore::Windowed(RecordTable& records, int32_t number, const std::string*& text,
                       const std::string& operation) {
  const int32_t start = number - number % kReadWindow;
  const bool near = records.nearRead != 0 && std::abs(number - records.nearRead) <= kNearRead;
  records.nearRead = number;
  auto it = records.windows.find(start);
  if (it == records.windows.end()) {
    if (!near) return false;
    if (records.windows.size() >= kReadWindows) {
      auto oldest = records.windows.begin();
      for (auto w = records.windows.begin(); w != records.windows.end(); ++w)
        if (w->second.used < oldest->second.used) oldest = w;
      records.windows.erase(oldest);
    }
    const pg::Result rows =
        conn().Query(records.window, pg::Params().Int(start).Int(int64_t{start} + kReadWindow),
                     operation, records.subject);
    RecordTable::Window& w = records.windows[start];
    w.data.resize(kReadWindow);
    w.slots.assign(kReadWindow, RecordTable::kAbsent);
    for (int i = 0; i < rows.rows(); ++i) {
      const auto number = static_cast<int32_t>(rows.Int(i, 0));
      const auto slot = static_cast<std::size_t>(number - start);
      const std::string_view bytes = rows.Bytes(i, 1);
      records.CheckSum(number, bytes, !rows.IsNull(i, 2), rows.IsNull(i, 2) ? 0 : SumOf(rows, i, 2),
                       operation);
      w.data[slot].assign(bytes.data(), bytes.size());
      w.slots[slot] = RecordTable::kPresent;
    }
    it = records.windows.find(start);
  }
  RecordTable::Window& w = it->second;
  w.used = ++records.clock;
  const auto slot = static_cast<std::size_t>(number - start);
  if (w.slots[slot] == RecordTable::kUnknown) return false;
  text = w.slots[slot] == RecordTable::kPresent ? &w.data[slot] : nullptr;
  return true;
}

void PgStore::PutRecord(RecordFile& file, int32_t number, const std::string& text) {
  RecordTable& records = Table(file);
  RecordChanged(records, number);
  if (!database().bulk())
    conn().Send(records.upsert, pg::Params().Int(number).Bytes(text).Int(RecordSum(number, text)),
                kWriteText, records.subject);
  else if (number > records.lastNumber)  // a new record, in bulk
    conn().Append(records.copy, {pg::Int4(number), text, pg::Int4(RecordSum(number, text))},
                  kWriteText, records.subject);
  else
    records.heldBack[number] = text;
  // What this program wrote is what it reads next: kept in the record's window, if fetched.
  if (const auto w = records.windows.find(number - number % kReadWindow);
      w != records.windows.end()) {
    w->second.slots[number % kReadWindow] = RecordTable::kPresent;
    w->second.data[number % kReadWindow] = text;
  }
}

// ---------------------------------------------------------------------------------------
// Key files

void PgStore::CreateKeyTable(const std::string& name, int16_t keyLength, const std::string& kind) {
  conn().Send("INSERT INTO " + schema() +
                  ".key_files(name, key_length, kind) VALUES($1, $2::int2, $3)"
                  " ON CONFLICT DO NOTHING",
              pg::Params().Text(name).Int(keyLength).Text(kind), kOpenKey, name, false);
  conn().Send("CREATE TABLE IF NOT EXISTS " + schema() + "." + pg::Quoted("k_" + name) +
                  "(key bytea NOT NULL, seq int4 NOT NULL, num int4 NOT NULL,"
                  " PRIMARY KEY (key, seq))",
              pg::Params(), kOpenKey, name, false);
}

std::unique_ptr<KeyedStore::KeyFile> PgStore::OpenKeyTable(const std::string& name,
                                                           int16_t keyLength,
                                                           const std::string& kind,
                                                           bool temporary) {
  auto keys = std::make_unique<KeyTable>(name, keyLength, kind, temporary);
  if (temporary) return keys;
  const std::string& t = keys->table = schema() + "." + pg::Quoted("k_" + name);
  keys->insert = conn().Prepare("INSERT INTO " + t +
                                    "(key, seq, num) VALUES($1::bytea, $2::int4, $3::int4)"
                                    " ON CONFLICT DO NOTHING",
                                kOpenKey, name);
  keys->copy = "COPY " + t + "(key, seq, num) FROM STDIN (FORMAT binary)";
  keys->removeOne =
      conn().Prepare("DELETE FROM " + t + " WHERE key = $1::bytea AND seq = (SELECT seq FROM " + t +
                         " WHERE key = $1::bytea AND num = $2::int4"
                         " ORDER BY seq LIMIT 1)",
                     kOpenKey, name);
  // Each entry found by an index lookup, then all removed by their row addresses: a join
  // of the arrays with the table may be planned as a scan of the whole table.
  keys->removeMany = conn().Prepare(
      "DELETE FROM " + t + " WHERE ctid = ANY(ARRAY(SELECT (SELECT e.ctid FROM " + t +
          " e WHERE e.key = d.key AND e.num = d.num ORDER BY e.seq LIMIT 1)"
          " FROM unnest($1::bytea[], $2::int4[]) d(key, num)))",
      kOpenKey, name);
  keys->clear = conn().Prepare("DELETE FROM " + t, kOpenKey, name);
  keys->range = conn().Prepare("SELECT num FROM " + t +
                                   " WHERE key >= $1::bytea AND key < $2::bytea"
                                   " ORDER BY key, seq",
                               kOpenKey, name);
  keys->rangeFrom = conn().Prepare(
      "SELECT num FROM " + t + " WHERE key >= $1::bytea ORDER BY key, seq", kOpenKey, name);
  keys->count = conn().Prepare(
      "SELECT count(*) FROM " + t + " WHERE key >= $1::bytea AND key < $2::bytea", kOpenKey, name);
  keys->countFrom =
      conn().Prepare("SELECT count(*) FROM " + t + " WHERE key >= $1::bytea", kOpenKey, name);
  keys->firstRange = conn().Prepare("SELECT num FROM " + t +
                                        " WHERE key >= $1::bytea AND key < $2::bytea"
                                        " ORDER BY key, seq LIMIT $3::int4",
                                    kOpenKey, name);
  keys->firstFrom = conn().Prepare(
      "SELECT num FROM " + t + " WHERE key >= $1::bytea ORDER BY key, seq LIMIT $2::int4", kOpenKey,
      name);
  return keys;
}

namespace {

// The statements of key table `k` with record table `r`, prepared on first use.
const auto& JoinedFor(pg::Connection& conn, auto& keys, const auto& records) {
  auto [it, added] = keys.joined.try_emplace(records.name);
  auto& j = it->second;
  if (!added) return j;
  try {
    const std::string& k = keys.table;
    // The record by a lateral subquery that cannot be flattened (OFFSET 0): read by its index
    // for each entry returned, after the limit, whatever the planner thinks of a join over the
    // whole table (a quarter less server time than a subquery in the select list).
    const std::string select = "SELECT k.key, k.seq, k.num, r.data, r.sum FROM " + k +
                               " k LEFT JOIN LATERAL (SELECT r.data, r.sum FROM " + records.table +
                               " r WHERE r.num = k.num OFFSET 0) r ON true";
    const std::string after = " WHERE (k.key, k.seq) > ($1::bytea, $2::int4)";
    const std::string order = " ORDER BY k.key, k.seq LIMIT ";
    const std::string full = std::to_string(PgStore::kWalkBatch);
    const std::string few = std::to_string(PgStore::kWalkRestart);
    j.first = conn.Prepare(select + order + full, kFirst, keys.subject);
    j.firstFew = conn.Prepare(select + order + few, kFirst, keys.subject);
    j.next = conn.Prepare(select + after + order + full, kNext, keys.subject);
    j.nextFew = conn.Prepare(select + after + order + few, kNext, keys.subject);
    j.find = conn.Prepare(select + " WHERE k.key = $1::bytea ORDER BY k.seq LIMIT 1", kFind,
                          keys.subject);
    // The entry and its record in one statement: both go, or neither.
    j.remove = conn.Prepare(
        "WITH k AS (DELETE FROM " + k + " WHERE key = $1::bytea AND seq = (SELECT seq FROM " + k +
            " WHERE key = $1::bytea AND num = $2::int4 ORDER BY seq LIMIT 1) RETURNING 1),"
            " r AS (DELETE FROM " +
            records.table +
            " WHERE num = $2::int4 RETURNING 1)"
            " SELECT (SELECT count(*) FROM k), (SELECT count(*) FROM r)",
        kDelete, keys.subject);
  } catch (...) {
    keys.joined.erase(it);
    throw;
  }
  return j;
}

}  // namespace

bool PgStore::LookUp(KeyFile& file, RecordFile& recordFile, const std::string& key, Located& at) {
  KeyTable& keys = Table(file);
  RecordTable& records = Table(recordFile);
  if (keys.foundRecords != records.name) {
    keys.found.clear();
    keys.foundRecords = records.name;
  }
  auto it = keys.found.find(key);
  if (it == keys.found.end()) {
    const pg::Result row = conn().Query(JoinedFor(conn(), keys, records).find,
                                        pg::Params().Bytes(key), kFind, keys.subject);
    const auto number = row.rows() == 1 ? static_cast<int32_t>(row.Int(0, 2)) : 0;
    // A key without its record is told as a missing record, at each Find.
    if (number != 0 && row.IsNull(0, 3)) Load(records, number, nullptr, true, kFind);
    if (number != 0)
      records.CheckSum(number, row.Bytes(0, 3), !row.IsNull(0, 4),
                       row.IsNull(0, 4) ? 0 : SumOf(row, 0, 4), kFind);
    if (keys.found.size() >= kFoundKept) keys.found.clear();
    it = keys.found.try_emplace(key, number, number != 0 ? row.Bytes(0, 3) : "").first;
  }
  if (it->second.first == 0) return false;
  at = {it->second.first, &it->second.second, true};
  return true;
}

bool PgStore::KeyHeld(KeyFile& keys, RecordFile& records, const std::string& key) {
  return conn()
             .Query(JoinedFor(conn(), Table(keys), Table(records)).find, pg::Params().Bytes(key),
                    kFind, keys.subject)
             .rows() > 0;
}

void PgStore::PutKey(KeyFile& file, const std::string& key, int32_t number,
                     const std::string& operation) {
  KeyTable& keys = Table(file);
  if (!keys.unique() && keys.seqGeneration != database().writeGeneration()) {
    const pg::Result row =
        conn().Query("SELECT last_seq FROM " + schema() + ".key_files WHERE name = $1",
                     pg::Params().Text(keys.name), operation, keys.subject, false);
    keys.lastSeq = row.Int(0, 0);
    keys.seqGeneration = database().writeGeneration();
    keys.seqChanged = false;
  }
  int64_t seq = 0;
  if (!keys.unique()) {
    if (keys.lastSeq >= kMaxNumber)
      throw HostError(operation, keys.subject, "plus aucun rang d'entrée disponible");
    seq = ++keys.lastSeq;
    keys.seqChanged = true;
  }
  if (database().bulk()) {
    if (!keys.heldRemovals.empty()) SendHeldBack();  // before the COPY, which may go first
    conn().Append(keys.copy, {key, pg::Int4(static_cast<int32_t>(seq)), pg::Int4(number)},
                  operation, keys.subject);
    return;
  }
  const pg::Params params = pg::Params().Bytes(key).Int(seq).Int(number);
  if (!keys.unique()) return conn().Send(keys.insert, params, operation, keys.subject);
  if (conn().Query(keys.insert, params, operation, keys.subject).affected() == 0) {
    if (operation == kInsert)  // the module looked the key up first: another program took it
      throw StoreConflict(StoreConflict::Reason::kKeyTaken, kInsert, keys.name, key);
    throw HostError(ErrorKind::kConflict, operation, keys.subject, kDuplicate);
  }
}

void PgStore::RemoveEntry(KeyFile& file, const std::string& key, int32_t number) {
  KeyTable& keys = Table(file);
  if (database().bulk()) {
    keys.heldRemovals.emplace_back(key, number);
    return;
  }
  SendAside(keys.removeOne, pg::Params().Bytes(key).Int(number), kRemoveKey, keys.subject);
}

bool PgStore::RemoveRecord(KeyFile& file, RecordFile& recordFile, const std::string& key,
                           int32_t number) {
  KeyTable& keys = Table(file);
  RecordTable& records = Table(recordFile);
  // The entry the walk is at, fetched with its record in this write transaction and neither
  // written since: both are there, and go without waiting (a walk deleting what it reaches).
  const bool there = !keys.temporary && keys.AtWalk(key, number) &&
                     keys.batchRecords == records.name && keys.batch[keys.batchPos - 1].hasRecord &&
                     !keys.stale.contains(number);
  RecordChanged(records, number);
  if (there) {
    records.heldBack.erase(number);  // a rewrite held back, undone by the removal
    SendAside(JoinedFor(conn(), keys, records).remove, pg::Params().Bytes(key).Int(number), kDelete,
              keys.subject);
    return true;
  }
  if (keys.temporary)
    return conn()
               .Query(records.remove, pg::Params().Int(number), kDelete, records.subject)
               .affected() != 0;
  const pg::Result counts =
      conn().Query(JoinedFor(conn(), keys, records).remove, pg::Params().Bytes(key).Int(number),
                   kDelete, keys.subject);
  return counts.Int(0, 0) != 0 || counts.Int(0, 1) != 0;
}

void PgStore::ClearEntries(KeyFile& keys) {
  conn().Send(Table(keys).clear, pg::Params(), kClear, keys.subject);
}

bool PgStore::StepWalk(KeyFile& file, RecordFile& recordFile, bool fromStart,
                       const std::string& operation, Located& at) {
  KeyTable& keys = Table(file);
  RecordTable& records = Table(recordFile);
  if (fromStart || !keys.batchValid || keys.batchRecords != records.name ||
      (keys.batchPos == keys.batchSize && !keys.batchLast)) {
    const auto& j = JoinedFor(conn(), keys, records);
    const bool full = keys.fullBatch;
    const bool adopt =
        keys.prefetchUsable && !fromStart && keys.batchValid && keys.batchRecords == records.name;
    keys.prefetchUsable = false;
    pg::Result rows;
    if (adopt) {
      conn().Sync(operation, keys.subject);  // the batch asked for after the last one
      rows = std::move(keys.prefetch);
    } else {
      rows = fromStart || keys.walk == KeyTable::Walk::kBeforeFirst
                 ? conn().Query(full ? j.first : j.firstFew, pg::Params(), operation, keys.subject)
                 : conn().Query(full ? j.next : j.nextFew,
                                pg::Params().Bytes(keys.walkKey).Int(keys.walkSeq), operation,
                                keys.subject);
    }
    const int count = rows.rows();
    if (keys.batch.size() < static_cast<std::size_t>(count)) keys.batch.resize(count);
    keys.numbers.clear();
    keys.stale.clear();
    for (int i = 0; i < count; ++i) {
      KeyTable::Entry& entry = keys.batch[i];
      const std::string_view key = rows.Bytes(i, 0), record = rows.Bytes(i, 3);
      entry.key.assign(key.data(), key.size());
      entry.seq = rows.Int(i, 1);
      entry.number = static_cast<int32_t>(rows.Int(i, 2));
      entry.hasRecord = !rows.IsNull(i, 3);
      entry.record.assign(record.data(), record.size());
      entry.sum = rows.IsNull(i, 4) ? std::nullopt : std::optional<int32_t>(SumOf(rows, i, 4));
      keys.numbers.insert(entry.number);
    }
    if (adopt) {  // records written since it was asked for are read again
      for (const int32_t number : keys.writtenAhead)
        if (keys.numbers.contains(number)) keys.stale.insert(number);
    }
    keys.batchSize = count;
    keys.batchPos = 0;
    keys.batchLast = count < (full || adopt ? kWalkBatch : kWalkRestart);
    if (count == kWalkBatch) {
      const KeyTable::Entry& last = keys.batch[count - 1];
      conn().Send(j.next, pg::Params().Bytes(last.key).Int(last.seq), operation, keys.subject, true,
                  &keys.prefetch);
      conn().Push(operation, keys.subject);
      keys.prefetchUsable = true;
      keys.writtenAhead.clear();
    }
    keys.batchValid = true;
    keys.fullBatch = true;
    keys.batchRecords = records.name;
  }
  if (keys.batchPos == keys.batchSize) return false;
  KeyTable::Entry& entry = keys.batch[keys.batchPos++];
  keys.walkKey = entry.key;
  keys.walkSeq = entry.seq;
  at.number = entry.number;
  if (keys.stale.empty() || !keys.stale.contains(entry.number)) {
    // The batch is read once: its text goes to the call-back without a copy.
    if (entry.hasRecord)
      records.CheckSum(entry.number, entry.record, entry.sum.has_value(), entry.sum.value_or(0),
                       operation);
    std::swap(records.cached, entry.record);
    at.text = entry.hasRecord ? &records.cached : nullptr;
    at.known = true;
  }
  return true;
}

void PgStore::RecordChanged(RecordTable& records, int32_t number) {
  if (const auto w = records.windows.find(number - number % kReadWindow);
      w != records.windows.end())
    w->second.slots[number % kReadWindow] = RecordTable::kUnknown;
  for (const auto& [handle, file] : files_.keys) {
    KeyTable& keys = Table(*file);
    if (keys.foundRecords == records.name) keys.found.clear();
    if (!keys.batchValid || keys.batchRecords != records.name) continue;
    if (keys.numbers.contains(number)) keys.stale.insert(number);
    if (keys.prefetchUsable) {
      keys.writtenAhead.push_back(number);
      if (keys.writtenAhead.size() > 4 * kWalkBatch) keys.prefetchUsable = false;
    }
  }
}

void PgStore::StopWalks() {
  KeyedStore::StopWalks();
  for (const auto& [handle, file] : files_.records) {
    RecordTable& records = Table(*file);
    records.windows.clear();
    records.nearRead = 0;
  }
}

void PgStore::ScanPrefix(KeyFile& file, const std::string& prefix, const std::string& end,
                         int32_t limit, const std::string& operation,
                         const std::function<void(int64_t)>& each) {
  KeyTable& keys = Table(file);
  pg::Params range = pg::Params().Bytes(prefix);
  if (!end.empty()) range.Bytes(end);
  const pg::Result rows = limit < 0 ? conn().Query(end.empty() ? keys.rangeFrom : keys.range, range,
                                                   operation, keys.subject)
                                    : conn().Query(end.empty() ? keys.firstFrom : keys.firstRange,
                                                   range.Int(limit), operation, keys.subject);
  for (int i = 0; i < rows.rows(); ++i) each(rows.Int(i, 0));
}

int64_t PgStore::CountRange(KeyFile& file, const std::string& prefix, const std::string& end) {
  KeyTable& keys = Table(file);
  pg::Params range = pg::Params().Bytes(prefix);
  if (!end.empty()) range.Bytes(end);
  return conn()
      .Query(end.empty() ? keys.countFrom : keys.count, range, kCountPrefix, keys.subject)
      .Int(0, 0);
}

void PgStore::ClosingKeys(KeyFile& keys) {
  conn().Sync(kClose, keys.subject);  // a batch asked for ahead arrives in the table
}

}  // namespace actifix::platform
