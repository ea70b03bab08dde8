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
  for (char c : cp1252) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      PutUtf8(out, b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char32_t>(b));
    }
  }
  return out;
}

int32_t NextCodePoint(std::string_view utf8, std::size_t& at) {
  const auto b = static_cast<unsigned char>(utf8[at]);
  if (b < 0x80) {
    ++at;
    return b;
  }
  // Length and smallest code point of the sequence, so that overlong forms are refused.
  int extra = 0;
  char32_t cp = 0;
  char32_t least = 0;
  if ((b & 0xE0) == 0xC0) {
    extra = 1;
    cp = b & 0x1F;
    least = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    extra = 2;
    cp = b & 0x0F;
    least = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    extra = 3;
    cp = b & 0x07;
    least = 0x10000;
  } else {
    ++at;  // A stray continuation byte or an invalid lead byte.
    return -1;
  }
  int k = 1;
  for (; k <= extra && at + k < utf8.size(); ++k) {
    const auto cont = static_cast<unsigned char>(utf8[at + k]);
    if ((cont & 0xC0) != 0x80) break;
    cp = (cp << 6) | (cont & 0x3F);
  }
  if (k <= extra) {  // Cut short: the lead byte and its continuations make one fault.
    at += k;
    return -1;
  }
  at += 1 + extra;
  const bool valid = cp >= least && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
  return valid ? static_cast<int32_t>(cp) : -1;
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
