#include "platform/store/CompanyStore.h"

#include "host/HostError.h"
#include "platform/screen/TypedText.h"
#include "platform/store/SqliteCompanies.h"
#include "platform/store/pg/PgCompanies.h"
#include "platform/store/pg/PgCompany.h"

namespace actifix::platform {

std::unique_ptr<CompanyStore> MakeCompanyStore(const std::string& where) {
  if (PgCompany::IsUri(where)) return std::make_unique<PgCompanies>(where);
  const std::filesystem::path dir = where;
  std::error_code error;
  if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
    throw HostError("--data", "",
                    "Répertoire des données « " + Printable(dir.string()) +
                        " » refusé : ce n'est pas un répertoire.");
  return std::make_unique<SqliteCompanies>(dir);
}

}  // namespace actifix::platform
