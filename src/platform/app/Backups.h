// The internal backups of a company: consistent copies of its database taken before an
// operation that rewrites the whole register, kept in <data>/sauvegardes/ as
// <CODE>Actifix-<yyyymmdd-hhmmss>.db (a "-2", "-3"... after it for several in one second).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace actifix::platform {

class CompanyDatabase;

struct Backup {
  std::filesystem::path path;
  std::string code;
  std::string taken;  // "dd/mm/yyyy hh:mm:ss", from the file's name
  uintmax_t bytes = 0;
};

std::filesystem::path BackupDirectory(const std::filesystem::path& dataDir);

// Takes a copy of `database` (company `code`) now and returns where it is.
// REQUIRES: no write transaction open on it. Throws HostError.
std::filesystem::path TakeBackup(CompanyDatabase& database, const std::filesystem::path& dataDir,
                                 const std::string& code);

// The backups of company `code` (every company when empty), oldest first.
std::vector<Backup> ListBackups(const std::filesystem::path& dataDir, const std::string& code);

// The backup `name` of company `code`: a file name of the backup directory, or a path.
// Throws UserError when there is no such file.
std::filesystem::path FindBackup(const std::filesystem::path& dataDir, const std::string& name);

}  // namespace actifix::platform
