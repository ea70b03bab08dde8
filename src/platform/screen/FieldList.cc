#include "platform/screen/FieldList.h"

#include <algorithm>
#include <charconv>

#include "host/Cp1252.h"
#include "host/HostBracketList.h"
#include "host/HostError.h"
#include "host/Text.h"

namespace actifix::platform {
namespace {

[[noreturn]] void Refuse(const std::string& list, const std::string& why) {
  throw HostError(ErrorKind::kInvalidInput, "HostScreen.DefineFields", ToUtf8(list), why);
}

bool IsNumber(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What each field type is: its letter in the lists, the characters it shows and the most a
// user may type in it when the list gives no width. A width given takes the place of `shown`
// when `widthShown`, and of `typed` when `widthTyped`.
struct TypeInfo {
  FieldType type;
  std::string_view letter;
  int shown;
  int typed;
  bool widthShown;
  bool widthTyped;
};
constexpr TypeInfo kTypes[] = {
    {FieldType::kText, "A", 30, 200, true, true},  {FieldType::kYesNo, "B", 3, 3, false, false},
    {FieldType::kDate, "D", 10, 10, false, false}, {FieldType::kAmount, "D2", 14, 20, true, false},
    {FieldType::kRate, "S2", 14, 20, true, false}, {FieldType::kWhole, "N0", 30, 200, true, true},
};

const TypeInfo& InfoOf(FieldType type) {
  for (const TypeInfo& t : kTypes)
    if (t.type == type) return t;
  return kTypes[0];
}

}  // namespace

std::optional<FieldType> FieldTypeOf(std::string_view letter) {
  for (const TypeInfo& t : kTypes)
    if (t.letter == letter) return t.type;
  return std::nullopt;
}

std::string_view TypeLetter(FieldType type) { return InfoOf(type).letter; }

std::vector<FieldListItem> ParseFieldList(const std::string& list) {
  const HostBracketList brackets;
  int16_t correct = 0;
  int32_t position = 0;
  brackets.CheckNotation(list, correct, position);
  if (!correct)
    Refuse(list, "liste des champs mal formée au caractère " + std::to_string(position));

  std::vector<FieldListItem> items;
  for (const std::string& element : SplitList(list)) {
    FieldListItem item;
    if (element.empty() || element.front() != '[') {
      if (element.empty() || element.front() != '@')
        Refuse(list,
               "élément qui n'est ni un champ ni un repère de mise en page : " + ToUtf8(element));
      item.marker = element;
      items.push_back(std::move(item));
      continue;
    }
    const std::vector<std::string> parts = SplitList(element);
    if (parts.size() < 3 || parts.size() > 5) Refuse(list, "champ mal décrit : " + ToUtf8(element));
    FieldDef& field = item.field;
    field.name = parts[0];
    if (Trim(field.name).empty()) Refuse(list, "champ sans nom : " + ToUtf8(element));
    field.label = parts[1];
    const std::optional<FieldType> type = FieldTypeOf(parts[2]);
    if (!type) Refuse(list, "type de champ inconnu : " + ToUtf8(element));
    field.type = *type;
    std::size_t next = 3;
    if (next < parts.size() && IsNumber(parts[next])) {
      std::from_chars(parts[next].data(), parts[next].data() + parts[next].size(), field.width);
      ++next;
    }
    if (next < parts.size()) field.option = parts[next++];
    if (next < parts.size()) Refuse(list, "largeur du champ non numérique : " + ToUtf8(element));
    items.push_back(std::move(item));
  }
  return items;
}

const FieldDef* FindField(const std::vector<FieldListItem>& items, std::string_view name) {
  const std::string_view wanted = Trim(name);
  for (const FieldListItem& item : items)
    if (!item.IsMarker() && Trim(item.field.name) == wanted) return &item.field;
  return nullptr;
}

int DisplayWidth(const FieldDef& field) {
  const TypeInfo& t = InfoOf(field.type);
  return t.widthShown && field.width > 0 ? field.width : t.shown;
}

std::size_t MaxTyped(const FieldDef& field) {
  const TypeInfo& t = InfoOf(field.type);
  return static_cast<std::size_t>(t.widthTyped && field.width > 0 ? field.width : t.typed);
}

}  // namespace actifix::platform
