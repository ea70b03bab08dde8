// Windows-1252 texts. Inside the module and in every record a text is Windows-1252, one byte
// per character; literals with accents are written in UTF-8 in the source and turned into
// Windows-1252 at compile time by the `_w` suffix:  "Création"_w  is 8 bytes.
// The platform converts to and from UTF-8 at its edges with ToUtf8 / FromUtf8.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace actifix {

// UTF-8 text of a Windows-1252 text. Bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which the code
// page leaves undefined, map to the C1 controls of the same value so that every byte survives.
std::string ToUtf8(std::string_view cp1252);
// The same, appended to `out` (for a caller that keeps its buffer from text to text).
void AppendUtf8(std::string& out, std::string_view cp1252);

// Windows-1252 text of a UTF-8 text. A character the code page cannot hold, or a malformed
// sequence, becomes `replacement`.
std::string FromUtf8(std::string_view utf8, char replacement = '?');

// The code point of the UTF-8 sequence at `at`, and `at` moved past it. A malformed sequence
// (invalid lead byte, stray or missing continuation byte, overlong form, surrogate, beyond
// U+10FFFF) gives -1, `at` moved past its lead byte and the continuation bytes that follow.
// REQUIRES: at < utf8.size().
constexpr int32_t NextCodePoint(std::string_view utf8, std::size_t& at) {
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

// Whether a Windows-1252 byte is a control character: C0, DEL, or one of the five undefined
// bytes, which stand for the C1 controls of the same value.
bool IsControlByte(char byte);

// The code points of the bytes 0x80..0x9F; the five bytes the code page leaves undefined keep
// their own value (the C1 controls).
inline constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The Windows-1252 byte of the code point `cp`, or -1 when the code page has none.
constexpr int Cp1252ByteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == cp) return 0x80 + i;
  return -1;
}

namespace cp1252_detail {

template <std::size_t N>
struct Utf8Literal {
  char text[N]{};
  consteval Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
  }
};

template <std::size_t N>
struct Cp1252Literal {
  std::array<char, N> bytes{};
  std::size_t size = 0;
};

template <std::size_t N>
consteval Cp1252Literal<N> Convert(const Utf8Literal<N>& in) {
  Cp1252Literal<N> out;
  const std::string_view text(in.text, N - 1);
  for (std::size_t i = 0; i < text.size();) {
    const int32_t cp = NextCodePoint(text, i);
    if (cp < 0) throw "literal is not valid UTF-8";
    const int byte = Cp1252ByteOf(static_cast<char32_t>(cp));
    if (byte < 0) throw "character outside Windows-1252";
    out.bytes[out.size++] = static_cast<char>(byte);
  }
  return out;
}

template <Utf8Literal S>
inline constexpr auto kConverted = Convert(S);

}  // namespace cp1252_detail

// "Création"_w : the Windows-1252 bytes of a UTF-8 literal, converted at compile time.
template <cp1252_detail::Utf8Literal S>
constexpr std::string_view operator""_w() {
  return {cp1252_detail::kConverted<S>.bytes.data(), cp1252_detail::kConverted<S>.size};
}

}  // namespace actifix
