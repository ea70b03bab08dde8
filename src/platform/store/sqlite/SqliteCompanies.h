// The companies of a data directory, one SQLite database each: <data>/<CODE>Actifix.db (see
// CompanyDatabase.h), held through <CODE>Actifix.db.lock (CompanyLock), its anomaly log
// <CODE>Anomalies.log, and its backups in <data>/sauvegardes/ as
// <CODE>Actifix-<yyyymmdd-hhmmss>.db (a "-2", "-3"... after it for several in one second),
// each written whole under a hidden temporary name and linked under its own when complete.
// A company copied in is written under a hidden name first and linked under its own when
// complete, so that nothing ever stands there half made.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/CompanyStore.h"

namespace actifix::platform {

class CompanyDatabase;

class SqliteCompanies : public CompanyStore {
 public:
  // REQUIRES: `dataDir` is a directory, or nothing yet (made by the first Create).
  explicit SqliteCompanies(std::filesystem::path dataDir) : dataDir_(std::move(dataDir)) {}

  std::string Where() const override { return dataDir_.string(); }
  const std::filesystem::path& OutputDir() const override { return dataDir_; }

  std::vector<std::string> Codes() override;
  bool Exists(const std::string& code) override;
  void Create(const CompanySettings& settings) override;
  void Remove(const std::string& code) override;
  CompanySettings Settings(const std::string& code) override;
  std::unique_ptr<Store> Open(const std::string& code) override;
  std::unique_ptr<Store> OpenForReading(const std::string& code) override;
  std::unique_ptr<CompanyHold> Hold(const std::string& code, CompanyHold::Mode mode,
                                    const std::string& command) override;
  std::filesystem::path AnomalyLog(const std::string& code) const override;

  std::string BackupPlace() const override { return BackupDirectory().string(); }
  Backup TakeBackup(Store& store, const std::string& code,
                    const std::optional<ClosedYear>& closedYear = std::nullopt) override;
  // Copied on a thread of its own from a read snapshot of the company's file, while the
  // program's own connection goes on writing.
  PendingBackup BeginBackup(Store& store, const std::string& code,
                            const std::optional<ClosedYear>& closedYear) override;
  std::vector<Backup> Backups(const std::string& code) override;
  std::optional<Backup> FindBackup(const std::string& name) override;
  std::unique_ptr<Store> OpenArchive(const Backup& backup) override;
  std::optional<Backup> Restore(const std::string& code, const Backup& backup) override;

  StoredFiles Describe(Store& store, const std::string& code) override;
  // Writes the copy into a file of its own beside the company's, ".<CODE>Actifix.db.<pid>"
  // (in one transaction, not power-safe), then links it under the company's name.
  std::unique_ptr<CompanyLoad> Load(
      const CompanySettings& settings,
      const std::vector<std::pair<std::string, std::string>>& yearsOpened) override;

 private:
  std::filesystem::path BackupDirectory() const { return dataDir_ / "sauvegardes"; }
  // Writes a backup whole under a temporary name, by `copyTo` (which makes the named file),
  // then links it under its own, "<CODE>Actifix-<yyyymmdd-hhmmss><note>.db".
  Backup WriteBackup(const std::function<void(const std::filesystem::path&)>& copyTo,
                     const std::string& code, const std::optional<ClosedYear>& closedYear,
                     const std::string& note);
  // Puts a copy of `copy` in place of company `code`'s file, which cannot be opened; that
  // file, when there is one, is kept as a backup, returned.
  std::optional<Backup> ReplaceFile(const std::string& code, const std::filesystem::path& copy);

  std::filesystem::path dataDir_;
};

}  // namespace actifix::platform
