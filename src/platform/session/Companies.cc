#include "platform/session/Companies.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "host/HostError.h"
#include "platform/screen/TypedText.h"
#include "platform/session/CompanyCode.h"

namespace actifix::platform {

std::shared_ptr<CompanyStore> OpenCompanies(const std::string& data, const std::string& out) {
  std::string where = "actifix-data";
  if (!data.empty()) {
    where = data;
  } else if (const char* env = std::getenv("ACTIFIX_DATA"); env != nullptr && *env != '\0') {
    where = env;
  }
  try {
    std::error_code lost;  // a working directory gone: the name alone
    return MakeCompanyStore(where, out.empty()
                                       ? std::filesystem::current_path(lost) / "actifix-data"
                                       : std::filesystem::path(out));
  } catch (const HostError& refused) {
    throw UserError(refused.cause(), ErrorKind::kBadArgument);
  }
}

void CheckWritableDirectory(const std::filesystem::path& dir, const std::string& what) {
  const std::string refused = what + " « " + Printable(dir.string()) + " » refusé : ";
  std::error_code error;
  std::filesystem::path existing = dir;
  while (!std::filesystem::exists(existing, error)) {
    const std::filesystem::path parent = existing.parent_path();
    if (parent.empty() || parent == existing) {
      existing = parent.empty() ? "." : parent;
      break;
    }
    existing = parent;
  }
  const std::string name = "« " + Printable(existing.string()) + " »";
  if (!std::filesystem::is_directory(existing, error))
    throw UserError(refused + name + " n'est pas un répertoire.", ErrorKind::kBadArgument);
  if (access(existing.c_str(), W_OK | X_OK) != 0)
    throw UserError(refused + "écriture interdite dans " + name + ".", ErrorKind::kBadArgument);
}

std::string ChooseCompany(CompanyStore& companies, const std::string& option) {
  const std::vector<std::string> codes = companies.Codes();
  if (!option.empty()) {
    if (!IsCompanyCode(option))
      throw UserError("Code entreprise « " + Printable(option) +
                          " » refusé : il faut deux lettres ou chiffres.",
                      ErrorKind::kBadArgument);
    if (std::find(codes.begin(), codes.end(), option) == codes.end())
      throw UserError("L'entreprise " + option + " n'existe pas dans " +
                          Printable(companies.Where()) +
                          " (créez-la avec « actifix company create »).",
                      ErrorKind::kNotFound);
    return option;
  }
  if (codes.empty())
    throw UserError("Aucune entreprise dans " + Printable(companies.Where()) +
                        " : créez-en une avec « actifix company create CODE --name NOM --year "
                        "DEBUT FIN ».",
                    ErrorKind::kNotFound);
  return codes.front();
}

}  // namespace actifix::platform
