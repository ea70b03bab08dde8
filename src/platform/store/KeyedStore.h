// What the record files and key files of a store mean, written once for every database that
// keeps their rows: the host calls and their checks, the handles, the call-backs, the records
// a Find returned and the conflict checks of several users, record numbers, walks, checksums,
// the numbering saved at the commit, the sort index in memory and the text files. A backend
// (SqliteStore, PgStore) derives from it and gives only the rows: its statements, how it
// batches them and its bulk mode, through the protected hooks below. The contract is Store's.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostComponent.h"
#include "host/HostKeyedFile.h"
#include "host/HostRecordFile.h"
#include "platform/store/Store.h"
#include "platform/store/StoreDatabase.h"
#include "platform/store/StoreFiles.h"

namespace actifix::platform {

class KeyedStore : public Store {
 public:
  std::unique_ptr<HostRecordFile> MakeRecordFile() override;
  std::unique_ptr<HostKeyedFile> MakeKeyedFile() override;
  void Commit() override;
  void Rollback() override;
  void CloseTextFiles() override;
  int64_t CountEntries(const std::string& name) override;
  void HoldWriteLock() override;
  void ReadConsistently(const std::function<void()>& read) override;
  int32_t RecordLength(const std::string& name) override;
  void ScanRecords(const std::string& name,
                   const std::function<void(int32_t number, std::string_view bytes)>& each,
                   const std::function<void(int32_t number, std::string_view bytes)>& damaged =
                       nullptr) override;
  void ScanKeys(const std::string& name,
                const std::function<void(std::string_view key, int32_t number)>& each) override;
  void RebuildKeys(const std::string& name,
                   const std::vector<std::pair<std::string, int32_t>>& entries) override;
  void FailAtWrite(int64_t writes) override { failAtWrite_ = writes; }
  void KeepRunningNumber(const std::string& name, int32_t offset, int32_t width) override;
  void NameRecords(const std::string& name, const std::vector<int32_t>& widths) override;
  CompanySettings Settings() override { return db_->Settings(); }
  void SaveSettings(const CompanySettings& settings) override { db_->SaveSettings(settings); }
  std::string YearOpened(const std::string& yearStart) override;
  void MarkYearOpened(const std::string& yearStart, const std::string& when) override;
  void SetPowerSafe(bool powerSafe) override { db_->SetPowerSafe(powerSafe); }

 protected:
  using RecordFile = storefiles::RecordFile;
  using KeyFile = storefiles::KeyFile;
  // A record as a backend locates it: `known` false, to be fetched by number; else `text` is
  // its stored text (checked against its sum), nullptr when the entry has no record.
  struct Located {
    int32_t number = 0;
    const std::string* text = nullptr;
    bool known = false;
  };
  // A row of a bulk scan: its number, bytes and stored sum (`hasSum` false: none).
  using RowFn =
      std::function<void(int32_t number, std::string_view bytes, bool hasSum, int32_t sum)>;

  // Text files go to `textDirectory` (made when the first one is, with `makeDirectory`).
  KeyedStore(std::unique_ptr<StoreDatabase> database, std::filesystem::path textDirectory,
             bool makeDirectory);

  // Joins the open write transaction, or begins one (waiting while another program writes),
  // after ending running walks so that no read older than the transaction goes on.
  void BeginWrite(const std::string& operation, const std::string& subject);
  // Calls the component back to read record `number` located as `text`/`known` (Located).
  void Load(RecordFile& records, int32_t number, const std::string* text, bool known,
            const std::string& operation);
  // Ends every walk's reading ahead (before a commit, after a rollback, at a new transaction).
  virtual void StopWalks();
  StoreDatabase& company() { return *db_; }

  // The hooks of a backend. Each throws HostError when its database fails.
  // Begins the write transaction and takes the company's write lock.
  virtual void BeginTransaction(const std::string& operation, const std::string& subject) = 0;
  // Forgets what waits to be sent, at a rollback.
  virtual void DropPending() {}
  // The highest number file `records` has ever had, read in the write transaction.
  virtual int64_t ReadLastNumber(RecordFile& records, const std::string& operation) = 0;
  // Stores the file's lastNumber, or its lastSeq, as the highest ever given.
  virtual void SaveLastNumber(RecordFile& records) = 0;
  virtual void SaveLastSeq(KeyFile& /*keys*/) {}
  // Whether writes are being gathered to go later (bulk mode): an inserted record is then not
  // remembered as found.
  virtual bool Gathering() const { return false; }

  // The catalog: a record file's length (0: never made), a key file's length and kind (false:
  // never made); the tables made on first use (REQUIRES: in the write transaction).
  virtual int32_t StoredRecordLength(const std::string& name, const std::string& operation) = 0;
  virtual bool StoredKeyFile(const std::string& name, const std::string& operation,
                             int64_t& keyLength, std::string& kind) = 0;
  virtual void CreateRecordTable(const std::string& name, int32_t recordLength) = 0;
  virtual void CreateKeyTable(const std::string& name, int16_t keyLength,
                              const std::string& kind) = 0;
  // The backend's own file objects, their statements ready (none for the sort index).
  virtual std::unique_ptr<RecordFile> OpenRecordTable(const std::string& name, int32_t recordLength,
                                                      HostComponent& component) = 0;
  virtual std::unique_ptr<KeyFile> OpenKeyTable(const std::string& name, int16_t keyLength,
                                                const std::string& kind, bool temporary) = 0;
  // Called before a key file is closed.
  virtual void ClosingKeys(KeyFile& /*keys*/) {}

  // Records: `text` the stored text of record `number`, its sum checked; false when none.
  virtual bool FetchRecord(RecordFile& records, int32_t number, std::string& text,
                           const std::string& operation) = 0;
  // Stores `text` as record `number`.
  virtual void PutRecord(RecordFile& records, int32_t number, const std::string& text) = 0;

  // Entries of a stored key file. LookUp: the first entry of `key`, false when none.
  virtual bool LookUp(KeyFile& keys, RecordFile& records, const std::string& key, Located& at) = 0;
  virtual bool KeyHeld(KeyFile& keys, RecordFile& records, const std::string& key) = 0;
  // Adds an entry; a "P" file refuses a key it has (StoreConflict for Insert).
  virtual void PutKey(KeyFile& keys, const std::string& key, int32_t number,
                      const std::string& operation) = 0;
  virtual void RemoveEntry(KeyFile& keys, const std::string& key, int32_t number) = 0;
  // Removes the entry (key, number) and record `number` together (the record alone for the
  // sort index): false when neither was there.
  virtual bool RemoveRecord(KeyFile& keys, RecordFile& records, const std::string& key,
                            int32_t number) = 0;
  virtual void ClearEntries(KeyFile& keys) = 0;
  // The entry at the start of the walk, or after (walkKey, walkSeq): false at the end, else
  // walkKey and walkSeq set to it and `at` its record.
  virtual bool StepWalk(KeyFile& keys, RecordFile& records, bool fromStart,
                        const std::string& operation, Located& at) = 0;
  // The numbers of the entries from `prefix` up to `end` ("": no end) in key order, the first
  // `limit` only when it is not negative; and how many there are.
  virtual void ScanPrefix(KeyFile& keys, const std::string& prefix, const std::string& end,
                          int32_t limit, const std::string& operation,
                          const std::function<void(int64_t number)>& each) = 0;
  virtual int64_t CountRange(KeyFile& keys, const std::string& prefix, const std::string& end) = 0;

  // A host call that writes several rows, whole or not at all: begun, ended, or undone.
  virtual void BeginHostCall(const std::string& operation, const std::string& subject) = 0;
  virtual void EndHostCall(const std::string& operation, const std::string& subject) = 0;
  virtual void UndoHostCall(const std::string& operation, const std::string& subject) = 0;

  // The whole files, for the register check.
  virtual int64_t CountRows(const std::string& name, const std::string& operation) = 0;
  virtual void ScanRecordRows(const std::string& name, const std::string& operation,
                              const RowFn& row) = 0;
  virtual void ScanKeyRows(const std::string& name, const std::string& operation,
                           const std::function<void(std::string_view, int32_t)>& each) = 0;
  // Replaces every entry of key file `name`, of `kind`, in the write transaction.
  virtual void ReplaceKeys(const std::string& name, const std::string& kind,
                           const std::vector<std::pair<std::string, int32_t>>& entries,
                           const std::string& operation) = 0;

  // Declared first so that it is destroyed last, after every file over it.
  std::unique_ptr<StoreDatabase> db_;
  storefiles::OpenFiles<RecordFile, KeyFile> files_;

 private:
  friend class StoreRecordFile;
  friend class StoreKeyedFile;

  // HostRecordFile
  void OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                      HostComponent& component);
  void Read(int16_t handle, int32_t number);
  void ReadText(int16_t handle, int32_t number, std::string& text);
  void WriteText(int16_t handle, int32_t number, const std::string& text);

  // HostKeyedFile
  void OpenKeyFile(const std::string& name, int16_t keyLength, const std::string& kind,
                   int16_t& handle);
  bool Find(int16_t keyHandle, const std::string& key, int16_t recordHandle);
  int32_t Insert(int16_t keyHandle, const std::string& key, int16_t recordHandle);
  void AddKey(int16_t keyHandle, const std::string& key, int32_t number);
  void Delete(int16_t keyHandle, const std::string& key, int32_t number, int16_t recordHandle);
  void RemoveKey(int16_t keyHandle, const std::string& key, int32_t number);
  void Clear(int16_t keyHandle);
  bool First(int16_t keyHandle, int16_t recordHandle, std::string& key);
  bool Next(int16_t keyHandle, int16_t recordHandle, std::string& key);
  std::string ListPrefix(int16_t keyHandle, const std::string& prefix);
  // The number of entries under `prefix`; `first` the numbers of the first `listed` of them.
  int32_t CountPrefix(int16_t keyHandle, const std::string& prefix, int32_t listed,
                      std::string& first);
  void CloseKeyFile(int16_t keyHandle);

  // Record `number`'s stored text. Throws HostError when there is no such record
  // (StoreConflict when this program had found it by key).
  std::string Fetch(RecordFile& records, int32_t number, const std::string& operation);
  [[noreturn]] void RefuseMissing(RecordFile& records, int32_t number,
                                  const std::string& operation);
  // The kind of key file `name` ("" when it was never made).
  std::string KeyKind(const std::string& name, const std::string& operation);
  // Reads the file's highest record number again at the first write of a transaction.
  void RefreshNumbering(RecordFile& records, const std::string& operation);
  // The entry at or after the walk position, record read, key returned.
  bool Step(KeyFile& keys, int16_t recordHandle, bool fromStart, std::string& key,
            const std::string& operation);

  int64_t failAtWrite_ = 0;
};

}  // namespace actifix::platform
