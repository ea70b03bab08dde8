#include "platform/store/SqliteStore.h"

#include <unordered_map>
#include <utility>

#include "host/HostError.h"
#include "platform/store/StoreFiles.h"

namespace actifix::platform {

using namespace storefiles;  // the host calls' names and checks, shared with PgStore

// One record file: its statements beside what every store keeps of it. Nothing else is
// cached: another program may change the file between two host calls.
struct SqliteStore::RecordTable : RecordFile {
  using RecordFile::RecordFile;
  Statement select, upsert, remove, highest;
};

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

  void StopWalk() {
    if (live != nullptr) live->Reset();
    live = nullptr;
  }
  // Called before every write to the file.
  void Changed() { ++version; }
};

SqliteStore::SqliteStore(std::unique_ptr<CompanyDatabase> database)
    : db_(std::move(database)),
      files_(db_->path().parent_path(), false),
      savepoint_(std::make_unique<SavepointStatements>(db_->handle(), "host_call")) {}

SqliteStore::~SqliteStore() {
  // Statements go before the transaction they read in is abandoned.
  files_.keys.clear();
  files_.records.clear();
  files_.texts.Drop();
  savepoint_.reset();
  db_->RollbackWrite();
}

std::unique_ptr<HostRecordFile> SqliteStore::MakeRecordFile() {
  return std::make_unique<StoreRecordFile<SqliteStore>>(*this);
}

std::unique_ptr<HostKeyedFile> SqliteStore::MakeKeyedFile() {
  return std::make_unique<StoreKeyedFile<SqliteStore>>(*this);
}

void SqliteStore::BeginWrite(const std::string& operation, const std::string& subject) {
  if (failAtWrite_ > 0 && --failAtWrite_ == 0)
    throw HostError(operation, subject, "panne d'écriture simulée");
  if (db_->InTransaction()) return;
  StopWalks();
  db_->BeginWrite(operation, subject);
}

void SqliteStore::RefreshNumbering(RecordTable& records, const std::string& operation) {
  if (records.numberGeneration == db_->writeGeneration()) return;
  records.highest.BindText(1, records.name);
  records.highest.Step(operation, records.subject);
  records.lastNumber = records.highest.Int(0);
  records.highest.Reset();
  records.numberGeneration = db_->writeGeneration();
  records.lastNumberChanged = false;
}

void SqliteStore::Commit() {
  bool numbersChanged = false;
  for (const auto& [handle, records] : files_.records) numbersChanged |= records->lastNumberChanged;
  if (numbersChanged) {
    // The numbering goes with the records it numbered, in the same transaction.
    BeginWrite(kCommit, db_->path().string());
    Statement update =
        db_->Prepare("UPDATE record_files SET last_number = ? WHERE name = ? AND last_number < ?");
    for (const auto& [handle, records] : files_.records) {
      if (!records->lastNumberChanged) continue;
      update.Bind(1, records->lastNumber).BindText(2, records->name).Bind(3, records->lastNumber);
      update.Run(kCommit, records->subject);
    }
  }
  StopWalks();  // a walk goes on after the commit by seeking again
  try {
    db_->CommitWrite(kCommit);
  } catch (...) {
    // A failed commit may have rolled back: the numbering is read again by the next write.
    for (const auto& [handle, records] : files_.records) records->numberGeneration = 0;
    throw;
  }
  for (const auto& [handle, records] : files_.records) records->lastNumberChanged = false;
  files_.texts.Flush(kCommit);
}

void SqliteStore::Rollback() {
  StopWalks();
  db_->RollbackWrite();
  for (const auto& [handle, records] : files_.records) {
    records->numberGeneration = 0;  // read again by the next write
    records->lastNumberChanged = false;
  }
}

void SqliteStore::CloseTextFiles() { files_.texts.CloseAll(kCommit); }

int64_t SqliteStore::CountEntries(const std::string& name) {
  const std::string operation = "Store.CountEntries";
  CheckName(name, operation);
  Statement count = db_->Prepare("SELECT count(*) FROM main.\"k_" + name + "\"");
  count.Step(operation, name);
  return count.Int(0);
}

void SqliteStore::HoldWriteLock() { BeginWrite("Store.HoldWriteLock", db_->path().string()); }

void SqliteStore::ReadConsistently(const std::function<void()>& read) {
  if (db_->InTransaction()) return read();
  const std::string operation = "Store.ReadConsistently";
  StopWalks();
  db_->Exec("BEGIN DEFERRED", operation);
  try {
    read();
  } catch (...) {
    StopWalks();
    db_->RollbackWrite();
    throw;
  }
  StopWalks();
  db_->Exec("COMMIT", operation);
}

int32_t SqliteStore::RecordLength(const std::string& name) {
  const std::string operation = "Store.RecordLength";
  CheckName(name, operation);
  Statement catalog = db_->Prepare("SELECT record_length FROM record_files WHERE name = ?");
  catalog.BindText(1, name);
  return catalog.Step(operation, name) ? static_cast<int32_t>(catalog.Int(0)) : 0;
}

void SqliteStore::ScanRecords(const std::string& name,
                              const std::function<void(int32_t, std::string_view)>& each,
                              const std::function<void(int32_t, std::string_view)>& damaged) {
  const std::string operation = "Store.ScanRecords";
  if (RecordLength(name) == 0) return;
  Statement all = db_->Prepare("SELECT num, data, sum FROM main.\"r_" + name + "\" ORDER BY num");
  while (all.Step(operation, name))
    files_.Scanned(name, static_cast<int32_t>(all.Int(0)), all.View(1), !all.IsNull(2),
                   static_cast<int32_t>(all.Int(2)), each, damaged, operation);
}

namespace {

// The kind of key file `name` ("" when it was never made).
std::string KeyKind(CompanyDatabase& db, const std::string& name, const std::string& operation) {
  CheckName(name, operation);
  Statement catalog = db.Prepare("SELECT kind FROM key_files WHERE name = ?");
  catalog.BindText(1, name);
  return catalog.Step(operation, name) ? catalog.Bytes(0) : "";
}

}  // namespace

void SqliteStore::ScanKeys(const std::string& name,
                           const std::function<void(std::string_view, int32_t)>& each) {
  const std::string operation = "Store.ScanKeys";
  if (KeyKind(*db_, name, operation).empty()) return;
  Statement all = db_->Prepare("SELECT key, num FROM main.\"k_" + name + "\" ORDER BY key, seq");
  while (all.Step(operation, name)) each(all.View(0), static_cast<int32_t>(all.Int(1)));
}

void SqliteStore::RebuildKeys(const std::string& name,
                              const std::vector<std::pair<std::string, int32_t>>& entries) {
  const std::string operation = "Store.RebuildKeys";
  const std::string kind = KeyKind(*db_, name, operation);
  if (kind.empty()) throw HostError(operation, name, "ce fichier de clés n'existe pas");
  BeginWrite(operation, name);
  for (const auto& [handle, keys] : files_.keys) {
    if (keys->name == name) keys->Changed();
  }
  StopWalks();
  Savepoint savepoint(*savepoint_, operation, name);
  const std::string table = "main.\"k_" + name + "\"";
  db_->Exec("DELETE FROM " + table, operation);
  Statement insert = db_->Prepare("INSERT INTO " + table + "(key, seq, num) VALUES(?, ?, ?)");
  std::unordered_map<std::string, int64_t> seqs;
  for (const auto& [key, number] : entries) {
    const int64_t seq = kind == "P" ? 0 : ++seqs[key];
    insert.BindBlob(1, key).Bind(2, seq).Bind(3, number).Run(operation, name);
  }
  savepoint.Release();
}

// ---------------------------------------------------------------------------------------
// Record files

void SqliteStore::OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                                 HostComponent& component) {
  CheckRecordFile(name, recordLength);
  if (const int16_t opened = files_.Reopen(name, recordLength, component); opened != 0) {
    handle = opened;
    return;
  }

  auto records = std::make_unique<RecordTable>(name, recordLength, component);
  const std::string table = "\"r_" + name + "\"";

  Statement catalog = db_->Prepare("SELECT record_length FROM record_files WHERE name = ?");
  catalog.BindText(1, name);
  if (!catalog.Step(kOpenRecord, name)) {
    // Made on first use; another program may be making it at the same moment, hence the
    // IGNORE, and the catalog read again inside the write transaction.
    catalog.Reset();
    BeginWrite(kOpenRecord, name);
    Statement add =
        db_->Prepare("INSERT OR IGNORE INTO record_files(name, record_length) VALUES(?, ?)");
    add.BindText(1, name).Bind(2, recordLength).Run(kOpenRecord, name);
    db_->Exec("CREATE TABLE IF NOT EXISTS " + table + CompanyDatabase::kRecordColumns, kOpenRecord);
    catalog.BindText(1, name);
    catalog.Step(kOpenRecord, name);
  }
  const int64_t stored = catalog.Int(0);
  catalog.Reset();
  if (stored != recordLength)
    throw HostError(
        kOpenRecord, name,
        "le fichier existe avec une longueur d'enregistrement de " + std::to_string(stored));

  records->highest = db_->Prepare(
      "SELECT max(coalesce((SELECT last_number FROM record_files WHERE name = ?), 0),"
      " coalesce((SELECT max(num) FROM " +
      table + "), 0))");
  records->select = db_->Prepare("SELECT data, sum FROM " + table + " WHERE num = ?");
  records->upsert =
      db_->Prepare("INSERT OR REPLACE INTO " + table + "(num, data, sum) VALUES(?, ?, ?)");
  records->remove = db_->Prepare("DELETE FROM " + table + " WHERE num = ?");
  handle = files_.NewHandle(kOpenRecord, name);
  files_.AddRecordFile(handle, std::move(records));
}

bool SqliteStore::TryFetch(RecordTable& records, int32_t number, std::string& text,
                           const std::string& operation) {
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
  return true;
}

std::string SqliteStore::Fetch(RecordTable& records, int32_t number, const std::string& operation) {
  std::string text;
  if (!TryFetch(records, number, text, operation)) RefuseMissing(records, number, operation);
  return text;
}

void SqliteStore::RefuseMissing(RecordTable& records, int32_t number,
                                const std::string& operation) {
  files_.RefuseMissing(records, number, operation, [this](KeyTable& keys, const std::string& key) {
    return KeyHeld(keys, key);
  });
}

bool SqliteStore::KeyHeld(KeyTable& keys, const std::string& key) {
  keys.find.BindBlob(1, key);
  const bool held = keys.find.Step(kFind, keys.subject);
  keys.find.Reset();
  return held;
}

void SqliteStore::NameRecords(const std::string& name, const std::vector<int32_t>& widths) {
  files_.NameRecords(name, widths);
}

void SqliteStore::KeepRunningNumber(const std::string& name, int32_t offset, int32_t width) {
  files_.KeepRunningNumber(name, offset, width);
}

void SqliteStore::Load(RecordTable& records, int32_t number, const std::string& operation) {
  records.cached = Fetch(records, number, operation);
  records.CallRead(number);
}

void SqliteStore::Read(int16_t handle, int32_t number) {
  RecordTable& records = files_.Records(handle, kRead);
  CheckNumber(number, kRead, records.subject);
  Load(records, number, kRead);
}

void SqliteStore::ReadText(int16_t handle, int32_t number, std::string& text) {
  RecordTable& records = files_.Records(handle, kReadText);
  CheckNumber(number, kReadText, records.subject);
  text = records.Padded(records.cachedNumber == number ? records.cached
                                                       : Fetch(records, number, kReadText));
}

void SqliteStore::WriteText(int16_t handle, int32_t number, const std::string& text) {
  RecordTable& records = files_.Records(handle, kWriteText);
  CheckNumber(number, kWriteText, records.subject);
  records.CheckText(text);
  BeginWrite(kWriteText, records.subject);
  RefreshNumbering(records, kWriteText);
  if (records.cachedNumber == number) records.Forget();
  std::string stored;
  const bool keep = records.runningWidth > 0 && number <= records.lastNumber &&
                    TryFetch(records, number, stored, kWriteText) &&
                    records.KeepsRunning(text, stored, number);
  const std::string& written = keep ? records.kept : text;
  records.upsert.Bind(1, number)
      .BindBlob(2, written)
      .Bind(3, RecordSum(number, written))
      .Run(kWriteText, records.subject);
  records.Written(number, written);
}

// ---------------------------------------------------------------------------------------
// Key files

void SqliteStore::OpenKeyFile(const std::string& name, int16_t keyLength, const std::string& kind,
                              int16_t& handle) {
  CheckKeyFile(name, keyLength, kind);
  const bool temporary = name == kSortIndexName;

  int16_t reopened = 0;
  if (files_.ReopenKey(name, keyLength, kind, temporary, reopened)) {
    handle = reopened;
    return;
  }

  auto keys = std::make_unique<KeyTable>(name, keyLength, kind, temporary);
  const std::string columns =
      "(key BLOB NOT NULL, seq INTEGER NOT NULL, num INTEGER NOT NULL,"
      " PRIMARY KEY(key, seq)) WITHOUT ROWID";
  if (temporary) {
    handle = reopened != 0 ? reopened : files_.NewHandle(kOpenKey, name);
    files_.keys[handle] = std::move(keys);
    return;
  }
  {
    keys->table = "main.\"k_" + name + "\"";
    Statement catalog = db_->Prepare("SELECT key_length, kind FROM key_files WHERE name = ?");
    catalog.BindText(1, name);
    if (!catalog.Step(kOpenKey, name)) {
      // Made on first use, as a record file is (see OpenRecordFile).
      catalog.Reset();
      BeginWrite(kOpenKey, name);
      Statement add =
          db_->Prepare("INSERT OR IGNORE INTO key_files(name, key_length, kind) VALUES(?, ?, ?)");
      add.BindText(1, name).Bind(2, keyLength).BindText(3, kind).Run(kOpenKey, name);
      db_->Exec("CREATE TABLE IF NOT EXISTS " + keys->table + columns, kOpenKey);
      catalog.BindText(1, name);
      catalog.Step(kOpenKey, name);
    }
    const int64_t length = catalog.Int(0);
    const std::string storedKind = catalog.Bytes(1);
    catalog.Reset();
    if (length != keyLength || storedKind != kind)
      throw HostError(kOpenKey, name,
                      "le fichier existe avec le type " + storedKind + " et la longueur " +
                          std::to_string(length));
  }

  const std::string& t = keys->table;
  keys->find = db_->Prepare("SELECT num FROM " + t + " WHERE key = ? ORDER BY seq LIMIT 1");
  keys->insert = db_->Prepare(
      keys->unique() ? "INSERT INTO " + t + "(key, seq, num) VALUES(?1, 0, ?2)"
                     : "INSERT INTO " + t +
                           "(key, seq, num) VALUES(?1, (SELECT coalesce(max(seq), 0) + 1 FROM " +
                           t + " WHERE key = ?1), ?2)");
  keys->removeOne =
      db_->Prepare("DELETE FROM " + t + " WHERE key = ?1 AND seq = (SELECT seq FROM " + t +
                   " WHERE key = ?1 AND num = ?2 ORDER BY seq LIMIT 1)");
  keys->clear = db_->Prepare("DELETE FROM " + t);
  keys->first = db_->Prepare("SELECT key, seq, num FROM " + t + " ORDER BY key, seq");
  keys->next = db_->Prepare("SELECT key, seq, num FROM " + t +
                            " WHERE (key, seq) > (?, ?) ORDER BY key, seq");
  keys->range =
      db_->Prepare("SELECT num FROM " + t + " WHERE key >= ? AND key < ? ORDER BY key, seq");
  keys->rangeFrom = db_->Prepare("SELECT num FROM " + t + " WHERE key >= ? ORDER BY key, seq");
  keys->count = db_->Prepare("SELECT count(*) FROM " + t + " WHERE key >= ? AND key < ?");
  keys->countFrom = db_->Prepare("SELECT count(*) FROM " + t + " WHERE key >= ?");
  handle = reopened != 0 ? reopened : files_.NewHandle(kOpenKey, name);
  files_.keys[handle] = std::move(keys);
}

bool SqliteStore::Find(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyTable& keys = files_.Keys(keyHandle, kFind);
  RecordTable& records = files_.Records(recordHandle, kFind);
  if (keys.temporary) {
    const auto it = keys.memory.Find(key, 0);
    if (it == keys.memory.end()) return false;
    Load(records, it->second, kFind);
    return true;
  }
  keys.find.BindBlob(1, key);
  if (!keys.find.Step(kFind, keys.subject)) {
    keys.find.Reset();
    return false;
  }
  const auto number = static_cast<int32_t>(keys.find.Int(0));
  keys.find.Reset();
  Load(records, number, kFind);
  keys.Saw(&records, key, number, records.cached);
  return true;
}

int32_t SqliteStore::Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyTable& keys = files_.Keys(keyHandle, kInsert);
  RecordTable& records = files_.Records(recordHandle, kInsert);
  keys.CheckKey(key, kInsert);
  BeginWrite(kInsert, keys.subject);
  RefreshNumbering(records, kInsert);
  if (records.lastNumber >= kMaxNumber)
    throw HostError(kInsert, records.subject, "plus aucun numéro d'enregistrement disponible");
  const auto number = static_cast<int32_t>(records.lastNumber + 1);
  try {
    Savepoint savepoint(*savepoint_, kInsert, keys.subject);
    if (!records.CallWrite(number))
      throw HostError(kInsert, keys.subject,
                      records.writeOperation + " n'a pas écrit l'enregistrement");
    keys.Changed();
    if (keys.temporary) {
      keys.MemoryAdd(key, number, kInsert);
    } else {
      try {
        keys.insert.BindBlob(1, key).Bind(2, number).Run(kInsert, keys.subject);
      } catch (const HostError& error) {
        if (keys.unique() && error.cause() == SqliteCause(SQLITE_CONSTRAINT))
          throw StoreConflict(StoreConflict::Kind::kKeyTaken, kInsert, keys.name, key);
        throw;
      }
    }
    savepoint.Release();
  } catch (...) {
    records.Forget();  // the cached text may be of the record just rolled back
    StopWalks();       // and no query runs on across a rollback
    throw;
  }
  if (!keys.temporary) keys.Saw(&records, key, number, records.lastText);
  return number;
}

void SqliteStore::AddKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyTable& keys = files_.Keys(keyHandle, kAddKey);
  keys.CheckKey(key, kAddKey);
  CheckNumber(number, kAddKey, keys.subject);
  if (keys.temporary) return keys.MemoryAdd(key, number, kAddKey);
  BeginWrite(kAddKey, keys.subject);
  keys.Changed();
  keys.insert.BindBlob(1, key).Bind(2, number).Run(kAddKey, keys.subject);
}

void SqliteStore::Delete(int16_t keyHandle, const std::string& key, int32_t number,
                         int16_t recordHandle) {
  KeyTable& keys = files_.Keys(keyHandle, kDelete);
  RecordTable& records = files_.Records(recordHandle, kDelete);
  CheckNumber(number, kDelete, records.subject);
  BeginWrite(kDelete, keys.subject);
  files_.CheckUnchanged(
      records, keys, key, number, kDelete,
      [&](std::string& stored) { return TryFetch(records, number, stored, kDelete); },
      [&] { RefuseMissing(records, number, kDelete); });
  keys.Changed();
  if (records.cachedNumber == number) records.Forget();
  try {
    Savepoint savepoint(*savepoint_, kDelete, keys.subject);
    int entries = 0;
    if (keys.temporary) {
      entries = keys.memory.Remove(key, number) ? 1 : 0;
    } else {
      keys.removeOne.BindBlob(1, key).Bind(2, number).Run(kDelete, keys.subject);
      entries = sqlite3_changes(db_->handle());
    }
    records.remove.Bind(1, number).Run(kDelete, records.subject);
    const int removed = sqlite3_changes(db_->handle());
    if (entries == 0 && removed == 0)
      throw HostError(kDelete, keys.subject,
                      "ni la clé ni l'enregistrement " + std::to_string(number) + " n'existent");
    savepoint.Release();
  } catch (...) {
    StopWalks();
    throw;
  }
  files_.Unsee(&records, number);
}

void SqliteStore::RemoveKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyTable& keys = files_.Keys(keyHandle, kRemoveKey);
  if (keys.temporary) {
    keys.memory.Remove(key, number);
    return;
  }
  BeginWrite(kRemoveKey, keys.subject);
  keys.Changed();
  keys.removeOne.BindBlob(1, key).Bind(2, number).Run(kRemoveKey, keys.subject);
}

void SqliteStore::Clear(int16_t keyHandle) {
  KeyTable& keys = files_.Keys(keyHandle, kClear);
  if (keys.temporary) return keys.memory.Clear();
  BeginWrite(kClear, keys.subject);
  keys.Changed();
  keys.clear.Run(kClear, keys.subject);
}

bool SqliteStore::Step(KeyTable& keys, int16_t recordHandle, bool fromStart, std::string& key,
                       const std::string& operation) {
  RecordTable& records = files_.Records(recordHandle, operation);
  keys.CheckWalk(fromStart, operation);
  if (keys.temporary) {
    int32_t number = 0;
    if (!keys.MemoryStep(fromStart, key, number)) return false;
    Load(records, number, operation);
    return true;
  }
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
  if (!row) {
    keys.StopWalk();
    if (fromStart) keys.walk = KeyTable::Walk::kBeforeFirst;
    key.clear();
    return false;
  }
  keys.walkKey = keys.live->Bytes(0);
  keys.walkSeq = keys.live->Int(1);
  const auto number = static_cast<int32_t>(keys.live->Int(2));
  keys.walk = KeyTable::Walk::kAt;
  key = keys.walkKey;
  Load(records, number, operation);
  return true;
}

void SqliteStore::StopWalks() {
  for (const auto& [handle, keys] : files_.keys) keys->StopWalk();
}

bool SqliteStore::First(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(files_.Keys(keyHandle, kFirst), recordHandle, true, key, kFirst);
}

bool SqliteStore::Next(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(files_.Keys(keyHandle, kNext), recordHandle, false, key, kNext);
}

std::string SqliteStore::ListPrefix(int16_t keyHandle, const std::string& prefix) {
  KeyTable& keys = files_.Keys(keyHandle, kListPrefix);
  if (keys.temporary) return keys.memory.ListPrefix(prefix);
  const std::string end = PrefixEnd(prefix);
  Statement& query = end.empty() ? keys.rangeFrom : keys.range;
  query.BindBlob(1, prefix);
  if (!end.empty()) query.BindBlob(2, end);
  std::string list = "[";
  bool any = false;
  while (query.Step(kListPrefix, keys.subject)) {
    if (any) list += ',';
    list += std::to_string(query.Int(0));
    any = true;
  }
  query.Reset();
  return list + "]";
}

int32_t SqliteStore::CountPrefix(int16_t keyHandle, const std::string& prefix, int32_t listed,
                                 std::string& first) {
  KeyTable& keys = files_.Keys(keyHandle, kCountPrefix);
  if (keys.temporary) return keys.memory.CountPrefix(prefix, listed, first);
  const std::string end = PrefixEnd(prefix);
  // The first few through the ordered range, stepped no further than needed.
  Statement& range = end.empty() ? keys.rangeFrom : keys.range;
  range.BindBlob(1, prefix);
  if (!end.empty()) range.BindBlob(2, end);
  first = "[";
  for (int32_t i = 0; i < listed && range.Step(kCountPrefix, keys.subject); ++i)
    first += (i > 0 ? "," : "") + std::to_string(range.Int(0));
  range.Reset();
  first += "]";
  Statement& count = end.empty() ? keys.countFrom : keys.count;
  count.BindBlob(1, prefix);
  if (!end.empty()) count.BindBlob(2, end);
  count.Step(kCountPrefix, keys.subject);
  const auto total = static_cast<int32_t>(count.Int(0));
  count.Reset();
  return total;
}

void SqliteStore::CloseKeyFile(int16_t keyHandle) {
  const auto it = files_.keys.find(keyHandle);
  if (it == files_.keys.end()) RefuseHandle(keyHandle, kClose, kNotKeyFile);
  files_.keys.erase(it);
}

}  // namespace actifix::platform
