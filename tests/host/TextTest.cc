// The trims of host/Text.h over Windows-1252 and UTF-8 texts.
#include "host/Text.h"

#include <gtest/gtest.h>

#include "host/Cp1252.h"

namespace actifix {
namespace {

// Each case: the text, the blanks, and what TrimLeft, TrimRight and Trim leave of it.
TEST(Text, TrimsStripOnlyTheBlanksGiven) {
  const std::string nbsp = "\xA0 12\xA0 ";
  const std::string la = ToUtf8("là"_w);  // "l" then C3 A0: its last byte is a no-break space
  const std::string e = std::string(" été "_w);
  const struct {
    std::string text;
    std::string_view blanks;
    std::string left, right, both;
  } cases[] = {
      {"", kSpace, "", "", ""},
      {"   ", kSpace, "", "", ""},
      {"  a b  ", kSpace, "a b  ", "  a b", "a b"},
      {"\ta\t", kSpace, "\ta\t", "\ta\t", "\ta\t"},
      {"\t a\t ", " \t", "a\t ", "\t a", "a"},
      {nbsp, kSpaceOrNoBreak, "12\xA0 ", "\xA0 12", "12"},
      {nbsp, kSpace, nbsp, "\xA0 12\xA0", "\xA0 12\xA0"},
      {"\xA0\xA0", kSpaceOrNoBreak, "", "", ""},
      {la, kSpace, la, la, la},
      {e, kSpace, e.substr(1), e.substr(0, 4), e.substr(1, 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE('"' + c.text + '"');
    EXPECT_EQ(TrimLeft(c.text, c.blanks), c.left);
    EXPECT_EQ(TrimRight(c.text, c.blanks), c.right);
    EXPECT_EQ(Trim(c.text, c.blanks), c.both);
    if (c.blanks == kSpace) {
      EXPECT_EQ(Trimmed(c.text), c.both);
    }
  }
}

}  // namespace
}  // namespace actifix
