#include "platform/screen/TypedText.h"

#include <cstdio>

#include "host/Cp1252.h"

namespace actifix::platform {
namespace {

bool IsControl(int32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0); }

std::string CodeName(int32_t cp) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(cp));
  return text;
}

}  // namespace

std::string Utf8Refusal(std::string_view utf8, TextRule rule) {
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    const int32_t cp = NextCodePoint(utf8, i);
    if (cp < 0) return "texte UTF-8 mal formé (octets non valables)";
    if (cp == '\t' && rule.tabAllowed) continue;
    if (IsControl(cp)) return "caractère de contrôle " + CodeName(cp) + " refusé";
    if (rule.cp1252Required && Cp1252ByteOf(static_cast<char32_t>(cp)) < 0)
      return "caractère « " + std::string(utf8.substr(start, i - start)) +
             " » impossible à enregistrer (hors du jeu Windows-1252)";
  }
  return "";
}

std::string Cp1252Refusal(std::string_view cp1252) {
  for (const char c : cp1252)
    if (IsControlByte(c))
      return "caractère de contrôle " + CodeName(static_cast<unsigned char>(c)) + " refusé";
  return "";
}

}  // namespace actifix::platform
