// What a user types in a field of each type: ParseTyped refuses it or stores it, and a stored
// value shows as a text that, typed again, stores the same value. The first byte picks the
// field (its type, its width, a listed text or the heading list); the rest is what is typed.
#include <string>

#include "FuzzCheck.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "platform/screen/FieldFormat.h"

using namespace actifix::platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  constexpr FieldType kTypes[] = {FieldType::kText,   FieldType::kYesNo, FieldType::kDate,
                                  FieldType::kAmount, FieldType::kRate,  FieldType::kWhole};
  FieldDef field;
  field.type = kTypes[data[0] % 6];
  field.width = (data[0] >> 3) % 4 == 0 ? 0 : (data[0] >> 3) % 32;
  field.name = (data[0] & 0x80) != 0 ? "LINTANA" : "NOMFRN";
  const std::string_view typed(reinterpret_cast<const char*>(data) + 1, size - 1);

  const TypedValue parsed = ParseTyped(typed, field);
  if (!parsed.ok()) return 0;
  const actifix::HostConvert convert;
  FUZZ_CHECK(parsed.stored.find('\0') == std::string::npos || field.type == FieldType::kAmount ||
             field.type == FieldType::kRate);
  const std::string shown = ShownForm(parsed.stored, field.type);
  switch (field.type) {
    case FieldType::kDate:
      FUZZ_CHECK(parsed.stored.empty() || actifix::IsDateText(parsed.stored));
      break;
    case FieldType::kAmount:
      FUZZ_CHECK(parsed.stored.size() == 8);
      break;
    case FieldType::kRate:
      FUZZ_CHECK(parsed.stored.size() == 4);
      break;
    default:
      break;
  }
  // Shown, then typed again (a text as it is, the others from their shown form).
  if (field.type != FieldType::kText) {
    const TypedValue again = ParseTyped(shown, field);
    FUZZ_CHECK(again.ok());
    // Amounts and rates compare by value: "-0" stores -0.0 and shows as "0,00".
    if (field.type == FieldType::kAmount) {
      double before = 0, after = 0;
      convert.UnpackDouble(parsed.stored, before);
      convert.UnpackDouble(again.stored, after);
      FUZZ_CHECK(before == after);
    } else if (field.type == FieldType::kRate) {
      float before = 0, after = 0;
      convert.UnpackSingle(parsed.stored, before);
      convert.UnpackSingle(again.stored, after);
      FUZZ_CHECK(before == after);
    } else {
      FUZZ_CHECK(again.stored == parsed.stored);
    }
  }
  std::string formatted = parsed.stored;
  FormatValueAs(formatted, std::string(TypeLetter(field.type)));
  FUZZ_CHECK(formatted == shown);

  // The typed text taken as a stored value of any type: shown, or refused with HostError.
  for (const char* letter : {"A", "B", "D", "D2", "S2", "N0", "X"}) {
    std::string value(typed);
    try {
      FormatValueAs(value, letter);
    } catch (const actifix::HostError&) {
    }
  }
  return 0;
}
