// Company codes: two letters or digits, used as the prefix of the company's files.
#pragma once

#include <string>

namespace actifix::platform {

// Whether `code` is two ASCII letters or digits. Anything else must be refused before it
// reaches a file name.
bool IsCompanyCode(const std::string& code);

}  // namespace actifix::platform
