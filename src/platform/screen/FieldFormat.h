// Stored and shown forms of field values, shared by the scripted and terminal screens.
//
//   type  stored (what the module hands over)        shown / typed
//   A     the text                                   the text
//   B     "O" / "N"                                  "Oui" / "Non" (typed O, N, Oui, Non)
//   D     "dd/mm/yyyy" or ""                         the same (typed d/m/yyyy or ddmmyyyy too)
//   D2    8-byte packed double (HostConvert)         "1 234,56", "-0,50"
//   S2    4-byte packed single (HostConvert)         "20,00"
//   N0    digits                                     the digits
//
// Typed amounts and rates accept "1234.56", "1234,56" and "1 234,56" (blanks only between
// groups of three digits), a sign, and at most two decimals; an empty amount is 0. An amount
// above kAmountLimit (999 999 999 999,99), either sign, is refused.
// All texts here are Windows-1252; refusal messages are short French UTF-8 texts.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/screen/FieldList.h"

namespace actifix::platform {

// A stored value that cannot be shown as its type says (a packed amount of the wrong size).
class FormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text a field of `type` shows for the stored value. An amount or rate that is empty or
// all blanks shows as 0. Throws FormatError for a packed form of the wrong size.
std::string ShownForm(std::string_view stored, FieldType type);

// HostScreen.FormatValue for both screens: `value` replaced by the text a field of the type
// letter `type` shows. Throws HostError for an unknown type or a packed form of the wrong size.
void FormatValueAs(std::string& value, const std::string& type);

// Whether the text typed in the field may end up as an element of the module's bracket lists
// (analytic codes, a card's texts in the disposal list, account labels in ledger entries,
// codes in group keys...), where "," "[" and "]" would split it: every text field but the
// heading list LINTANA, which is typed as a bracket list.
bool IsListedTextField(const FieldDef& field);

// What the user typed, turned into the field's stored form, or the reason it is refused.
// Refused whatever the field: a control character. Refused in a listed text: ",", "[", "]".
struct TypedValue {
  std::string stored;   // Windows-1252, valid when `refusal` is empty
  std::string refusal;  // UTF-8 French message; empty when accepted
  bool ok() const { return refusal.empty(); }
};
TypedValue ParseTyped(std::string_view typed, const FieldDef& field);

// French amount text with blank-grouped thousands: 1234.5 with 2 -> "1 234,50". The value is
// first rounded half away from zero; a value that rounds to 0 gives "0,00", never "-0,00".
std::string FrenchAmount(double value, int decimals);

// The value of an amount typed in one of the accepted spellings, or nullopt; infinity, with
// its sign, for digits past the largest double. REQUIRES: maxDecimals >= 0. An empty text is
// not an amount (callers decide what it means).
std::optional<double> ParseAmount(std::string_view text, int maxDecimals);

// An amount or a rate (`type` kAmount or kRate) read as its field reads it, the one reading of
// the screens, the register import and the calculator: the value, or why it is refused (UTF-8
// French) with nothing rounded. An empty text is 0.
struct TypedNumber {
  double value = 0;
  std::string refusal;  // empty when accepted
};
TypedNumber ReadTypedNumber(std::string_view typed, FieldType type);

// "dd/mm/yyyy" for a typed date ("1/2/2026", "01/02/2026", "01022026"), or nullopt when the
// text is not a valid date. An empty text gives "".
std::optional<std::string> NormalizeDate(std::string_view text);

}  // namespace actifix::platform
