#include "platform/store/KeyedStore.h"

#include <utility>

#include "host/HostError.h"
#include "platform/store/StoreServices.h"

namespace actifix::platform {

using namespace storefiles;  // the host calls' names and checks

KeyedStore::KeyedStore(std::unique_ptr<StoreDatabase> database, std::filesystem::path textDirectory,
                       bool makeDirectory)
    : db_(std::move(database)), files_(std::move(textDirectory), makeDirectory) {}

std::unique_ptr<HostRecordFile> KeyedStore::MakeRecordFile() {
  return std::make_unique<StoreRecordFile>(*this);
}

std::unique_ptr<HostKeyedFile> KeyedStore::MakeKeyedFile() {
  return std::make_unique<StoreKeyedFile>(*this);
}

std::string KeyedStore::YearOpened(const std::string& yearStart) {
  return db_->YearOpened(yearStart);
}

void KeyedStore::MarkYearOpened(const std::string& yearStart, const std::string& when) {
  db_->MarkYearOpened(yearStart, when);
}

void KeyedStore::BeginWrite(const std::string& operation, const std::string& subject) {
  if (failAtWrite_ > 0 && --failAtWrite_ == 0)
    throw HostError(ErrorKind::kIo, operation, subject, "panne d'écriture simulée");
  if (db_->InTransaction()) return;
  StopWalks();  // reads older than the transaction may miss another program's last commit
  BeginTransaction(operation, subject);
}

void KeyedStore::RefreshNumbering(RecordFile& records, const std::string& operation) {
  if (records.numberGeneration == db_->writeGeneration()) return;
  records.lastNumber = ReadLastNumber(records, operation);
  records.numberGeneration = db_->writeGeneration();
  records.lastNumberChanged = false;
}

void KeyedStore::Commit() {
  bool numbersChanged = false;
  for (const auto& [handle, records] : files_.records) numbersChanged |= records->lastNumberChanged;
  for (const auto& [handle, keys] : files_.keys) numbersChanged |= keys->seqChanged;
  if (numbersChanged) {
    // The numbering goes with the records it numbered, in the same transaction.
    BeginWrite(kCommit, db_->subject());
    for (const auto& [handle, records] : files_.records)
      if (records->lastNumberChanged) SaveLastNumber(*records);
    for (const auto& [handle, keys] : files_.keys)
      if (keys->seqChanged) SaveLastSeq(*keys);
  }
  StopWalks();  // a walk goes on after the commit from its place, seeing others' commits
  try {
    db_->CommitWrite(kCommit);
  } catch (...) {
    // A failed commit may have rolled back: the numbering is read again by the next write.
    for (const auto& [handle, records] : files_.records) records->numberGeneration = 0;
    for (const auto& [handle, keys] : files_.keys) keys->seqGeneration = 0;
    throw;
  }
  for (const auto& [handle, records] : files_.records) records->lastNumberChanged = false;
  for (const auto& [handle, keys] : files_.keys) keys->seqChanged = false;
  files_.texts.Flush(kCommit);
}

void KeyedStore::Rollback() {
  StopWalks();
  DropPending();
  db_->RollbackWrite();
  for (const auto& [handle, records] : files_.records) {
    records->numberGeneration = 0;  // read again by the next write
    records->lastNumberChanged = false;
  }
  for (const auto& [handle, keys] : files_.keys) {
    keys->seqGeneration = 0;
    keys->seqChanged = false;
  }
}

void KeyedStore::StopWalks() {
  for (const auto& [handle, keys] : files_.keys) keys->StopWalk();
  for (const auto& [handle, records] : files_.records) records->StopReading();
}

void KeyedStore::CloseTextFiles() { files_.texts.CloseAll(kCommit); }

int64_t KeyedStore::CountEntries(const std::string& name) {
  const std::string operation = "Store.CountEntries";
  CheckName(name, operation);
  return CountRows(name, operation);
}

void KeyedStore::HoldWriteLock() { BeginWrite("Store.HoldWriteLock", db_->subject()); }

void KeyedStore::ReadConsistently(const std::function<void()>& read) {
  if (db_->InTransaction()) return read();
  const std::string operation = "Store.ReadConsistently";
  StopWalks();
  db_->BeginRead(operation);
  try {
    read();
  } catch (...) {
    StopWalks();
    db_->RollbackWrite();
    throw;
  }
  StopWalks();
  db_->CommitWrite(operation);
}

int32_t KeyedStore::RecordLength(const std::string& name) {
  const std::string operation = "Store.RecordLength";
  CheckName(name, operation);
  return StoredRecordLength(name, operation);
}

void KeyedStore::ScanRecords(const std::string& name,
                             const std::function<void(int32_t, std::string_view)>& each,
                             const std::function<void(int32_t, std::string_view)>& damaged) {
  const std::string operation = "Store.ScanRecords";
  if (RecordLength(name) == 0) return;
  ScanRecordRows(name, operation,
                 [&](int32_t number, std::string_view bytes, bool hasSum, int32_t sum) {
                   files_.Scanned(name, number, bytes, hasSum, sum, each, damaged, operation);
                 });
}

std::string KeyedStore::KeyKind(const std::string& name, const std::string& operation) {
  CheckName(name, operation);
  int64_t length = 0;
  std::string kind;
  return StoredKeyFile(name, operation, length, kind) ? kind : "";
}

void KeyedStore::ScanKeys(const std::string& name,
                          const std::function<void(std::string_view, int32_t)>& each) {
  const std::string operation = "Store.ScanKeys";
  if (KeyKind(name, operation).empty()) return;
  ScanKeyRows(name, operation, each);
}

void KeyedStore::RebuildKeys(const std::string& name,
                             const std::vector<std::pair<std::string, int32_t>>& entries) {
  const std::string operation = "Store.RebuildKeys";
  const std::string kind = KeyKind(name, operation);
  if (kind.empty())
    throw HostError(ErrorKind::kNotFound, operation, name, "ce fichier de clés n'existe pas");
  BeginWrite(operation, name);
  for (const auto& [handle, keys] : files_.keys) {
    if (keys->name == name) keys->Changed();
  }
  StopWalks();
  ReplaceKeys(name, kind, entries, operation);
  for (const auto& [handle, keys] : files_.keys) {
    if (keys->name == name) keys->seqGeneration = 0;  // read again, past the new entries
  }
}

void KeyedStore::NameRecords(const std::string& name, const std::vector<int32_t>& widths) {
  files_.NameRecords(name, widths);
}

void KeyedStore::KeepRunningNumber(const std::string& name, int32_t offset, int32_t width) {
  files_.KeepRunningNumber(name, offset, width);
}

// ---------------------------------------------------------------------------------------
// Record files

void KeyedStore::OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                                HostComponent& component) {
  CheckRecordFile(name, recordLength);
  if (const int16_t opened = files_.Reopen(name, recordLength, component); opened != 0) {
    handle = opened;
    return;
  }
  int32_t stored = StoredRecordLength(name, kOpenRecord);
  if (stored == 0) {
    // Made on first use, under the write lock; another program may be making it at the same
    // moment, hence the catalog read again inside the write transaction.
    BeginWrite(kOpenRecord, name);
    CreateRecordTable(name, recordLength);
    stored = StoredRecordLength(name, kOpenRecord);
  }
  if (stored != recordLength)
    throw HostError(
        ErrorKind::kInvalidInput, kOpenRecord, name,
        "le fichier existe avec une longueur d'enregistrement de " + std::to_string(stored));
  auto records = OpenRecordTable(name, recordLength, component);
  handle = files_.NewHandle(kOpenRecord, name);
  files_.AddRecordFile(handle, std::move(records));
}

std::string KeyedStore::Fetch(RecordFile& records, int32_t number, const std::string& operation) {
  std::string text;
  if (!FetchRecord(records, number, text, operation)) RefuseMissing(records, number, operation);
  return text;
}

void KeyedStore::RefuseMissing(RecordFile& records, int32_t number, const std::string& operation) {
  files_.RefuseMissing(records, number, operation, [&](KeyFile& keys, const std::string& key) {
    return KeyHeld(keys, records, key);
  });
}

void KeyedStore::Load(RecordFile& records, int32_t number, const std::string* text, bool known,
                      const std::string& operation) {
  if (!known) {
    records.cached = Fetch(records, number, operation);
  } else if (text == nullptr) {
    throw HostError(ErrorKind::kNotFound, operation, records.subject, RecordNumberCause(number));
  } else if (text != &records.cached) {
    records.cached = *text;
  }
  records.CallRead(number);
}

void KeyedStore::Read(int16_t handle, int32_t number) {
  RecordFile& records = files_.Records(handle, kRead);
  CheckNumber(number, kRead, records.subject);
  Load(records, number, nullptr, false, kRead);
}

void KeyedStore::ReadText(int16_t handle, int32_t number, std::string& text) {
  RecordFile& records = files_.Records(handle, kReadText);
  CheckNumber(number, kReadText, records.subject);
  text = records.Padded(records.cachedNumber == number ? records.cached
                                                       : Fetch(records, number, kReadText));
}

void KeyedStore::WriteText(int16_t handle, int32_t number, const std::string& text) {
  RecordFile& records = files_.Records(handle, kWriteText);
  CheckNumber(number, kWriteText, records.subject);
  records.CheckText(text);
  BeginWrite(kWriteText, records.subject);
  RefreshNumbering(records, kWriteText);
  if (records.cachedNumber == number) records.Forget();
  // A running number never lowered: the stored record, as this transaction knows it.
  std::string stored;
  const bool keep = records.runningWidth > 0 && number <= records.lastNumber &&
                    FetchRecord(records, number, stored, kWriteText) &&
                    records.KeepsRunning(text, stored, number);
  const std::string& written = keep ? records.kept : text;
  PutRecord(records, number, written);
  records.Written(number, written);
}

// ---------------------------------------------------------------------------------------
// Key files

void KeyedStore::OpenKeyFile(const std::string& name, int16_t keyLength, const std::string& kind,
                             int16_t& handle) {
  CheckKeyFile(name, keyLength, kind);
  const bool temporary = name == kSortIndexName;
  int16_t reopened = 0;
  if (files_.ReopenKey(name, keyLength, kind, temporary, reopened)) {
    handle = reopened;
    return;
  }
  if (!temporary) {
    int64_t length = 0;
    std::string storedKind;
    if (!StoredKeyFile(name, kOpenKey, length, storedKind)) {
      // Made on first use, as a record file is (see OpenRecordFile).
      BeginWrite(kOpenKey, name);
      CreateKeyTable(name, keyLength, kind);
      StoredKeyFile(name, kOpenKey, length, storedKind);
    }
    if (length != keyLength || storedKind != kind)
      throw HostError(ErrorKind::kInvalidInput, kOpenKey, name,
                      "le fichier existe avec le type " + storedKind + " et la longueur " +
                          std::to_string(length));
  }
  auto keys = OpenKeyTable(name, keyLength, kind, temporary);
  handle = reopened != 0 ? reopened : files_.NewHandle(kOpenKey, name);
  files_.keys[handle] = std::move(keys);
}

bool KeyedStore::Find(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyFile& keys = files_.Keys(keyHandle, kFind);
  RecordFile& records = files_.Records(recordHandle, kFind);
  if (keys.temporary) {
    const auto it = keys.memory.Find(key, 0);
    if (it == keys.memory.end()) return false;
    Load(records, keys.memory.NumberAt(it), nullptr, false, kFind);
    return true;
  }
  Located at;
  if (!LookUp(keys, records, key, at)) return false;
  Load(records, at.number, at.text, at.known, kFind);
  // Remembered as found, for the check of a later delete.
  keys.Saw(&records, key, at.number, at.text != nullptr ? *at.text : records.cached);
  return true;
}

int32_t KeyedStore::Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyFile& keys = files_.Keys(keyHandle, kInsert);
  RecordFile& records = files_.Records(recordHandle, kInsert);
  keys.CheckKey(key, kInsert);
  BeginWrite(kInsert, keys.subject);
  RefreshNumbering(records, kInsert);
  if (records.lastNumber >= kMaxNumber)
    throw HostError(kInsert, records.subject, "plus aucun numéro d'enregistrement disponible");
  const auto number = static_cast<int32_t>(records.lastNumber + 1);
  BeginHostCall(kInsert, keys.subject);
  try {
    if (!records.CallWrite(number))
      throw HostError(kInsert, keys.subject,
                      records.writeOperation + " n'a pas écrit l'enregistrement");
    keys.Changed();
    if (keys.temporary)
      keys.MemoryAdd(key, number, kInsert);
    else
      PutKey(keys, key, number, kInsert);
    EndHostCall(kInsert, keys.subject);
  } catch (...) {
    records.Forget();  // the cached text may be of the record just undone
    StopWalks();       // and nothing read ahead goes on across it
    UndoHostCall(kInsert, keys.subject);
    throw;
  }
  if (!Gathering() && !keys.temporary) keys.Saw(&records, key, number, records.lastText);
  return number;
}

void KeyedStore::AddKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyFile& keys = files_.Keys(keyHandle, kAddKey);
  keys.CheckKey(key, kAddKey);
  CheckNumber(number, kAddKey, keys.subject);
  if (keys.temporary) return keys.MemoryAdd(key, number, kAddKey);
  BeginWrite(kAddKey, keys.subject);
  keys.Changed();
  PutKey(keys, key, number, kAddKey);
}

void KeyedStore::Delete(int16_t keyHandle, const std::string& key, int32_t number,
                        int16_t recordHandle) {
  KeyFile& keys = files_.Keys(keyHandle, kDelete);
  RecordFile& records = files_.Records(recordHandle, kDelete);
  CheckNumber(number, kDelete, records.subject);
  BeginWrite(kDelete, keys.subject);
  files_.CheckUnchanged(
      records, keys, key, number, kDelete,
      [&](std::string& stored) { return FetchRecord(records, number, stored, kDelete); },
      [&] { RefuseMissing(records, number, kDelete); });
  keys.Removing(key, number);
  if (records.cachedNumber == number) records.Forget();
  bool any = false;
  try {
    any = RemoveRecord(keys, records, key, number);
  } catch (...) {
    StopWalks();
    throw;
  }
  if (keys.temporary && keys.memory.Remove(key, number)) any = true;
  if (!any)
    throw HostError(ErrorKind::kNotFound, kDelete, keys.subject,
                    "ni la clé ni l'enregistrement " + std::to_string(number) + " n'existent");
  files_.Unsee(&records, number);
}

void KeyedStore::RemoveKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyFile& keys = files_.Keys(keyHandle, kRemoveKey);
  if (keys.temporary) {
    keys.memory.Remove(key, number);
    return;
  }
  BeginWrite(kRemoveKey, keys.subject);
  keys.Removing(key, number);
  RemoveEntry(keys, key, number);
}

void KeyedStore::Clear(int16_t keyHandle) {
  KeyFile& keys = files_.Keys(keyHandle, kClear);
  if (keys.temporary) return keys.memory.Clear();
  BeginWrite(kClear, keys.subject);
  keys.Changed();
  ClearEntries(keys);
}

bool KeyedStore::Step(KeyFile& keys, int16_t recordHandle, bool fromStart, std::string& key,
                      const std::string& operation) {
  RecordFile& records = files_.Records(recordHandle, operation);
  keys.CheckWalk(fromStart, operation);
  Located at;
  if (keys.temporary) {
    if (!keys.MemoryStep(fromStart, key, at.number)) return false;
  } else if (!StepWalk(keys, records, fromStart, operation, at)) {
    keys.StopWalk();  // at the end: the next Next asks again, for what was added since
    if (fromStart) keys.walk = KeyFile::Walk::kBeforeFirst;
    key.clear();
    return false;
  } else {
    keys.walk = KeyFile::Walk::kAt;
    key = keys.walkKey;
  }
  Load(records, at.number, at.text, at.known, operation);
  return true;
}

bool KeyedStore::First(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(files_.Keys(keyHandle, kFirst), recordHandle, true, key, kFirst);
}

bool KeyedStore::Next(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(files_.Keys(keyHandle, kNext), recordHandle, false, key, kNext);
}

std::string KeyedStore::ListPrefix(int16_t keyHandle, const std::string& prefix) {
  KeyFile& keys = files_.Keys(keyHandle, kListPrefix);
  if (keys.temporary) return keys.memory.ListPrefix(prefix);
  std::string list = "[";
  ScanPrefix(keys, prefix, PrefixEnd(prefix), -1, kListPrefix, [&](int64_t number) {
    if (list.size() > 1) list += ',';
    list += std::to_string(number);
  });
  return list + "]";
}

int32_t KeyedStore::CountPrefix(int16_t keyHandle, const std::string& prefix, int32_t listed,
                                std::string& first) {
  KeyFile& keys = files_.Keys(keyHandle, kCountPrefix);
  if (keys.temporary) return keys.memory.CountPrefix(prefix, listed, first);
  const std::string end = PrefixEnd(prefix);
  first = "[";
  // The first few through the ordered range, read no further than needed.
  if (listed > 0) {
    ScanPrefix(keys, prefix, end, listed, kCountPrefix, [&](int64_t number) {
      if (first.size() > 1) first += ',';
      first += std::to_string(number);
    });
  }
  first += "]";
  return static_cast<int32_t>(CountRange(keys, prefix, end));
}

void KeyedStore::CloseKeyFile(int16_t keyHandle) {
  const auto it = files_.keys.find(keyHandle);
  if (it == files_.keys.end()) RefuseHandle(keyHandle, kClose, kNotKeyFile);
  if (!it->second->temporary) {
    try {
      ClosingKeys(*it->second);
    } catch (...) {
      files_.keys.erase(it);
      throw;
    }
  }
  files_.keys.erase(it);
}

}  // namespace actifix::platform
