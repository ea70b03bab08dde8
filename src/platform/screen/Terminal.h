// The full-screen terminal of the host for people, on ncursesw: the session (set up and torn
// down by RAII, so the terminal is restored on every exit, exceptions included), the entry page
// that TerminalScreen fills and draws, the key reader, and two screens of the program's own:
// a pager to read an edition's text and a menu.
//
// The entry page in 80x24 and larger terminals:
//   row 0          the title
//   rows 2..L-5    the fields (label, value, note), scrolled to keep the asked field in view,
//                  then the explanation box and the progress lines; ShowLine n writes on row
//                  n-1 (kept above the hint row)
//   row L-3        hint and help of the field being asked
//   row L-2        the message line, or why a typed value was refused
//   row L-1        the keys
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/screen/FieldList.h"

// ncurses types, declared here so that users of this header do not get the macros of curses.h.
struct _win_st;
struct screen;

namespace actifix::platform {

// A field of the entry page. Texts are Windows-1252 as the module gives them.
struct PageField {
  FieldDef def;
  std::string shown;  // shown form of the last value shown or asked
  std::string note, noteAttribute;
  std::string hint, help;
};

// What the entry page holds; TerminalScreen fills it, Terminal::DrawPage draws it.
struct Page {
  std::string title;
  std::vector<PageField> fields;
  std::map<int, std::pair<std::string, std::string>> lines;  // line -> (attribute, text)
  std::vector<std::string> explanation;
  std::string message, messageAttribute;
  std::string refusal;  // UTF-8: why the last typed value was refused
  bool scrollOpen = false;
  std::deque<std::string> scroll;  // progress lines, the last ones kept
  int current = -1;                // index of the field being asked, or -1
  std::string prompt;              // UTF-8: a question asked on the hint row (confirmations)
  std::string choices;             // values allowed in the asked field ("L, D, E"), if any
};

// One key read from the terminal: a character typed, or a key of ncurses (KEY_F(1)...).
struct KeyPress {
  bool function = false;  // true: `code` is a KEY_* of ncurses
  uint32_t code = 0;
};

// An ncurses window, deleted with it.
struct WindowDeleter {
  void operator()(_win_st* window) const;
};
using WindowPtr = std::unique_ptr<_win_st, WindowDeleter>;

class Terminal {
 public:
  // Longest pause between two digits of one item number typed on a menu.
  static constexpr int kDigitPauseMs = 1000;

  // Sets up the terminal (UTF-8 locale, keypad, no echo). Throws HostError when standard input
  // and output are not a terminal.
  Terminal();
  // Restores the terminal.
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // While it lives, `hook` runs right before the terminal waits for the user (the platform
  // commits its store there); the hook it replaced comes back when it dies. Whoever the hook
  // reaches owns the scope, so that no key read after the owner is gone can call into it.
  // REQUIRES: the terminal outlives the scope; scopes end in the reverse order of their making.
  class WaitHook {
   public:
    WaitHook(Terminal& terminal, std::function<void()> hook);
    ~WaitHook();
    WaitHook(const WaitHook&) = delete;
    WaitHook& operator=(const WaitHook&) = delete;

   private:
    Terminal& terminal_;
    std::function<void()> replaced_;
  };

  // Forgets what the last operation left on the entry page, so that the next one starts blank.
  void ResetPage();

  // Shows `textUtf8` page by page under `titleUtf8` until the user leaves (Esc, q or Enter).
  // A message's lines are cut after a word to the screen's width; an edition's keep their
  // columns and scroll sideways.
  enum class PagerLines { kWrapped, kAsPrinted };
  void ShowPager(const std::string& titleUtf8, const std::string& textUtf8,
                 PagerLines form = PagerLines::kWrapped);
  // A full-screen menu of `items`, the highlight on `selected` first; the index chosen (from 0),
  // or -1 when the user leaves.
  // Arrows move the highlight, and so does typing an item's number: digits typed less than
  // kDigitPauseMs apart make one number while it names an item. Enter opens the item.
  int RunMenu(const std::string& titleUtf8, const std::vector<std::string>& itemsUtf8,
              int selected = 0);
  // True when the user has pressed Esc since the last call; never waits.
  bool InterruptRequested();

  Page& page() { return page_; }
  // Redraws the whole entry page on the screen.
  void DrawPage();
  // Runs the wait hook, then waits for one key. A change of terminal size redraws the page.
  // Throws HostError when the keyboard can no longer be read (the terminal was closed).
  KeyPress ReadKey(_win_st* window);
  // Where the last DrawPage put the value of the asked field.
  int currentRow() const { return currentRow_; }
  int valueColumn() const { return valueColumn_; }

 private:
  screen* screen_ = nullptr;
  std::function<void()> beforeWait_;  // set by WaitHook alone
  Page page_;
  int firstField_ = 0;
  int currentRow_ = 0;
  int valueColumn_ = 0;
};

// Wide text of a UTF-8 text (a malformed sequence becomes U+FFFD).
std::wstring WideOfUtf8(std::string_view utf8);
// Wide text of a Windows-1252 text.
std::wstring WideOfCp1252(std::string_view cp1252);

}  // namespace actifix::platform
