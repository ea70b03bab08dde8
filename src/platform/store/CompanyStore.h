// Where the companies live: the one object that knows whether they are SQLite files in a data
// directory or anything else. The program asks it to list, create, open, hold and back up a
// company, and never builds a company's file name itself. MakeCompanyStore picks the backend
// from the --data value. What every backend guarantees: docs/formats.md ("The store seam").
#pragma once

#include <cstdint>
#include <filesystem>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/store/CompanyCopy.h"
#include "platform/store/CompanySettings.h"

namespace actifix::platform {

class Store;

// A company held by this program for an operation; released when destroyed, and by the
// system when the process ends, however it ends.
class CompanyHold {
 public:
  // Shared for work that runs beside others (entry screens, editions, the export), exclusive
  // for work that rewrites the register (the year opening, bulk writes, a repair, a restore).
  enum class Mode { kShared, kExclusive };
  virtual ~CompanyHold() = default;
};

// A fiscal year, "dd/mm/yyyy" to "dd/mm/yyyy".
struct ClosedYear {
  std::string start, end;
};

// A consistent copy of one company, taken before an operation that rewrites its register.
struct Backup {
  // Where the copy is: its file name (on a server, the whole name) is what the user gives back.
  std::filesystem::path path;
  std::string code;   // the company it is a copy of
  std::string taken;  // "dd/mm/yyyy hh:mm:ss"
  uintmax_t bytes = 0;
  // A copy taken at a year opening, before the register was rolled, is the archive of the
  // year that closed: its figures are that year's, printed under these dates.
  std::optional<ClosedYear> closedYear;
};

// A backup begun by CompanyStore::BeginBackup, perhaps still being written.
class PendingBackup {
 public:
  explicit PendingBackup(std::future<Backup> copy) : copy_(std::move(copy)) {}
  // Waits until the copy is whole and durable; throws its HostError when it failed.
  Backup Finish() { return copy_.get(); }

 private:
  std::future<Backup> copy_;  // its destructor waits for a copy still being written
};

class CompanyStore {
 public:
  virtual ~CompanyStore() = default;

  // Where the companies are, as told to the user.
  virtual std::string Where() const = 0;
  // The output folder: the local directory of what the program writes beside the companies
  // (interface files, exports, anomaly logs, editions by default).
  virtual const std::filesystem::path& OutputDir() const = 0;

  // Codes of the companies, in order.
  virtual std::vector<std::string> Codes() = 0;
  // Whether anything already stands where company `code` would be made.
  virtual bool Exists(const std::string& code) = 0;
  // Creates company `settings.code` with its settings. REQUIRES: the code already checked.
  // Throws HostError when it already exists (left untouched) or cannot be made.
  virtual void Create(const CompanySettings& settings) = 0;
  // Removes company `code` and everything stored for it (the demo's own company).
  virtual void Remove(const std::string& code) = 0;
  // The stored settings of company `code`. Throws HostError when it cannot be read.
  virtual CompanySettings Settings(const std::string& code) = 0;
  // Opens the store of company `code`, checked before anything is written. Throws HostError
  // when it is missing, damaged, or not one of ours; nothing is written to a refused one.
  virtual std::unique_ptr<Store> Open(const std::string& code) = 0;
  // The same for a run that only reads the register: a store that checks its files before
  // writes may leave out what the reads check as they go (docs/formats.md).
  virtual std::unique_ptr<Store> OpenForReading(const std::string& code);

  // Holds company `code`, waiting up to kCompanyWaitMs while another program holds it the
  // other way. Throws HostError naming the command that holds it (when known) after the wait.
  // `command` describes this program's work ("actifix run EntImo").
  virtual std::unique_ptr<CompanyHold> Hold(const std::string& code, CompanyHold::Mode mode,
                                            const std::string& command) = 0;

  // The anomaly log of company `code`.
  virtual std::filesystem::path AnomalyLog(const std::string& code) const = 0;

  // Where the backups are, as told to the user.
  virtual std::string BackupPlace() const = 0;
  // Takes a consistent copy of company `code`, opened as `store`, now; with `closedYear`, kept
  // as the archive of that year (read by key later: the copy takes longer). REQUIRES: no write
  // transaction open on `store` (commit first). Throws HostError.
  virtual Backup TakeBackup(Store& store, const std::string& code,
                            const std::optional<ClosedYear>& closedYear = std::nullopt) = 0;
  // The same copy, of the company as committed now, written while the program goes on with
  // its work: nothing the program commits meanwhile is in it. A store that cannot copy beside
  // its writes takes it now. REQUIRES: no write transaction open on `store`. Throws HostError.
  virtual PendingBackup BeginBackup(Store& store, const std::string& code,
                                    const std::optional<ClosedYear>& closedYear);
  // The backups of company `code` (every company when empty), oldest first.
  virtual std::vector<Backup> Backups(const std::string& code) = 0;
  // The backup `name` (a name of the list, or a path), its code read from the copy itself;
  // nothing when there is no such backup. Throws HostError when it is not an intact copy.
  virtual std::optional<Backup> FindBackup(const std::string& name) = 0;
  // Opens the archive `backup` (a copy with its closed year) read only: every write it is
  // asked for fails. Throws HostError when it is missing or not an intact copy.
  virtual std::unique_ptr<Store> OpenArchive(const Backup& backup) = 0;
  // Replaces company `code` by the copy `backup`, so that a program reading it meanwhile sees
  // one or the other. The copy is checked first as an opening checks a company (ours, not of
  // a newer version, intact, of company `code`, every file's table there; an older version is
  // fine, migrated at the next opening): refused, nothing is changed. Then what it replaces is
  // kept as one more backup, its name ending "avant-restauration" ("avant_restauration" on a
  // server), returned (nothing when there was no
  // company to keep). REQUIRES: the company held exclusively. Throws HostError.
  virtual std::optional<Backup> Restore(const std::string& code, const Backup& backup) = 0;

  // Copies between stores (CompanyCopy.h). The stored files of company `code`, opened as
  // `store`, read in the store's open transaction: call it within store.ReadConsistently,
  // with the rows, so that all are of one moment. Throws HostError.
  virtual StoredFiles Describe(Store& store, const std::string& code) = 0;
  // Begins company `settings.code` here, with its settings and the years opened, to be
  // filled and published. Throws HostError when it exists already (left untouched).
  virtual std::unique_ptr<CompanyLoad> Load(
      const CompanySettings& settings,
      const std::vector<std::pair<std::string, std::string>>& yearsOpened) = 0;
};

// The cause of a restore refused for `why` (a cause of the checks of an opening), the company
// `code` left as it was.
std::string RestoreRefusal(const std::string& why, const std::string& code);

// The companies named by `where` (a --data value, already defaulted): a PostgreSQL server
// ("postgresql://..." or "postgres://...", reached at the first question), else a data
// directory, made on first use. A data directory is its own output folder; a server's
// companies have `outputDir` (empty: the current directory). Throws HostError, its cause one
// French line for the user, when `where` is a file that is not a directory.
std::unique_ptr<CompanyStore> MakeCompanyStore(const std::string& where,
                                               const std::filesystem::path& outputDir = {});

// `text` with every password that `address` (a --data or --to value) holds taken out, and any
// password of an address the text quotes: the one helper every message built from an address
// or from a driver's words goes through before the user, a log or a file sees it.
std::string WithoutPasswords(std::string_view text, std::string_view address);

}  // namespace actifix::platform
