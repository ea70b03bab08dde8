// The transcript of a scripted run: one event per line, UTF-8, in the order things happened.
// The screen, the choice list and the message box write their events here, the runtime its
// anomaly reports and the edition engine the editions it closed, all through one object.
//
//   TITLE text                 HostScreen.SetTitle
//   FIELDS list                HostScreen.DefineFields, the list as given
//   ASK field value [KEY]      AskField / AskDate: the value after the answer, in shown form;
//                              " [F6]" (the key's script name) only when the key is not ENTER
//   SHOW field value           ShowField, shown form
//   NOTE field text            SetFieldNote ("NOTE field" when the note is cleared)
//   HINT field text            SetFieldHint
//   HELP field text            SetFieldHelp
//   MESSAGE text               ShowMessage
//   REFUSED field reason       RefuseField: why the module asks the field again
//   LINE n text                ShowLine; a run of ShowLine on the same line with nothing else
//                              between (the progress of a long computation) is recorded as
//                              its first and its last line only
//   EXPLAIN text               ShowExplanation, one line per line of the box
//   CONFIRM yes|no [KEY]       AskConfirm, the answer given and, when not ENTER, the key
//   CHOOSE title -> n          HostChoiceList.Choose, the row chosen (0: left)
//   MARK title -> [n,...]      HostChoiceList.ChooseSeveral, the marks returned
//   BOX title: text            HostMessageBox.Show, "@" and "~" marks kept
//   REPORT routine: message    HostRuntime.Report
//   EDITION title -> file      an edition closed and the file it was written to
//
// Field names are written without surrounding blanks. Values and texts lose their trailing
// blanks (module values are fixed-width), and an empty value leaves no blank at the line's end.
// Line breaks and other control characters inside a text become blanks, so that an event is
// always one line and nothing reaches a terminal raw.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <string_view>

namespace actifix::platform {

class Transcript {
 public:
  // Writes to `out`, which must outlive the transcript.
  explicit Transcript(std::ostream& out);
  // Writes to a new file (replaced when it exists); throws HostError when it cannot be created.
  explicit Transcript(const std::filesystem::path& file);
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;

  // "KIND text", the text given in Windows-1252 (module texts).
  void Write(std::string_view kind, std::string_view cp1252Text);
  // "KIND field value", the field name and value in Windows-1252.
  void WriteField(std::string_view kind, std::string_view field, std::string_view cp1252Value);
  // "REPORT routine: message", both in Windows-1252 as the module gives them.
  void WriteReport(std::string_view routine, std::string_view message);
  // "EDITION title -> file", the title in Windows-1252, the file name in UTF-8.
  void WriteEdition(std::string_view title, std::string_view fileUtf8);
  // A line already in UTF-8, written as given (line breaks aside).
  void WriteUtf8(std::string_view line);
  // "LINE n text": the first of a run on line n is written at once, the last when the run
  // ends (another event, or the transcript's end); those between are not written.
  void WriteProgress(int line, std::string_view cp1252Text);

 private:
  void Put(std::string_view utf8Line);
  void EndRun();

  int runLine_ = -1;     // the line of the running ShowLine run, -1 when none
  std::string runLast_;  // its last text, Windows-1252, when not yet written
  bool runPending_ = false;
  std::ofstream file_;
  std::ostream& out_;
};

}  // namespace actifix::platform
