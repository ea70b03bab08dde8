// Windows-1252 literals and the conversions to and from UTF-8.
#include "host/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace actifix {
namespace {

TEST(Cp1252, LiteralsAreWindows1252Bytes) {
  EXPECT_EQ("Flêche"_w, std::string_view("Fl\xEA"
                                         "che"));
  EXPECT_EQ("€"_w, std::string_view("\x80"));
  EXPECT_EQ("Œuvre"_w, std::string_view("\x8C"
                                        "uvre"));
  EXPECT_EQ("plain"_w, std::string_view("plain"));
  EXPECT_EQ(""_w.size(), 0u);
}

TEST(Cp1252, ToUtf8) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"abc", "abc"},           {"\xE9", "\xC3\xA9"},  // é
      {"\x80", "\xE2\x82\xAC"},                        // €
      {"\x9C", "\xC5\x93"},                            // œ
      {"\xFF", "\xC3\xBF"},                            // ÿ
      {"\x81", "\xC2\x81"},  // undefined: the C1 control of the same value
      {"\x9D", "\xC2\x9D"},     {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const auto& c : cases) EXPECT_EQ(ToUtf8(c.in), c.out);
}

TEST(Cp1252, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = ToUtf8(all);
  EXPECT_EQ(FromUtf8(utf8), all);
}

TEST(Cp1252, FromUtf8ReplacesWhatTheCodePageCannotHold) {
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {"\xE2\x82\xAC", "\x80"},   // €
      {"\xC5\x92", "\x8C"},       // Œ
      {"\xE4\xB8\xAD", "?"},      // a CJK character
      {"\xF0\x9F\x98\x80", "?"},  // beyond the BMP
      {"\xC2\x80", "?"},          // C1 control with no byte of its own
      {"\xC3", "?"},              // cut short at the end
      {"\xE2\x82"
       "a",
       "?a"},  // cut short before an ASCII byte
      {"\x80"
       "b",
       "?b"},                 // stray continuation byte
      {"\xC0\x80", "?"},      // overlong NUL
      {"\xED\xA0\x80", "?"},  // surrogate
      {"\xFF", "?"},          // never a UTF-8 byte
  };
  for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.in), c.out);
  EXPECT_EQ(FromUtf8("\xE4\xB8\xAD", '_'), "_");
}

}  // namespace
}  // namespace actifix
