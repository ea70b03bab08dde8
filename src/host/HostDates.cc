// Dates of the host: parsing and writing "dd/mm/yyyy", day numbers from 30/12/1899 and the
// 3-byte big-endian packed form. Calendar arithmetic is proleptic Gregorian on whole days.
#include "host/HostDates.h"

#include <string_view>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"

namespace actifix {

namespace {

constexpr int kFirstYear = 1900;
constexpr int kLastYear = 9999;

struct Ymd {
  int year;
  int month;
  int day;
};

constexpr bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr int DaysInMonth(int y, int m) { return m == 2 && IsLeap(y) ? 29 : kMonthDays[m - 1]; }

// Days since 01/03/0000 shifted to the civil epoch (H. Hinnant's days_from_civil).
constexpr long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const long yoe = y - era * 400;
  const long doy = (153L * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

Ymd CivilFromDays(long z) {
  z += 719468;
  const long era = (z >= 0 ? z : z - 146096) / 146097;
  const long doe = z - era * 146097;
  const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return {y, m, d};
}

constexpr long kOrigin = DaysFromCivil(1899, 12, 30);  // day 0
constexpr long kLastDay = DaysFromCivil(kLastYear, 12, 31) - kOrigin;

int32_t DayOf(const Ymd& date) {
  return static_cast<int32_t>(DaysFromCivil(date.year, date.month, date.day) - kOrigin);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Outcome of reading a date text: empty (blank), a date, or the French reason it is none.
struct Parsed {
  bool empty = false;
  Ymd date{0, 0, 0};
  const char* fault = nullptr;
};

Parsed Parse(std::string_view raw) {
  Parsed parsed;
  const std::string_view text = Trim(raw);
  if (text.empty()) {
    parsed.empty = true;
    return parsed;
  }
  if (text.size() != 10 || text[2] != '/' || text[5] != '/') {
    parsed.fault = "une date s'écrit jj/mm/aaaa";
    return parsed;
  }
  for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
    if (!IsDigit(text[i])) {
      parsed.fault = "une date s'écrit jj/mm/aaaa, en chiffres";
      return parsed;
    }
  }
  auto number = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  const Ymd date{number(6, 4), number(3, 2), number(0, 2)};
  if (date.year < kFirstYear) {
    parsed.fault = "l'année doit être comprise entre 1900 et 9999";
  } else if (date.month < 1 || date.month > 12) {
    parsed.fault = "le mois doit être compris entre 1 et 12";
  } else if (date.day < 1 || date.day > DaysInMonth(date.year, date.month)) {
    parsed.fault = "ce jour n'existe pas dans ce mois";
  } else {
    parsed.date = date;
  }
  return parsed;
}

// The date of a text that must be a date or blank; throws HostError on anything else.
Parsed ParseOrThrow(const std::string& text, const char* operation) {
  Parsed parsed = Parse(text);
  if (parsed.fault != nullptr)
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(text), parsed.fault);
  return parsed;
}

// "dd/mm/yyyy", written in place: dates are made in the depreciation's inner loops.
std::string Text(const Ymd& date) {
  char out[10];
  const auto put2 = [&out](int at, int v) {
    out[at] = static_cast<char>('0' + v / 10 % 10);
    out[at + 1] = static_cast<char>('0' + v % 10);
  };
  put2(0, date.day);
  out[2] = '/';
  put2(3, date.month);
  out[5] = '/';
  put2(6, date.year / 100);
  put2(8, date.year % 100);
  return std::string(out, sizeof out);
}

Ymd DateOfDayOrThrow(long day, const char* operation) {
  if (day < 1 || day > kLastDay)
    throw HostError(ErrorKind::kInvalidInput, operation, std::to_string(day),
                    "le numéro de jour est hors du calendrier (31/12/1899 à 31/12/9999)");
  return CivilFromDays(day + kOrigin);
}

}  // namespace

bool IsDateText(const std::string& text) {
  const Parsed parsed = Parse(text);
  return !parsed.empty && parsed.fault == nullptr;
}

void HostDates::PackDate(const std::string& dateText, std::string& packed) const {
  const Parsed parsed = ParseOrThrow(dateText, "HostDates.PackDate");
  const uint32_t day = parsed.empty ? 0 : static_cast<uint32_t>(DayOf(parsed.date));
  packed.assign(3, '\0');
  packed[0] = static_cast<char>((day >> 16) & 0xFF);
  packed[1] = static_cast<char>((day >> 8) & 0xFF);
  packed[2] = static_cast<char>(day & 0xFF);
}

void HostDates::UnpackDate(const std::string& packed, std::string& dateText, int32_t& day) const {
  if (packed.size() != 3)
    throw HostError(ErrorKind::kInvalidInput, "HostDates.UnpackDate",
                    std::to_string(packed.size()) + " octets",
                    "une date compacte doit avoir 3 octets");
  if (packed == std::string(3, '\0') || packed == "   ") {
    dateText.clear();
    day = 0;
    return;
  }
  const long number = (static_cast<long>(static_cast<unsigned char>(packed[0])) << 16) |
                      (static_cast<long>(static_cast<unsigned char>(packed[1])) << 8) |
                      static_cast<long>(static_cast<unsigned char>(packed[2]));
  dateText = Text(DateOfDayOrThrow(number, "HostDates.UnpackDate"));
  day = static_cast<int32_t>(number);
}

void HostDates::UnpackText(const std::string& packed, std::string& dateText) const {
  int32_t day = 0;
  UnpackDate(packed, dateText, day);
}

void HostDates::DayNumber(const std::string& dateText, int32_t& day) const {
  const Parsed parsed = ParseOrThrow(dateText, "HostDates.DayNumber");
  day = parsed.empty ? 0 : DayOf(parsed.date);
}

void HostDates::DateOfDay(const int32_t& day, std::string& dateText) const {
  dateText = Text(DateOfDayOrThrow(day, "HostDates.DateOfDay"));
}

void HostDates::Split(const std::string& dateText, int16_t& day, int16_t& month,
                      int16_t& year) const {
  const Parsed parsed = ParseOrThrow(dateText, "HostDates.Split");
  day = static_cast<int16_t>(parsed.date.day);
  month = static_cast<int16_t>(parsed.date.month);
  year = static_cast<int16_t>(parsed.date.year);
}

namespace {

// The date of Compose: a day past the month's end brought back to its last day.
Ymd Composed(int16_t day, int16_t month, int16_t year) {
  // The subject is written only on failure: Compose runs in the depreciation's inner loops.
  const auto fail = [&](const char* cause) {
    throw HostError(
        ErrorKind::kInvalidInput, "HostDates.Compose",
        std::to_string(day) + ", " + std::to_string(month) + ", " + std::to_string(year), cause);
  };
  if (month < 1 || month > 12) fail("le mois doit être compris entre 1 et 12");
  if (day < 1) fail("le jour doit être au moins 1");
  if (year < kFirstYear || year > kLastYear) fail("l'année doit être comprise entre 1900 et 9999");
  const int last = DaysInMonth(year, month);
  return {year, month, day > last ? last : static_cast<int>(day)};
}

}  // namespace

void HostDates::Compose(const int16_t& day, const int16_t& month, const int16_t& year,
                        std::string& dateText) const {
  dateText = Text(Composed(day, month, year));
}

int32_t HostDates::ComposeDay(int16_t day, int16_t month, int16_t year) const {
  return DayOf(Composed(day, month, year));
}

void HostDates::SplitDay(int32_t day, int16_t& d, int16_t& month, int16_t& year) const {
  const Ymd date = DateOfDayOrThrow(day, "HostDates.DateOfDay");
  d = static_cast<int16_t>(date.day);
  month = static_cast<int16_t>(date.month);
  year = static_cast<int16_t>(date.year);
}

void HostDates::EndOfMonth(const std::string& dateText, std::string& endText,
                           int32_t& endDay) const {
  const Parsed parsed = ParseOrThrow(dateText, "HostDates.EndOfMonth");
  if (parsed.empty) {
    endText.clear();
    endDay = 0;
    return;
  }
  const Ymd end{parsed.date.year, parsed.date.month,
                DaysInMonth(parsed.date.year, parsed.date.month)};
  endText = Text(end);
  endDay = DayOf(end);
}

void HostDates::ShortDate(const std::string& dateText, std::string& shortText) const {
  const Parsed parsed = ParseOrThrow(dateText, "HostDates.ShortDate");
  if (parsed.empty) {
    shortText.clear();
    return;
  }
  const std::string full = Text(parsed.date);
  shortText = full.substr(0, 6) + full.substr(8, 2);
}

}  // namespace actifix
