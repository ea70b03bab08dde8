#include "platform/screen/FieldList.h"

#include <algorithm>
#include <charconv>

#include "host/Cp1252.h"
#include "host/HostBracketList.h"
#include "host/HostError.h"

namespace actifix::platform {
namespace {

[[noreturn]] void Refuse(const std::string& list, const std::string& why) {
  throw HostError(ErrorKind::kInvalidInput, "HostScreen.DefineFields", ToUtf8(list), why);
}

bool IsNumber(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<FieldType> FieldTypeOf(std::string_view letter) {
  if (letter == "A") return FieldType::kText;
  if (letter == "B") return FieldType::kYesNo;
  if (letter == "D") return FieldType::kDate;
  if (letter == "D2") return FieldType::kAmount;
  if (letter == "S2") return FieldType::kRate;
  if (letter == "N0") return FieldType::kWhole;
  return std::nullopt;
}

std::string_view TypeLetter(FieldType type) {
  switch (type) {
    case FieldType::kText:
      return "A";
    case FieldType::kYesNo:
      return "B";
    case FieldType::kDate:
      return "D";
    case FieldType::kAmount:
      return "D2";
    case FieldType::kRate:
      return "S2";
    case FieldType::kWhole:
      return "N0";
  }
  return "A";
}

std::string_view TrimName(std::string_view name) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = name.find_last_not_of(' ');
  return name.substr(first, last - first + 1);
}

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
    if (TrimName(field.name).empty()) Refuse(list, "champ sans nom : " + ToUtf8(element));
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
  const std::string_view wanted = TrimName(name);
  for (const FieldListItem& item : items)
    if (!item.IsMarker() && TrimName(item.field.name) == wanted) return &item.field;
  return nullptr;
}

int DisplayWidth(const FieldDef& field) {
  switch (field.type) {
    case FieldType::kYesNo:
      return 3;
    case FieldType::kDate:
      return 10;
    case FieldType::kAmount:
    case FieldType::kRate:
      return field.width > 0 ? field.width : 14;
    case FieldType::kText:
    case FieldType::kWhole:
      return field.width > 0 ? field.width : 30;
  }
  return 30;
}

}  // namespace actifix::platform
