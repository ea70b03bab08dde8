// The scripted host screens: HostScreen, HostChoiceList and HostMessageBox answered from a
// Script and recorded in a Transcript (see those headers for both formats). This is what batch
// runs and every screen test use in place of a user.
//
// A question takes the next answer line; a line that answers another question, a value the
// field refuses, or a script that has run out throws ScriptError. Message boxes take no answer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host/HostChoiceList.h"
#include "host/HostMessageBox.h"
#include "host/HostScreen.h"
#include "platform/screen/FieldList.h"
#include "platform/screen/Script.h"
#include "platform/screen/Transcript.h"

namespace actifix::platform {

// What the three scripted services share: the script, the transcript, and the hook run before
// each answer is taken. REQUIRES: the session outlives the services made on it.
class ScriptedSession {
 public:
  ScriptedSession(Script script, Transcript& transcript);
  ScriptedSession(const ScriptedSession&) = delete;
  ScriptedSession& operator=(const ScriptedSession&) = delete;

  // Runs `beforeWait`, then takes the next answer, which must be of `kind` (and, for a field,
  // name `field`). Throws ScriptError otherwise.
  const ScriptLine& NextAnswer(AnswerKind kind, const std::string& asked);
  // At the end of an operation: throws ScriptError on the first line left unread.
  void CheckAllRead();

  Script& script() { return script_; }
  Transcript& transcript() { return transcript_; }

  // Called right before an answer line is consumed (the platform commits its store there).
  std::function<void()> beforeWait;

 private:
  Script script_;
  Transcript& transcript_;
};

class ScriptedScreen : public HostScreen {
 public:
  explicit ScriptedScreen(ScriptedSession& session) : session_(session) {}

  void Clear(int16_t& status) override;
  void SetTitle(std::string title) override;
  void DefineFields(const std::string& fieldList) override;
  void AskField(const std::string& field, std::string& value, int16_t& key,
                const std::string& choices, const std::string& attribute) override;
  void AskDate(const std::string& field, std::string& dateText, int16_t& key, int32_t& day,
               const std::string& attribute) override;
  void AskConfirm(int16_t& answer, int16_t& key, const std::string& attribute) override;
  void ShowField(const std::string& field, const std::string& value) override;
  void SetFieldNote(const std::string& field, const std::string& attribute,
                    const std::string& note) override;
  void SetFieldHint(const std::string& field, const std::string& attribute,
                    const std::string& text) override;
  void SetFieldHelp(const std::string& field, const std::string& attribute,
                    const std::string& text) override;
  void ShowMessage(const std::string& attribute, const std::string& text) override;
  void RefuseField(const std::string& field, const std::string& reason) override;
  void ShowLine(int16_t line, const std::string& attribute, std::string text) override;
  void ShowExplanation(const std::string& attribute, const std::string& lines,
                       const std::string& letter) override;
  void FormatValue(std::string& value, const std::string& type) override;
  void SetOption(int16_t option) override;
  void OpenScroll(int16_t height, int16_t width) override;
  void ScrollLine(const std::string& line) override;

 private:
  // The defined field `field`; throws HostError naming `operation` when there is none.
  const FieldDef& Field(const std::string& operation, const std::string& field) const;
  // Takes the answer for `field` and applies it to `stored`; returns the shown form after it.
  std::string Answer(const FieldDef& def, std::string& stored, int16_t& key);

  ScriptedSession& session_;
  std::vector<FieldListItem> fields_;
};

class ScriptedChoiceList : public HostChoiceList {
 public:
  explicit ScriptedChoiceList(ScriptedSession& session) : session_(session) {}
  void Choose(const std::string& title, const std::string& columns, const std::string& rows,
              int32_t& chosen) override;
  void ChooseSeveral(const std::string& rows, const std::string& columns, const std::string& title,
                     std::string& marks) override;

 private:
  ScriptedSession& session_;
};

class ScriptedMessageBox : public HostMessageBox {
 public:
  explicit ScriptedMessageBox(ScriptedSession& session) : session_(session) {}
  void Show(const std::string& caption, const std::string& title, const std::string& message,
            int16_t& result) override;

 private:
  ScriptedSession& session_;
};

}  // namespace actifix::platform
