#include "platform/session/CompanyCode.h"

namespace actifix::platform {

bool IsCompanyCode(const std::string& code) {
  if (code.size() != 2) return false;
  for (const char c : code)
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))) return false;
  return true;
}

}  // namespace actifix::platform
