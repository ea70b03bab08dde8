#include "platform/app/Companies.h"

#include <algorithm>
#include <cstdlib>

#include "platform/app/CompanyCode.h"

namespace actifix::platform {

namespace {
constexpr const char* kDatabaseSuffix = "Actifix.db";
}

std::filesystem::path ResolveDataDir(const std::string& option) {
  if (!option.empty()) return option;
  if (const char* env = std::getenv("ACTIFIX_DATA"); env != nullptr && *env != '\0') return env;
  return "actifix-data";
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
  if (!option.empty()) {
    if (!IsCompanyCode(option))
      throw UserError("Code entreprise « " + option +
                      " » refusé : il faut deux lettres ou chiffres.");
    if (!std::filesystem::exists(CompanyDatabasePath(dataDir, option)))
      throw UserError("L'entreprise " + option + " n'existe pas dans " + dataDir.string() +
                      " (créez-la avec « actifix company create »).");
    return option;
  }
  const std::vector<std::string> codes = ListCompanyCodes(dataDir);
  if (codes.empty())
    throw UserError("Aucune entreprise dans " + dataDir.string() +
                    " : créez-en une avec « actifix company create CODE --name NOM --year "
                    "DEBUT FIN ».");
  return codes.front();
}

}  // namespace actifix::platform
