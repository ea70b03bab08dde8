#include "platform/print/EditionFormat.h"

#include <cstdio>
#include <system_error>

#include "host/HostConvert.h"

namespace actifix::platform {

std::string FormatFrenchAmount(double value, int decimals) {
  // HostConvert rounds as every amount is rounded and writes the value in full however large.
  std::string plain;
  HostConvert().FormatNumber(value, static_cast<int16_t>(decimals), plain);
  std::string sign;
  if (!plain.empty() && plain[0] == '-') {
    sign = "-";
    plain.erase(0, 1);
  }
  const auto point = plain.find('.');
  const std::string whole = plain.substr(0, point);
  std::string grouped;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped.push_back(' ');
    grouped.push_back(whole[i]);
  }
  if (point != std::string::npos) grouped += "," + plain.substr(point + 1);
  return sign + grouped;
}

std::string FitAmount(double value, int decimals, int width) {
  std::string text = FormatFrenchAmount(value, decimals);
  if (static_cast<int>(text.size()) > width) std::erase(text, ' ');
  return text;
}

std::string FitCell(std::string_view text, int width, Alignment align) {
  if (width <= 0) return {};
  if (static_cast<int>(text.size()) >= width) return std::string(text.substr(0, width));
  const int free = width - static_cast<int>(text.size());
  int left = 0;
  if (align == Alignment::kRight) left = free;
  if (align == Alignment::kCenter) left = free / 2;
  return std::string(left, ' ') + std::string(text) + std::string(free - left, ' ');
}

namespace {

// The ASCII letters of a Windows-1252 letter with its accent taken off; "" for anything else.
std::string_view Folded(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return {};
  switch (c) {
    case 0x8A:
      return "S";  // Š
    case 0x8C:
      return "OE";  // Œ
    case 0x8E:
      return "Z";  // Ž
    case 0x9A:
      return "s";  // š
    case 0x9C:
      return "oe";  // œ
    case 0x9E:
      return "z";  // ž
    case 0x9F:
      return "Y";  // Ÿ
    case 0xC6:
      return "AE";  // Æ
    case 0xC7:
      return "C";  // Ç
    case 0xD0:
      return "D";  // Ð
    case 0xD1:
      return "N";  // Ñ
    case 0xD7:
      return "";  // ×
    case 0xDE:
      return "TH";  // Þ
    case 0xDF:
      return "ss";  // ß
    case 0xE6:
      return "ae";  // æ
    case 0xE7:
      return "c";  // ç
    case 0xF0:
      return "d";  // ð
    case 0xF1:
      return "n";  // ñ
    case 0xF7:
      return "";  // ÷
    case 0xFE:
      return "th";  // þ
    case 0xFF:
      return "y";  // ÿ
    default:
      break;
  }
  if (c >= 0xC0 && c <= 0xC5) return "A";
  if (c >= 0xC8 && c <= 0xCB) return "E";
  if (c >= 0xCC && c <= 0xCF) return "I";
  if ((c >= 0xD2 && c <= 0xD6) || c == 0xD8) return "O";
  if (c >= 0xD9 && c <= 0xDC) return "U";
  if (c == 0xDD) return "Y";
  if (c >= 0xE0 && c <= 0xE5) return "a";
  if (c >= 0xE8 && c <= 0xEB) return "e";
  if (c >= 0xEC && c <= 0xEF) return "i";
  if ((c >= 0xF2 && c <= 0xF6) || c == 0xF8) return "o";
  if (c >= 0xF9 && c <= 0xFC) return "u";
  if (c == 0xFD) return "y";
  return "";
}

bool IsAsciiAlnum(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

std::string SafeFileTitle(std::string_view titleCp1252) {
  std::string safe;
  bool dash = false;
  for (const char ch : titleCp1252) {
    const auto c = static_cast<unsigned char>(ch);
    const std::string_view letters = IsAsciiAlnum(c) ? std::string_view(&ch, 1) : Folded(c);
    if (letters.empty()) {
      dash = true;
      continue;
    }
    if (dash && !safe.empty()) safe.push_back('-');
    dash = false;
    safe += letters;
  }
  if (safe.size() > 100) {
    safe.resize(100);
    while (!safe.empty() && safe.back() == '-') safe.pop_back();
  }
  return safe.empty() ? "EDITION" : safe;
}

int NextEditionNumber(const std::filesystem::path& dir) {
  int greatest = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::size_t digits = 0;
    while (digits < name.size() && name[digits] >= '0' && name[digits] <= '9') ++digits;
    if (digits < 3 || digits > 6 || digits >= name.size() || name[digits] != '-') continue;
    greatest = std::max(greatest, std::stoi(name.substr(0, digits)));
  }
  return greatest + 1;
}

std::string EditionFileStem(int number, std::string_view titleCp1252) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", number);
  return std::string(digits) + "-" + SafeFileTitle(titleCp1252);
}

}  // namespace actifix::platform
