// The companies of one PostgreSQL database, a schema each (PgCompany.h). What the program
// writes beside them (interface files, exports, anomaly logs <CODE>Anomalies.log, editions)
// stays on this machine, in the output folder the program gives, made when first needed.
//
// A company is held through a session-level advisory lock of its own connection (kHoldSpace,
// hashtext of the schema name), shared or exclusive; the server drops it when the program's
// connection ends, however the program ends. The holder's command is its connection's
// application_name, so that a program refused can name it.
//
// A backup is a schema of the same database, "actifix_<CODE>_sauvegarde_<yyyymmdd>_<hhmmss>"
// ("_2", "_3"... after it for several in one second), its name being what the user gives back:
// the company's tables copied on the server in one REPEATABLE READ transaction (so it is the
// company at one moment, and appears whole or not at all), with a table "backup" (code, taken)
// saying whose copy it is and when it was taken. A restore checks the backup as an opening
// checks a company, then, in one transaction under the company's write lock, renames the
// company's schema into a backup "..._avant_restauration" and copies the backup's tables into
// a new one.
#pragma once

#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/store/CompanyStore.h"
#include "platform/store/pg/Pg.h"

namespace actifix::platform {

class PgCompanies final : public CompanyStore {
 public:
  // "ActH": the first key of the advisory locks that hold a company, apart from the write lock.
  static constexpr int32_t kHoldSpace = 0x41637448;

  // Connects only when asked something: `uri` may name a server that is not reachable yet.
  // The companies' files go to `outputDir`.
  PgCompanies(std::string uri, std::filesystem::path outputDir);

  std::string Where() const override { return shown_; }
  const std::filesystem::path& OutputDir() const override { return outputDir_; }

  std::vector<std::string> Codes() override;
  bool Exists(const std::string& code) override;
  void Create(const CompanySettings& settings) override;
  void Remove(const std::string& code) override;
  CompanySettings Settings(const std::string& code) override;
  std::unique_ptr<Store> Open(const std::string& code) override;
  std::unique_ptr<CompanyHold> Hold(const std::string& code, CompanyHold::Mode mode,
                                    const std::string& command) override;
  std::filesystem::path AnomalyLog(const std::string& code) const override;

  std::string BackupPlace() const override { return shown_; }
  Backup TakeBackup(Store& store, const std::string& code,
                    const std::optional<ClosedYear>& closedYear = std::nullopt) override;
  // Copied on the server by a connection of its own, from a snapshot taken before it returns,
  // while the program's connection goes on writing.
  PendingBackup BeginBackup(Store& store, const std::string& code,
                            const std::optional<ClosedYear>& closedYear) override;
  std::vector<Backup> Backups(const std::string& code) override;
  std::optional<Backup> FindBackup(const std::string& name) override;
  std::unique_ptr<Store> OpenArchive(const Backup& backup) override;
  std::optional<Backup> Restore(const std::string& code, const Backup& backup) override;

  StoredFiles Describe(Store& store, const std::string& code) override;
  // Writes the copy in one transaction that makes the company's schema, its rows by COPY and
  // each table's primary key after its rows: nobody sees the company before the commit.
  std::unique_ptr<CompanyLoad> Load(
      const CompanySettings& settings,
      const std::vector<std::pair<std::string, std::string>>& yearsOpened) override;

 private:
  // A backup's transaction begun on a connection of its own, its snapshot taken, and the
  // name of the schema it will make.
  struct CopyStart {
    std::unique_ptr<pg::Connection> connection;
    std::string name;
    std::time_t now;
  };
  CopyStart StartCopy(Store& store, const std::string& code);
  Backup FinishCopy(const CopyStart& start, const std::string& code,
                    const std::optional<ClosedYear>& closedYear);

  std::string uri_, shown_;
  std::filesystem::path outputDir_;
  // Kept between two Settings: a list of many companies would otherwise cost the server a new
  // connection, a process of its own, for each.
  std::unique_ptr<pg::Connection> reader_;
};

}  // namespace actifix::platform
