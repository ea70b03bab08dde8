// The store of one company on SQLite: its record and key files as tables of its
// CompanyDatabase (the layout is in CompanyDatabase.h), its text files in the company's data
// directory. What it guarantees is the contract of Store (Store.h).
//
// Each host call that writes several rows (Insert, Delete) runs under a savepoint, so a call
// that fails leaves none of its rows behind. The sort index "Tri" never touches the database:
// building it over a million assets takes no write lock and no SQL.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostComponent.h"
#include "host/HostKeyedFile.h"
#include "host/HostRecordFile.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/Store.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreServices.h"

namespace actifix::platform {

class SqliteStore final : public Store {
 public:
  explicit SqliteStore(std::unique_ptr<CompanyDatabase> database);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

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
  std::string YearOpened(const std::string& yearStart) override {
    return db_->YearOpened(yearStart);
  }
  void MarkYearOpened(const std::string& yearStart, const std::string& when) override {
    db_->MarkYearOpened(yearStart, when);
  }
  void SetPowerSafe(bool powerSafe) override { db_->SetPowerSafe(powerSafe); }
  // Each row written at its call costs SQLite no round trip: nothing to gather.
  void SetBulk(bool) override {}
  const std::filesystem::path& dataDirectory() const override { return files_.texts.directory(); }

  CompanyDatabase& database() { return *db_; }

 private:
  friend class StoreRecordFile<SqliteStore>;
  friend class StoreKeyedFile<SqliteStore>;
  struct RecordTable;
  struct KeyTable;

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
  std::string Fetch(RecordTable& records, int32_t number, const std::string& operation);
  // The same, false when there is no such record.
  bool TryFetch(RecordTable& records, int32_t number, std::string& text,
                const std::string& operation);
  [[noreturn]] void RefuseMissing(RecordTable& records, int32_t number,
                                  const std::string& operation);
  // Whether key file `keys` has an entry for `key`.
  bool KeyHeld(KeyTable& keys, const std::string& key);
  // Fetches the record and calls the component back to read it into its buffer; the text
  // is kept for the call-back's ReadText only.
  void Load(RecordTable& records, int32_t number, const std::string& operation);
  // Joins the open write transaction, or begins one (waiting while another program writes),
  // after ending running walks so that no read older than the transaction goes on.
  void BeginWrite(const std::string& operation, const std::string& subject);
  // Reads the file's highest record number again at the first write of a transaction.
  void RefreshNumbering(RecordTable& records, const std::string& operation);
  // The entry at or after the walk position, record read, key returned.
  bool Step(KeyTable& keys, int16_t recordHandle, bool fromStart, std::string& key,
            const std::string& operation);
  // Ends the queries of running walks (before a commit, after a rollback).
  void StopWalks();

  // Declared first so that it is destroyed last, after every statement over it.
  std::unique_ptr<CompanyDatabase> db_;
  storefiles::OpenFiles<RecordTable, KeyTable> files_;
  std::unique_ptr<SavepointStatements> savepoint_;
  int64_t failAtWrite_ = 0;
};

}  // namespace actifix::platform
