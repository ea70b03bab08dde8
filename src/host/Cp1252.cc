// Conversion between Windows-1252 (inside the module and in records) and UTF-8 (at the edges
// of the platform: terminal, scripts, transcripts, JSON, PDF).
#include "host/Cp1252.h"

namespace actifix {

namespace {

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string ToUtf8(std::string_view cp1252) {
  std::string out;
  out.reserve(cp1252.size() + cp1252.size() / 4);
  AppendUtf8(out, cp1252);
  return out;
}

void AppendUtf8(std::string& out, std::string_view cp1252) {
  for (std::size_t at = 0; at < cp1252.size();) {
    // A run of ASCII, the same in both, goes in whole.
    std::size_t end = at;
    while (end < cp1252.size() && static_cast<unsigned char>(cp1252[end]) < 0x80) ++end;
    out.append(cp1252, at, end - at);
    if (end == cp1252.size()) break;
    const auto b = static_cast<unsigned char>(cp1252[end]);
    PutUtf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char32_t>(b));
    at = end + 1;
  }
}

std::string FromUtf8(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const int32_t cp = NextCodePoint(utf8, i);
    const int byte = cp < 0 ? -1 : Cp1252ByteOf(static_cast<char32_t>(cp));
    out.push_back(byte < 0 ? replacement : static_cast<char>(byte));
  }
  return out;
}

bool IsControlByte(char byte) {
  const auto b = static_cast<unsigned char>(byte);
  return b < 0x20 || b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
}

}  // namespace actifix
