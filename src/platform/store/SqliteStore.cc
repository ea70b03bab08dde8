#include "platform/store/SqliteStore.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {

namespace {

// Operation names, built once: they name the failing host call in every HostError.
const std::string kOpenRecord = "HostRecordFile.Open";
const std::string kRead = "HostRecordFile.Read";
const std::string kWrite = "HostRecordFile.Write";
const std::string kReadText = "HostRecordFile.ReadText";
const std::string kWriteText = "HostRecordFile.WriteText";
const std::string kLastNumber = "HostRecordFile.LastRecordNumber";
const std::string kCreateText = "HostRecordFile.CreateText";
const std::string kWriteLine = "HostRecordFile.WriteLine";
const std::string kOpenKey = "HostKeyedFile.Open";
const std::string kFind = "HostKeyedFile.Find";
const std::string kInsert = "HostKeyedFile.Insert";
const std::string kAddKey = "HostKeyedFile.AddKey";
const std::string kDelete = "HostKeyedFile.Delete";
const std::string kRemoveKey = "HostKeyedFile.RemoveKey";
const std::string kClear = "HostKeyedFile.Clear";
const std::string kFirst = "HostKeyedFile.First";
const std::string kNext = "HostKeyedFile.Next";
const std::string kListPrefix = "HostKeyedFile.ListPrefix";
const std::string kClose = "HostKeyedFile.Close";
const std::string kCommit = "Store.Commit";

constexpr int32_t kMaxNumber = std::numeric_limits<int32_t>::max();

// File names become table names: letters, digits and "_" only, so that nothing from the
// module can reach SQL text.
void CheckName(const std::string& name, const std::string& operation) {
  const bool ok =
      !name.empty() && name.size() <= 40 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
      });
  if (!ok)
    throw HostError(operation, ToUtf8(name),
                    "nom de fichier invalide (lettres, chiffres et _ seulement)");
}

std::string RecordNumberCause(int32_t number) {
  return "l'enregistrement " + std::to_string(number) + " n'existe pas";
}

void CheckNumber(int32_t number, const std::string& operation, const std::string& subject) {
  if (number < 1)
    throw HostError(operation, subject,
                    "numéro d'enregistrement invalide : " + std::to_string(number));
}

// The smallest byte string greater than every string that starts with `prefix`, or "" when
// there is none (the prefix is empty or all 0xFF bytes).
std::string PrefixEnd(std::string prefix) {
  while (!prefix.empty() && static_cast<unsigned char>(prefix.back()) == 0xFF) prefix.pop_back();
  if (!prefix.empty())
    prefix.back() = static_cast<char>(static_cast<unsigned char>(prefix.back()) + 1);
  return prefix;
}

}  // namespace

// One record file: its table, its statements, and the record being loaded, so that the Lire
// call-back reads it without a second query. Nothing else is cached: another program may
// change the file between two host calls.
struct SqliteStore::RecordTable {
  std::string name;                           // as the module names it
  std::string subject;                        // the name in UTF-8, for errors
  std::string readOperation, writeOperation;  // "Lire"+name, "Ecrire"+name
  int32_t length = 0;
  HostComponent* component = nullptr;
  int32_t lastRead = 0;
  // The highest number the file has had, valid in write transaction `numberGeneration` only:
  // each transaction reads it afresh, since another program may have added records.
  int64_t lastNumber = 0;
  uint64_t numberGeneration = 0;
  bool lastNumberChanged = false;
  int32_t lastWritten = 0;
  int32_t cachedNumber = 0;  // the record being loaded; 0 outside a Lire call-back
  std::string cached;
  Statement select, upsert, remove, highest;

  void Forget() { cachedNumber = 0; }
  std::string Padded(std::string text) const {
    if (text.size() < static_cast<std::size_t>(length)) text.resize(length, ' ');
    return text;
  }
};

// One key file. `seq` orders the entries of one key: always 0 in a "P" file, so that the
// primary key (key, seq) refuses a second entry; in an "S" file one more than the key's
// highest, found by the insert itself so that two programs never hand out the same.
//
// The walk remembers the last entry returned (walkKey, walkSeq). While the file is not
// changed, Next keeps stepping the query that found it (`live`), which costs no new seek;
// any change to the file, a commit or a rollback ends that query, and the next Next seeks
// past the remembered entry afresh.
struct SqliteStore::KeyTable {
  enum class Walk { kNotStarted, kBeforeFirst, kAt };

  std::string name;
  std::string subject;
  int16_t length = 0;
  std::string kind;
  bool temporary = false;
  std::string table;  // qualified and quoted table name
  Walk walk = Walk::kNotStarted;
  std::string walkKey;
  int64_t walkSeq = 0;
  Statement* live = nullptr;  // first or next, still stepping, valid while version holds
  uint64_t version = 0, liveVersion = 0;
  Statement find, insert, removeOne, clear, first, next, range, rangeFrom;

  void StopWalk() {
    if (live != nullptr) live->Reset();
    live = nullptr;
  }
  // Called before every write to the file.
  void Changed() { ++version; }

  // The sort index lives in memory: entries by (key, seq), seq numbering insertions so that
  // equal keys keep their order. Nothing of it reaches the database.
  std::map<std::pair<std::string, int64_t>, int32_t> memory;
  int64_t memorySeq = 0;
  using MemoryEntry = decltype(memory)::iterator;
  // The first entry of `key` that points at `number` (any number when `number` is 0).
  MemoryEntry MemoryFind(const std::string& key, int32_t number) {
    for (auto it = memory.lower_bound({key, INT64_MIN});
         it != memory.end() && it->first.first == key; ++it)
      if (number == 0 || it->second == number) return it;
    return memory.end();
  }
  void MemoryAdd(const std::string& key, int32_t number, const std::string& operation) {
    if (unique() && MemoryFind(key, 0) != memory.end())
      throw HostError(operation, subject, "clé déjà présente");
    memory.emplace(std::pair{key, ++memorySeq}, number);
  }

  bool unique() const { return kind == "P"; }
  void CheckKey(const std::string& key, const std::string& operation) const {
    if (key.size() > static_cast<std::size_t>(length))
      throw HostError(operation, subject,
                      "clé plus longue que " + std::to_string(length) + " caractères");
  }
};

struct SqliteStore::TextFile {
  std::filesystem::path path;
  std::ofstream out;
};

// ---------------------------------------------------------------------------------------
// The two service objects: thin, they only forward to the store they were made by.

class StoreRecordFile : public HostRecordFile {
 public:
  explicit StoreRecordFile(SqliteStore& store) : store_(store) {}
  void Open(const int16_t&, const std::string& name, const int32_t& recordLength, int16_t& handle,
            HostComponent& component) override {
    store_.OpenRecordFile(name, recordLength, handle, component);
  }
  void Read(const int16_t& handle, const int32_t& number) override { store_.Read(handle, number); }
  void Write(const int16_t& handle, const int32_t& number) override {
    store_.Write(handle, number);
  }
  void ReadText(const int16_t& handle, const int32_t& number, std::string& text) override {
    store_.ReadText(handle, number, text);
  }
  void WriteText(const int16_t& handle, const int32_t& number, const std::string& text) override {
    store_.WriteText(handle, number, text);
  }
  void LastRecordNumber(const int16_t& handle, int32_t& number) override {
    number = store_.LastRecordNumber(handle);
  }
  void CreateText(const std::string& fileName, int16_t& handle) override {
    store_.CreateText(fileName, handle);
  }
  void WriteLine(const int16_t& handle, const std::string& line) override {
    store_.WriteLine(handle, line);
  }
  void Exists(const std::string& path, int16_t& flag) override {
    flag = store_.Exists(path) ? -1 : 0;
  }
  void Remove(const std::string& path) override { store_.Remove(path); }

 private:
  SqliteStore& store_;
};

class StoreKeyedFile : public HostKeyedFile {
 public:
  explicit StoreKeyedFile(SqliteStore& store) : store_(store) {}
  void Open(const int16_t&, const std::string& name, const int16_t& keyLength,
            const std::string& kind, int16_t& handle) override {
    store_.OpenKeyFile(name, keyLength, kind, handle);
  }
  void Find(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
            int16_t& found) override {
    found = store_.Find(keyHandle, key, recordHandle) ? -1 : 0;
  }
  void Insert(const int16_t& keyHandle, const std::string& key, const int16_t& recordHandle,
              int32_t& number) override {
    number = store_.Insert(keyHandle, key, recordHandle);
  }
  void AddKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    store_.AddKey(keyHandle, key, number);
  }
  void Delete(const int16_t& keyHandle, const std::string& key, const int32_t& number,
              const int16_t& recordHandle) override {
    store_.Delete(keyHandle, key, number, recordHandle);
  }
  void RemoveKey(const int16_t& keyHandle, const std::string& key, const int32_t& number) override {
    store_.RemoveKey(keyHandle, key, number);
  }
  void Clear(const int16_t& keyHandle) override { store_.Clear(keyHandle); }
  void First(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
             std::string& key) override {
    found = store_.First(keyHandle, recordHandle, key) ? -1 : 0;
  }
  void Next(const int16_t& keyHandle, const int16_t& recordHandle, int16_t& found,
            std::string& key) override {
    found = store_.Next(keyHandle, recordHandle, key) ? -1 : 0;
  }
  void ListPrefix(const int16_t& keyHandle, const std::string& prefix, std::string& list) override {
    list = store_.ListPrefix(keyHandle, prefix);
  }
  void Close(const int16_t& keyHandle) override { store_.CloseKeyFile(keyHandle); }

 private:
  SqliteStore& store_;
};

// ---------------------------------------------------------------------------------------

SqliteStore::SqliteStore(std::unique_ptr<CompanyDatabase> database)
    : db_(std::move(database)),
      dataDirectory_(db_->path().parent_path()),
      savepoint_(std::make_unique<SavepointStatements>(db_->handle(), "host_call")) {}

SqliteStore::~SqliteStore() {
  // Statements go before the transaction they read in is abandoned.
  keys_.clear();
  records_.clear();
  texts_.clear();
  savepoint_.reset();
  db_->RollbackWrite();
}

std::unique_ptr<HostRecordFile> SqliteStore::MakeRecordFile() {
  return std::make_unique<StoreRecordFile>(*this);
}

std::unique_ptr<HostKeyedFile> SqliteStore::MakeKeyedFile() {
  return std::make_unique<StoreKeyedFile>(*this);
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
  for (const auto& [handle, records] : records_) numbersChanged |= records->lastNumberChanged;
  if (numbersChanged) {
    // The numbering goes with the records it numbered, in the same transaction.
    BeginWrite(kCommit, db_->path().string());
    Statement update =
        db_->Prepare("UPDATE record_files SET last_number = ? WHERE name = ? AND last_number < ?");
    for (const auto& [handle, records] : records_) {
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
    for (const auto& [handle, records] : records_) records->numberGeneration = 0;
    throw;
  }
  for (const auto& [handle, records] : records_) records->lastNumberChanged = false;
  for (const auto& [handle, text] : texts_) {
    text->out.flush();
    if (!text->out)
      throw HostError(kCommit, text->path.string(), "impossible d'écrire dans le fichier");
  }
}

void SqliteStore::Rollback() {
  StopWalks();
  db_->RollbackWrite();
  for (const auto& [handle, records] : records_) {
    records->numberGeneration = 0;  // read again by the next write
    records->lastNumberChanged = false;
  }
}

void SqliteStore::CloseTextFiles() {
  for (auto it = texts_.begin(); it != texts_.end(); it = texts_.erase(it)) {
    TextFile& text = *it->second;
    text.out.close();
    if (!text.out)
      throw HostError(kCommit, text.path.string(), "impossible d'écrire dans le fichier");
  }
}

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
                              const std::function<void(int32_t, std::string_view)>& each) {
  const std::string operation = "Store.ScanRecords";
  if (RecordLength(name) == 0) return;
  Statement all = db_->Prepare("SELECT num, data FROM main.\"r_" + name + "\" ORDER BY num");
  while (all.Step(operation, name)) each(static_cast<int32_t>(all.Int(0)), all.View(1));
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
  for (const auto& [handle, keys] : keys_) {
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

int16_t SqliteStore::NewHandle(const std::string& operation, const std::string& subject) const {
  for (int32_t h = 1; h <= std::numeric_limits<int16_t>::max(); ++h) {
    const auto handle = static_cast<int16_t>(h);
    if (!records_.contains(handle) && !keys_.contains(handle) && !texts_.contains(handle))
      return handle;
  }
  throw HostError(operation, subject, "trop de fichiers ouverts");
}

SqliteStore::RecordTable& SqliteStore::Records(int16_t handle, const std::string& operation) {
  const auto it = records_.find(handle);
  if (it == records_.end())
    throw HostError(operation, std::to_string(handle),
                    "ce numéro ne désigne pas un fichier d'enregistrements ouvert");
  return *it->second;
}

SqliteStore::KeyTable& SqliteStore::Keys(int16_t handle, const std::string& operation) {
  const auto it = keys_.find(handle);
  if (it == keys_.end())
    throw HostError(operation, std::to_string(handle),
                    "ce numéro ne désigne pas un fichier de clés ouvert");
  return *it->second;
}

std::filesystem::path SqliteStore::Resolve(const std::string& name) const {
  const std::filesystem::path path(ToUtf8(name));  // the module's names are Windows-1252
  return path.is_absolute() ? path : dataDirectory_ / path;
}

// ---------------------------------------------------------------------------------------
// Record files

void SqliteStore::OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                                 HostComponent& component) {
  CheckName(name, kOpenRecord);
  if (recordLength < 1)
    throw HostError(kOpenRecord, name,
                    "longueur d'enregistrement invalide : " + std::to_string(recordLength));
  for (auto& [h, records] : records_) {
    if (records->name != name) continue;
    if (records->length != recordLength)
      throw HostError(kOpenRecord, name,
                      "le fichier est déjà ouvert avec une longueur d'enregistrement de " +
                          std::to_string(records->length));
    records->component = &component;
    handle = h;
    return;
  }

  auto records = std::make_unique<RecordTable>();
  records->name = name;
  records->subject = name;
  records->readOperation = "Lire" + name;
  records->writeOperation = "Ecrire" + name;
  records->length = recordLength;
  records->component = &component;
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
    db_->Exec(
        "CREATE TABLE IF NOT EXISTS " + table + "(num INTEGER PRIMARY KEY, data BLOB NOT NULL)",
        kOpenRecord);
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
  records->select = db_->Prepare("SELECT data FROM " + table + " WHERE num = ?");
  records->upsert = db_->Prepare("INSERT OR REPLACE INTO " + table + "(num, data) VALUES(?, ?)");
  records->remove = db_->Prepare("DELETE FROM " + table + " WHERE num = ?");
  handle = NewHandle(kOpenRecord, name);
  records_[handle] = std::move(records);
}

std::string SqliteStore::Fetch(RecordTable& records, int32_t number, const std::string& operation) {
  records.select.Bind(1, number);
  if (!records.select.Step(operation, records.subject)) {
    records.select.Reset();
    throw HostError(operation, records.subject, RecordNumberCause(number));
  }
  std::string text = records.select.Bytes(0);
  records.select.Reset();
  return text;
}

void SqliteStore::Load(RecordTable& records, int32_t number, const std::string& operation) {
  records.cached = Fetch(records, number, operation);
  records.cachedNumber = number;
  records.lastRead = number;
  int32_t e = number;
  try {
    records.component->CallRecordOperation(records.readOperation, e);
  } catch (...) {
    records.Forget();
    throw;
  }
  records.Forget();
}

void SqliteStore::Read(int16_t handle, int32_t number) {
  RecordTable& records = Records(handle, kRead);
  CheckNumber(number, kRead, records.subject);
  Load(records, number, kRead);
}

void SqliteStore::Write(int16_t handle, int32_t number) {
  RecordTable& records = Records(handle, kWrite);
  CheckNumber(number, kWrite, records.subject);
  records.lastWritten = 0;
  int32_t e = number;
  records.component->CallRecordOperation(records.writeOperation, e);
  if (records.lastWritten != number)
    throw HostError(
        kWrite, records.subject,
        records.writeOperation + " n'a pas écrit l'enregistrement " + std::to_string(number));
}

void SqliteStore::ReadText(int16_t handle, int32_t number, std::string& text) {
  RecordTable& records = Records(handle, kReadText);
  CheckNumber(number, kReadText, records.subject);
  text = records.Padded(records.cachedNumber == number ? records.cached
                                                       : Fetch(records, number, kReadText));
}

void SqliteStore::WriteText(int16_t handle, int32_t number, const std::string& text) {
  RecordTable& records = Records(handle, kWriteText);
  CheckNumber(number, kWriteText, records.subject);
  if (text.size() > static_cast<std::size_t>(records.length))
    throw HostError(kWriteText, records.subject,
                    "texte de " + std::to_string(text.size()) +
                        " caractères, plus long que l'enregistrement (" +
                        std::to_string(records.length) + ")");
  BeginWrite(kWriteText, records.subject);
  RefreshNumbering(records, kWriteText);
  if (records.cachedNumber == number) records.Forget();
  records.upsert.Bind(1, number).BindBlob(2, text).Run(kWriteText, records.subject);
  records.lastWritten = number;
  if (number > records.lastNumber) {
    records.lastNumber = number;
    records.lastNumberChanged = true;
  }
}

int32_t SqliteStore::LastRecordNumber(int16_t handle) {
  return Records(handle, kLastNumber).lastRead;
}

// ---------------------------------------------------------------------------------------
// Text files

void SqliteStore::CreateText(const std::string& fileName, int16_t& handle) {
  const std::filesystem::path path = Resolve(fileName);
  int16_t reused = 0;
  for (auto& [h, text] : texts_) {
    if (text->path == path) reused = h;
  }
  if (reused != 0) texts_.erase(reused);  // closes the earlier one before truncating it

  RequireIn(dataDirectory_, path, kCreateText);
  auto text = std::make_unique<TextFile>();
  text->path = path;
  text->out.open(path, std::ios::binary | std::ios::trunc);
  if (!text->out) throw HostError(kCreateText, path.string(), "impossible de créer le fichier");
  handle = reused != 0 ? reused : NewHandle(kCreateText, path.string());
  texts_[handle] = std::move(text);
}

void SqliteStore::WriteLine(int16_t handle, const std::string& line) {
  const auto it = texts_.find(handle);
  if (it == texts_.end())
    throw HostError(kWriteLine, std::to_string(handle),
                    "ce numéro ne désigne pas un fichier texte ouvert");
  TextFile& text = *it->second;
  text.out.write(line.data(), static_cast<std::streamsize>(line.size()));
  text.out.write("\r\n", 2);
  if (!text.out)
    throw HostError(kWriteLine, text.path.string(), "impossible d'écrire dans le fichier");
}

bool SqliteStore::Exists(const std::string& path) const {
  std::error_code ignored;
  return std::filesystem::exists(Resolve(path), ignored);
}

void SqliteStore::Remove(const std::string& path) const {
  std::error_code error;
  std::filesystem::remove(Resolve(path), error);
  if (error) throw HostError("HostRecordFile.Remove", path, "impossible de supprimer le fichier");
}

// ---------------------------------------------------------------------------------------
// Key files

void SqliteStore::OpenKeyFile(const std::string& name, int16_t keyLength, const std::string& kind,
                              int16_t& handle) {
  CheckName(name, kOpenKey);
  if (kind != "P" && kind != "S")
    throw HostError(kOpenKey, name, "type de fichier de clés invalide : " + ToUtf8(kind));
  if (keyLength < 1)
    throw HostError(kOpenKey, name, "longueur de clé invalide : " + std::to_string(keyLength));
  const bool temporary = name == kSortIndexName;

  int16_t reopened = 0;
  for (auto& [h, keys] : keys_) {
    if (keys->name != name) continue;
    if (!temporary && (keys->length != keyLength || keys->kind != kind))
      throw HostError(kOpenKey, name,
                      "le fichier est déjà ouvert avec le type " + keys->kind + " et la longueur " +
                          std::to_string(keys->length));
    reopened = h;
  }
  if (reopened != 0 && !temporary) {
    keys_[reopened]->StopWalk();
    keys_[reopened]->walk = KeyTable::Walk::kNotStarted;
    handle = reopened;
    return;
  }
  if (reopened != 0) CloseKeyFile(reopened);  // a sort index starts afresh

  auto keys = std::make_unique<KeyTable>();
  keys->name = name;
  keys->subject = name;
  keys->length = keyLength;
  keys->kind = kind;
  keys->temporary = temporary;
  const std::string columns =
      "(key BLOB NOT NULL, seq INTEGER NOT NULL, num INTEGER NOT NULL,"
      " PRIMARY KEY(key, seq)) WITHOUT ROWID";
  if (temporary) {
    handle = reopened != 0 ? reopened : NewHandle(kOpenKey, name);
    keys_[handle] = std::move(keys);
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
  handle = reopened != 0 ? reopened : NewHandle(kOpenKey, name);
  keys_[handle] = std::move(keys);
}

bool SqliteStore::Find(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyTable& keys = Keys(keyHandle, kFind);
  RecordTable& records = Records(recordHandle, kFind);
  if (keys.temporary) {
    const auto it = keys.MemoryFind(key, 0);
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
  return true;
}

int32_t SqliteStore::Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle) {
  KeyTable& keys = Keys(keyHandle, kInsert);
  RecordTable& records = Records(recordHandle, kInsert);
  keys.CheckKey(key, kInsert);
  BeginWrite(kInsert, keys.subject);
  RefreshNumbering(records, kInsert);
  if (records.lastNumber >= kMaxNumber)
    throw HostError(kInsert, records.subject, "plus aucun numéro d'enregistrement disponible");
  const auto number = static_cast<int32_t>(records.lastNumber + 1);
  try {
    Savepoint savepoint(*savepoint_, kInsert, keys.subject);
    records.lastWritten = 0;
    int32_t e = number;
    records.component->CallRecordOperation(records.writeOperation, e);
    if (records.lastWritten != number)
      throw HostError(kInsert, keys.subject,
                      records.writeOperation + " n'a pas écrit l'enregistrement");
    keys.Changed();
    if (keys.temporary)
      keys.MemoryAdd(key, number, kInsert);
    else
      keys.insert.BindBlob(1, key).Bind(2, number).Run(kInsert, keys.subject);
    savepoint.Release();
  } catch (...) {
    records.Forget();  // the cached text may be of the record just rolled back
    StopWalks();       // and no query runs on across a rollback
    throw;
  }
  return number;
}

void SqliteStore::AddKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyTable& keys = Keys(keyHandle, kAddKey);
  keys.CheckKey(key, kAddKey);
  CheckNumber(number, kAddKey, keys.subject);
  if (keys.temporary) return keys.MemoryAdd(key, number, kAddKey);
  BeginWrite(kAddKey, keys.subject);
  keys.Changed();
  keys.insert.BindBlob(1, key).Bind(2, number).Run(kAddKey, keys.subject);
}

void SqliteStore::Delete(int16_t keyHandle, const std::string& key, int32_t number,
                         int16_t recordHandle) {
  KeyTable& keys = Keys(keyHandle, kDelete);
  RecordTable& records = Records(recordHandle, kDelete);
  CheckNumber(number, kDelete, records.subject);
  BeginWrite(kDelete, keys.subject);
  keys.Changed();
  if (records.cachedNumber == number) records.Forget();
  try {
    Savepoint savepoint(*savepoint_, kDelete, keys.subject);
    int entries = 0;
    if (keys.temporary) {
      const auto it = keys.MemoryFind(key, number);
      if (it != keys.memory.end()) keys.memory.erase(it), entries = 1;
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
}

void SqliteStore::RemoveKey(int16_t keyHandle, const std::string& key, int32_t number) {
  KeyTable& keys = Keys(keyHandle, kRemoveKey);
  if (keys.temporary) {
    if (const auto it = keys.MemoryFind(key, number); it != keys.memory.end())
      keys.memory.erase(it);
    return;
  }
  BeginWrite(kRemoveKey, keys.subject);
  keys.Changed();
  keys.removeOne.BindBlob(1, key).Bind(2, number).Run(kRemoveKey, keys.subject);
}

void SqliteStore::Clear(int16_t keyHandle) {
  KeyTable& keys = Keys(keyHandle, kClear);
  if (keys.temporary) return keys.memory.clear();
  BeginWrite(kClear, keys.subject);
  keys.Changed();
  keys.clear.Run(kClear, keys.subject);
}

bool SqliteStore::Step(KeyTable& keys, int16_t recordHandle, bool fromStart, std::string& key,
                       const std::string& operation) {
  RecordTable& records = Records(recordHandle, operation);
  if (!fromStart && keys.walk == KeyTable::Walk::kNotStarted)
    throw HostError(operation, keys.subject, "parcours non commencé : First doit précéder Next");
  if (keys.temporary) {
    const auto it = fromStart || keys.walk == KeyTable::Walk::kBeforeFirst
                        ? keys.memory.begin()
                        : keys.memory.upper_bound({keys.walkKey, keys.walkSeq});
    if (it == keys.memory.end()) {
      if (fromStart) keys.walk = KeyTable::Walk::kBeforeFirst;
      key.clear();
      return false;
    }
    keys.walk = KeyTable::Walk::kAt;
    keys.walkKey = key = it->first.first;
    keys.walkSeq = it->first.second;
    Load(records, it->second, operation);
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
  for (const auto& [handle, keys] : keys_) keys->StopWalk();
}

bool SqliteStore::First(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(Keys(keyHandle, kFirst), recordHandle, true, key, kFirst);
}

bool SqliteStore::Next(int16_t keyHandle, int16_t recordHandle, std::string& key) {
  return Step(Keys(keyHandle, kNext), recordHandle, false, key, kNext);
}

std::string SqliteStore::ListPrefix(int16_t keyHandle, const std::string& prefix) {
  KeyTable& keys = Keys(keyHandle, kListPrefix);
  if (keys.temporary) {
    std::string list = "[";
    for (auto it = keys.memory.lower_bound({prefix, INT64_MIN});
         it != keys.memory.end() && it->first.first.compare(0, prefix.size(), prefix) == 0; ++it)
      list += (list.size() > 1 ? "," : "") + std::to_string(it->second);
    return list + "]";
  }
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

void SqliteStore::CloseKeyFile(int16_t keyHandle) {
  auto it = keys_.find(keyHandle);
  if (it == keys_.end())
    throw HostError(kClose, std::to_string(keyHandle),
                    "ce numéro ne désigne pas un fichier de clés ouvert");
  keys_.erase(it);
}

}  // namespace actifix::platform
