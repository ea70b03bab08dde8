#include "platform/app/CompanyCode.h"

#include <cctype>

namespace actifix::platform {

bool IsCompanyCode(const std::string& code) {
  if (code.size() != 2) return false;
  for (const char c : code)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

}  // namespace actifix::platform
