// The record files, key files and text files of one company, over its CompanyDatabase.
// The module sees them through one HostRecordFile and one HostKeyedFile object, both made
// here and sharing this store's handles: a key file is told which record file to read or
// write through the record-file handle it is given.
//
// Writes go into one open transaction, begun by the first write and ended by Commit(); the
// platform commits before the module waits for the user and when an operation ends or fails.
// Several programs may work on one company: a transaction takes the company's write lock at
// its first write (waiting up to CompanyDatabase::kBusyWaitMs for another program's commit)
// and starts from the database as it is then, so record numbers and key order stay right.
// Each host call that writes several rows (Insert, Delete) runs under a savepoint, so a call
// that fails leaves none of its rows behind, and a crash loses only the uncommitted work,
// never leaving a record without its key nor a key without its record.
//
// Handles are 16-bit and shared by record, key and text files, so that a handle used in the
// wrong service is refused rather than taken for another file. Opening a record or key file
// that is already open gives its handle again (the module may open its files again).
//
// Key files: keys are byte strings of at most the key length, stored as given and compared
// byte-wise (memcmp). A "P" file refuses a second entry for a key; an "S" file keeps
// duplicates in insertion order. Each key file has one walk cursor (First/Next) that
// remembers the last entry returned, so entries may be added or removed during a walk.
// The sort index "Tri" is a temporary key file: it lives in memory (an ordered map, equal keys
// in insertion order), starts empty at each Open, is dropped by Close, and never touches the
// database, so building it over a million assets takes no write lock and no SQL.
//
// Record numbers are given by the store and never reused: a new record gets one more than
// the highest number the file has ever had.
//
// Text files (CreateText/WriteLine/Exists): a relative name is taken in the company's data
// directory; lines are written as the module's Windows-1252 bytes with CR LF. They are
// flushed at each Commit and closed with the store (or when the same file is created again).
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

namespace actifix::platform {

class Store {
 public:
  // The name of the temporary sort index.
  static constexpr const char* kSortIndexName = "Tri";

  explicit Store(std::unique_ptr<CompanyDatabase> database);
  // Abandons an uncommitted transaction, as a crash would.
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Service objects over this store. REQUIRES: the store outlives them.
  std::unique_ptr<HostRecordFile> MakeRecordFile();
  std::unique_ptr<HostKeyedFile> MakeKeyedFile();

  // Commits the open write transaction, if any, and flushes the text files.
  void Commit();

  // Abandons the open write transaction, if any: nothing written since the last commit stays.
  // The module's buffers keep what they held; the operation that called it is to end.
  void Rollback();

  // Flushes and closes every text file: what was written is complete on disk. Throws
  // HostError when a file could not be written.
  void CloseTextFiles();
  // The number of entries of the key file `name` as committed or written in this
  // transaction. Throws HostError when there is no such key file.
  int64_t CountEntries(const std::string& name);

  // Begins the write transaction now (waiting while another program writes), so that what is
  // read until Commit() stays as read.
  void HoldWriteLock();
  // Runs `read` on one state of the database, whatever other programs commit meanwhile: in a
  // read transaction, or in the write transaction when one is open. `read` must not write.
  void ReadConsistently(const std::function<void()>& read);

  // Bulk access for the register check, straight on the tables, without the module's
  // call-backs. A file that was never made reads as empty.
  // The record length file `name` was made with (0 when it was never made).
  int32_t RecordLength(const std::string& name);
  // Every record of `name` in record-number order, its bytes as stored (not blank-filled).
  void ScanRecords(const std::string& name,
                   const std::function<void(int32_t number, std::string_view bytes)>& each);
  // Every entry of key file `name` in key order, equal keys in insertion order.
  void ScanKeys(const std::string& name,
                const std::function<void(std::string_view key, int32_t number)>& each);
  // Replaces every entry of key file `name` by `entries` (key, record number), given in the
  // order they were written: equal keys of an "S" file keep that order. Joins the write
  // transaction. Throws HostError when a "P" file would get a key twice, or the file is unknown.
  void RebuildKeys(const std::string& name,
                   const std::vector<std::pair<std::string, int32_t>>& entries);

  // For tests that break a run on purpose: the `writes`-th call from now that writes to the
  // database (WriteText, Insert, AddKey, Delete, RemoveKey, Clear, a file made on first use,
  // a commit that saves record numbering; 1 = the next one) throws HostError before it writes
  // anything. 0 turns it off.
  void FailAtWrite(int64_t writes) { failAtWrite_ = writes; }

  CompanyDatabase& database() { return *db_; }
  const std::filesystem::path& dataDirectory() const { return dataDirectory_; }

 private:
  friend class StoreRecordFile;
  friend class StoreKeyedFile;
  struct RecordTable;
  struct KeyTable;
  struct TextFile;

  // HostRecordFile
  void OpenRecordFile(const std::string& name, int32_t recordLength, int16_t& handle,
                      HostComponent& component);
  void Read(int16_t handle, int32_t number);
  void Write(int16_t handle, int32_t number);
  void ReadText(int16_t handle, int32_t number, std::string& text);
  void WriteText(int16_t handle, int32_t number, const std::string& text);
  int32_t LastRecordNumber(int16_t handle);
  void CreateText(const std::string& fileName, int16_t& handle);
  void WriteLine(int16_t handle, const std::string& line);
  bool Exists(const std::string& path) const;
  void Remove(const std::string& path) const;

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
  void CloseKeyFile(int16_t keyHandle);

  RecordTable& Records(int16_t handle, const std::string& operation);
  KeyTable& Keys(int16_t handle, const std::string& operation);
  int16_t NewHandle(const std::string& operation, const std::string& subject) const;
  // Record `number`'s stored text. Throws HostError when there is no such record.
  std::string Fetch(RecordTable& records, int32_t number, const std::string& operation);
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
  std::filesystem::path Resolve(const std::string& name) const;

  // Declared first so that it is destroyed last, after every statement over it.
  std::unique_ptr<CompanyDatabase> db_;
  std::filesystem::path dataDirectory_;
  std::map<int16_t, std::unique_ptr<RecordTable>> records_;
  std::map<int16_t, std::unique_ptr<KeyTable>> keys_;
  std::map<int16_t, std::unique_ptr<TextFile>> texts_;
  std::unique_ptr<SavepointStatements> savepoint_;
  int64_t failAtWrite_ = 0;
};

}  // namespace actifix::platform
