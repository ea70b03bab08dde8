// The fields of one entry page, read from the screen field list the module gives
// HostScreen.DefineFields: "[[NAME,LABEL,TYPE,WIDTH,OPTION],...]", where WIDTH and OPTION may be
// left out, and layout markers ("@COL1", "@COULN", "@COULI") may stand between the entries.
// Markers and options are kept as given; both screen drivers lay the page out their own way.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform {

// The field types of the screen field lists.
enum class FieldType {
  kText,    // "A": free text of at most `width` characters
  kYesNo,   // "B": stored "O" / "N", shown "Oui" / "Non"
  kDate,    // "D": date text "dd/mm/yyyy"
  kAmount,  // "D2": stored as the 8-byte packed double, shown "1 234,56"
  kRate,    // "S2": stored as the 4-byte packed single, shown "20,00"
  kWhole,   // "N0": digits
};

// The type of a type letter ("A", "D2"...), or nullopt for an unknown letter.
std::optional<FieldType> FieldTypeOf(std::string_view letter);
// The letter of a type: "A", "B", "D", "D2", "S2" or "N0".
std::string_view TypeLetter(FieldType type);

struct FieldDef {
  std::string name;   // as written, blanks included (" 1" and "1" name the same field)
  std::string label;  // Windows-1252
  FieldType type = FieldType::kText;
  int width = 0;       // 0 when the list gives none
  std::string option;  // "S1", "ML" or ""
};

// One element of a field list: a field, or a layout marker standing between fields.
struct FieldListItem {
  std::string marker;  // "@COL1"... ; empty for a field
  FieldDef field;
  bool IsMarker() const { return !marker.empty(); }
};

// The elements of a screen field list, in order. Throws HostError (operation
// "HostScreen.DefineFields") for a text that is not a field list: not a list, an entry with
// fewer than three elements or more than five, an empty name, an unknown type, a width that is
// not a number.
std::vector<FieldListItem> ParseFieldList(const std::string& list);

// The field named `name` (compared without surrounding blanks), or nullptr.
const FieldDef* FindField(const std::vector<FieldListItem>& items, std::string_view name);

// The number of characters the field shows: its width, or the natural width of its type
// (10 for a date, 3 for "Oui"/"Non", 14 for an amount or rate given no width).
int DisplayWidth(const FieldDef& field);
// The most characters a user may type in the field: its width for a text or a whole number
// (200 given none), 3 for "Oui"/"Non", 10 for a date, 20 for an amount or a rate.
std::size_t MaxTyped(const FieldDef& field);

}  // namespace actifix::platform
