// The record files, key files and text files of one company, whatever database holds them.
// The module sees them through one HostRecordFile and one HostKeyedFile object, both made
// here and sharing this store's handles: a key file is told which record file to read or
// write through the record-file handle it is given. KeyedStore implements it once over a
// backend's rows (SqliteStore in store/sqlite/, PgStore in store/pg/); what every backend
// guarantees is written down in docs/formats.md ("The store seam").
//
// Writes go into one open transaction, begun by the first write and ended by Commit(); the
// platform commits before the module waits for the user and when an operation ends or fails.
// Several programs may work on one company: a transaction takes the company's write lock at
// its first write (waiting up to kCompanyWaitMs for another program's commit) and starts from
// the database as it is then, so record numbers and key order stay right. Each host call that
// writes several rows (Insert, Delete) is all or nothing, and a crash loses only the
// uncommitted work, never leaving a record without its key nor a key without its record.
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
// database, so building it over a million assets takes no write lock.
//
// Several users at once: the last few records a key file's Find returned (or its Insert wrote)
// are remembered as they were; a Delete of one of them through a key file, or a Read of one
// that is gone, is refused with StoreConflict when another program changed or deleted it
// meanwhile, as is an Insert whose "P" key another program took. Nothing of the refused call
// is written.
//
// Record numbers are given by the store and never reused: a new record gets one more than
// the highest number the file has ever had.
//
// Every record is stored with a checksum of its bytes (RecordSum.h), written by every path
// that writes records and checked by every read (Read, Find, walks, the bulk scans): a record
// whose bytes changed on the disk is refused with a HostError naming the file and the record,
// never handed to the module.
//
// Text files (CreateText/WriteLine/Exists): a relative name is taken in the company's data
// directory; lines are written as the module's Windows-1252 bytes with CR LF. They are
// flushed at each Commit and closed with the store (or when the same file is created again).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/HostKeyedFile.h"
#include "host/HostRecordFile.h"
#include "platform/store/CompanySettings.h"

namespace actifix::platform {

class Store {
 public:
  // The name of the temporary sort index.
  static constexpr const char* kSortIndexName = "Tri";

  // Abandons an uncommitted transaction, as a crash would.
  virtual ~Store() = default;
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Service objects over this store. REQUIRES: the store outlives them.
  virtual std::unique_ptr<HostRecordFile> MakeRecordFile() = 0;
  virtual std::unique_ptr<HostKeyedFile> MakeKeyedFile() = 0;

  // Commits the open write transaction, if any, and flushes the text files.
  virtual void Commit() = 0;

  // Abandons the open write transaction, if any: nothing written since the last commit stays.
  // The module's buffers keep what they held; the operation that called it is to end.
  virtual void Rollback() = 0;

  // Flushes and closes every text file: what was written is complete on disk. Throws
  // HostError when a file could not be written.
  virtual void CloseTextFiles() = 0;
  // The number of entries of the key file `name` as committed or written in this
  // transaction. Throws HostError when there is no such key file.
  virtual int64_t CountEntries(const std::string& name) = 0;

  // Begins the write transaction now (waiting while another program writes), so that what is
  // read until Commit() stays as read.
  virtual void HoldWriteLock() = 0;
  // Runs `read` on one state of the database, whatever other programs commit meanwhile: in a
  // read transaction, or in the write transaction when one is open. `read` must not write.
  virtual void ReadConsistently(const std::function<void()>& read) = 0;

  // Bulk access for the register check, straight on the stored files, without the module's
  // call-backs. A file that was never made reads as empty.
  // The record length file `name` was made with (0 when it was never made).
  virtual int32_t RecordLength(const std::string& name) = 0;
  // Every record of `name` in record-number order, its bytes as stored (not blank-filled).
  // A record whose bytes differ from their checksum goes to `damaged` instead, or, when there
  // is none, throws HostError naming the file and the record.
  virtual void ScanRecords(
      const std::string& name,
      const std::function<void(int32_t number, std::string_view bytes)>& each,
      const std::function<void(int32_t number, std::string_view bytes)>& damaged = nullptr) = 0;
  // Every entry of key file `name` in key order, equal keys in insertion order.
  virtual void ScanKeys(const std::string& name,
                        const std::function<void(std::string_view key, int32_t number)>& each) = 0;
  // Replaces every entry of key file `name` by `entries` (key, record number), given in the
  // order they were written: equal keys of an "S" file keep that order. Joins the write
  // transaction. Throws HostError when a "P" file would get a key twice, or the file is unknown.
  virtual void RebuildKeys(const std::string& name,
                           const std::vector<std::pair<std::string, int32_t>>& entries) = 0;

  // For tests that break a run on purpose: the `writes`-th call from now that writes to the
  // database (WriteText, Insert, AddKey, Delete, RemoveKey, Clear, a file made on first use,
  // a commit that saves record numbering; 1 = the next one) throws HostError before it writes
  // anything. 0 turns it off.
  virtual void FailAtWrite(int64_t writes) = 0;

  // A rewrite of a record of `name` never lowers the number held in bytes [offset, offset +
  // width) (blanks then digits): when another program stored a higher one meanwhile, that one
  // is kept, and the record is read back into the module's buffer. For a nature's running
  // order number, which two users raise at once. Width 0 turns it off.
  virtual void KeepRunningNumber(const std::string& name, int32_t offset, int32_t width) = 0;

  // Damaged records of `name` are named in messages by the fields of `widths` at the start of
  // the record ("Immo": CODNATI, NUMNATI), not by their number alone.
  virtual void NameRecords(const std::string& name, const std::vector<int32_t>& widths) = 0;

  // The company's settings as stored. Throws HostError when they cannot be read.
  virtual CompanySettings Settings() = 0;
  // Stores the settings at once (joining the open write transaction when there is one).
  virtual void SaveSettings(const CompanySettings& settings) = 0;
  // When the fiscal year starting on `yearStart` was opened ("" when it never was).
  virtual std::string YearOpened(const std::string& yearStart) = 0;
  // Marks that year opened at `when` (in the open write transaction when there is one).
  virtual void MarkYearOpened(const std::string& yearStart, const std::string& when) = 0;
  // Power-safe commits (the default) survive a power loss; otherwise a commit survives the
  // program's crash or kill, and only the last ones may be lost when the machine stops.
  virtual void SetPowerSafe(bool powerSafe) = 0;
  // Bulk mode, for a register generated, imported or rolled to a new year in one go: a store
  // may gather new records, rewrites and entries and write them together. A second entry for a "P"
  // key may then be refused only at a later call or at the commit, and the whole transaction with
  // it: callers in bulk mode make or check their keys beforehand. Off by default.
  virtual void SetBulk(bool bulk) = 0;

 protected:
  Store() = default;
};

}  // namespace actifix::platform
