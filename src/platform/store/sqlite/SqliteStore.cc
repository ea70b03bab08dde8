#include "platform/store/sqlite/SqliteStore.h"

#include <unordered_map>
#include <utility>

#include "host/HostError.h"
#include "platform/store/StoreFiles.h"

namespace actifix::platform {

using namespace storefiles;  // the host calls' names

// One record file: its statements beside what every store keeps of it. No record is cached:
// another program may change the file between two transactions. Records asked in the order
// of their numbers (a walk of a register entered in order asks them so) are read by one query
// stepping forward (`ahead`, standing on record `aheadNumber`) instead of one search each; a
// commit or a rollback ends it, as it ends a key walk, and so does a change to the file at or
// ahead of its place.
struct SqliteStore::RecordTable : RecordFile {
  using RecordFile::RecordFile;
  Statement select, upsert, remove, highest, ahead;
  int32_t aheadNumber = 0;   // the record `ahead` stands on; 0: not reading ahead
  int32_t lastSearched = 0;  // the record the last search found

  void StopReading() override {
    if (aheadNumber != 0) ahead.Reset();
    aheadNumber = 0;
  }
  // Before record `number` is written or removed: a record behind the one read ahead leaves the
  // query where it stands (SQLite keeps its place by number through the change, so a walk that
  // rewrites each record as it goes keeps reading ahead); any other ends it.
  void Changing(int32_t number) {
    if (number >= aheadNumber) StopReading();
  }
  // Moves `ahead` to its next record; false at the end of the file.
  bool StepAhead(const std::string& operation) {
    try {
      if (ahead.Step(operation, subject)) {
        aheadNumber = static_cast<int32_t>(ahead.Int(0));
        return true;
      }
    } catch (...) {
      aheadNumber = 0;  // Step has reset it
      throw;
    }
    StopReading();
    return false;
  }
};

// How far a record asked may lie past the one read ahead for the query to step to it.
constexpr int32_t kReadAheadGap = 64;

// One key file. `seq` orders the entries of one key: always 0 in a "P" file, so that the
// primary key (key, seq) refuses a second entry; in an "S" file one more than the key's
// highest, found by the insert itself so that two programs never hand out the same.
//
// The walk remembers the last entry returned (walkKey, walkSeq). While the file is not
// changed, Next keeps stepping the query that found it (`live`), which costs no new seek;
// any change to the file, a commit or a rollback ends that query, and the next Next seeks
// past the remembered entry afresh.
struct SqliteStore::KeyTable : KeyFile {
  using KeyFile::KeyFile;
  std::string table;          // qualified and quoted table name
  Statement* live = nullptr;  // first or next, still stepping, valid while version holds
  uint64_t version = 0, liveVersion = 0;
  Statement find, insert, removeOne, clear, first, next, range, rangeFrom, count, countFrom;

  void StopWalk() override {
    if (live != nullptr) live->Reset();
    live = nullptr;
  }
  void Changed() override { ++version; }
};

SqliteStore::RecordTable& SqliteStore::Table(RecordFile& records) {
  return static_cast<RecordTable&>(records);
}

SqliteStore::KeyTable& SqliteStore::Table(KeyFile& keys) { return static_cast<KeyTable&>(keys); }

SqliteStore::SqliteStore(std::unique_ptr<CompanyDatabase> database)
    : SqliteStore(database->path().parent_path(), database) {}

SqliteStore::SqliteStore(std::filesystem::path directory,
                         std::unique_ptr<CompanyDatabase>& database)
    : KeyedStore(std::move(database), std::move(directory), false),
      savepoint_(std::make_unique<SavepointStatements>(db().handle(), "host_call")) {}

SqliteStore::~SqliteStore() {
  // Statements go before the transaction they read in is abandoned.
  files_.keys.clear();
  files_.records.clear();
  files_.texts.Drop();
  savepoint_.reset();
  saveNumber_ = Statement();
  db().RollbackWrite();
}

void SqliteStore::BeginTransaction(const std::string& operation, const std::string& subject) {
  db().BeginWrite(operation, subject);
}

int64_t SqliteStore::ReadLastNumber(RecordFile& file, const std::string& operation) {
  RecordTable& records = Table(file);
  records.highest.BindText(1, records.name);
  records.highest.Step(operation, records.subject);
  const int64_t last = records.highest.Int(0);
  records.highest.Reset();
  return last;
}

void SqliteStore::SaveLastNumber(RecordFile& records) {
  if (!saveNumber_.valid())
    saveNumber_ =
        db().Prepare("UPDATE record_files SET last_number = ? WHERE name = ? AND last_number < ?");
  saveNumber_.Bind(1, records.lastNumber).BindText(2, records.name).Bind(3, records.lastNumber);
  saveNumber_.Run(kCommit, records.subject);
}

int64_t SqliteStore::CountRows(const std::string& name, const std::string& operation) {
  Statement count = db().Prepare("SELECT count(*) FROM main.\"k_" + name + "\"");
  count.Step(operation, name);
  return count.Int(0);
}

int32_t SqliteStore::StoredRecordLength(const std::string& name, const std::string& operation) {
  Statement catalog = db().Prepare("SELECT record_length FROM record_files WHERE name = ?");
  catalog.BindText(1, name);
  return catalog.Step(operation, name) ? static_cast<int32_t>(catalog.Int(0)) : 0;
}

bool SqliteStore::StoredKeyFile(const std::string& name, const std::string& operation,
                                int64_t& keyLength, std::string& kind) {
  Statement catalog = db().Prepare("SELECT key_length, kind FROM key_files WHERE name = ?");
  catalog.BindText(1, name);
  if (!catalog.Step(operation, name)) return false;
  keyLength = catalog.Int(0);
  kind = catalog.Bytes(1);
  return true;
}

void SqliteStore::ScanRecordRows(const std::string& name, const std::string& operation,
                                 const RowFn& row) {
  Statement all = db().Prepare("SELECT num, data, sum FROM main.\"r_" + name + "\" ORDER BY num");
  while (all.Step(operation, name))
    row(static_cast<int32_t>(all.Int(0)), all.View(1), !all.IsNull(2),
        static_cast<int32_t>(all.Int(2)));
}

void SqliteStore::ScanKeyRows(const std::string& name, const std::string& operation,
                              const std::function<void(std::string_view, int32_t)>& each) {
  Statement all = db().Prepare("SELECT key, num FROM main.\"k_" + name + "\" ORDER BY key, seq");
  while (all.Step(operation, name)) each(all.View(0), static_cast<int32_t>(all.Int(1)));
}

void SqliteStore::ReplaceKeys(const std::string& name, const std::string& kind,
                              const std::vector<std::pair<std::string, int32_t>>& entries,
                              const std::string& operation) {
  Savepoint savepoint(*savepoint_, operation, name);
  const std::string table = "main.\"k_" + name + "\"";
  db().Exec("DELETE FROM " + table, operation);
  Statement insert = db().Prepare("INSERT INTO " + table + "(key, seq, num) VALUES(?, ?, ?)");
  std::unordered_map<std::string, int64_t> seqs;
  for (const auto& [key, number] : entries) {
    const int64_t seq = kind == "P" ? 0 : ++seqs[key];
    insert.BindBlob(1, key).Bind(2, seq).Bind(3, number).Run(operation, name);
  }
  savepoint.Release();
}

void SqliteStore::BeginHostCall(const std::string& operation, const std::string& subject) {
  savepoint_->begin.Run(operation, subject);
}

void SqliteStore::EndHostCall(const std::string& operation, const std::string& subject) {
  savepoint_->release.Run(operation, subject);
}

void SqliteStore::UndoHostCall(const std::string& operation, const std::string& subject) {
  // Best effort: a failure here leaves the outer transaction to the caller's rollback.
  try {
    savepoint_->rollback.Run(operation, subject);
    savepoint_->release.Run(operation, subject);
  } catch (...) {
  }
}

// ---------------------------------------------------------------------------------------
// Record files

void SqliteStore::CreateRecordTable(const std::string& name, int32_t recordLength) {
  // Another program may be making it at the same moment, hence the IGNORE.
  Statement add =
      db().Prepare("INSERT OR IGNORE INTO record_files(name, record_length) VALUES(?, ?)");
  add.BindText(1, name).Bind(2, recordLength).Run(kOpenRecord, name);
  db().Exec("CREATE TABLE IF NOT EXISTS \"r_" + name + "\"" + CompanyDatabase::kRecordColumns,
            kOpenRecord);
}

std::unique_ptr<KeyedStore::RecordFile> SqliteStore::OpenRecordTable(const std::string& name,
                                                                     int32_t recordLength,
                                                                     HostComponent& component) {
  auto records = std::make_unique<RecordTable>(name, recordLength, component);
  const std::string table = "\"r_" + name + "\"";
  records->highest = db().Prepare(
      "SELECT max(coalesce((SELECT last_number FROM record_files WHERE name = ?), 0),"
      " coalesce((SELECT max(num) FROM " +
      table + "), 0))");
  records->select = db().Prepare("SELECT data, sum FROM " + table + " WHERE num = ?");
  records->upsert =
      db().Prepare("INSERT INTO " + table +
                   "(num, data, sum) VALUES(?, ?, ?) ON CONFLICT(num) DO UPDATE SET data = "
                   "excluded.data, sum = excluded.sum");
  records->remove = db().Prepare("DELETE FROM " + table + " WHERE num = ?");
  records->ahead =
      db().Prepare("SELECT num, data, sum FROM " + table + " WHERE num >= ? ORDER BY num");
  return records;
}

bool SqliteStore::FetchRecord(RecordFile& file, int32_t number, std::string& text,
                              const std::string& operation) {
  RecordTable& records = Table(file);
  if (records.aheadNumber != 0 && number >= records.aheadNumber &&
      number - records.aheadNumber < kReadAheadGap) {
    while (records.aheadNumber < number && records.StepAhead(operation)) {
    }
    if (records.aheadNumber == number) {
      text = records.ahead.Bytes(1);
      const bool hasSum = !records.ahead.IsNull(2);
      const auto sum = static_cast<int32_t>(records.ahead.Int(2));
      records.StepAhead(operation);
      records.CheckSum(number, text, hasSum, sum, operation);
      return true;
    }
  }
  records.select.Bind(1, number);
  if (!records.select.Step(operation, records.subject)) {
    records.select.Reset();
    return false;
  }
  text = records.select.Bytes(0);
  const bool hasSum = !records.select.IsNull(1);
  const auto sum = static_cast<int32_t>(records.select.Int(1));
  records.select.Reset();
  records.CheckSum(number, text, hasSum, sum, operation);
  // A second record found right after the one before: read the next ones ahead.
  if (records.aheadNumber == 0 && number == records.lastSearched + 1) {
    records.ahead.Bind(1, number + 1);
    records.StepAhead(operation);
  }
  records.lastSearched = number;
  return true;
}

void SqliteStore::PutRecord(RecordFile& file, int32_t number, const std::string& text) {
  RecordTable& records = Table(file);
  records.Changing(number);
  records.upsert.Bind(1, number)
      .BindBlob(2, text)
      .Bind(3, RecordSum(number, text))
      .Run(kWriteText, records.subject);
}

// ---------------------------------------------------------------------------------------
// Key files

void SqliteStore::CreateKeyTable(const std::string& name, int16_t keyLength,
                                 const std::string& kind) {
  Statement add =
      db().Prepare("INSERT OR IGNORE INTO key_files(name, key_length, kind) VALUES(?, ?, ?)");
  add.BindText(1, name).Bind(2, keyLength).BindText(3, kind).Run(kOpenKey, name);
  db().Exec("CREATE TABLE IF NOT EXISTS main.\"k_" + name +
                "\"(key BLOB NOT NULL, seq INTEGER NOT NULL, num INTEGER NOT NULL,"
                " PRIMARY KEY(key, seq)) WITHOUT ROWID",
            kOpenKey);
}

std::unique_ptr<KeyedStore::KeyFile> SqliteStore::OpenKeyTable(const std::string& name,
                                                               int16_t keyLength,
                                                               const std::string& kind,
                                                               bool temporary) {
  auto keys = std::make_unique<KeyTable>(name, keyLength, kind, temporary);
  const std::string& t = keys->table = "main.\"k_" + name + "\"";
  if (temporary) return keys;  // the sort index lives in memory
  keys->find = db().Prepare("SELECT num FROM " + t + " WHERE key = ? ORDER BY seq LIMIT 1");
  keys->insert = db().Prepare(
      keys->unique() ? "INSERT INTO " + t + "(key, seq, num) VALUES(?1, 0, ?2)"
                     : "INSERT INTO " + t +
                           "(key, seq, num) VALUES(?1, (SELECT coalesce(max(seq), 0) + 1 FROM " +
                           t + " WHERE key = ?1), ?2)");
  // A "P" file's one entry of a key is found by the primary key alone.
  keys->removeOne = db().Prepare(
      keys->unique() ? "DELETE FROM " + t + " WHERE key = ?1 AND seq = 0 AND num = ?2"
                     : "DELETE FROM " + t + " WHERE key = ?1 AND seq = (SELECT seq FROM " + t +
                           " WHERE key = ?1 AND num = ?2 ORDER BY seq LIMIT 1)");
  keys->clear = db().Prepare("DELETE FROM " + t);
  keys->first = db().Prepare("SELECT key, seq, num FROM " + t + " ORDER BY key, seq");
  keys->next = db().Prepare("SELECT key, seq, num FROM " + t +
                            " WHERE (key, seq) > (?, ?) ORDER BY key, seq");
  keys->range =
      db().Prepare("SELECT num FROM " + t + " WHERE key >= ? AND key < ? ORDER BY key, seq");
  keys->rangeFrom = db().Prepare("SELECT num FROM " + t + " WHERE key >= ? ORDER BY key, seq");
  keys->count = db().Prepare("SELECT count(*) FROM " + t + " WHERE key >= ? AND key < ?");
  keys->countFrom = db().Prepare("SELECT count(*) FROM " + t + " WHERE key >= ?");
  return keys;
}

bool SqliteStore::LookUp(KeyFile& file, RecordFile&, const std::string& key, Located& at) {
  KeyTable& keys = Table(file);
  keys.find.BindBlob(1, key);
  if (!keys.find.Step(kFind, keys.subject)) {
    keys.find.Reset();
    return false;
  }
  at.number = static_cast<int32_t>(keys.find.Int(0));
  keys.find.Reset();
  return true;
}

bool SqliteStore::KeyHeld(KeyFile& file, RecordFile&, const std::string& key) {
  KeyTable& keys = Table(file);
  keys.find.BindBlob(1, key);
  const bool held = keys.find.Step(kFind, keys.subject);
  keys.find.Reset();
  return held;
}

void SqliteStore::PutKey(KeyFile& file, const std::string& key, int32_t number,
                         const std::string& operation) {
  KeyTable& keys = Table(file);
  try {
    keys.insert.BindBlob(1, key).Bind(2, number).Run(operation, keys.subject);
  } catch (const HostError& error) {
    // The module looked the key up first: another program took it.
    if (operation == kInsert && keys.unique() && error.Is(ErrorKind::kConflict))
      throw StoreConflict(StoreConflict::Reason::kKeyTaken, kInsert, keys.name, key);
    throw;
  }
}

void SqliteStore::RemoveEntry(KeyFile& file, const std::string& key, int32_t number) {
  KeyTable& keys = Table(file);
  keys.removeOne.BindBlob(1, key).Bind(2, number).Run(kRemoveKey, keys.subject);
}

bool SqliteStore::RemoveRecord(KeyFile& file, RecordFile& recordFile, const std::string& key,
                               int32_t number) {
  KeyTable& keys = Table(file);
  RecordTable& records = Table(recordFile);
  Savepoint savepoint(*savepoint_, kDelete, keys.subject);
  int entries = 0;
  if (!keys.temporary) {
    keys.removeOne.BindBlob(1, key).Bind(2, number).Run(kDelete, keys.subject);
    entries = sqlite3_changes(db().handle());
  }
  records.Changing(number);
  records.remove.Bind(1, number).Run(kDelete, records.subject);
  const int removed = sqlite3_changes(db().handle());
  savepoint.Release();
  return entries != 0 || removed != 0;
}

void SqliteStore::ClearEntries(KeyFile& file) {
  KeyTable& keys = Table(file);
  keys.clear.Run(kClear, keys.subject);
}

bool SqliteStore::StepWalk(KeyFile& file, RecordFile&, bool fromStart, const std::string& operation,
                           Located& at) {
  KeyTable& keys = Table(file);
  if (fromStart || keys.live == nullptr || keys.liveVersion != keys.version) {
    keys.StopWalk();
    if (fromStart || keys.walk == KeyTable::Walk::kBeforeFirst) {
      keys.live = &keys.first;
    } else {
      keys.live = &keys.next;
      keys.next.BindBlob(1, keys.walkKey).Bind(2, keys.walkSeq);
    }
    keys.liveVersion = keys.version;
  }
  bool row = false;
  try {
    row = keys.live->Step(operation, keys.subject);
  } catch (...) {
    keys.live = nullptr;  // Step has reset it
    throw;
  }
  if (!row) return false;
  keys.walkKey = keys.live->Bytes(0);
  keys.walkSeq = keys.live->Int(1);
  at.number = static_cast<int32_t>(keys.live->Int(2));
  return true;
}

void SqliteStore::ScanPrefix(KeyFile& file, const std::string& prefix, const std::string& end,
                             int32_t limit, const std::string& operation,
                             const std::function<void(int64_t)>& each) {
  KeyTable& keys = Table(file);
  Statement& range = end.empty() ? keys.rangeFrom : keys.range;
  range.BindBlob(1, prefix);
  if (!end.empty()) range.BindBlob(2, end);
  // Stepped no further than needed.
  for (int32_t i = 0; (limit < 0 || i < limit) && range.Step(operation, keys.subject); ++i)
    each(range.Int(0));
  range.Reset();
}

int64_t SqliteStore::CountRange(KeyFile& file, const std::string& prefix, const std::string& end) {
  KeyTable& keys = Table(file);
  Statement& count = end.empty() ? keys.countFrom : keys.count;
  count.BindBlob(1, prefix);
  if (!end.empty()) count.BindBlob(2, end);
  count.Step(kCountPrefix, keys.subject);
  const int64_t total = count.Int(0);
  count.Reset();
  return total;
}

}  // namespace actifix::platform
