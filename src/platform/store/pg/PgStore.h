// The record files, key files and text files of one company kept on a PostgreSQL server (see
// PgCompany.h for the layout), with the same services and the same semantics as the SQLite
// store (Store.h): one write transaction begun by the first write and ended by Commit(), the
// company's write lock taken then, Insert and Delete whole or not at all, record numbers never
// given twice, key files in memcmp order with "P" keys unique and "S" duplicates in insertion
// order, the sort index "Tri" in memory, text files in a local directory.
//
// Round trips, not the server, are what costs: so writes whose result nothing waits for (a
// record written, an "S" entry, a removal) are sent without waiting and checked at the next
// query, and a walk (First/Next) fetches its entries with their records in batches of up to
// kWalkBatch, from the entry after the last one returned. A batch is fetched again whenever
// this store writes to that key file (unless it removes the entry the walk is at), and at
// each commit, rollback or new transaction, so that a walk sees what was written a moment
// before; a record written meanwhile is read again rather than taken from the batch. Reads by
// number that go near one another fetch windows of records, and Finds are remembered, under
// the same rules (PgStore.cc).
//
// Bulk mode (SetBulk(true), for generated and imported registers and the year opening): new
// records and new entries are gathered and go by COPY, without a round trip per call, before
// anything else is sent; records rewritten and entries removed are held back and go a
// statement per file (PgStore.cc). A second "P" entry for a key is then found only when they go (at
// the next query, at the latest at the commit), and fails the whole transaction instead of the one
// call: the callers in bulk mode check their keys beforehand.
//
// Text files: a relative name is taken in `dataDirectory`, a local directory the caller
// chooses (made when the first text file is).
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
#include "platform/store/Store.h"
#include "platform/store/StoreFiles.h"
#include "platform/store/StoreServices.h"
#include "platform/store/pg/PgCompany.h"

namespace actifix::platform {

class PgStore final : public Store {
 public:
  // Entries fetched at once by a walk; after a write to its key file, a walk fetches
  // kWalkRestart entries first, then full batches again.
  static constexpr int kWalkBatch = 1000;
  static constexpr int kWalkRestart = 16;

  // The directory of text files when none is given: $ACTIFIX_OUT, else ./actifix-data.
  static std::filesystem::path DefaultDataDirectory();

  PgStore(std::unique_ptr<PgCompany> company, std::filesystem::path dataDirectory);
  // Abandons an uncommitted transaction, as a crash would.
  ~PgStore() override;

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

  CompanySettings Settings() override { return company_->Settings(); }
  void SaveSettings(const CompanySettings& settings) override { company_->SaveSettings(settings); }
  std::string YearOpened(const std::string& yearStart) override {
    return company_->YearOpened(yearStart);
  }
  void MarkYearOpened(const std::string& yearStart, const std::string& when) override {
    company_->MarkYearOpened(yearStart, when);
  }
  void SetPowerSafe(bool powerSafe) override { company_->SetPowerSafe(powerSafe); }
  void SetBulk(bool bulk) override;
  const std::filesystem::path& dataDirectory() const override { return files_.texts.directory(); }

  PgCompany& database() { return *company_; }

 private:
  friend class StoreRecordFile<PgStore>;
  friend class StoreKeyedFile<PgStore>;
  struct RecordTable;
  struct KeyTable;

  void OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                      HostComponent& component);
  void Read(int16_t handle, int32_t number);
  void ReadText(int16_t handle, int32_t number, std::string& text);
  void WriteText(int16_t handle, int32_t number, const std::string& text);

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

  // Record `number`'s stored text; no such record is refused (StoreConflict when this program
  // had found it by key).
  std::string Fetch(RecordTable& records, int32_t number, const std::string& operation);
  bool TryFetch(RecordTable& records, int32_t number, std::string& text,
                const std::string& operation);
  [[noreturn]] void RefuseMissing(RecordTable& records, int32_t number,
                                  const std::string& operation);
  // Whether record `number` is known from a window (fetched now when reads go near one
  // another); `text` is then its text, nullptr when there is no such record.
  bool Windowed(RecordTable& records, int32_t number, const std::string*& text,
                const std::string& operation);
  // Calls the component back to read record `number`, whose text is `text` when known
  // (nullptr: fetched now; a batch's missing record: no such record).
  void Load(RecordTable& records, int32_t number, const std::string* text, bool known,
            const std::string& operation);
  void BeginWrite(const std::string& operation, const std::string& subject);
  void RefreshNumbering(RecordTable& records, const std::string& operation);
  bool Step(KeyTable& keys, int16_t recordHandle, bool fromStart, std::string& key,
            const std::string& operation);
  // Writes an entry: at once for a "P" file, which refuses a key it has (unless in bulk mode),
  // without waiting otherwise.
  void PutKey(KeyTable& keys, const std::string& key, int32_t number, const std::string& operation);
  // Marks record `number` as written for the walks whose batch holds it.
  void RecordChanged(RecordTable& records, int32_t number);
  // Drops every fetched batch: read again at the next step.
  void StopWalks();
  // Sends, or forgets, the rewrites held back in bulk mode.
  void SendHeldBack();
  void DropHeldBack();
  // Sends, without waiting, a write that reads no record and changes none held back (a
  // removal): the rewrites held back may go after it, so that removals do not cut them up.
  void SendAside(const std::string& statement, const pg::Params& params,
                 const std::string& operation, const std::string& subject);
  // Rolls back to the savepoint of a host call that failed, keeping the transaction.
  void UndoHostCall();
  pg::Connection& conn() { return company_->connection(); }

  std::unique_ptr<PgCompany> company_;
  storefiles::OpenFiles<RecordTable, KeyTable> files_;
  int64_t failAtWrite_ = 0;
  bool aside_ = false;
};

}  // namespace actifix::platform
