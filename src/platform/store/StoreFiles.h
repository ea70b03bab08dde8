// What the SQLite and PostgreSQL stores share about the files they open for the module: the
// names of the host calls, the checks on names and numbers, the 16-bit handles, and the state
// of a record file and of a key file that does not depend on where the rows are kept.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "host/Cp1252.h"
#include "host/HostComponent.h"
#include "host/HostError.h"
#include "platform/store/LocalTextFiles.h"
#include "platform/store/MemoryIndex.h"
#include "platform/store/RecordSum.h"
#include "platform/store/StoreConflict.h"

namespace actifix::platform::storefiles {

// Operation names, built once: they name the failing host call in every HostError.
inline const std::string kOpenRecord = "HostRecordFile.Open";
inline const std::string kRead = "HostRecordFile.Read";
inline const std::string kWrite = "HostRecordFile.Write";
inline const std::string kReadText = "HostRecordFile.ReadText";
inline const std::string kWriteText = "HostRecordFile.WriteText";
inline const std::string kLastNumber = "HostRecordFile.LastRecordNumber";
inline const std::string kCreateText = "HostRecordFile.CreateText";
inline const std::string kWriteLine = "HostRecordFile.WriteLine";
inline const std::string kOpenKey = "HostKeyedFile.Open";
inline const std::string kFind = "HostKeyedFile.Find";
inline const std::string kInsert = "HostKeyedFile.Insert";
inline const std::string kAddKey = "HostKeyedFile.AddKey";
inline const std::string kDelete = "HostKeyedFile.Delete";
inline const std::string kRemoveKey = "HostKeyedFile.RemoveKey";
inline const std::string kClear = "HostKeyedFile.Clear";
inline const std::string kFirst = "HostKeyedFile.First";
inline const std::string kNext = "HostKeyedFile.Next";
inline const std::string kListPrefix = "HostKeyedFile.ListPrefix";
inline const std::string kCountPrefix = "HostKeyedFile.CountPrefix";
inline const std::string kClose = "HostKeyedFile.Close";
inline const std::string kCommit = "Store.Commit";

constexpr int32_t kMaxNumber = std::numeric_limits<int32_t>::max();

// File names become table names: letters, digits and "_" only, so that nothing from the
// module can reach SQL text.
void CheckName(const std::string& name, const std::string& operation);

std::string RecordNumberCause(int32_t number);

[[noreturn]] void RefuseNumber(int32_t number, const std::string& operation,
                               const std::string& subject);
inline void CheckNumber(int32_t number, const std::string& operation, const std::string& subject) {
  if (number < 1) RefuseNumber(number, operation, subject);
}

// The smallest byte string greater than every string that starts with `prefix`, or "" when
// there is none (the prefix is empty or all 0xFF bytes).
std::string PrefixEnd(std::string prefix);

// The cause of a record whose bytes differ from their checksum (RecordSum.h): names record
// `number` of file `file` by the fields of `naming` (widths from its first byte) when given.
std::string DamagedCause(const std::string& file, int32_t number, std::string_view bytes,
                         const std::vector<int32_t>& naming);

// Checks the name and record length asked of OpenRecordFile.
void CheckRecordFile(const std::string& name, int32_t recordLength);
// Checks the name, kind and key length asked of OpenKeyFile.
void CheckKeyFile(const std::string& name, int16_t keyLength, const std::string& kind);

// The lowest handle none of `taken` holds; `taken(handle)` says whether one does.
template <class Taken>
int16_t NewHandle(const std::string& operation, const std::string& subject, const Taken& taken) {
  for (int32_t h = 1; h <= std::numeric_limits<int16_t>::max(); ++h) {
    const auto handle = static_cast<int16_t>(h);
    if (!taken(handle)) return handle;
  }
  throw HostError(ErrorKind::kIo, operation, subject, "trop de fichiers ouverts");
}

[[noreturn]] void RefuseHandle(int16_t handle, const std::string& operation, const char* cause);

// The open file of `handle`, or a HostError naming what `files` holds.
template <class T>
T& Opened(std::map<int16_t, std::unique_ptr<T>>& files, int16_t handle,
          const std::string& operation, const char* cause) {
  const auto it = files.find(handle);
  if (it == files.end()) RefuseHandle(handle, operation, cause);
  return *it->second;
}
inline constexpr const char* kNotRecordFile =
    "ce numéro ne désigne pas un fichier d'enregistrements ouvert";
inline constexpr const char* kNotKeyFile = "ce numéro ne désigne pas un fichier de clés ouvert";

// One record file as the module sees it, and the record being loaded, so that the Lire
// call-back reads it without a second query. A store derives its own, with its statements.
struct RecordFile {
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
  // A running number in bytes [runningOffset, +runningWidth) that a rewrite never lowers
  // (width 0: none); `kept` is the text stored instead of the one written, for record
  // `keptNumber`, so that the Ecrire call-back's caller reads it back.
  int32_t runningOffset = 0, runningWidth = 0;
  int32_t keptNumber = 0;
  std::string kept;
  std::string lastText;  // the text of record lastWritten
  // The widths of the fields at the start of a record that name it in messages ("Immo":
  // CODNATI, NUMNATI); empty: named by its number.
  std::vector<int32_t> naming;

  RecordFile(const std::string& fileName, int32_t recordLength, HostComponent& owner)
      : name(fileName),
        subject(fileName),
        readOperation("Lire" + fileName),
        writeOperation("Ecrire" + fileName),
        length(recordLength),
        component(&owner) {}
  virtual ~RecordFile() = default;
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;

  void Forget() { cachedNumber = 0; }
  // Ends any read ahead of the store's: at a transaction's end, or when the file changes.
  virtual void StopReading() {}
  std::string Padded(std::string text) const {
    if (text.size() < static_cast<std::size_t>(length)) text.resize(length, ' ');
    return text;
  }
  // Checks record `number`'s stored bytes against their stored sum (`hasSum` false: none).
  // Throws HostError, the damaged-file cause naming the file and the record, when they differ.
  void CheckSum(int32_t number, std::string_view bytes, bool hasSum, int32_t sum,
                const std::string& operation) const {
    if (!hasSum || sum != RecordSum(number, bytes)) RefuseDamaged(number, bytes, operation);
  }
  // Checks a text for WriteText.
  void CheckText(const std::string& text) const {
    if (text.size() > static_cast<std::size_t>(length)) RefuseText(text);
  }
  // Calls the component back to write record `number`: false when it did not write it
  // through WriteText.
  bool CallWrite(int32_t number) {
    lastWritten = 0;
    int32_t e = number;
    component->CallRecordOperation(writeOperation, e);
    return lastWritten == number;
  }
  // Calls the component back to read record `number`, whose text is in `cached`.
  void CallRead(int32_t number) {
    cachedNumber = number;
    lastRead = number;
    int32_t e = number;
    try {
      component->CallRecordOperation(readOperation, e);
    } catch (...) {
      Forget();
      throw;
    }
    Forget();
  }
  // When a rewrite of a record stored as `stored` would lower its running number: true, and
  // `text` with the stored running number in `kept`.
  bool KeepsRunning(const std::string& text, const std::string& stored, int32_t number);
  // Notes record `number` as written by WriteText.
  void Written(int32_t number, const std::string& text) {
    lastWritten = number;
    lastText = text;
    if (number > lastNumber) {
      lastNumber = number;
      lastNumberChanged = true;
    }
  }

 private:
  [[noreturn]] void RefuseText(const std::string& text) const;
  [[noreturn]] void RefuseDamaged(int32_t number, std::string_view bytes,
                                  const std::string& operation) const;
};

// A record this program found or inserted by key, as it was then: a removal or a read of it
// after another program changed or deleted it is refused (StoreConflict).
struct Seen {
  const void* file = nullptr;  // the record file
  int32_t number = 0;          // 0: the slot is free
  std::string key, bytes;
};

// One key file as the module sees it. `temporary` is the sort index, kept in `memory` only.
// The walk remembers the last entry returned (walkKey, walkSeq). The last few records found or
// inserted through it are remembered in `seen` (a walk remembers none). A store derives its
// own, with its statements and what its walk keeps.
struct KeyFile {
  static constexpr std::size_t kSeenSlots = 4;

  enum class Walk { kNotStarted, kBeforeFirst, kAt };

  std::string name;
  std::string subject;
  std::string kind;
  int16_t length = 0;
  bool temporary = false;
  Walk walk = Walk::kNotStarted;
  std::string walkKey;
  int64_t walkSeq = 0;
  MemoryIndex memory;
  std::array<Seen, kSeenSlots> seen;
  std::size_t seenNext = 0;
  // The highest `seq` given in an "S" file, for a store that numbers entries itself: valid in
  // write transaction `seqGeneration` only, saved at the commit when changed.
  int64_t lastSeq = 0;
  uint64_t seqGeneration = 0;
  bool seqChanged = false;

  KeyFile(const std::string& fileName, int16_t keyLength, const std::string& fileKind,
          bool isTemporary)
      : name(fileName),
        subject(fileName),
        kind(fileKind),
        length(keyLength),
        temporary(isTemporary) {}
  virtual ~KeyFile() = default;
  KeyFile(const KeyFile&) = delete;
  KeyFile& operator=(const KeyFile&) = delete;

  // Ends the walk's reading ahead: the next step reads from the store again.
  virtual void StopWalk() {}
  // Called before every write to the file.
  virtual void Changed() {}
  // Called before the entry (key, number) is removed.
  virtual void Removing(const std::string& /*key*/, int32_t /*number*/) { Changed(); }

  bool unique() const { return kind == "P"; }
  void CheckKey(const std::string& key, const std::string& operation) const {
    if (key.size() > static_cast<std::size_t>(length)) RefuseKey(operation);
  }
  void MemoryAdd(const std::string& key, int32_t number, const std::string& operation) {
    memory.Add(key, number, unique(), operation, subject);
  }
  // Refuses Next before First.
  void CheckWalk(bool fromStart, const std::string& operation) const {
    if (!fromStart && walk == Walk::kNotStarted) RefuseWalk(operation);
  }
  // A step of the walk of the sort index: false at the end, else the entry's key and number.
  bool MemoryStep(bool fromStart, std::string& key, int32_t& number);
  // Remembers record `number` of `file` as `bytes`, found or inserted under `key`.
  void Saw(const void* file, const std::string& key, int32_t number, const std::string& bytes);
  const Seen* SeenRecord(const void* file, int32_t number) const {
    for (const Seen& slot : seen)
      if (slot.number == number && slot.file == file) return &slot;
    return nullptr;
  }
  void Unsee(const void* file, int32_t number) {
    for (Seen& slot : seen)
      if (slot.number == number && slot.file == file) slot.number = 0;
  }

 private:
  [[noreturn]] void RefuseKey(const std::string& operation) const;
  [[noreturn]] void RefuseWalk(const std::string& operation) const;
};

// The files a store has open for the module, by handle: its record files R and key files K
// (RecordFile and KeyFile with what the store keeps beside), and its local text files.
template <class R, class K>
class OpenFiles {
 public:
  OpenFiles(std::filesystem::path textDirectory, bool makeDirectory)
      : texts(std::move(textDirectory), makeDirectory) {}

  std::map<int16_t, std::unique_ptr<R>> records;
  std::map<int16_t, std::unique_ptr<K>> keys;
  LocalTextFiles texts;
  // Running numbers that rewrites never lower, by record file name: (offset, width).
  std::map<std::string, std::pair<int32_t, int32_t>> running;
  // The fields that name a record in messages, by record file name.
  std::map<std::string, std::vector<int32_t>> naming;

  // Makes `file` open under `handle`, with its running number rule.
  void AddRecordFile(int16_t handle, std::unique_ptr<R> file) {
    if (const auto it = running.find(file->name); it != running.end())
      std::tie(file->runningOffset, file->runningWidth) = it->second;
    if (const auto it = naming.find(file->name); it != naming.end()) file->naming = it->second;
    records[handle] = std::move(file);
  }
  void NameRecords(const std::string& name, const std::vector<int32_t>& widths) {
    naming[name] = widths;
    for (auto& [handle, file] : records)
      if (file->name == name) file->naming = widths;
  }
  void KeepRunningNumber(const std::string& name, int32_t offset, int32_t width) {
    running[name] = {offset, width};
    for (auto& [handle, file] : records)
      if (file->name == name) std::tie(file->runningOffset, file->runningWidth) = running[name];
  }
  // The key file that remembers record `number` of `file`, and what it remembers; nullptrs
  // when none does.
  std::pair<K*, const Seen*> FindSeen(const void* file, int32_t number) {
    for (auto& [handle, keyFile] : keys)
      if (const Seen* slot = keyFile->SeenRecord(file, number)) return {keyFile.get(), slot};
    return {nullptr, nullptr};
  }
  void Unsee(const void* file, int32_t number) {
    for (auto& [handle, keyFile] : keys) keyFile->Unsee(file, number);
  }
  // Refuses record `number` of `file`, not stored: a conflict when this program found it by
  // key (changed when that key is still there, as `held(keys, key)` tells, else deleted), or
  // a missing record.
  template <class Held>
  [[noreturn]] void RefuseMissing(R& file, int32_t number, const std::string& operation,
                                  Held&& held) {
    const auto [keyFile, seen] = FindSeen(&file, number);
    if (seen == nullptr)
      throw HostError(ErrorKind::kNotFound, operation, file.subject, RecordNumberCause(number));
    throw StoreConflict(held(*keyFile, seen->key) ? StoreConflict::Reason::kChanged
                                                  : StoreConflict::Reason::kDeleted,
                        operation, keyFile->name, seen->key);
  }
  // Before record `number` of `file` goes with `key` of `keyFile`: refused when this program
  // found it by key and another program changed or deleted it since. `fetch(text)` reads it as
  // stored (false when it is gone), `missing()` refuses a gone one.
  template <class Fetch, class Missing>
  void CheckUnchanged(R& file, K& keyFile, const std::string& key, int32_t number,
                      const std::string& operation, Fetch&& fetch, Missing&& missing) {
    const Seen* seen = FindSeen(&file, number).second;
    if (seen == nullptr) return;
    std::string stored;
    if (!fetch(stored)) missing();
    if (stored != seen->bytes)
      throw StoreConflict(StoreConflict::Reason::kChanged, operation, keyFile.name, key);
  }

  // A record of file `name` read by a bulk scan, with its stored sum (`hasSum` false: none):
  // to `each` when intact, else to `damaged`, else refused naming the file and the record.
  template <class Each>
  void Scanned(const std::string& name, int32_t number, std::string_view bytes, bool hasSum,
               int32_t sum, const Each& each, const Each& damaged, const std::string& operation) {
    if (hasSum && sum == RecordSum(number, bytes)) return each(number, bytes);
    if (damaged) return damaged(number, bytes);
    const auto it = naming.find(name);
    throw HostError(ErrorKind::kDamaged, operation, ToUtf8(name),
                    DamagedCause(name, number, bytes,
                                 it != naming.end() ? it->second : std::vector<int32_t>()));
  }

  R& Records(int16_t handle, const std::string& operation) {
    return Opened(records, handle, operation, kNotRecordFile);
  }
  K& Keys(int16_t handle, const std::string& operation) {
    return Opened(keys, handle, operation, kNotKeyFile);
  }
  int16_t NewHandle(const std::string& operation, const std::string& subject) const {
    return storefiles::NewHandle(operation, subject, [this](int16_t handle) {
      return records.contains(handle) || keys.contains(handle) || texts.contains(handle);
    });
  }

  // The handle of record file `name` when it is open already (calling back `component` from
  // now on), else 0. Refuses another record length.
  int16_t Reopen(const std::string& name, int32_t recordLength, HostComponent& component) {
    for (auto& [h, file] : records) {
      if (file->name != name) continue;
      if (file->length != recordLength)
        throw HostError(ErrorKind::kInvalidInput, kOpenRecord, name,
                        "le fichier est déjà ouvert avec une longueur d'enregistrement de " +
                            std::to_string(file->length));
      file->component = &component;
      return h;
    }
    return 0;
  }
  // Key file `name` when it is open already: true, `handle` its handle and its walk ended.
  // Refuses another kind or key length, but for the sort index, which starts afresh instead:
  // false, its earlier handle closed and left in `handle` (0 when it was not open).
  bool ReopenKey(const std::string& name, int16_t keyLength, const std::string& kind,
                 bool temporary, int16_t& handle) {
    handle = 0;
    for (const auto& [h, file] : keys) {
      if (file->name != name) continue;
      if (!temporary && (file->length != keyLength || file->kind != kind))
        throw HostError(ErrorKind::kInvalidInput, kOpenKey, name,
                        "le fichier est déjà ouvert avec le type " + file->kind +
                            " et la longueur " + std::to_string(file->length));
      handle = h;
    }
    if (handle == 0) return false;
    if (temporary) {
      keys.erase(handle);
      return false;
    }
    K& file = *keys[handle];
    file.StopWalk();
    file.walk = K::Walk::kNotStarted;
    return true;
  }

  // The record file's Ecrire call-back, which writes the record through WriteText.
  void Write(int16_t handle, int32_t number) {
    R& file = Records(handle, kWrite);
    CheckNumber(number, kWrite, file.subject);
    file.keptNumber = 0;
    if (!file.CallWrite(number))
      throw HostError(
          kWrite, file.subject,
          file.writeOperation + " n'a pas écrit l'enregistrement " + std::to_string(number));
    if (file.keptNumber == number) {
      // Another program raised the running number meanwhile: the buffer gets what is stored.
      file.cached = std::move(file.kept);
      file.CallRead(number);
    }
  }
  int32_t LastRecordNumber(int16_t handle) { return Records(handle, kLastNumber).lastRead; }
  void CreateText(const std::string& fileName, int16_t& handle) {
    texts.Create(fileName, handle,
                 [this](const std::string& subject) { return NewHandle(kCreateText, subject); });
  }
};

}  // namespace actifix::platform::storefiles
