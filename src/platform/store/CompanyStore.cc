#include "platform/store/CompanyStore.h"

#include "host/HostError.h"
#include "platform/screen/TypedText.h"
#include "platform/store/SqliteCompanies.h"

namespace actifix::platform {

namespace {

bool StartsWith(const std::string& text, std::string_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

std::unique_ptr<CompanyStore> MakeCompanyStore(const std::string& where) {
  // A server address is never echoed: it may carry a password.
  if (StartsWith(where, "postgresql://") || StartsWith(where, "postgres://"))
    throw HostError("--data", "",
                    "Serveur PostgreSQL refusé : cette version d'Actifix ne prend pas encore en "
                    "charge PostgreSQL ; donnez un répertoire de données.");
  const std::filesystem::path dir = where;
  std::error_code error;
  if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
    throw HostError("--data", "",
                    "Répertoire des données « " + Printable(dir.string()) +
                        " » refusé : ce n'est pas un répertoire.");
  return std::make_unique<SqliteCompanies>(dir);
}

}  // namespace actifix::platform
