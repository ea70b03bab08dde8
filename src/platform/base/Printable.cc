#include "platform/base/Printable.h"

#include <cstdint>
#include <cstdio>

#include "host/Cp1252.h"

namespace actifix::platform {
namespace {

bool IsControl(int32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0); }

}  // namespace

std::string Printable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  char escape[16];
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t start = i;
    const int32_t cp = NextCodePoint(bytes, i);
    if (cp < 0) {
      for (std::size_t k = start; k < i; ++k) {
        std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned char>(bytes[k]));
        out += escape;
      }
    } else if (IsControl(cp)) {
      std::snprintf(escape, sizeof escape, cp < 0x80 ? "\\x%02X" : "\\u%04X",
                    static_cast<unsigned>(cp));
      out += escape;
    } else {
      out.append(bytes.substr(start, i - start));
    }
  }
  return out;
}

}  // namespace actifix::platform
