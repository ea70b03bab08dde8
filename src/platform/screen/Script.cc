#include "platform/screen/Script.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "host/Text.h"
#include "platform/screen/Keys.h"
#include "platform/screen/TypedText.h"

namespace actifix::platform {
namespace {

struct KeyName {
  std::string_view name;
  int16_t key;
};
constexpr KeyName kKeyNames[] = {
    {"ENTER", kKeyValidate}, {"F1", kKeyF1},   {"F2", kKeyF2}, {"F6", kKeyF6},
    {"F8", kKeyF8},          {"F12", kKeyF12}, {"UP", kKeyUp}, {"PGUP", kKeyPageUp},
};

// What separates the words of a script line.
constexpr std::string_view kBlanks = " \t";

bool IsBlank(char c) { return kBlanks.find(c) != std::string_view::npos; }

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const std::size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

std::optional<int32_t> Number(std::string_view text) {
  int32_t value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
      value < 0)
    return std::nullopt;
  return value;
}

int16_t KeyOrThrow(std::string_view word, int line) {
  const std::optional<int16_t> key = KeyOfName(word);
  if (!key)
    throw ScriptError(
        line, "touche " + std::string(word) + " inconnue (ENTER, F1, F2, F6, F8, F12, UP ou PGUP)");
  return *key;
}

ScriptLine ParseLine(std::string_view text, int number) {
  ScriptLine line;
  line.number = number;
  line.key = kKeyValidate;
  const std::size_t nameEnd = std::min(text.find_first_of(" \t="), text.size());
  const std::string_view head = text.substr(0, nameEnd);
  const std::string_view rest = Trim(text.substr(nameEnd), kBlanks);
  const std::vector<std::string_view> words = Words(rest);

  if (head == "CONFIRM") {
    line.kind = AnswerKind::kConfirm;
    if (words.empty() || words.size() > 2 || (words[0] != "yes" && words[0] != "no"))
      throw ScriptError(number, "CONFIRM attend yes ou no, puis une touche");
    line.yes = words[0] == "yes";
    if (words.size() == 2) line.key = KeyOrThrow(words[1], number);
  } else if (head == "CHOOSE") {
    line.kind = AnswerKind::kChoose;
    const std::optional<int32_t> choice = words.size() == 1 ? Number(words[0]) : std::nullopt;
    if (!choice) throw ScriptError(number, "CHOOSE attend un numéro de ligne (0 quitte la liste)");
    line.choice = *choice;
  } else if (head == "MARK") {
    line.kind = AnswerKind::kMark;
    for (std::size_t start = 0; !rest.empty();) {
      const std::size_t comma = rest.find(',', start);
      const std::optional<int32_t> mark = Number(Trim(
          rest.substr(start, comma == std::string_view::npos ? comma : comma - start), kBlanks));
      if (!mark || *mark == 0)
        throw ScriptError(
            number, "MARK attend des numéros de ligne à partir de 1, séparés par des virgules");
      line.marks.push_back(*mark);
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
  } else {
    if (head.empty())  // "= VALUE" with no field before it
      throw ScriptError(number, "ligne non valable : attendu CHAMP [= VALEUR] [TOUCHE]");
    line.kind = AnswerKind::kField;
    line.field = std::string(head);
    if (!rest.empty() && rest.front() == '=') {
      std::string_view value = Trim(rest.substr(1), kBlanks);
      const std::size_t lastStart = value.find_last_of(" \t");
      const std::string_view last =
          lastStart == std::string_view::npos ? value : value.substr(lastStart + 1);
      if (const std::optional<int16_t> key = KeyOfName(last)) {
        line.key = *key;
        value = Trim(value.substr(0, value.size() - last.size()), kBlanks);
      }
      if (const std::string refusal = Utf8Refusal(value); !refusal.empty())
        throw ScriptError(number, "valeur refusée pour " + line.field + " : " + refusal);
      line.value = std::string(value);
    } else if (words.size() == 1) {
      line.key = KeyOrThrow(words[0], number);
    } else if (!words.empty()) {
      throw ScriptError(number, "ligne non valable : attendu CHAMP [= VALEUR] [TOUCHE]");
    }
  }
  return line;
}

}  // namespace

ScriptError::ScriptError(int line, const std::string& what)
    : std::runtime_error("script line " + std::to_string(line) + ": " + what), line_(line) {}

std::string ScriptLine::Subject() const {
  switch (kind) {
    case AnswerKind::kField:
      return field;
    case AnswerKind::kConfirm:
      return "CONFIRM";
    case AnswerKind::kChoose:
      return "CHOOSE";
    case AnswerKind::kMark:
      return "MARK";
  }
  return field;
}

std::optional<int16_t> KeyOfName(std::string_view name) {
  for (const KeyName& k : kKeyNames)
    if (k.name == name) return k.key;
  return std::nullopt;
}

std::string NameOfKey(int16_t key) {
  for (const KeyName& k : kKeyNames)
    if (k.key == key) return std::string(k.name);
  return std::to_string(key);
}

Script Script::FromText(std::string_view utf8) {
  Script script;
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
    throw ScriptError(1,
                      "marque d'ordre des octets (BOM) en tête : enregistrez le script en "
                      "UTF-8 sans BOM");
  int number = 0;
  while (!utf8.empty()) {
    const std::size_t end = std::min(utf8.find('\n'), utf8.size());
    std::string_view text = utf8.substr(0, end);
    utf8 = end < utf8.size() ? utf8.substr(end + 1) : std::string_view{};
    ++number;
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (const std::string refusal =
            Utf8Refusal(text, {.tabAllowed = true, .cp1252Required = false});
        !refusal.empty())
      throw ScriptError(number, refusal);
    text = Trim(text, kBlanks);
    if (text.empty() || text.front() == '#') continue;
    script.lines_.push_back(ParseLine(text, number));
  }
  script.endLine_ = number + 1;
  return script;
}

Script Script::FromFile(const std::filesystem::path& path) {
  const std::string name = "Script « " + Printable(path.string()) + " »";
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (!std::filesystem::exists(status)) throw ScriptFileError(name + " introuvable.");
  if (std::filesystem::is_directory(status))
    throw ScriptFileError(name + " refusé : c'est un répertoire.");
  const std::string tooLarge =
      name + " refusé : plus de " + std::to_string(kMaxBytes >> 20) + " Mo, la taille permise.";
  if (std::filesystem::is_regular_file(status) &&
      std::filesystem::file_size(path, error) > kMaxBytes && !error)
    throw ScriptFileError(tooLarge);
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ScriptFileError(name + " illisible.");
  // Read by blocks up to the limit: a device or a pipe has no size to check first.
  std::string text;
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxBytes) throw ScriptFileError(tooLarge);
  }
  if (in.bad()) throw ScriptFileError(name + " illisible.");
  return FromText(text);
}

const ScriptLine* Script::Next() {
  if (next_ >= lines_.size()) return nullptr;
  return &lines_[next_++];
}

}  // namespace actifix::platform
