// Date texts, day numbers, the packed form and the month arithmetic of the exercise table.
#include "host/HostDates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <utility>

#include "host/HostError.h"

namespace actifix {
namespace {

const HostDates kDates;

int32_t Day(const std::string& text) {
  int32_t day = -1;
  kDates.DayNumber(text, day);
  return day;
}

std::string Packed(const std::string& text) {
  std::string packed;
  kDates.PackDate(text, packed);
  return packed;
}

std::string Text(int d, int m, int y) {
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%04d", d, m, y);
  return text;
}

// Day numbers count from 30/12/1899; the packed form is the day number in 3 bytes, big-endian.
TEST(HostDates, DayNumbersAndPackedFormAtTheBounds) {
  const std::tuple<const char*, int32_t, std::string> cases[] = {
      {"01/01/1900", 2, std::string("\x00\x00\x02", 3)},
      {"01/01/2001", 36892, std::string("\x00\x90\x1C", 3)},
      {"31/12/9999", 2958465, std::string("\x2D\x24\x81", 3)}};
  for (const auto& [text, day, packed] : cases) {
    std::string back;
    kDates.DateOfDay(day, back);
    EXPECT_EQ(std::make_tuple(Day(text), Packed(text), back), std::tie(day, packed, text));
  }
  std::string text;
  kDates.DateOfDay(1, text);
  EXPECT_EQ(text, "31/12/1899");
  kDates.Compose(31, 12, 9999, text);
  EXPECT_EQ(text, "31/12/9999");
  kDates.Compose(99, 6, 2020, text);  // far past the month's end
  EXPECT_EQ(text, "30/06/2020");
  int32_t day = 0;
  for (const int32_t bad : {0, -5, 2958466}) EXPECT_THROW(kDates.DateOfDay(bad, text), HostError);
  EXPECT_THROW(kDates.UnpackDate("\xFF\xFF\xFF", text, day), HostError);  // past 31/12/9999
  EXPECT_THROW(kDates.UnpackDate("ab", text, day), HostError);
}

// Every day of 1900..2200 against an independent calendar walk: text <-> day number, the
// packed form in strictly increasing byte order and back, Split, ShortDate, EndOfMonth, and
// Compose on the day and on the next, which past the month's end comes back to the end.
TEST(HostDates, EveryDayOf1900To2200) {
  const int32_t first = Day("01/01/1900");
  int16_t d = 1, m = 1, y = 1900;
  std::string previous(3, '\0');
  for (int32_t day = first; y <= 2200; ++day) {
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int length = lengths[m - 1];
    const std::string expected = Text(d, m, y);
    std::string text, back, shortText, end, composed, pastEnd;
    kDates.DateOfDay(day, text);
    ASSERT_EQ(text, expected) << "day " << day;
    ASSERT_TRUE(IsDateText(text));
    ASSERT_EQ(Day(text), day);
    const std::string packed = Packed(text);
    ASSERT_EQ(packed.size(), 3u);
    ASSERT_LT(previous, packed) << text;
    int32_t backDay = 0, endDay = 0;
    kDates.UnpackDate(packed, back, backDay);
    ASSERT_EQ(std::tie(back, backDay), std::tie(text, day));
    int16_t sd = 0, sm = 0, sy = 0;
    kDates.Split(text, sd, sm, sy);
    ASSERT_EQ(std::tie(sd, sm, sy), std::tie(d, m, y));
    kDates.ShortDate(text, shortText);
    ASSERT_EQ(shortText, expected.substr(0, 6) + expected.substr(8));
    kDates.EndOfMonth(text, end, endDay);
    ASSERT_EQ(end, Text(length, m, y)) << text;
    ASSERT_EQ(endDay, day + length - d) << text;
    kDates.Compose(d, m, y, composed);
    kDates.Compose(static_cast<int16_t>(d + 1), m, y, pastEnd);
    ASSERT_EQ(composed, text);
    ASSERT_EQ(pastEnd, d == length ? text : Text(d + 1, m, y));
    // The same without the texts.
    ASSERT_EQ(kDates.ComposeDay(d, m, y), day);
    ASSERT_EQ(kDates.ComposeDay(static_cast<int16_t>(d + 1), m, y), d == length ? day : day + 1);
    kDates.SplitDay(day, sd, sm, sy);
    ASSERT_EQ(std::tie(sd, sm, sy), std::tie(d, m, y));
    previous = packed;
    if (++d > length) {
      d = 1;
      if (++m > 12) m = 1, ++y;
    }
  }
}

// A blank text and its packed form, 3 zero bytes (or 3 blanks, as in a blank-filled record).
TEST(HostDates, EmptyDates) {
  const std::pair<std::string, std::string> empties[] = {{"", std::string(3, '\0')},
                                                         {"          ", "   "}};
  for (const auto& [blank, packed] : empties) {
    EXPECT_EQ(Packed(blank), std::string(3, '\0'));
    EXPECT_EQ(Day(blank), 0);
    EXPECT_FALSE(IsDateText(blank));
    std::string end = "x", shortText = "x", text = "x", unpacked = "x";
    int32_t endDay = 9, day = 9;
    int16_t d = 9, m = 9, y = 9;
    kDates.EndOfMonth(blank, end, endDay);
    kDates.ShortDate(blank, shortText);
    kDates.Split(blank, d, m, y);
    kDates.UnpackDate(packed, text, day);
    kDates.UnpackText(packed, unpacked);
    EXPECT_EQ(std::tie(end, endDay, shortText), std::make_tuple("", 0, ""));
    EXPECT_EQ(std::tie(d, m, y), std::make_tuple(0, 0, 0));
    EXPECT_EQ(std::tie(text, day, unpacked), std::make_tuple("", 0, ""));
  }
}

TEST(HostDates, MalformedImpossibleOrOutOfRangeDatesAreHostErrors) {
  for (const char* text : {"32/01/2001", "29/02/2001", "29/02/1900", "00/01/2001", "01/13/2001",
                           "01/00/2001", "31/04/2001", "1/1/2001", "01-01-2001", "01/01/1899",
                           "01/01/20011", "01/01/01", "0a/01/2001", "+1/01/2001"}) {
    EXPECT_FALSE(IsDateText(text)) << text;
    try {
      Day(text);
      ADD_FAILURE() << text << " was taken as a date";
    } catch (const HostError& e) {
      EXPECT_EQ(e.operation(), "HostDates.DayNumber");
      EXPECT_EQ(e.subject(), text);
    }
    std::string packed;
    EXPECT_THROW(kDates.PackDate(text, packed), HostError) << text;
  }
  int16_t d = 0, m = 0, y = 0;
  EXPECT_THROW(kDates.Split("31/11/2023", d, m, y), HostError);
  std::string text;
  const std::tuple<int16_t, int16_t, int16_t> days[] = {
      {1, 0, 2000}, {1, 13, 2000}, {0, 1, 2000}, {-1, 1, 2000}, {1, 1, 1899}, {1, 1, 10000}};
  for (const auto& [day, month, year] : days) {
    EXPECT_THROW(kDates.Compose(day, month, year, text), HostError) << day << "/" << month;
    EXPECT_THROW(kDates.ComposeDay(day, month, year), HostError) << day << "/" << month;
  }
  EXPECT_THROW(kDates.SplitDay(0, d, m, y), HostError);
}

}  // namespace
}  // namespace actifix
