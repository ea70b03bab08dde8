#include "platform/app/Companies.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "platform/app/Command.h"
#include "platform/app/CompanyCode.h"
#include "platform/screen/TypedText.h"

namespace actifix::platform {

namespace {
constexpr const char* kDatabaseSuffix = "Actifix.db";
}

std::filesystem::path ResolveDataDir(const std::string& option) {
  std::filesystem::path dir = "actifix-data";
  if (!option.empty()) {
    dir = option;
  } else if (const char* env = std::getenv("ACTIFIX_DATA"); env != nullptr && *env != '\0') {
    dir = env;
  }
  std::error_code error;
  if (std::filesystem::exists(dir, error) && !std::filesystem::is_directory(dir, error))
    throw UserError("Répertoire des données « " + Printable(dir.string()) +
                        " » refusé : ce n'est pas un répertoire.",
                    kExitUsage);
  return dir;
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
    throw UserError(refused + name + " n'est pas un répertoire.", kExitUsage);
  if (access(existing.c_str(), W_OK | X_OK) != 0)
    throw UserError(refused + "écriture interdite dans " + name + ".", kExitUsage);
}

std::filesystem::path CompanyDatabasePath(const std::filesystem::path& dataDir,
                                          const std::string& code) {
  return dataDir / (code + kDatabaseSuffix);
}

std::vector<std::string> ListCompanyCodes(const std::filesystem::path& dataDir) {
  std::vector<std::string> codes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dataDir, error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 2 + std::char_traits<char>::length(kDatabaseSuffix)) continue;
    if (name.substr(2) != kDatabaseSuffix) continue;
    const std::string code = name.substr(0, 2);
    if (IsCompanyCode(code)) codes.push_back(code);
  }
  std::sort(codes.begin(), codes.end());
  return codes;
}

std::string ChooseCompany(const std::filesystem::path& dataDir, const std::string& option) {
  const std::vector<std::string> codes = ListCompanyCodes(dataDir);
  if (!option.empty()) {
    if (!IsCompanyCode(option))
      throw UserError("Code entreprise « " + Printable(option) +
                          " » refusé : il faut deux lettres ou chiffres.",
                      kExitUsage);
    if (std::find(codes.begin(), codes.end(), option) == codes.end())
      throw UserError("L'entreprise " + option + " n'existe pas dans " +
                      Printable(dataDir.string()) + " (créez-la avec « actifix company create »).");
    return option;
  }
  if (codes.empty())
    throw UserError("Aucune entreprise dans " + Printable(dataDir.string()) +
                    " : créez-en une avec « actifix company create CODE --name NOM --year "
                    "DEBUT FIN ».");
  return codes.front();
}

}  // namespace actifix::platform
