#include "platform/store/CompanyStore.h"

#include "host/HostError.h"
#include "platform/base/Printable.h"
#include "platform/store/Store.h"
#include "platform/store/pg/Pg.h"
#include "platform/store/pg/PgCompanies.h"
#include "platform/store/pg/PgCompany.h"
#include "platform/store/sqlite/SqliteCompanies.h"

namespace actifix::platform {

std::string WithoutPasswords(std::string_view text, std::string_view address) {
  return pg::WithoutPassword(text, address);
}

std::unique_ptr<CompanyStore> MakeCompanyStore(const std::string& where,
                                               const std::filesystem::path& outputDir) {
  if (PgCompany::IsUri(where)) return std::make_unique<PgCompanies>(where, outputDir);
  // libpq's "key=value" form is not taken for a directory's name (nor echoed: it may hold a
  // password).
  if (where.find("password=") != std::string::npos || where.starts_with("host=") ||
      where.starts_with("dbname=") || where.starts_with("user="))
    throw HostError(ErrorKind::kBadArgument, "--data", "",
                    "Adresse refusée : c'est une chaîne de connexion « clé=valeur » ; donnez le "
                    "serveur sous la forme postgresql://utilisateur@hôte/base.");
  const std::filesystem::path dir = where;
  std::error_code error;
  if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
    throw HostError(ErrorKind::kBadArgument, "--data", "",
                    "Répertoire des données « " + Printable(dir.string()) +
                        " » refusé : ce n'est pas un répertoire.");
  return std::make_unique<SqliteCompanies>(dir);
}

std::string RestoreRefusal(const std::string& why, const std::string& code) {
  return "sauvegarde refusée, l'entreprise " + code + " n'a pas été changée : " + why +
         " ; choisissez-en une autre (actifix company backups " + code + ")";
}

std::unique_ptr<Store> CompanyStore::OpenForReading(const std::string& code) { return Open(code); }

PendingBackup CompanyStore::BeginBackup(Store& store, const std::string& code,
                                        const std::optional<ClosedYear>& closedYear) {
  std::promise<Backup> taken;
  taken.set_value(TakeBackup(store, code, closedYear));
  return PendingBackup(taken.get_future());
}

}  // namespace actifix::platform
