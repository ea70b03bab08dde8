#include "platform/print/EditionFormat.h"

#include <signal.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <system_error>
#include <utility>

#include "host/HostConvert.h"

namespace actifix::platform {

namespace {

// The amounts of an edition, nearly all of them: rounded as every amount is, then written from
// the whole number of cents (or of the column's unit), which a double holds exactly below
// 2^50. False, writing nothing, for any other.
bool FormatSmallAmount(double value, int decimals, std::string& out) {
  if (decimals < 0 || decimals > 4) return false;
  const double rounded = RoundHalfAway(value, decimals);
  const double scaled = std::fabs(rounded) * kPowersOfTen[decimals];
  if (!(scaled < 0x1p50)) return false;
  auto units = static_cast<uint64_t>(std::llround(scaled));
  const bool negative = rounded < 0 && units != 0;  // never "-0,00"
  char digits[24];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + units % 10);
    units /= 10;
  } while (units != 0);
  while (count <= decimals) digits[count++] = '0';  // "0,05": a whole digit at least
  const int whole = count - decimals;
  out.reserve(count + whole / 3 + 2);
  if (negative) out.push_back('-');
  for (int i = 0; i < whole; ++i) {
    if (i > 0 && (whole - i) % 3 == 0) out.push_back(' ');
    out.push_back(digits[count - 1 - i]);
  }
  if (decimals > 0) {
    out.push_back(',');
    for (int i = decimals - 1; i >= 0; --i) out.push_back(digits[i]);
  }
  return true;
}

}  // namespace

std::string FormatFrenchAmount(double value, int decimals) {
  if (std::string fast; FormatSmallAmount(value, decimals, fast)) return fast;
  // HostConvert rounds as every amount is rounded and writes the value in full however large.
  std::string plain;
  HostConvert().FormatNumber(value, static_cast<int16_t>(decimals), plain);
  const std::size_t start = !plain.empty() && plain[0] == '-' ? 1 : 0;
  const std::size_t point = std::min(plain.find('.'), plain.size());
  const std::size_t digits = point - start;
  std::string grouped;
  grouped.reserve(plain.size() + digits / 3);
  grouped.append(plain, 0, start);  // the sign
  for (std::size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) grouped.push_back(' ');
    grouped.push_back(plain[start + i]);
  }
  if (point < plain.size()) {
    grouped.push_back(',');
    grouped.append(plain, point + 1);
  }
  return grouped;
}

std::string FitAmount(double value, int decimals, int width) {
  std::string text = FormatFrenchAmount(value, decimals);
  if (static_cast<int>(text.size()) > width) std::erase(text, ' ');
  return text;
}

std::string FitCell(std::string_view text, int width, Alignment align) {
  std::string out;
  AppendFitted(out, text, width, align);
  return out;
}

void AppendFitted(std::string& out, std::string_view text, int width, Alignment align) {
  if (width <= 0) return;
  if (static_cast<int>(text.size()) >= width) {
    out += text.substr(0, width);
    return;
  }
  const int free = width - static_cast<int>(text.size());
  int left = 0;
  if (align == Alignment::kRight) left = free;
  if (align == Alignment::kCenter) left = free / 2;
  out.append(left, ' ');
  out += text;
  out.append(free - left, ' ');
}

namespace {

// The letters 0xC0 to 0xFF of Windows-1252 with their accents taken off ("" for × and ÷).
constexpr std::array<std::string_view, 64> kFoldedLatin = {
    "A", "A", "A", "A", "A", "A", "AE", "C",   // ÀÁÂÃÄÅÆÇ
    "E", "E", "E", "E", "I", "I", "I",  "I",   // ÈÉÊËÌÍÎÏ
    "D", "N", "O", "O", "O", "O", "O",  "",    // ÐÑÒÓÔÕÖ×
    "O", "U", "U", "U", "U", "Y", "TH", "ss",  // ØÙÚÛÜÝÞß
    "a", "a", "a", "a", "a", "a", "ae", "c",   // àáâãäåæç
    "e", "e", "e", "e", "i", "i", "i",  "i",   // èéêëìíîï
    "d", "n", "o", "o", "o", "o", "o",  "",    // ðñòóôõö÷
    "o", "u", "u", "u", "u", "y", "th", "y",   // øùúûüýþÿ
};

// The other letters of Windows-1252 with an accent: Š Œ Ž š œ ž Ÿ.
constexpr std::pair<unsigned char, std::string_view> kFoldedOthers[] = {
    {0x8A, "S"}, {0x8C, "OE"}, {0x8E, "Z"}, {0x9A, "s"}, {0x9C, "oe"}, {0x9E, "z"}, {0x9F, "Y"}};

// The ASCII letters of a Windows-1252 letter with its accent taken off; "" for anything else.
std::string_view Folded(unsigned char c) {
  if (c >= 0xC0) return kFoldedLatin[c - 0xC0];
  for (const auto& [code, letters] : kFoldedOthers)
    if (code == c) return letters;
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

void RemoveAbandonedDrafts(const std::filesystem::path& dir) {
  const auto hourAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!name.starts_with(".open-")) continue;
    long pid = 0;
    const char* const last = name.data() + name.size();
    const auto [past, error] = std::from_chars(name.data() + 6, last, pid);
    if (error != std::errc() || past == last || *past != '-' || pid <= 0) continue;
    const bool running = kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
    std::error_code ignored;
    const auto written = std::filesystem::last_write_time(it->path(), ignored);
    if (!running && !ignored && written < hourAgo) std::filesystem::remove(it->path(), ignored);
  }
}

std::string EditionFileStem(int number, std::string_view titleCp1252) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03d", number);
  return std::string(digits) + "-" + SafeFileTitle(titleCp1252);
}

}  // namespace actifix::platform
