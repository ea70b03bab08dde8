// Which programs work on a company at once. The year opening, a generated or imported
// register and a repair hold the company exclusively for the whole operation, waits in between
// included; the entry screens, the editions and the export hold it shared, and meet through
// the store's short write transactions and consistent reads (docs/formats.md). A file lock
// (flock) on <CODE>Actifix.db.lock beside the database, which also lists the commands holding
// it, so that a refusal can name one still running. The system drops the lock when the process
// ends, however it ends.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <utility>

#include "platform/store/CompanyStore.h"

namespace actifix::platform {

class CompanyLock final : public CompanyHold {
 public:
  // Waits up to CompanyDatabase::kBusyWaitMs for the company. Throws HostError when it is still
  // held the other way then (naming the command that holds it, when known), or when the lock
  // file cannot be made. `command` describes this program's work ("actifix run EntImo").
  CompanyLock(const std::filesystem::path& database, Mode mode, const std::string& command);
  ~CompanyLock() override;
  CompanyLock(const CompanyLock&) = delete;
  CompanyLock& operator=(const CompanyLock&) = delete;

  Mode mode() const { return mode_; }

 private:
  int fd_ = -1;
  Mode mode_;
  std::pair<off_t, std::size_t> line_{0, 0};  // where this program's line is in the lock file
};

}  // namespace actifix::platform
