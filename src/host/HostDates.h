// Dates of the host: date texts "dd/mm/yyyy", day numbers and the packed form.
//
// Day numbers count from 30/12/1899 (day 1 = 31/12/1899, 01/01/1900 is day 2); 0 means
// "no date". Date texts are read with blanks around them ignored; they must be exactly
// "dd/mm/yyyy", a real day of the Gregorian calendar, years 1900..9999. A text that is blank
// is the empty date; any other text that is not a date makes the call throw HostError.
// Packed date: the day number in 3 bytes, big-endian, so that byte order is date order;
// the empty date is 3 zero bytes. Three blanks also read as the empty date (a blank-filled
// record), which costs the one day whose number is 0x202020, 26/04/7664.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostDates {
 public:
  // The empty (or blank) text packs to 3 zero bytes; a text that is not a date throws.
  void PackDate(const std::string& dateText, std::string& packed) const;
  // 3 zero bytes (or 3 blanks) unpack to "" and 0. Throws HostError for a text that is not
  // 3 bytes or a day number past 31/12/9999.
  void UnpackDate(const std::string& packed, std::string& dateText, int32_t& day) const;
  void UnpackText(const std::string& packed, std::string& dateText) const;
  // 0 for an empty or blank text; throws HostError for a text that is not a date.
  void DayNumber(const std::string& dateText, int32_t& day) const;
  // Throws HostError for a day outside 1 (31/12/1899) .. 2958465 (31/12/9999).
  void DateOfDay(const int32_t& day, std::string& dateText) const;
  // The three numbers of a date; 0, 0, 0 for the empty date.
  void Split(const std::string& dateText, int16_t& day, int16_t& month, int16_t& year) const;
  // A day past the month's end is brought back to the month's last day: 29/2/2009 gives
  // "28/02/2009". A month outside 1..12, a day below 1 or a year outside 1900..9999 throws
  // HostError.
  void Compose(const int16_t& day, const int16_t& month, const int16_t& year,
               std::string& dateText) const;
  // The day number of the date Compose makes, checked the same way, without its text: the
  // depreciation walks years by it.
  int32_t ComposeDay(int16_t day, int16_t month, int16_t year) const;
  // The three numbers of the date of day number `day`: Split of DateOfDay, without the text.
  void SplitDay(int32_t day, int16_t& d, int16_t& month, int16_t& year) const;
  // The last day of the date's month, as text and day number ("" and 0 for the empty date).
  void EndOfMonth(const std::string& dateText, std::string& endText, int32_t& endDay) const;
  // "dd/mm/yy", the 8-character form of the edition columns ("" for the empty date).
  void ShortDate(const std::string& dateText, std::string& shortText) const;
};

// Whether the text is a valid date "dd/mm/yyyy" (years 1900..9999); false for a blank text.
bool IsDateText(const std::string& text);

}  // namespace actifix
