// Where companies live: the data directory, and one database per company named after its
// code (<data>/<CODE>Actifix.db).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace actifix::platform {

// --data if given, else $ACTIFIX_DATA, else ./actifix-data.
std::filesystem::path ResolveDataDir(const std::string& option);

std::filesystem::path CompanyDatabasePath(const std::filesystem::path& dataDir,
                                          const std::string& code);

// Codes of the companies of the data directory, in order.
std::vector<std::string> ListCompanyCodes(const std::filesystem::path& dataDir);

// The company to work on: `option` when given, else the first company of the directory.
// Throws UserError when the code is not valid or there is no such company.
std::string ChooseCompany(const std::filesystem::path& dataDir, const std::string& option);

// An error of the user's making, told in French; the program exits with `status`.
class UserError : public std::runtime_error {
 public:
  explicit UserError(const std::string& message, int status = 1)
      : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

}  // namespace actifix::platform
