// The store of one company on SQLite: its record and key files as tables of its
// CompanyDatabase (the layout is in CompanyDatabase.h), its text files in the company's data
// directory. What the files mean is KeyedStore's; this class gives its statements.
//
// Each host call that writes several rows (Insert, Delete) runs under a savepoint, so a call
// that fails leaves none of its rows behind. Each row is written at its call, which costs
// SQLite no round trip: bulk mode gathers nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/store/KeyedStore.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/Sqlite.h"

namespace actifix::platform {

class SqliteStore final : public KeyedStore {
 public:
  explicit SqliteStore(std::unique_ptr<CompanyDatabase> database);
  ~SqliteStore() override;
  SqliteStore(const SqliteStore&) = delete;
  SqliteStore& operator=(const SqliteStore&) = delete;

  void SetBulk(bool) override {}

  CompanyDatabase& database() { return static_cast<CompanyDatabase&>(company()); }

 private:
  struct RecordTable;
  struct KeyTable;
  // The text files go beside the database, in `directory`.
  SqliteStore(std::filesystem::path directory, std::unique_ptr<CompanyDatabase>& database);
  static RecordTable& Table(RecordFile& records);
  static KeyTable& Table(KeyFile& keys);

  void BeginTransaction(const std::string& operation, const std::string& subject) override;
  int64_t ReadLastNumber(RecordFile& records, const std::string& operation) override;
  void SaveLastNumber(RecordFile& records) override;
  int32_t StoredRecordLength(const std::string& name, const std::string& operation) override;
  bool StoredKeyFile(const std::string& name, const std::string& operation, int64_t& keyLength,
                     std::string& kind) override;
  void CreateRecordTable(const std::string& name, int32_t recordLength) override;
  void CreateKeyTable(const std::string& name, int16_t keyLength, const std::string& kind) override;
  std::unique_ptr<RecordFile> OpenRecordTable(const std::string& name, int32_t recordLength,
                                              HostComponent& component) override;
  std::unique_ptr<KeyFile> OpenKeyTable(const std::string& name, int16_t keyLength,
                                        const std::string& kind, bool temporary) override;
  bool FetchRecord(RecordFile& records, int32_t number, std::string& text,
                   const std::string& operation) override;
  void PutRecord(RecordFile& records, int32_t number, const std::string& text) override;
  bool LookUp(KeyFile& keys, RecordFile& records, const std::string& key, Located& at) override;
  bool KeyHeld(KeyFile& keys, RecordFile& records, const std::string& key) override;
  void PutKey(KeyFile& keys, const std::string& key, int32_t number,
              const std::string& operation) override;
  void RemoveEntry(KeyFile& keys, const std::string& key, int32_t number) override;
  bool RemoveRecord(KeyFile& keys, RecordFile& records, const std::string& key,
                    int32_t number) override;
  void ClearEntries(KeyFile& keys) override;
  bool StepWalk(KeyFile& keys, RecordFile& records, bool fromStart, const std::string& operation,
                Located& at) override;
  void ScanPrefix(KeyFile& keys, const std::string& prefix, const std::string& end, int32_t limit,
                  const std::string& operation,
                  const std::function<void(int64_t number)>& each) override;
  int64_t CountRange(KeyFile& keys, const std::string& prefix, const std::string& end) override;
  void BeginHostCall(const std::string& operation, const std::string& subject) override;
  void EndHostCall(const std::string& operation, const std::string& subject) override;
  void UndoHostCall(const std::string& operation, const std::string& subject) override;
  int64_t CountRows(const std::string& name, const std::string& operation) override;
  void ScanRecordRows(const std::string& name, const std::string& operation,
                      const RowFn& row) override;
  void ScanKeyRows(const std::string& name, const std::string& operation,
                   const std::function<void(std::string_view, int32_t)>& each) override;
  void ReplaceKeys(const std::string& name, const std::string& kind,
                   const std::vector<std::pair<std::string, int32_t>>& entries,
                   const std::string& operation) override;

  CompanyDatabase& db() { return database(); }

  std::unique_ptr<SavepointStatements> savepoint_;
  Statement saveNumber_;  // prepared at the first commit that saves numbering
};

}  // namespace actifix::platform
