#include "platform/screen/FieldFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "host/Cp1252.h"
#include "host/HostConvert.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/TypedText.h"

namespace actifix::platform {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// Blank or no-break blank (0xA0 in Windows-1252) between groups of digits.
bool IsGroupBlank(char c) { return kSpaceOrNoBreak.find(c) != std::string_view::npos; }

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool AllBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' '; });
}

// The number of a packed amount (8 bytes) or rate (4 bytes); nothing or blanks read as 0.
// Throws FormatError for a text of another size.
double Unpacked(std::string_view stored, FieldType type) {
  const bool amount = type == FieldType::kAmount;
  const std::size_t size = amount ? 8 : 4;
  if (stored.empty() || (stored.size() == size && AllBlank(stored))) return 0;
  if (stored.size() != size)
    throw FormatError(std::string(amount ? "montant" : "taux") + " conditionné sur " +
                      std::to_string(stored.size()) + " octets au lieu de " + std::to_string(size));
  const HostConvert convert;
  if (amount) {
    double value = 0;
    convert.UnpackDouble(std::string(stored), value);
    return value;
  }
  float value = 0;
  convert.UnpackSingle(std::string(stored), value);
  return value;
}

TypedValue Refused(std::string why) { return {"", std::move(why)}; }

}  // namespace

std::string FrenchAmount(double value, int decimals) {
  // HostConvert writes the rounded value in full however large it is: "-1234.50".
  std::string plain;
  HostConvert().FormatNumber(value, static_cast<int16_t>(decimals), plain);
  const bool negative = !plain.empty() && plain.front() == '-';
  const std::string_view digits = std::string_view(plain).substr(negative ? 1 : 0);
  const std::size_t point = std::min(digits.find('.'), digits.size());
  std::string out = negative ? "-" : "";
  for (std::size_t i = 0; i < point; ++i) {
    if (i > 0 && (point - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  if (point < digits.size()) {
    out += ',';
    out.append(digits.substr(point + 1));
  }
  return out;
}

std::optional<double> ParseAmount(std::string_view text, int maxDecimals) {
  text = Trim(text, kSpaceOrNoBreak);
  std::string plain;  // "-1234.56", what from_chars reads
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    if (text.front() == '-') plain += '-';
    text.remove_prefix(1);
  }
  const std::size_t sep = text.find_first_of(".,");
  const std::string_view whole = text.substr(0, sep);
  const std::string_view fraction =
      sep == std::string_view::npos ? std::string_view{} : text.substr(sep + 1);
  if (sep != std::string_view::npos &&
      (fraction.empty() || static_cast<int>(fraction.size()) > maxDecimals ||
       !std::all_of(fraction.begin(), fraction.end(), IsDigit)))
    return std::nullopt;
  if (whole.empty() && fraction.empty()) return std::nullopt;

  // The whole part: digits, or groups of three digits after the first one split by blanks.
  std::size_t group = 0;  // digits in the current group
  bool grouped = false;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    const char c = whole[i];
    if (IsDigit(c)) {
      plain += c;
      ++group;
    } else if (IsGroupBlank(c)) {
      if (group == 0 || (grouped && group != 3) || (!grouped && group > 3)) return std::nullopt;
      grouped = true;
      group = 0;
    } else {
      return std::nullopt;
    }
  }
  if (grouped && group != 3) return std::nullopt;
  if (whole.empty()) plain += '0';
  if (!fraction.empty()) {
    plain += '.';
    plain.append(fraction);
  }
  double value = 0;
  const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ptr != plain.data() + plain.size()) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range)  // only too large: at most a few decimals
    return plain.front() == '-' ? -HUGE_VAL : HUGE_VAL;
  if (result.ec != std::errc()) return std::nullopt;
  return value;
}

TypedNumber ReadTypedNumber(std::string_view typed, FieldType type) {
  TypedNumber number;
  if (!Trim(typed, kSpaceOrNoBreak).empty()) {
    const std::optional<double> parsed = ParseAmount(typed, 2);
    if (!parsed) {
      number.refusal = type == FieldType::kAmount ? "montant non valable (exemple : 1 234,56)"
                                                  : "taux non valable (exemple : 20,00)";
      return number;
    }
    number.value = *parsed;
  }
  if (type == FieldType::kAmount && std::fabs(number.value) > kAmountLimit)
    number.refusal = "montant trop grand (999 999 999 999,99 au plus)";
  // A rate past the largest float has no packed form (and no float to convert to).
  if (type == FieldType::kRate && std::fabs(number.value) > std::numeric_limits<float>::max())
    number.refusal = "taux non valable (exemple : 20,00)";
  return number;
}

std::optional<std::string> NormalizeDate(std::string_view text) {
  text = Trim(text, kSpaceOrNoBreak);
  if (text.empty()) return std::string();
  std::string day, month, year;
  if (text.size() == 8 && std::all_of(text.begin(), text.end(), IsDigit)) {
    day = text.substr(0, 2);
    month = text.substr(2, 2);
    year = text.substr(4);
  } else {
    const std::size_t first = text.find('/');
    const std::size_t second = first == std::string_view::npos ? first : text.find('/', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    day = text.substr(0, first);
    month = text.substr(first + 1, second - first - 1);
    year = text.substr(second + 1);
    const auto digits = [](const std::string& part, std::size_t low, std::size_t high) {
      return part.size() >= low && part.size() <= high &&
             std::all_of(part.begin(), part.end(), IsDigit);
    };
    if (!digits(day, 1, 2) || !digits(month, 1, 2) || !digits(year, 4, 4)) return std::nullopt;
    if (day.size() == 1) day.insert(0, "0");
    if (month.size() == 1) month.insert(0, "0");
  }
  std::string date = day + "/" + month + "/" + year;
  if (!IsDateText(date)) return std::nullopt;
  return date;
}

std::string ShownForm(std::string_view stored, FieldType type) {
  switch (type) {
    case FieldType::kText:
    case FieldType::kDate:
      return std::string(stored);
    case FieldType::kWhole:
      return std::string(Trim(stored, kSpaceOrNoBreak));
    case FieldType::kYesNo: {
      const std::string_view answer = Trim(stored, kSpaceOrNoBreak);
      if (answer == "O") return "Oui";
      if (answer == "N") return "Non";
      return std::string(stored);
    }
    case FieldType::kAmount:
    case FieldType::kRate:
      return FrenchAmount(Unpacked(stored, type), 2);
  }
  return std::string(stored);
}

void FormatValueAs(std::string& value, const std::string& type) {
  const std::optional<FieldType> fieldType = FieldTypeOf(type);
  if (!fieldType)
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.FormatValue", ToUtf8(type),
                    "type de champ inconnu");
  try {
    value = ShownForm(value, *fieldType);
  } catch (const FormatError& e) {
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.FormatValue", ToUtf8(type), e.what());
  }
}

bool IsListedTextField(const FieldDef& field) {
  return field.type == FieldType::kText && Trim(field.name) != "LINTANA";
}

TypedValue ParseTyped(std::string_view typed, const FieldDef& field) {
  const HostConvert convert;
  if (std::string refusal = Cp1252Refusal(typed); !refusal.empty())
    return Refused(std::move(refusal));
  switch (field.type) {
    case FieldType::kText:
      if (field.width > 0 && static_cast<int>(typed.size()) > field.width)
        return Refused("texte trop long (" + std::to_string(field.width) + " caractères au plus)");
      if (IsListedTextField(field) && typed.find_first_of(",[]") != std::string_view::npos)
        return Refused("« , », « [ » et « ] » ne peuvent pas figurer dans ce texte");
      return {std::string(typed), ""};
    case FieldType::kYesNo: {
      const std::string answer = AsciiUpper(Trim(typed, kSpaceOrNoBreak));
      if (answer == "O" || answer == "OUI") return {"O", ""};
      if (answer == "N" || answer == "NON") return {"N", ""};
      return Refused("répondez O (oui) ou N (non)");
    }
    case FieldType::kDate: {
      std::optional<std::string> date = NormalizeDate(typed);
      if (!date) return Refused("date non valable (jj/mm/aaaa)");
      return {*date, ""};
    }
    case FieldType::kWhole: {
      const std::string_view digits = Trim(typed, kSpaceOrNoBreak);
      if (!std::all_of(digits.begin(), digits.end(), IsDigit))
        return Refused("nombre entier attendu (chiffres seulement)");
      if (field.width > 0 && static_cast<int>(digits.size()) > field.width)
        return Refused("nombre trop long (" + std::to_string(field.width) + " chiffres au plus)");
      return {std::string(digits), ""};
    }
    case FieldType::kAmount:
    case FieldType::kRate: {
      const TypedNumber number = ReadTypedNumber(typed, field.type);
      if (!number.refusal.empty()) return Refused(number.refusal);
      const double value = number.value;
      std::string packed;
      if (field.type == FieldType::kAmount) {
        convert.PackDouble(value, packed);
      } else {
        convert.PackSingle(static_cast<float>(value), packed);
      }
      return {packed, ""};
    }
  }
  return {std::string(typed), ""};
}

}  // namespace actifix::platform
