// Scripted answers: the UTF-8 script a batch run or a test gives in place of a user, one
// answer per line, read in order by the scripted screen and choice list. Blank lines and lines
// starting with "#" are skipped.
//
//   FIELD [= VALUE] [KEY]   AskField / AskDate on FIELD. "= VALUE" replaces the text, "=" alone
//                           empties it, no "=" keeps the current text.
//   CONFIRM yes|no [KEY]    AskConfirm
//   CHOOSE n                HostChoiceList.Choose (0 = leave the list)
//   MARK n,n,...            HostChoiceList.ChooseSeveral (MARK alone: none marked)
//
// KEY is ENTER (the default), F1, F2, F6, F8, F12, UP or PGUP. After "= VALUE" the last word
// is taken as the key when it is one of those names, so a value that ends with such a word is
// written with an explicit ENTER: "NOMFRN = Bureau F1 ENTER". VALUE loses its surrounding
// blanks. Keywords and key names are upper case.
//
// A script is UTF-8 text without a byte-order mark or control characters (tabs are blanks),
// of at most kMaxBytes; a value holds only characters of Windows-1252.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform {

// A script that does not fit the questions of the run: a line that does not parse, answers
// another question, or holds a value the screen refuses, or a script that ends while the
// module still asks. The program exits with status 3 on it. The message is
// "script line N: ..." and, for a mismatch, "script line N: expected X, the screen asks Y",
// where X is what the line answers (a field name, "CONFIRM", "CHOOSE", "MARK") or
// "end of script" (N is then one past the last line), and Y what the screen asks, in the
// same words.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(int line, const std::string& what);
  int line() const { return line_; }

 private:
  int line_;
};

// A script file that cannot be taken at all: missing, a directory, unreadable, or larger than
// Script::kMaxBytes. It is a bad --script argument: the program exits with status 2.
class ScriptFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class AnswerKind { kField, kConfirm, kChoose, kMark };

// One answer line.
struct ScriptLine {
  int number = 0;  // line number in the script, from 1
  AnswerKind kind = AnswerKind::kField;
  std::string field;                 // kField: the field name as written
  std::optional<std::string> value;  // kField: the new text (UTF-8); nullopt keeps the text
  int16_t key = 0;                   // kField, kConfirm: the key code (Keys.h)
  bool yes = false;                  // kConfirm
  int32_t choice = 0;                // kChoose
  std::vector<int32_t> marks;        // kMark

  // What the line answers, in the words of ScriptError: the field name, "CONFIRM"...
  std::string Subject() const;
};

// The key code of a key name ("F6" -> kKeyF6), or nullopt.
std::optional<int16_t> KeyOfName(std::string_view name);
// The name of a key code ("F6"); "ENTER" for the validation key, the number for others.
std::string NameOfKey(int16_t key);

class Script {
 public:
  // The largest script read: far more than any batch of answers, far less than the memory.
  static constexpr std::size_t kMaxBytes = std::size_t{16} << 20;

  // Parses the whole text; throws ScriptError on the first line that does not parse: a
  // byte-order mark, malformed UTF-8, a control character, a malformed answer, a value with a
  // character outside Windows-1252.
  static Script FromText(std::string_view utf8);
  // Reads and parses a file. Throws ScriptFileError, before reading anything, when it is not
  // a readable file of at most kMaxBytes, and ScriptError as FromText does.
  static Script FromFile(const std::filesystem::path& path);

  // The next answer, consumed, or nullptr at the end.
  const ScriptLine* Next();
  bool AtEnd() const { return next_ >= lines_.size(); }
  // One past the number of the script's last line: what "end of script" errors cite.
  int EndLine() const { return endLine_; }
  const std::vector<ScriptLine>& lines() const { return lines_; }

 private:
  std::vector<ScriptLine> lines_;
  std::size_t next_ = 0;
  int endLine_ = 1;
};

}  // namespace actifix::platform
