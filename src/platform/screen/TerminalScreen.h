// The host screens for people: HostScreen, HostChoiceList and HostMessageBox drawn on the
// Terminal. One field is edited at a time and the entry ends with Enter (also Tab and Down),
// F1, F2, F6, F8, F12, Up or Page Up (Esc acts as Page Up). A typed value that its field
// refuses is asked again with the reason on the message line; with Up or Page Up the field
// keeps its former value instead, so that the user can always go back.
#pragma once

#include <chrono>
#include <string>

#include "host/HostChoiceList.h"
#include "host/HostMessageBox.h"
#include "host/HostScreen.h"
#include "platform/screen/Terminal.h"

namespace actifix::platform {

// REQUIRES (all three): the terminal outlives them.
class TerminalScreen : public HostScreen {
 public:
  explicit TerminalScreen(Terminal& terminal) : terminal_(terminal) {}

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
  // Index of the page field `field`, or -1.
  int IndexOf(const std::string& field) const;
  // Edits field `index` as `type`; `stored` in and out, the ending key out.
  void Edit(int index, FieldType type, std::string& stored, int16_t& key);

  Terminal& terminal_;
  // The module's reason for refusing the field asked next (UTF-8): shown on the refusal row
  // while the field is edited again, until a value is accepted.
  std::string moduleRefusal_;
  int backFrom_ = -1;  // the field just left by ↑ or Échap, to notice it asked again
  std::chrono::steady_clock::time_point scrollDrawn_;  // when ScrollLine last drew the page
  // ShowLine draws at most five times a second: a progress line shown for each of a million
  // assets costs a store of its text, and the next drawing shows the latest.
  std::chrono::steady_clock::time_point lastLineDraw_{};
};

class TerminalChoiceList : public HostChoiceList {
 public:
  explicit TerminalChoiceList(Terminal& terminal) : terminal_(terminal) {}
  // Arrows, Page keys, Home and End move; Enter chooses; Esc leaves (0).
  void Choose(const std::string& title, const std::string& columns, const std::string& rows,
              int32_t& chosen) override;
  // As Choose; the space bar marks or unmarks a row; Enter returns the marks in row order,
  // Esc returns none.
  void ChooseSeveral(const std::string& rows, const std::string& columns, const std::string& title,
                     std::string& marks) override;

 private:
  Terminal& terminal_;
};

class TerminalMessageBox : public HostMessageBox {
 public:
  explicit TerminalMessageBox(Terminal& terminal) : terminal_(terminal) {}
  // Words between two "@" show in bold, between two "~" underlined; any key closes the box.
  void Show(const std::string& caption, const std::string& title, const std::string& message,
            int16_t& result) override;

 private:
  Terminal& terminal_;
};

}  // namespace actifix::platform
