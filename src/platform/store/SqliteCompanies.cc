#include "platform/store/SqliteCompanies.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#include "host/HostError.h"
#include "platform/store/CompanyDatabase.h"
#include "platform/store/CompanyLock.h"
#include "platform/store/SqliteStore.h"

namespace actifix::platform {

namespace {

constexpr std::string_view kDatabaseSuffix = "Actifix.db";
constexpr std::string_view kInfix = "Actifix-";

bool IsCodeCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// Whether a file name starts with a company code: two letters or digits.
bool StartsWithCode(const std::string& name) {
  return name.size() >= 2 && IsCodeCharacter(name[0]) && IsCodeCharacter(name[1]);
}

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

// Now in local time, "yyyymmdd-hhmmss".
std::string Stamp() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  return std::string(text, std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local));
}

}  // namespace

std::vector<std::string> SqliteCompanies::Codes() {
  std::vector<std::string> codes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dataDir_, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 2 + kDatabaseSuffix.size()) continue;
    if (name.substr(2) != kDatabaseSuffix) continue;
    if (StartsWithCode(name)) codes.push_back(name.substr(0, 2));
  }
  std::sort(codes.begin(), codes.end());
  return codes;
}

bool SqliteCompanies::Exists(const std::string& code) {
  return std::filesystem::exists(CompanyDatabase::PathFor(dataDir_, code));
}

void SqliteCompanies::Create(const CompanySettings& settings) {
  CompanyDatabase::Create(CompanyDatabase::PathFor(dataDir_, settings.code), settings);
}

void SqliteCompanies::Remove(const std::string& code) {
  std::filesystem::remove(CompanyDatabase::PathFor(dataDir_, code));
}

CompanySettings SqliteCompanies::Settings(const std::string& code) {
  return CompanyDatabase::Open(CompanyDatabase::PathFor(dataDir_, code))->Settings();
}

std::unique_ptr<Store> SqliteCompanies::Open(const std::string& code) {
  return std::make_unique<SqliteStore>(
      CompanyDatabase::Open(CompanyDatabase::PathFor(dataDir_, code)));
}

std::unique_ptr<CompanyHold> SqliteCompanies::Hold(const std::string& code, CompanyHold::Mode mode,
                                                   const std::string& command) {
  return std::make_unique<CompanyLock>(CompanyDatabase::PathFor(dataDir_, code), mode, command);
}

std::filesystem::path SqliteCompanies::AnomalyLog(const std::string& code) const {
  return dataDir_ / (code + "Anomalies.log");
}

Backup SqliteCompanies::TakeBackup(Store& store, const std::string& code) {
  auto* sqlite = dynamic_cast<SqliteStore*>(&store);
  if (sqlite == nullptr)
    throw HostError("SqliteCompanies.TakeBackup", code,
                    "l'entreprise n'est pas dans ce répertoire de données");
  const std::filesystem::path dir = BackupDirectory();
  std::filesystem::create_directories(dir);
  const std::string stem = code + std::string(kInfix) + Stamp();
  std::filesystem::path path = dir / (stem + ".db");
  for (int n = 2; std::filesystem::exists(path); ++n)
    path = dir / (stem + "-" + std::to_string(n) + ".db");
  sqlite->database().BackupTo(path);
  std::error_code error;
  return {path, code, TakenFrom(path.filename().string()), std::filesystem::file_size(path, error)};
}

std::vector<Backup> SqliteCompanies::Backups(const std::string& code) {
  std::vector<Backup> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(BackupDirectory(), error)) {
    const std::string name = entry.path().filename().string();
    const std::string taken = TakenFrom(name);
    if (taken.empty() || !StartsWithCode(name)) continue;
    if (!code.empty() && name.compare(0, 2, code) != 0) continue;
    backups.push_back({entry.path(), name.substr(0, 2), taken, entry.file_size(error)});
  }
  std::sort(backups.begin(), backups.end(),
            [](const Backup& a, const Backup& b) { return a.path.stem() < b.path.stem(); });
  return backups;
}

std::optional<Backup> SqliteCompanies::FindBackup(const std::string& name) {
  std::filesystem::path path = name;
  if (path.parent_path().empty()) path = BackupDirectory() / path;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  return Backup{path, CompanyDatabase::CodeOf(path), TakenFrom(path.filename().string()),
                std::filesystem::file_size(path, error)};
}

void SqliteCompanies::Restore(const std::string& code, const Backup& backup) {
  CompanyDatabase::Restore(backup.path, CompanyDatabase::PathFor(dataDir_, code));
}

}  // namespace actifix::platform
