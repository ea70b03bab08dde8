#include "platform/store/sqlite/SqliteCompanies.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <fstream>
#include <future>
#include <string_view>

#include "host/HostError.h"
#include "platform/store/CompanyLock.h"
#include "platform/store/RecordSum.h"
#include "platform/store/WritePath.h"
#include "platform/store/sqlite/CompanyDatabase.h"
#include "platform/store/sqlite/SqliteStore.h"

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

// Beside an archive "<stem>.db", "<stem>.exercice": the closed year's start and end on one line.
std::filesystem::path YearFileOf(const std::filesystem::path& backup) {
  std::filesystem::path year = backup;
  return year.replace_extension(".exercice");
}

std::optional<ClosedYear> ClosedYearOf(const std::filesystem::path& backup) {
  std::ifstream in(YearFileOf(backup));
  ClosedYear year;
  if (!(in >> year.start >> year.end) || year.start.size() != 10 || year.end.size() != 10)
    return std::nullopt;
  return year;
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

namespace {

// The database of company `code`, opened and checked to be that company's; for its settings
// alone, read only and without the walk of every page.
enum class Opening { kWriting, kReading, kSettings };

std::unique_ptr<CompanyDatabase> OpenCompany(const std::filesystem::path& dataDir,
                                             const std::string& code,
                                             Opening opening = Opening::kWriting) {
  const std::filesystem::path path = CompanyDatabase::PathFor(dataDir, code);
  std::unique_ptr<CompanyDatabase> db =
      opening == Opening::kSettings  ? CompanyDatabase::OpenSettings(path)
      : opening == Opening::kReading ? CompanyDatabase::OpenForReading(path)
                                     : CompanyDatabase::Open(path);
  CheckIdentity(db->Settings(), code, "CompanyDatabase.Open", path.string());
  return db;
}

}  // namespace

CompanySettings SqliteCompanies::Settings(const std::string& code) {
  return OpenCompany(dataDir_, code, Opening::kSettings)->Settings();
}

std::unique_ptr<Store> SqliteCompanies::Open(const std::string& code) {
  return std::make_unique<SqliteStore>(OpenCompany(dataDir_, code));
}

std::unique_ptr<Store> SqliteCompanies::OpenForReading(const std::string& code) {
  return std::make_unique<SqliteStore>(OpenCompany(dataDir_, code, Opening::kReading));
}

std::unique_ptr<CompanyHold> SqliteCompanies::Hold(const std::string& code, CompanyHold::Mode mode,
                                                   const std::string& command) {
  return std::make_unique<CompanyLock>(CompanyDatabase::PathFor(dataDir_, code), mode, command);
}

std::filesystem::path SqliteCompanies::AnomalyLog(const std::string& code) const {
  return dataDir_ / (code + "Anomalies.log");
}

namespace {

// Makes what was written under `path` last through a power loss: the file's bytes, or (for a
// directory) the names it holds.
void Sync(const std::filesystem::path& path) {
  if (const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC); fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

// A backup is written as ".<stem>.db.<pid>" (its side file ".<stem>.exercice.<pid>"), a name
// the listing never takes, and linked under its own name when whole. Removes the temporaries
// of company `code` left by a program killed meanwhile: their process is gone.
void RemoveStaleTemporaries(const std::filesystem::path& dir, const std::string& code) {
  std::error_code error;
  const std::string prefix = "." + code + std::string(kInfix);
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    // The temporary's journal, or its log and shared memory when it was left in WAL mode.
    for (const std::string_view side : {"-journal", "-wal", "-shm"})
      if (name.ends_with(side)) name.resize(name.size() - side.size());
    const std::size_t dot = name.rfind('.');
    const std::string pid = name.substr(dot + 1);
    if (pid.empty() || pid.size() > 9 || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    if (::kill(static_cast<pid_t>(std::stol(pid)), 0) != 0 && errno == ESRCH)
      std::filesystem::remove(entry.path(), error);
  }
}

// Links `from` under `to`, which link() never replaces; false when `to` exists. A disk
// without hard links gets a rename, checked just before.
bool LinkNew(const std::filesystem::path& from, const std::filesystem::path& to,
             const std::string& operation) {
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  const int error = errno;
  if (error == EEXIST || std::filesystem::exists(to)) return false;
  std::error_code renamed;
  if (error == EPERM || error == ENOTSUP) std::filesystem::rename(from, to, renamed);
  if ((error != EPERM && error != ENOTSUP) || renamed)
    throw HostError(ErrorKind::kIo, operation, to.string(), "impossible de créer le fichier");
  return true;
}

}  // namespace

namespace {

CompanyDatabase& DatabaseOf(Store& store, const std::string& code) {
  auto* sqlite = dynamic_cast<SqliteStore*>(&store);
  if (sqlite == nullptr)
    throw HostError(ErrorKind::kNotFound, "SqliteCompanies.TakeBackup", code,
                    "l'entreprise n'est pas dans ce répertoire de données");
  return sqlite->database();
}

}  // namespace

Backup SqliteCompanies::TakeBackup(Store& store, const std::string& code,
                                   const std::optional<ClosedYear>& closedYear) {
  CompanyDatabase& db = DatabaseOf(store, code);
  return WriteBackup([&db](const std::filesystem::path& to) { db.BackupTo(to); }, code, closedYear,
                     "");
}

PendingBackup SqliteCompanies::BeginBackup(Store& store, const std::string& code,
                                           const std::optional<ClosedYear>& closedYear) {
  auto snapshot = DatabaseOf(store, code).TakeSnapshot();
  return PendingBackup(std::async(
      std::launch::async, [this, snapshot = std::move(snapshot), code, closedYear]() mutable {
        return WriteBackup(
            [&snapshot](const std::filesystem::path& to) {
              snapshot->BackupTo(to);
              snapshot.reset();  // its read transaction ends with the copy
            },
            code, closedYear, "");
      }));
}

Backup SqliteCompanies::WriteBackup(const std::function<void(const std::filesystem::path&)>& copyTo,
                                    const std::string& code,
                                    const std::optional<ClosedYear>& closedYear,
                                    const std::string& note) {
  const std::string operation = "SqliteCompanies.TakeBackup";
  const std::filesystem::path dir = BackupDirectory();
  std::filesystem::create_directories(dir);
  RemoveStaleTemporaries(dir, code);
  const std::string stem = code + std::string(kInfix) + Stamp() + note;
  const std::string pid = "." + std::to_string(getpid());
  const std::filesystem::path temporary = dir / ("." + stem + ".db" + pid);
  copyTo(temporary);
  Sync(temporary);
  std::filesystem::path path = dir / (stem + ".db");
  try {
    for (int n = 2; !LinkNew(temporary, path, operation); ++n)
      path = dir / (stem + "-" + std::to_string(n) + ".db");
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
  std::error_code error;
  std::filesystem::remove(temporary, error);
  // The closed year after the copy: a copy without it is merely a plain backup.
  if (closedYear) {
    const std::filesystem::path year = dir / ("." + stem + ".exercice" + pid);
    std::ofstream out;
    OpenNoFollow(out, year, WriteMode::kNew, operation);
    out << closedYear->start << " " << closedYear->end << "\n";
    out.close();
    if (!out)
      throw HostError(ErrorKind::kIo, operation, YearFileOf(path).string(),
                      "impossible d'écrire l'exercice clos de la sauvegarde");
    Sync(year);
    std::filesystem::rename(year, YearFileOf(path));
  }
  Sync(dir);
  return {path, code, TakenFrom(path.filename().string()), std::filesystem::file_size(path, error),
          closedYear};
}

std::unique_ptr<Store> SqliteCompanies::OpenArchive(const Backup& backup) {
  return std::make_unique<SqliteStore>(CompanyDatabase::OpenArchive(backup.path));
}

std::vector<Backup> SqliteCompanies::Backups(const std::string& code) {
  std::vector<Backup> backups;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(BackupDirectory(), error)) {
    const std::string name = entry.path().filename().string();
    const std::string taken = TakenFrom(name);
    if (taken.empty() || !StartsWithCode(name)) continue;
    if (!code.empty() && name.compare(0, 2, code) != 0) continue;
    backups.push_back({entry.path(), name.substr(0, 2), taken, entry.file_size(error),
                       ClosedYearOf(entry.path())});
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
                std::filesystem::file_size(path, error), ClosedYearOf(path)};
}

std::optional<Backup> SqliteCompanies::Restore(const std::string& code, const Backup& backup) {
  const std::string operation = "CompanyDatabase.Restore";
  std::unique_ptr<CompanyDatabase> source;
  try {
    source = CompanyDatabase::OpenBackup(backup.path);
  } catch (const HostError& refused) {
    throw HostError(refused.kind(), operation, backup.path.string(),
                    RestoreRefusal(refused.cause(), code), refused.detail());
  }
  const std::string held = source->Settings().code;
  if (held != code)
    throw HostError(held.empty() ? ErrorKind::kDamaged : ErrorKind::kInvalidInput, operation,
                    backup.path.string(),
                    RestoreRefusal(held.empty() ? "le code de l'entreprise manque dans cette copie"
                                                : "c'est une copie de l'entreprise " + held,
                                   code));
  std::unique_ptr<CompanyDatabase> current;
  try {
    current = OpenCompany(dataDir_, code);
  } catch (const HostError&) {
    // Damaged, of a newer version or another company's: replaced as a file, below.
  }
  if (current) {
    const Backup kept =
        WriteBackup([&current](const std::filesystem::path& to) { current->BackupTo(to); }, code,
                    std::nullopt, "-avant-restauration");
    current->CopyFrom(*source);
    return kept;
  }
  return ReplaceFile(code, backup.path);
}

std::optional<Backup> SqliteCompanies::ReplaceFile(const std::string& code,
                                                   const std::filesystem::path& copy) {
  const std::string operation = "CompanyDatabase.Restore";
  const std::filesystem::path target = CompanyDatabase::PathFor(dataDir_, code);
  // The copy is made whole beside the company's file first, under a name of this program.
  const std::filesystem::path temporary =
      dataDir_ / ("." + target.filename().string() + "." + std::to_string(getpid()));
  std::error_code error;
  std::filesystem::remove(temporary, error);
  if (!std::filesystem::copy_file(copy, temporary, error))
    throw HostError(ErrorKind::kIo, operation, temporary.string(),
                    "impossible de créer le fichier");
  Sync(temporary);
  // What stood there is kept, as it was (its journal with it), under a backup's name.
  std::optional<Backup> kept;
  if (std::filesystem::is_regular_file(target, error)) {
    const std::filesystem::path dir = BackupDirectory();
    std::filesystem::create_directories(dir);
    const std::string stem = code + std::string(kInfix) + Stamp() + "-avant-restauration";
    std::filesystem::path path = dir / (stem + ".db");
    for (int n = 2; !LinkNew(target, path, operation); ++n)
      path = dir / (stem + "-" + std::to_string(n) + ".db");
    if (std::filesystem::exists(target.string() + "-wal", error))
      ::link((target.string() + "-wal").c_str(), (path.string() + "-wal").c_str());
    Sync(dir);
    kept = Backup{path, code, TakenFrom(path.filename().string()),
                  std::filesystem::file_size(path, error), std::nullopt};
  }
  // The old journal would be replayed over the copy.
  for (const char* suffix : {"-wal", "-shm", "-journal"})
    std::filesystem::remove(target.string() + suffix, error);
  std::filesystem::rename(temporary, target);
  Sync(dataDir_);
  return kept;
}

StoredFiles SqliteCompanies::Describe(Store& store, const std::string& code) {
  const std::string operation = "SqliteCompanies.Describe";
  auto* sqlite = dynamic_cast<SqliteStore*>(&store);
  if (sqlite == nullptr)
    throw HostError(ErrorKind::kNotFound, operation, code,
                    "l'entreprise n'est pas dans ce répertoire de données");
  CompanyDatabase& db = sqlite->database();
  const std::string subject = db.path().string();
  StoredFiles files;
  Statement years = db.Prepare(
      "SELECT substr(name, 13), value FROM meta WHERE name LIKE 'year\\_opened %' ESCAPE '\\'"
      " ORDER BY name");
  while (years.Step(operation, subject))
    files.yearsOpened.emplace_back(years.Bytes(0), years.Bytes(1));
  Statement records =
      db.Prepare("SELECT name, record_length, last_number FROM record_files ORDER BY name");
  while (records.Step(operation, subject)) {
    StoredFiles::Records& file = files.records.emplace_back();
    file.name = records.Bytes(0);
    file.recordLength = static_cast<int32_t>(records.Int(1));
    Statement rows =
        db.Prepare("SELECT count(*), coalesce(max(num), 0) FROM \"r_" + file.name + "\"");
    rows.Step(operation, file.name);
    file.count = rows.Int(0);
    file.lastNumber = static_cast<int32_t>(std::max(records.Int(2), rows.Int(1)));
  }
  Statement keys = db.Prepare("SELECT name, key_length, kind FROM key_files ORDER BY name");
  while (keys.Step(operation, subject)) {
    StoredFiles::Keys& file = files.keys.emplace_back();
    file.name = keys.Bytes(0);
    file.keyLength = static_cast<int16_t>(keys.Int(1));
    file.kind = keys.Bytes(2);
    Statement rows =
        db.Prepare("SELECT count(*), coalesce(max(seq), 0) FROM \"k_" + file.name + "\"");
    rows.Step(operation, file.name);
    file.count = rows.Int(0);
    file.lastSeq = rows.Int(1);
  }
  return files;
}

namespace {

// A company written into a hidden file of its own, linked under the company's name when
// published; the file is removed when it is not.
class SqliteLoad final : public CompanyLoad {
 public:
  SqliteLoad(std::filesystem::path target, const CompanySettings& settings,
             const std::vector<std::pair<std::string, std::string>>& yearsOpened)
      : target_(std::move(target)),
        path_(target_.parent_path() /
              ("." + target_.filename().string() + "." + std::to_string(getpid()))) {
    db_ = CompanyDatabase::Create(path_, settings);
    try {
      // No journal while the copy is written: a copy that fails is removed, never rolled back;
      // it is synced once, and in WAL mode again, when published.
      db_->Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", kOperation);
      db_->BeginWrite(kOperation, path_.string());
      for (const auto& [start, when] : yearsOpened) db_->MarkYearOpened(start, when);
    } catch (...) {
      Drop();
      throw;
    }
  }
  ~SqliteLoad() override {
    if (!published_) Drop();
  }

  void RecordFile(const StoredFiles::Records& file) override {
    const std::string table = "\"r_" + file.name + "\"";
    Statement add =
        db_->Prepare("INSERT INTO record_files(name, record_length, last_number) VALUES(?, ?, ?)");
    add.BindText(1, file.name).Bind(2, file.recordLength).Bind(3, file.lastNumber);
    add.Run(kOperation, file.name);
    // The table as SqliteStore::OpenRecordFile makes it.
    db_->Exec("CREATE TABLE " + table + CompanyDatabase::kRecordColumns, kOperation);
    insert_ = db_->Prepare("INSERT INTO " + table + "(num, data, sum) VALUES(?, ?, ?)");
    subject_ = file.name;
  }
  void Record(int32_t number, std::string_view bytes) override {
    insert_.Bind(1, number).BindBlob(2, bytes).Bind(3, RecordSum(number, bytes));
    insert_.Run(kOperation, subject_);
  }
  void KeyFile(const StoredFiles::Keys& file) override {
    const std::string table = "\"k_" + file.name + "\"";
    Statement add = db_->Prepare("INSERT INTO key_files(name, key_length, kind) VALUES(?, ?, ?)");
    add.BindText(1, file.name).Bind(2, file.keyLength).BindText(3, file.kind);
    add.Run(kOperation, file.name);
    // The table as SqliteStore::OpenKeyFile makes it.
    db_->Exec("CREATE TABLE " + table +
                  "(key BLOB NOT NULL, seq INTEGER NOT NULL, num INTEGER NOT NULL,"
                  " PRIMARY KEY(key, seq)) WITHOUT ROWID",
              kOperation);
    insert_ = db_->Prepare("INSERT INTO " + table + "(key, seq, num) VALUES(?, ?, ?)");
    subject_ = file.name;
    seq_.Start(file.kind);
  }
  void Entry(std::string_view key, int32_t number) override {
    // Entries come in order: an "S" file numbers them 1, 2, ..., which keeps equal keys in it.
    insert_.BindBlob(1, key).Bind(2, seq_.Next()).Bind(3, number).Run(kOperation, subject_);
  }
  void Publish() override {
    insert_ = Statement();
    db_->CommitWrite(kOperation);
    db_->Exec("PRAGMA journal_mode=WAL", kOperation);
    db_->SetPowerSafe(true);
    db_->Exec("PRAGMA wal_checkpoint(TRUNCATE)", kOperation);
    db_.reset();  // the last connection: the file is whole on its own
    // link() never replaces: a company made meanwhile under the same code stays as it is. A
    // disk without hard links gets a rename, checked just before.
    if (::link(path_.c_str(), target_.c_str()) != 0) {
      const int error = errno;
      if (error == EEXIST || std::filesystem::exists(target_))
        throw HostError(ErrorKind::kConflict, kOperation, target_.string(),
                        "cette entreprise existe déjà");
      std::error_code renamed;
      if (error == EPERM || error == ENOTSUP) std::filesystem::rename(path_, target_, renamed);
      if ((error != EPERM && error != ENOTSUP) || renamed)
        throw HostError(ErrorKind::kIo, kOperation, target_.string(),
                        "impossible de créer le fichier");
    }
    published_ = true;
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
    // The new name survives a power loss too.
    const std::filesystem::path dir = target_.parent_path().empty() ? "." : target_.parent_path();
    if (const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); fd >= 0) {
      ::fsync(fd);
      ::close(fd);
    }
  }

 private:
  static constexpr const char* kOperation = "SqliteCompanies.Load";
  // Closes and removes the copy's file.
  void Drop() {
    insert_ = Statement();
    db_.reset();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
      std::error_code ignored;
      std::filesystem::remove(path_.string() + suffix, ignored);
    }
  }

  std::filesystem::path target_, path_;
  std::unique_ptr<CompanyDatabase> db_;
  Statement insert_;
  std::string subject_;
  EntryNumbering seq_;
  bool published_ = false;
};

}  // namespace

std::unique_ptr<CompanyLoad> SqliteCompanies::Load(
    const CompanySettings& settings,
    const std::vector<std::pair<std::string, std::string>>& yearsOpened) {
  const std::filesystem::path target = CompanyDatabase::PathFor(dataDir_, settings.code);
  if (std::filesystem::exists(target))
    throw HostError(ErrorKind::kConflict, "SqliteCompanies.Load", target.string(),
                    "cette entreprise existe déjà");
  std::error_code error;
  std::filesystem::create_directories(dataDir_, error);  // else the file cannot be made
  // What a copy killed before its end left: ".<CODE>Actifix.db.<pid>" of a process gone.
  const std::string stale = "." + target.filename().string() + ".";
  for (const auto& entry : std::filesystem::directory_iterator(dataDir_, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(stale) || name.size() == stale.size() || name.size() > stale.size() + 9 ||
        !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(stale.size()), name.end(),
                     ::isdigit))
      continue;
    if (::kill(static_cast<pid_t>(std::stol(name.substr(stale.size()))), 0) != 0 && errno == ESRCH)
      std::filesystem::remove(entry.path(), error);
  }
  return std::make_unique<SqliteLoad>(target, settings, yearsOpened);
}

}  // namespace actifix::platform
