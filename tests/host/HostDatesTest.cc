// Date texts, day numbers, the packed form and the month arithmetic of the exercise table.
#include "host/HostDates.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

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

TEST(HostDates, DayNumbersCountFrom30December1899) {
  const struct {
    const char* text;
    int32_t day;
  } cases[] = {
      // The walk below checks every day in between from this anchor.
      {"01/01/1900", 2},
      {"31/12/9999", 2958465},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Day(c.text), c.day) << c.text;
    std::string text;
    kDates.DateOfDay(c.day, text);
    EXPECT_EQ(text, c.text);
  }
  std::string text;
  kDates.DateOfDay(1, text);
  EXPECT_EQ(text, "31/12/1899");
}

// An independent calendar walk: the day after each date, with its own month lengths.
void NextDate(int& d, int& m, int& y) {
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const int lengths[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (++d > lengths[m - 1]) {
    d = 1;
    if (++m > 12) {
      m = 1;
      ++y;
    }
  }
}

// Over every day of 1900..2200: text <-> day number both ways, packed forms in strictly
// increasing byte order, and packed forms unpacking to the same text and day.
TEST(HostDates, EveryDayOf1900To2200RoundTripsAndPacksInDateOrder) {
  const int32_t first = Day("01/01/1900");
  const int32_t last = Day("31/12/2200");
  int d = 1, m = 1, y = 1900;
  std::string previous;
  for (int32_t day = first; day <= last; ++day, NextDate(d, m, y)) {
    char expected[40];
    std::snprintf(expected, sizeof expected, "%02d/%02d/%04d", d, m, y);
    std::string text;
    kDates.DateOfDay(day, text);
    ASSERT_EQ(text, expected) << "day " << day;
    ASSERT_EQ(Day(text), day);
    const std::string packed = Packed(text);
    ASSERT_EQ(packed.size(), 3u);
    if (!previous.empty()) {
      ASSERT_LT(std::memcmp(previous.data(), packed.data(), 3), 0) << text;
    }
    std::string back;
    int32_t backDay = 0;
    kDates.UnpackDate(packed, back, backDay);
    ASSERT_EQ(back, text);
    ASSERT_EQ(backDay, day);
    previous = packed;
  }
  EXPECT_EQ(y, 2201);
}

TEST(HostDates, PackedFormIsTheDayNumberBigEndian) {
  EXPECT_EQ(Packed("01/01/2001"), std::string("\x00\x90\x1C", 3));  // 36892 = 0x901C
  EXPECT_EQ(Packed("31/12/9999"), std::string("\x2D\x24\x81", 3));  // 2958465 = 0x2D2481
}

TEST(HostDates, EmptyDates) {
  EXPECT_EQ(Packed(""), std::string(3, '\0'));
  EXPECT_EQ(Packed("          "), std::string(3, '\0'));
  for (const std::string& packed : {std::string(3, '\0'), std::string("   ")}) {
    std::string text = "x";
    int32_t day = 9;
    kDates.UnpackDate(packed, text, day);
    EXPECT_EQ(text, "");
    EXPECT_EQ(day, 0);
    text = "x";
    kDates.UnpackText(packed, text);
    EXPECT_EQ(text, "");
  }
  EXPECT_EQ(Day(""), 0);
  EXPECT_EQ(Day("          "), 0);
  // The empty date sorts before every date.
  EXPECT_LT(std::memcmp(Packed("").data(), Packed("01/01/1900").data(), 3), 0);
}

TEST(HostDates, MalformedOrImpossibleDatesAreHostErrors) {
  const char* bad[] = {"32/01/2001", "29/02/2001",  "29/02/1900", "00/01/2001", "01/13/2001",
                       "01/00/2001", "31/04/2001",  "1/1/2001",   "01-01-2001", "01/01/1899",
                       "aa/bb/cccc", "01/01/20011", "01/01/01",   "0a/01/2001", "+1/01/2001"};
  for (const char* text : bad) {
    EXPECT_FALSE(IsDateText(text)) << text;
    try {
      Day(text);
      ADD_FAILURE() << text << " was taken as a date";
    } catch (const HostError& e) {
      EXPECT_EQ(e.operation(), "HostDates.DayNumber");
      EXPECT_EQ(e.subject(), text);
      EXPECT_FALSE(e.cause().empty());
    }
    std::string packed;
    EXPECT_THROW(kDates.PackDate(text, packed), HostError) << text;
  }
  for (const char* good : {"29/02/2000", "29/02/2004", "31/12/9999", "01/01/1900", "30/04/2001"})
    EXPECT_TRUE(IsDateText(good)) << good;
  EXPECT_FALSE(IsDateText(""));
}

TEST(HostDates, BadDayNumbersAndPackedFormsAreHostErrors) {
  std::string text;
  int32_t day = 0;
  EXPECT_THROW(kDates.DateOfDay(0, text), HostError);
  EXPECT_THROW(kDates.DateOfDay(-5, text), HostError);
  EXPECT_THROW(kDates.DateOfDay(2958466, text), HostError);
  EXPECT_THROW(kDates.UnpackDate("\xFF\xFF\xFF", text, day), HostError);
  EXPECT_THROW(kDates.UnpackDate("ab", text, day), HostError);
}

TEST(HostDates, ComposeBringsADayPastTheMonthEndBack) {
  const struct {
    int d, m, y;
    const char* text;
  } cases[] = {
      {29, 2, 2009, "28/02/2009"},  {29, 2, 2008, "29/02/2008"}, {30, 2, 2000, "29/02/2000"},
      {29, 2, 1900, "28/02/1900"},  {31, 4, 2007, "30/04/2007"}, {1, 1, 1900, "01/01/1900"},
      {31, 12, 9999, "31/12/9999"}, {99, 6, 2020, "30/06/2020"}, {5, 11, 2023, "05/11/2023"},
  };
  for (const auto& c : cases) {
    std::string text;
    kDates.Compose(static_cast<int16_t>(c.d), static_cast<int16_t>(c.m), static_cast<int16_t>(c.y),
                   text);
    EXPECT_EQ(text, c.text);
  }
  const struct {
    int d, m, y;
  } bad[] = {{1, 0, 2000}, {1, 13, 2000}, {0, 1, 2000}, {-1, 1, 2000}, {1, 1, 1899}, {1, 1, 10000}};
  for (const auto& c : bad) {
    std::string text;
    EXPECT_THROW(kDates.Compose(static_cast<int16_t>(c.d), static_cast<int16_t>(c.m),
                                static_cast<int16_t>(c.y), text),
                 HostError)
        << c.d << "/" << c.m << "/" << c.y;
  }
}

TEST(HostDates, EndOfMonth) {
  const struct {
    const char* text;
    const char* end;
  } cases[] = {
      {"15/02/2008", "29/02/2008"}, {"01/02/2009", "28/02/2009"}, {"10/02/2000", "29/02/2000"},
      {"01/02/1900", "28/02/1900"}, {"30/04/2001", "30/04/2001"}, {"01/12/2005", "31/12/2005"},
      {"31/01/2005", "31/01/2005"},
  };
  for (const auto& c : cases) {
    std::string end;
    int32_t endDay = 0;
    kDates.EndOfMonth(c.text, end, endDay);
    EXPECT_EQ(end, c.end);
    EXPECT_EQ(endDay, Day(c.end));
  }
  std::string end = "x";
  int32_t endDay = 9;
  kDates.EndOfMonth("", end, endDay);
  EXPECT_EQ(end, "");
  EXPECT_EQ(endDay, 0);
}

// The exercise table's step: the same month's end one year later, through 29 February.
TEST(HostDates, YearEndsFollowTheMonthEndThroughLeapYears) {
  std::string end = "28/02/2005";
  const char* expected[] = {"28/02/2006", "28/02/2007", "29/02/2008", "28/02/2009",
                            "28/02/2010", "28/02/2011", "29/02/2012"};
  for (const char* next : expected) {
    int16_t d = 0, m = 0, y = 0;
    kDates.Split(end, d, m, y);
    std::string composed;
    kDates.Compose(d, m, static_cast<int16_t>(y + 1), composed);
    int32_t endDay = 0;
    kDates.EndOfMonth(composed, end, endDay);
    EXPECT_EQ(end, next);
  }
}

TEST(HostDates, SplitAndShortDate) {
  int16_t d = 0, m = 0, y = 0;
  kDates.Split("05/11/2023", d, m, y);
  EXPECT_EQ(d, 5);
  EXPECT_EQ(m, 11);
  EXPECT_EQ(y, 2023);
  EXPECT_THROW(kDates.Split("31/11/2023", d, m, y), HostError);

  const struct {
    const char* text;
    const char* shortText;
  } cases[] = {{"05/11/2023", "05/11/23"}, {"01/01/1900", "01/01/00"}, {"", ""}};
  for (const auto& c : cases) {
    std::string shortText = "x";
    kDates.ShortDate(c.text, shortText);
    EXPECT_EQ(shortText, c.shortText);
  }
}

}  // namespace
}  // namespace actifix
