// The record files, key files and text files of one company kept on a PostgreSQL server (see
// PgCompany.h for the layout). What the files mean is KeyedStore's, as on SQLite; this class
// gives the statements, how they are batched and the bulk mode.
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
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/store/KeyedStore.h"
#include "platform/store/pg/PgCompany.h"

namespace actifix::platform {

class PgStore final : public KeyedStore {
 public:
  // The company's text files go to `outputDir`.
  PgStore(std::unique_ptr<PgCompany> company, std::filesystem::path outputDir);
  // Abandons an uncommitted transaction, as a crash would.
  ~PgStore() override;

  // Entries fetched at once by a walk; after a write to its key file, a walk fetches
  // kWalkRestart entries first, then full batches again.
  static constexpr int kWalkBatch = 1000;
  static constexpr int kWalkRestart = 16;

  void SetBulk(bool bulk) override { database().SetBulk(bulk); }

  PgCompany& database() { return static_cast<PgCompany&>(company()); }

 private:
  struct RecordTable;
  struct KeyTable;
  static RecordTable& Table(RecordFile& records);
  static KeyTable& Table(KeyFile& keys);

  void BeginTransaction(const std::string& operation, const std::string& subject) override;
  void DropPending() override;
  int64_t ReadLastNumber(RecordFile& records, const std::string& operation) override;
  void SaveLastNumber(RecordFile& records) override;
  void SaveLastSeq(KeyFile& keys) override;
  bool Gathering() const override;
  void StopWalks() override;
  int32_t StoredRecordLength(const std::string& name, const std::string& operation) override;
  bool StoredKeyFile(const std::string& name, const std::string& operation, int64_t& keyLength,
                     std::string& kind) override;
  void CreateRecordTable(const std::string& name, int32_t recordLength) override;
  void CreateKeyTable(const std::string& name, int16_t keyLength, const std::string& kind) override;
  std::unique_ptr<RecordFile> OpenRecordTable(const std::string& name, int32_t recordLength,
                                              HostComponent& component) override;
  std::unique_ptr<KeyFile> OpenKeyTable(const std::string& name, int16_t keyLength,
                                        const std::string& kind, bool temporary) override;
  void ClosingKeys(KeyFile& keys) override;
  bool FetchRecord(RecordFile& records, int32_t number, std::string& text,
                   const std::string& operation) override;
  void PutRecord(RecordFile& records, int32_t number, const std::string& text) override;
  bool LookUp(KeyFile& keys, RecordFile& records, const std::string& key, Located& at) override;
  bool KeyHeld(KeyFile& keys, RecordFile& records, const std::string& key) override;
  // Writes an entry: at once for a "P" file, which refuses a key it has (unless in bulk mode),
  // without waiting otherwise.
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

  // Whether record `number` is known from a window (fetched now when reads go near one
  // another); `text` is then its text, nullptr when there is no such record.
  bool Windowed(RecordTable& records, int32_t number, const std::string*& text,
                const std::string& operation);
  // Marks record `number` as written for the walks whose batch holds it.
  void RecordChanged(RecordTable& records, int32_t number);
  // Sends, or forgets, the rewrites held back in bulk mode.
  void SendHeldBack();
  // Sends, without waiting, a write that reads no record and changes none held back (a
  // removal): the rewrites held back may go after it, so that removals do not cut them up.
  void SendAside(const std::string& statement, const pg::Params& params,
                 const std::string& operation, const std::string& subject);
  // Rolls back to the savepoint of a host call that failed, keeping the transaction.
  void RollbackHostCall();
  pg::Connection& conn() { return database().connection(); }
  const std::string& schema() { return database().schema(); }

  bool aside_ = false;
  pg::Connection::Mark mark_{};  // the COPY data of the host call under way, in bulk mode
};

}  // namespace actifix::platform
