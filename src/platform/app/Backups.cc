#include "platform/app/Backups.h"

#include <algorithm>

#include "platform/app/Companies.h"
#include "platform/app/CompanyCode.h"
#include "platform/app/LocalTime.h"
#include "platform/screen/TypedText.h"
#include "platform/store/CompanyDatabase.h"

namespace actifix::platform {

namespace {

constexpr std::string_view kInfix = "Actifix-";

// "01Actifix-20270102-093000.db" or "...-093000-2.db" -> "02/01/2027 09:30:00"; "" otherwise.
std::string TakenFrom(const std::string& name) {
  const std::size_t at = name.find(kInfix);
  if (at != 2 || name.size() < 2 + kInfix.size() + 15 + 3 ||
      name.compare(name.size() - 3, 3, ".db") != 0)
    return "";
  const std::string stamp = name.substr(2 + kInfix.size(), 15);  // yyyymmdd-hhmmss
  if (stamp[8] != '-' || !std::all_of(stamp.begin(), stamp.begin() + 8, ::isdigit) ||
      !std::all_of(stamp.begin() + 9, stamp.end(), ::isdigit))
    return "";
  return stamp.substr(6, 2) + "/" + stamp.substr(4, 2) + "/" + stamp.substr(0, 4) + " " +
         stamp.substr(9, 2) + ":" + stamp.substr(11, 2) + ":" + stamp.substr(13, 2);
}

}  // namespace

std::filesystem::path BackupDirectory(const std::filesystem::path& dataDir) {
  return dataDir / "sauvegardes";
}

std::filesystem::path TakeBackup(CompanyDatabase& database, const std::filesystem::path& dataDir,
                                 const std::string& code) {
  const std::filesystem::path dir = BackupDirectory(dataDir);
  std::filesystem::create_directories(dir);
  const std::string stem = code + std::string(kInfix) + LocalTimeText("%Y%m%d-%H%M%S");
  std::filesystem::path path = dir / (stem + ".db");
  for (int n = 2; std::filesystem::exists(path); ++n)
    path = dir / (stem + "-" + std::to_string(n) + ".db");
  database.BackupTo(path);
  return path;
}

std::vector<Backup> ListBackups(const std::filesystem::path& dataDir, const std::string& code) {
  std::vector<Backup> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(BackupDirectory(dataDir), error)) {
    const std::string name = entry.path().filename().string();
    const std::string taken = TakenFrom(name);
    if (taken.empty() || !IsCompanyCode(name.substr(0, 2))) continue;
    if (!code.empty() && name.compare(0, 2, code) != 0) continue;
    backups.push_back({entry.path(), name.substr(0, 2), taken, entry.file_size(error)});
  }
  std::sort(backups.begin(), backups.end(),
            [](const Backup& a, const Backup& b) { return a.path.stem() < b.path.stem(); });
  return backups;
}

std::filesystem::path FindBackup(const std::filesystem::path& dataDir, const std::string& name) {
  std::filesystem::path path = name;
  if (path.parent_path().empty()) path = BackupDirectory(dataDir) / path;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    throw UserError("Sauvegarde « " + Printable(name) +
                    " » introuvable : voyez la liste donnée par actifix company backups.");
  return path;
}

}  // namespace actifix::platform
