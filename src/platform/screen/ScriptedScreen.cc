#include "platform/screen/ScriptedScreen.h"

#include "host/Cp1252.h"
#include "host/HostBracketList.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/FieldFormat.h"
#include "platform/screen/Keys.h"

namespace actifix::platform {
namespace {

std::string KeySuffix(int16_t key) {
  return key == kKeyValidate ? "" : " [" + NameOfKey(key) + "]";
}

// The shown form, a packing fault turned into the host's error on `operation`.
std::string Shown(const std::string& operation, const FieldDef& def, std::string_view stored) {
  try {
    return ShownForm(stored, def.type);
  } catch (const FormatError& e) {
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(Trim(def.name)), e.what());
  }
}

}  // namespace

ScriptedSession::ScriptedSession(Script script, Transcript& transcript)
    : script_(std::move(script)), transcript_(transcript) {}

const ScriptLine& ScriptedSession::NextAnswer(AnswerKind kind, const std::string& asked) {
  if (beforeWait) beforeWait();
  const ScriptLine* line = script_.Next();
  if (!line)
    throw ScriptError(script_.EndLine(), "expected end of script, the screen asks " + asked);
  const bool matches = line->kind == kind &&
                       (kind != AnswerKind::kField || Trim(line->field) == Trim(FromUtf8(asked)));
  if (!matches)
    throw ScriptError(line->number, "expected " + line->Subject() + ", the screen asks " + asked);
  return *line;
}

void ScriptedSession::CheckAllRead() {
  if (const ScriptLine* line = script_.Next())
    throw ScriptError(line->number, "expected " + line->Subject() + ", the operation has ended");
}

const FieldDef& ScriptedScreen::Field(const std::string& operation,
                                      const std::string& field) const {
  const FieldDef* def = FindField(fields_, field);
  if (!def)
    throw HostError(ErrorKind::kInvalidInput, operation, ToUtf8(field),
                    "champ non défini sur cet écran");
  return *def;
}

std::string ScriptedScreen::Answer(const FieldDef& def, std::string& stored, int16_t& key) {
  const std::string name = ToUtf8(Trim(def.name));
  const ScriptLine& line = session_.NextAnswer(AnswerKind::kField, name);
  if (line.value) {
    const TypedValue typed = ParseTyped(FromUtf8(*line.value), def);
    if (!typed.ok())
      throw ScriptError(
          line.number, "valeur refusée pour " + name + " (" + *line.value + ") : " + typed.refusal);
    stored = typed.stored;
  }
  key = line.key;
  const std::string shown = Shown("HostScreen.AskField", def, stored);
  std::string event = "ASK " + name;
  if (!TrimRight(shown).empty()) event += " " + ToUtf8(TrimRight(shown));
  session_.transcript().WriteUtf8(event + KeySuffix(key));
  return shown;
}

void ScriptedScreen::Clear(int16_t& status) {
  status = 0;
  fields_.clear();
}

void ScriptedScreen::SetTitle(std::string title) { session_.transcript().Write("TITLE", title); }

void ScriptedScreen::DefineFields(const std::string& fieldList) {
  fields_ = ParseFieldList(fieldList);
  session_.transcript().Write("FIELDS", fieldList);
}

void ScriptedScreen::AskField(const std::string& field, std::string& value, int16_t& key,
                              const std::string& /*choices*/, const std::string& /*attribute*/) {
  Answer(Field("HostScreen.AskField", field), value, key);
}

void ScriptedScreen::AskDate(const std::string& field, std::string& dateText, int16_t& key,
                             int32_t& day, const std::string& /*attribute*/) {
  FieldDef def = Field("HostScreen.AskDate", field);
  def.type = FieldType::kDate;
  Answer(def, dateText, key);
  HostDates().DayNumber(dateText, day);
}

void ScriptedScreen::AskConfirm(int16_t& answer, int16_t& key, const std::string& /*attribute*/) {
  const ScriptLine& line = session_.NextAnswer(AnswerKind::kConfirm, "CONFIRM");
  answer = line.yes ? -1 : 0;
  key = line.key;
  session_.transcript().WriteUtf8(std::string("CONFIRM ") + (line.yes ? "yes" : "no") +
                                  KeySuffix(key));
}

void ScriptedScreen::ShowField(const std::string& field, const std::string& value) {
  const FieldDef& def = Field("HostScreen.ShowField", field);
  session_.transcript().WriteField("SHOW", def.name, Shown("HostScreen.ShowField", def, value));
}

void ScriptedScreen::SetFieldNote(const std::string& field, const std::string& /*attribute*/,
                                  const std::string& note) {
  session_.transcript().WriteField("NOTE", field, note);
}

void ScriptedScreen::SetFieldHint(const std::string& field, const std::string& /*attribute*/,
                                  const std::string& text) {
  session_.transcript().WriteField("HINT", field, text);
}

void ScriptedScreen::SetFieldHelp(const std::string& field, const std::string& /*attribute*/,
                                  const std::string& text) {
  session_.transcript().WriteField("HELP", field, text);
}

void ScriptedScreen::ShowMessage(const std::string& /*attribute*/, const std::string& text) {
  session_.transcript().Write("MESSAGE", text);
}

void ScriptedScreen::RefuseField(const std::string& field, const std::string& reason) {
  session_.transcript().WriteField("REFUSED", field, reason);
}

void ScriptedScreen::ShowLine(int16_t line, const std::string& /*attribute*/, std::string text) {
  session_.transcript().WriteProgress(line, text);
}

void ScriptedScreen::ShowExplanation(const std::string& /*attribute*/, const std::string& lines,
                                     const std::string& /*letter*/) {
  if (lines.empty() || lines.front() != '[') {
    session_.transcript().Write("EXPLAIN", lines);
    return;
  }
  for (const std::string& line : SplitList(lines)) session_.transcript().Write("EXPLAIN", line);
}

void ScriptedScreen::FormatValue(std::string& value, const std::string& type) {
  FormatValueAs(value, type);
}

void ScriptedScreen::SetOption(int16_t /*option*/) {}

void ScriptedScreen::OpenScroll(int16_t /*height*/, int16_t /*width*/) {}

// Progress lines are not events of the run: the transcript leaves them out.
void ScriptedScreen::ScrollLine(const std::string& /*line*/) {}

void ScriptedChoiceList::Choose(const std::string& title, const std::string& /*columns*/,
                                const std::string& rows, int32_t& chosen) {
  const ScriptLine& line = session_.NextAnswer(AnswerKind::kChoose, "CHOOSE");
  const auto count = static_cast<int32_t>(SplitList(rows).size());
  if (line.choice > count)
    throw ScriptError(line.number, "CHOOSE " + std::to_string(line.choice) +
                                       " : la liste n'a que " + std::to_string(count) +
                                       " ligne(s)");
  chosen = line.choice;
  session_.transcript().Write("CHOOSE",
                              std::string(TrimRight(title)) + " -> " + std::to_string(chosen));
}

void ScriptedChoiceList::ChooseSeveral(const std::string& rows, const std::string& /*columns*/,
                                       const std::string& title, std::string& marks) {
  const ScriptLine& line = session_.NextAnswer(AnswerKind::kMark, "MARK");
  const auto count = static_cast<int32_t>(SplitList(rows).size());
  std::string list = "[";
  for (std::size_t i = 0; i < line.marks.size(); ++i) {
    const int32_t mark = line.marks[i];
    if (mark > count)
      throw ScriptError(line.number, "MARK " + std::to_string(mark) + " : la liste n'a que " +
                                         std::to_string(count) + " ligne(s)");
    for (std::size_t j = 0; j < i; ++j)
      if (line.marks[j] == mark)
        throw ScriptError(line.number,
                          "MARK " + std::to_string(mark) + " : ligne marquée deux fois");
    if (i > 0) list += ',';
    list += std::to_string(mark);
  }
  marks = list + "]";
  session_.transcript().Write("MARK", std::string(TrimRight(title)) + " -> " + marks);
}

void ScriptedMessageBox::Show(const std::string& /*caption*/, const std::string& title,
                              const std::string& message, int16_t& result) {
  result = 0;
  session_.transcript().Write("BOX", std::string(TrimRight(title)) + ": " + message);
}

}  // namespace actifix::platform
