// The database that holds one company, as a KeyedStore sees it whatever the server: its write
// and read transactions and the company's settings. CompanyDatabase (SQLite) and PgCompany
// (PostgreSQL) implement it; the rows of the record and key files are the store's own.
#pragma once

#include <cstdint>
#include <string>

#include "platform/store/CompanySettings.h"

namespace actifix::platform {

class StoreDatabase {
 public:
  virtual ~StoreDatabase() = default;

  // Names the company's database in errors.
  virtual const std::string& subject() const = 0;

  // Whether a transaction (write or read) is open.
  virtual bool InTransaction() const = 0;
  // Counts the write transactions begun: what was read in one of them is valid until the
  // generation changes.
  virtual uint64_t writeGeneration() const = 0;
  // Begins a read transaction that sees one state of the database until its commit.
  // REQUIRES: no transaction open.
  virtual void BeginRead(const std::string& operation) = 0;
  // Commits the open transaction (write or read), if any. Throws HostError.
  virtual void CommitWrite(const std::string& operation) = 0;
  // Abandons the open transaction, if any.
  virtual void RollbackWrite() = 0;

  // The company's settings as stored. Throws HostError when they cannot be read.
  virtual CompanySettings Settings() = 0;
  // Stores the settings at once (joining the open write transaction when there is one).
  virtual void SaveSettings(const CompanySettings& settings) = 0;
  // When the fiscal year starting on `yearStart` was opened ("" when it never was).
  virtual std::string YearOpened(const std::string& yearStart) = 0;
  // Marks that year opened at `when` (in the open write transaction when there is one).
  virtual void MarkYearOpened(const std::string& yearStart, const std::string& when) = 0;
  // Power-safe commits survive a power loss; otherwise only the program's crash or kill.
  virtual void SetPowerSafe(bool powerSafe) = 0;

 protected:
  StoreDatabase() = default;
  StoreDatabase(const StoreDatabase&) = delete;
  StoreDatabase& operator=(const StoreDatabase&) = delete;
};

}  // namespace actifix::platform
