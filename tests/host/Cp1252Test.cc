// Windows-1252 literals and the conversions to and from UTF-8.
#include "host/Cp1252.h"

#include <gtest/gtest.h>

#include <string>

namespace actifix {
namespace {

// Literals; conversions both ways where the code page holds the character (the undefined bytes
// stand for the C1 controls of the same value), one way where it is replaced.
TEST(Cp1252, LiteralsAndConversions) {
  EXPECT_EQ("Flêche"_w, std::string_view("Fl\xEA"
                                         "che"));
  EXPECT_EQ("€Œ"_w, std::string_view("\x80\x8C"));
  EXPECT_EQ(""_w.size(), 0u);
  const struct {
    std::string cp1252;
    std::string utf8;
    bool bothWays;
  } cases[] = {
      {std::string("a\0b", 3), std::string("a\0b", 3), true},
      {"\xE9", "\xC3\xA9", true},        // é
      {"\x80", "\xE2\x82\xAC", true},    // €
      {"\x9C", "\xC5\x93", true},        // œ
      {"\xFF", "\xC3\xBF", true},        // ÿ
      {"\x81", "\xC2\x81", true},        // undefined
      {"?", "\xE4\xB8\xAD", false},      // a CJK character
      {"?", "\xF0\x9F\x98\x80", false},  // beyond the BMP
      {"?", "\xC2\x80", false},          // C1 control with no byte of its own
      {"?", "\xC3", false},              // cut short at the end
      {"?a", "\xE2\x82\x61", false},     // cut short before an ASCII byte
      {"?b", "\x80\x62", false},         // stray continuation byte
      {"?", "\xC0\x80", false},          // overlong NUL
      {"?", "\xED\xA0\x80", false},      // surrogate
      {"?", "\xFF", false},              // never a UTF-8 byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromUtf8(c.utf8), c.cp1252);
    if (!c.bothWays) continue;
    EXPECT_EQ(ToUtf8(c.cp1252), c.utf8);
  }
  EXPECT_EQ(FromUtf8("\xE4\xB8\xAD", '_'), "_");
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  EXPECT_EQ(FromUtf8(ToUtf8(all)), all);
}

}  // namespace
}  // namespace actifix
