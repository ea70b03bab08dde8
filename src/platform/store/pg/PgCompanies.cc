#include "platform/store/pg/PgCompanies.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "host/HostError.h"
#include "platform/store/pg/PgCompany.h"
#include "platform/store/pg/PgStore.h"

namespace actifix::platform {

namespace {

const char kNoBackup[] =
    "les copies de sauvegarde d'une entreprise sur un serveur PostgreSQL ne sont pas encore "
    "prises en charge";

// A company held on its own connection: closing it releases the lock.
class PgHold final : public CompanyHold {
 public:
  PgHold(const std::string& uri, const std::string& code, Mode mode, const std::string& command)
      : conn_(uri, kOperation) {
    const std::string schema = PgCompany::SchemaFor(code);
    const std::string subject = conn_.uri() + " " + schema;
    // application_name keeps printable ASCII only and at most 63 bytes: enough for a command.
    conn_.Query("SELECT set_config('application_name', $1, false)",
                pg::Params().Text(command + ", processus " + std::to_string(getpid())), kOperation,
                subject, false);
    const std::string take = mode == Mode::kExclusive
                                 ? "SELECT pg_try_advisory_lock($1, hashtext($2))"
                                 : "SELECT pg_try_advisory_lock_shared($1, hashtext($2))";
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kCompanyWaitMs);
    while (conn_
               .Query(take, pg::Params().Int(PgCompanies::kHoldSpace).Text(schema), kOperation,
                      subject, false)
               .Bytes(0, 0) != std::string_view("\1", 1)) {
      if (std::chrono::steady_clock::now() >= deadline) {
        const std::string holder = Holder(schema, subject);
        throw HostError(kOperation, subject,
                        "l'entreprise est utilisée par un autre programme" +
                            (holder.empty() ? std::string() : " (" + holder + ")") +
                            " : réessayez quand il aura terminé");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }

 private:
  static constexpr const char* kOperation = "CompanyLock";

  // The command of a program that holds the company, "" when none is seen.
  std::string Holder(const std::string& schema, const std::string& subject) {
    const pg::Result row = conn_.Query(
        "SELECT a.application_name FROM pg_locks l JOIN pg_stat_activity a ON a.pid = l.pid"
        " WHERE l.locktype = 'advisory' AND l.granted AND l.objsubid = 2"
        " AND l.classid = $1::int4::oid AND l.objid = hashtext($2)::oid"
        " AND l.pid <> pg_backend_pid() LIMIT 1",
        pg::Params().Int(PgCompanies::kHoldSpace).Text(schema), kOperation, subject, false);
    return row.rows() == 0 ? "" : std::string(row.Bytes(0, 0));
  }

  pg::Connection conn_;
};

}  // namespace

PgCompanies::PgCompanies(std::string uri)
    : uri_(std::move(uri)),
      shown_(pg::WithoutPassword(uri_)),
      fileDirectory_(PgStore::DefaultDataDirectory()) {}

std::vector<std::string> PgCompanies::Codes() { return PgCompany::List(uri_); }

bool PgCompanies::Exists(const std::string& code) {
  const std::vector<std::string> codes = Codes();
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

void PgCompanies::Create(const CompanySettings& settings) { PgCompany::Create(uri_, settings); }

void PgCompanies::Remove(const std::string& code) { PgCompany::Drop(uri_, code); }

CompanySettings PgCompanies::Settings(const std::string& code) {
  return PgCompany::Open(uri_, code)->Settings();
}

std::unique_ptr<Store> PgCompanies::Open(const std::string& code) {
  std::unique_ptr<PgCompany> company = PgCompany::Open(uri_, code);
  std::error_code error;
  std::filesystem::create_directories(fileDirectory_, error);  // the text files tell a failure
  return std::make_unique<PgStore>(std::move(company), fileDirectory_);
}

std::unique_ptr<CompanyHold> PgCompanies::Hold(const std::string& code, CompanyHold::Mode mode,
                                               const std::string& command) {
  return std::make_unique<PgHold>(uri_, code, mode, command);
}

std::filesystem::path PgCompanies::AnomalyLog(const std::string& code) const {
  return fileDirectory_ / (code + "Anomalies.log");
}

Backup PgCompanies::TakeBackup(Store&, const std::string& code) {
  throw HostError("PgCompanies.TakeBackup", shown_ + " " + PgCompany::SchemaFor(code), kNoBackup);
}

std::vector<Backup> PgCompanies::Backups(const std::string&) { return {}; }

std::optional<Backup> PgCompanies::FindBackup(const std::string& name) {
  throw HostError("PgCompanies.FindBackup", name, kNoBackup);
}

void PgCompanies::Restore(const std::string& code, const Backup&) {
  throw HostError("PgCompanies.Restore", shown_ + " " + PgCompany::SchemaFor(code), kNoBackup);
}

}  // namespace actifix::platform
