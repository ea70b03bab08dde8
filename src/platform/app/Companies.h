// Where companies live: the data directory, and one database per company named after its
// code (<data>/<CODE>Actifix.db).
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace actifix::platform {

// --data if given, else $ACTIFIX_DATA, else ./actifix-data. Throws UserError (status 2) when
// it names something that is not a directory.
std::filesystem::path ResolveDataDir(const std::string& option);

// Checks, before anything is written, that files can be made in `dir`: it is a directory we
// may write into, or it does not exist yet and its nearest existing parent is one. Throws
// UserError (status 2) naming `what` ("--out") otherwise.
void CheckWritableDirectory(const std::filesystem::path& dir, const std::string& what);

std::filesystem::path CompanyDatabasePath(const std::filesystem::path& dataDir,
                                          const std::string& code);

// Codes of the companies of the data directory, in order.
std::vector<std::string> ListCompanyCodes(const std::filesystem::path& dataDir);

// The company to work on: `option` when given, else the first company of the directory.
// Throws UserError when the code is not valid (status 2) or there is no such company: the
// code must match a company's file name exactly, capitals included, whatever the disk.
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
