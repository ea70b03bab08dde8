// The record decoder on any bytes: each layout reads a record text of any length and writes
// back exactly its own width, and the packed amounts, rates and dates of an asset record either
// unpack (to values that pack back to the same bytes and show as texts) or are refused with a
// HostError. The first byte picks the layout; the rest is the record text.
#include <cstring>
#include <string>
#include <type_traits>

#include "FuzzCheck.h"
#include "host/HostBracketList.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/screen/FieldFormat.h"
#include "state/Records.h"

namespace {

using namespace actifix;

// FromText then ToText gives the text cut or blank-padded to the layout's width, but for the
// asset record's reserved byte (position 126), which is always written blank.
template <typename Record>
Record Decoded(const std::string& text, std::size_t width) {
  Record record;
  FromText(text, record);
  std::string expected = text.substr(0, width);
  expected.resize(width, ' ');
  if constexpr (std::is_same_v<Record, AssetRecord>) expected[125] = ' ';
  FUZZ_CHECK(ToText(record) == expected);
  return record;
}

bool AllBlank(const std::string& bytes) { return bytes.find_first_not_of(' ') == bytes.npos; }

// An amount as a screen shows it: digits with blanks, a comma and a sign, or a word for a value
// that is not a number.
bool Showable(const std::string& shown) {
  if (shown == "nan" || shown == "-nan" || shown == "inf" || shown == "-inf") return true;
  return !shown.empty() && shown.find_first_not_of("0123456789 ,-") == std::string::npos;
}

void Amount(const std::string& packed) {
  const HostConvert convert;
  double value = 0;
  convert.UnpackDouble(packed, value);
  std::string again;
  convert.PackDouble(value, again);
  FUZZ_CHECK(again == packed || AllBlank(packed));
  double rounded = 0;
  convert.Round(value, 2, rounded);
  int16_t zero = 0;
  convert.IsZero(value, 2, zero);
  std::string text;
  convert.FormatNumber(value, 2, text);
  FUZZ_CHECK(!text.empty());
  FUZZ_CHECK(Showable(platform::ShownForm(packed, platform::FieldType::kAmount)));
}

void Rate(const std::string& packed) {
  const HostConvert convert;
  float value = 0;
  convert.UnpackSingle(packed, value);
  std::string again;
  convert.PackSingle(value, again);
  FUZZ_CHECK(again == packed || AllBlank(packed));
  FUZZ_CHECK(Showable(platform::ShownForm(packed, platform::FieldType::kRate)));
}

void Date(const std::string& packed) {
  const HostDates dates;
  std::string text;
  int32_t day = -1;
  try {
    dates.UnpackDate(packed, text, day);
  } catch (const HostError&) {
    return;  // a day past 31/12/9999
  }
  if (day == 0) {
    FUZZ_CHECK(text.empty());
    return;
  }
  // Day 1, 31/12/1899, has a number but no date text (texts start in 1900).
  if (day == 1) return;
  FUZZ_CHECK(IsDateText(text));
  std::string again, shortText;
  dates.PackDate(text, again);
  FUZZ_CHECK(again == packed);
  std::string fromDay;
  dates.DateOfDay(day, fromDay);
  FUZZ_CHECK(fromDay == text);
  dates.ShortDate(text, shortText);
  FUZZ_CHECK(shortText.size() == 8);
}

void List(const std::string& list) {
  const HostBracketList lists;
  std::string rest = list, element;
  for (std::size_t calls = 0; rest != "[]"; ++calls) {
    FUZZ_CHECK(calls <= list.size());
    lists.TakeFirst(rest, element);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0] % 5) {
    case 0: {
      const AssetRecord a = Decoded<AssetRecord>(text, 225);
      for (const std::string& amount :
           {a.VALACQ.str(), a.CUMAMO.str(), a.DOTAMO.str(), a.MTCESS.str()})
        Amount(amount);
      Rate(a.TAUX.str());
      Date(a.DATACQ.str());
      Date(a.DATCES.str());
      List(a.LCANA.str());
      break;
    }
    case 1:
      Decoded<NatureRecord>(text, 91);
      break;
    case 2:
      List(Decoded<ParimoRecord>(text, 103).LINTANA.str());
      break;
    case 3:
      Decoded<PcimoRecord>(text, 50);
      break;
    default:
      Decoded<AnaimoRecord>(text, 38);
      break;
  }
  return 0;
}
