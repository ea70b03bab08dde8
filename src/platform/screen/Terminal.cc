#include "platform/screen/Terminal.h"

#include <unistd.h>

#include <langinfo.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <utility>

#include "host/Cp1252.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/TerminalDraw.h"

namespace actifix::platform {
namespace {

// Rows of the entry page, from the bottom.
int HintRow() { return LINES - 3; }
int MessageRow() { return LINES - 2; }
int KeysRow() { return LINES - 1; }
constexpr int kBodyTop = 2;
int BodyBottom() { return std::max(kBodyTop, LINES - 4); }  // last row of the body

const wchar_t kPageKeys[] =
    L"Entrée Valider F1 Enreg. F2 Suite F6 Suppr. F8 Choix \u2191 Remonter Échap Retour";

}  // namespace

void WindowDeleter::operator()(_win_st* window) const { delwin(window); }

std::wstring WideOfUtf8(std::string_view utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    const int32_t cp = NextCodePoint(utf8, i);
    out += cp < 0 ? L'\uFFFD' : static_cast<wchar_t>(cp);
  }
  return out;
}

std::wstring WideOfCp1252(std::string_view cp1252) { return WideOfUtf8(ToUtf8(cp1252)); }

void Put(WINDOW* window, int row, int column, int width, std::wstring_view text, attr_t attribute) {
  if (width <= 0 || row < 0 || column < 0) return;
  std::wstring cell(text.substr(0, static_cast<std::size_t>(width)));
  for (wchar_t& c : cell)
    if (c < L' ' || (c >= 0x7F && c < 0xA0)) c = L' ';
  cell.resize(static_cast<std::size_t>(width), L' ');
  wattron(window, attribute);
  mvwaddnwstr(window, row, column, cell.c_str(), width);
  wattroff(window, attribute);
}

void PutClipped(WINDOW* window, int row, int column, std::wstring_view text, attr_t attribute) {
  const int room = getmaxx(window) - column;
  Put(window, row, column, std::min<int>(room, static_cast<int>(text.size())), text, attribute);
}

attr_t AttributeOf(std::string_view letter) {
  if (letter == "B") return A_BOLD;
  if (letter == "I") return A_REVERSE;
  return A_NORMAL;
}

WINDOW* NewCentredBox(int rows, int columns, std::wstring_view title) {
  rows = std::clamp(rows, 3, std::max(3, LINES));
  columns = std::clamp(columns, 10, std::max(10, COLS));
  WINDOW* window = newwin(rows, columns, (LINES - rows) / 2, (COLS - columns) / 2);
  if (!window) throw HostError(ErrorKind::kIo, "Terminal", "", "fenêtre impossible à ouvrir");
  keypad(window, TRUE);
  box(window, 0, 0);
  if (!title.empty()) {
    const std::wstring framed = L" " + std::wstring(title.substr(0, columns - 4)) + L" ";
    Put(window, 0, (columns - static_cast<int>(framed.size())) / 2, static_cast<int>(framed.size()),
        framed, A_BOLD);
  }
  return window;
}

bool IsEnter(bool function, wint_t code) {
  return function ? code == KEY_ENTER : code == L'\n' || code == L'\r';
}

bool IsBackspace(bool function, wint_t code) {
  return function ? code == KEY_BACKSPACE : code == 127 || code == 8;
}

void MoveSelection(wint_t code, int count, int page, bool wrap, int& selected) {
  const int last = std::max(0, count - 1);
  switch (code) {
    case KEY_UP:
      selected = wrap ? (selected + count - 1) % std::max(1, count) : std::max(0, selected - 1);
      break;
    case KEY_DOWN:
      selected = wrap ? (selected + 1) % std::max(1, count) : std::min(last, selected + 1);
      break;
    case KEY_PPAGE:
      selected = std::max(0, selected - page);
      break;
    case KEY_NPAGE:
      selected = std::min(last, selected + page);
      break;
    case KEY_HOME:
      selected = 0;
      break;
    case KEY_END:
      selected = last;
      break;
    default:
      break;
  }
}

Terminal::Terminal() {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO))
    throw HostError(ErrorKind::kIo, "Terminal", "", "l'entrée ou la sortie n'est pas un terminal");
  std::setlocale(LC_ALL, "");
  if (std::string_view(nl_langinfo(CODESET)) != "UTF-8") std::setlocale(LC_ALL, "C.UTF-8");
  set_escdelay(25);
  screen_ = newterm(nullptr, stdout, stdin);
  if (!screen_)
    throw HostError(ErrorKind::kNotSupported, "Terminal", "", "terminal inconnu (variable TERM)");
  set_term(screen_);
  cbreak();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  curs_set(0);
}

Terminal::~Terminal() {
  endwin();
  delscreen(screen_);
}

Terminal::WaitHook::WaitHook(Terminal& terminal, std::function<void()> hook)
    : terminal_(terminal), replaced_(std::exchange(terminal.beforeWait_, std::move(hook))) {}

Terminal::WaitHook::~WaitHook() { terminal_.beforeWait_ = std::move(replaced_); }

void Terminal::ResetPage() {
  page_ = Page{};
  firstField_ = 0;
}

KeyPress Terminal::ReadKey(_win_st* window) {
  if (beforeWait_) beforeWait_();
  for (;;) {
    wint_t code = 0;
    errno = 0;
    const int kind = wget_wch(window, &code);
    // Blocking reads end in ERR only when a signal cut them short, or when the terminal is
    // gone: waiting on would spin for ever.
    if (kind == ERR && errno == EINTR) continue;
    if (kind == ERR)
      throw HostError(ErrorKind::kIo, "Terminal", "",
                      "le clavier ne répond plus (le terminal a été fermé) ; relancez actifix");
    if (kind == KEY_CODE_YES && code == KEY_RESIZE) {
      DrawPage();
      continue;
    }
    return {kind == KEY_CODE_YES, static_cast<uint32_t>(code)};
  }
}

bool Terminal::InterruptRequested() {
  nodelay(stdscr, TRUE);
  bool escape = false;
  for (wint_t code = 0; wget_wch(stdscr, &code) != ERR;)
    if (code == kEscape) escape = true;
  nodelay(stdscr, FALSE);
  return escape;
}

void Terminal::DrawPage() {
  erase();
  const Page& p = page_;
  Put(stdscr, 0, 0, COLS, L"", A_REVERSE);
  const std::wstring title = WideOfCp1252(p.title);
  Put(stdscr, 0, std::max(0, (COLS - static_cast<int>(title.size())) / 2),
      std::min<int>(COLS, static_cast<int>(title.size())), title, A_REVERSE | A_BOLD);

  // Fields, one row each, labels in one column and values in the next. When they do not
  // all fit, a field marked "S1" joins the row of the field before it if both fit whole
  // side by side and that one is not marked "ML" (a long value that keeps its row).
  const int bodyRows = BodyBottom() - kBodyTop + 1;
  const int count = static_cast<int>(p.fields.size());
  int labelWidth = 0;
  for (const PageField& f : p.fields)
    labelWidth = std::max(labelWidth, static_cast<int>(WideOfCp1252(f.def.label).size()));
  labelWidth = std::min(labelWidth, std::max(10, COLS / 2 - 2));
  const int valueColumn = 1 + labelWidth + 2;
  const auto labelOf = [&](int i) { return WideOfCp1252(TrimRight(p.fields[i].def.label)); };
  std::vector<std::pair<int, int>> rows;  // first field, second field or -1
  int currentLine = 0;
  for (int i = 0; i < count; ++i) {
    const FieldDef& def = p.fields[i].def;
    if (count > bodyRows && def.option == "S1" && !rows.empty() && rows.back().second < 0 &&
        p.fields[rows.back().first].def.option != "ML" &&
        valueColumn + DisplayWidth(p.fields[rows.back().first].def) + 2 +
                static_cast<int>(labelOf(i).size()) + 1 + DisplayWidth(def) <
            COLS) {
      rows.back().second = i;
    } else {
      rows.emplace_back(i, -1);
    }
    if (i == p.current) currentLine = static_cast<int>(rows.size()) - 1;
  }
  const int lines = static_cast<int>(rows.size());
  if (p.current >= 0) {
    if (currentLine < firstField_) firstField_ = currentLine;
    if (currentLine >= firstField_ + bodyRows) firstField_ = currentLine - bodyRows + 1;
  }
  firstField_ = std::clamp(firstField_, 0, std::max(0, lines - bodyRows));
  valueColumn_ = valueColumn;
  int row = kBodyTop;
  for (int line = firstField_; line < lines && row <= BodyBottom(); ++line, ++row) {
    const auto [first, second] = rows[line];
    int column = valueColumn;
    for (const int i : {first, second}) {
      if (i < 0) break;
      const PageField& f = p.fields[i];
      const std::wstring label = labelOf(i);
      const int labelAt = i == first ? 1 : column;
      if (i != first) column += static_cast<int>(label.size()) + 1;
      if (i == p.current) {
        currentRow_ = row;
        valueColumn_ = column;
      }
      Put(stdscr, row, labelAt, i == first ? labelWidth : static_cast<int>(label.size()),
          i == first ? WideOfCp1252(f.def.label) : label, i == p.current ? A_BOLD : 0);
      const int width = std::min(DisplayWidth(f.def), std::max(0, COLS - column - 1));
      Put(stdscr, row, column, width, WideOfCp1252(TrimRight(f.shown)), A_UNDERLINE);
      // A note stands beside its value; on a row of two, on the hint row while it is asked.
      if (!f.note.empty() && second < 0)
        PutClipped(stdscr, row, column + width + 2, WideOfCp1252(f.note),
                   AttributeOf(f.noteAttribute));
      column += width + 2;
    }
  }
  if (firstField_ > 0) PutClipped(stdscr, kBodyTop - 1, COLS - 3, L"\u2191");
  if (firstField_ + bodyRows < lines) PutClipped(stdscr, BodyBottom() + 1, COLS - 3, L"\u2193");
  const bool noteOnHintRow = p.current >= 0 && p.current < count && rows[currentLine].second >= 0;

  // Explanation box under the fields.
  if (!p.explanation.empty() && row + 1 <= BodyBottom()) {
    int width = 0;
    for (const std::string& line : p.explanation)
      width = std::max(width, static_cast<int>(WideOfCp1252(line).size()));
    width = std::min(width + 4, COLS - 2);
    const int top = row + 1;
    const int rows = std::min(static_cast<int>(p.explanation.size()) + 2, BodyBottom() - top + 1);
    if (rows >= 3) {
      WindowPtr frame(derwin(stdscr, rows, width, top, 1));
      if (frame) {
        box(frame.get(), 0, 0);
        for (int k = 0; k < rows - 2; ++k)
          Put(frame.get(), k + 1, 2, width - 4, WideOfCp1252(p.explanation[k]));
      }
      row = top + rows;
    }
  }

  // Progress lines, the last ones that fit.
  if (p.scrollOpen && row <= BodyBottom()) {
    const int rows = BodyBottom() - row + 1;
    const int shown = std::min<int>(rows, static_cast<int>(p.scroll.size()));
    for (int k = 0; k < shown; ++k)
      Put(stdscr, row + k, 1, COLS - 2,
          WideOfCp1252(p.scroll[p.scroll.size() - static_cast<std::size_t>(shown - k)]));
  }

  for (const auto& [line, text] : p.lines) {
    const int at = std::clamp(line - 1, kBodyTop, BodyBottom());
    Put(stdscr, at, 1, COLS - 2, WideOfCp1252(text.second), AttributeOf(text.first));
  }

  if (!p.prompt.empty()) {
    Put(stdscr, HintRow(), 1, COLS - 2, WideOfUtf8(p.prompt), A_BOLD);
  } else if (p.current >= 0 && p.current < count) {
    const PageField& f = p.fields[p.current];
    std::string text = noteOnHintRow ? f.note : "";
    if (!f.help.empty()) text += (text.empty() ? "" : "  ") + f.help;
    if (!f.hint.empty()) text += (text.empty() ? "" : "  ") + f.hint;
    if (!p.choices.empty())
      text += std::string(text.empty() ? "" : "  ") + "Valeurs : " + p.choices;
    Put(stdscr, HintRow(), 1, COLS - 2, WideOfCp1252(text), A_DIM);
  }
  if (!p.refusal.empty()) {
    Put(stdscr, MessageRow(), 1, COLS - 2, WideOfUtf8(p.refusal), A_BOLD | A_REVERSE);
  } else {
    Put(stdscr, MessageRow(), 1, COLS - 2, WideOfCp1252(p.message),
        AttributeOf(p.messageAttribute));
  }
  Put(stdscr, KeysRow(), 0, COLS, kPageKeys, A_REVERSE);
  refresh();
}

void Terminal::ShowPager(const std::string& titleUtf8, const std::string& textUtf8,
                         PagerLines form) {
  std::vector<std::wstring> lines;
  // A message's long line goes on over the next lines, cut after a word; an edition's lines
  // keep their columns and scroll sideways.
  const auto add = [&](std::wstring wide) {
    const std::size_t width = static_cast<std::size_t>(std::max(20, COLS - 1));
    while (form == PagerLines::kWrapped && wide.size() > width) {
      std::size_t cut = wide.rfind(L' ', width);
      if (cut == std::wstring::npos || cut == 0) cut = width;
      lines.push_back(wide.substr(0, cut));
      wide.erase(0, cut + (wide[cut] == L' ' ? 1 : 0));
    }
    lines.push_back(std::move(wide));
  };
  std::string_view rest = textUtf8;
  while (!rest.empty()) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    std::string_view line = rest.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::wstring wide = WideOfUtf8(line);
    std::replace(wide.begin(), wide.end(), L'\f', L' ');
    add(std::move(wide));
    rest = end < rest.size() ? rest.substr(end + 1) : std::string_view{};
  }
  std::size_t longest = 0;
  for (const std::wstring& line : lines) longest = std::max(longest, line.size());

  const std::wstring title = WideOfUtf8(titleUtf8);
  int top = 0, left = 0;
  for (;;) {
    const int rows = std::max(1, LINES - 2);
    const int count = static_cast<int>(lines.size());
    top = std::clamp(top, 0, std::max(0, count - rows));
    left = std::clamp(left, 0, std::max(0, static_cast<int>(longest) - COLS + 1));
    erase();
    Put(stdscr, 0, 0, COLS, title, A_REVERSE | A_BOLD);
    for (int k = 0; k < rows && top + k < count; ++k) {
      const std::wstring& line = lines[top + k];
      if (static_cast<int>(line.size()) > left)
        Put(stdscr, 1 + k, 0, COLS, std::wstring_view(line).substr(left));
    }
    const std::wstring status =
        L"Lignes " + std::to_wstring(count == 0 ? 0 : top + 1) + L"-" +
        std::to_wstring(std::min(count, top + rows)) + L" sur " + std::to_wstring(count) +
        L"   \u2191\u2193 PgPréc PgSuiv Début Fin \u2190\u2192   Échap ou q : quitter";
    Put(stdscr, LINES - 1, 0, COLS, status, A_REVERSE);
    refresh();
    const KeyPress key = ReadKey(stdscr);
    if (key.function) {
      switch (key.code) {
        case KEY_UP:
          --top;
          break;
        case KEY_DOWN:
          ++top;
          break;
        case KEY_PPAGE:
          top -= rows;
          break;
        case KEY_NPAGE:
          top += rows;
          break;
        case KEY_HOME:
          top = 0, left = 0;
          break;
        case KEY_END:
          top = count;
          break;
        case KEY_LEFT:
          left -= 10;
          break;
        case KEY_RIGHT:
          left += 10;
          break;
        case KEY_ENTER:
          return;
        default:
          break;
      }
    } else if (key.code == kEscape || key.code == L'q' || key.code == L'Q' ||
               IsEnter(false, key.code)) {
      return;
    } else if (key.code == L' ') {
      top += rows;
    }
  }
}

int Terminal::RunMenu(const std::string& titleUtf8, const std::vector<std::string>& itemsUtf8,
                      int selected) {
  const int count = static_cast<int>(itemsUtf8.size());
  selected = std::clamp(selected, 0, std::max(0, count - 1));
  int typed = 0;  // the item number being typed, 0 when none
  auto lastDigit = std::chrono::steady_clock::time_point{};
  curs_set(0);
  for (;;) {
    erase();
    Put(stdscr, 0, 0, COLS, WideOfUtf8(titleUtf8), A_REVERSE | A_BOLD);
    const int rows = std::max(1, LINES - 4);
    const int first = std::clamp(selected - rows + 1, 0, std::max(0, count - rows));
    for (int k = 0; k < rows && first + k < count; ++k) {
      const int i = first + k;
      const std::wstring label =
          (i < 9 ? L" " : L"") + std::to_wstring(i + 1) + L". " + WideOfUtf8(itemsUtf8[i]);
      Put(stdscr, 2 + k, 4, std::min(COLS - 8, 70), label, i == selected ? A_REVERSE : 0);
    }
    Put(stdscr, LINES - 1, 0, COLS,
        L"\u2191\u2193 ou numéro Choisir   Entrée Valider   Échap Quitter", A_REVERSE);
    refresh();
    const KeyPress key = ReadKey(stdscr);
    const auto now = std::chrono::steady_clock::now();
    if (key.function) {
      typed = 0;
      if (key.code == KEY_ENTER && count > 0) return selected;
      MoveSelection(key.code, count, 0, true, selected);
    } else if (IsEnter(false, key.code)) {
      if (count > 0) return selected;
    } else if (key.code == kEscape) {  // not q: a second q after the pager's would quit
      return -1;
    } else if (key.code >= L'0' && key.code <= L'9') {
      // A digit soon after another goes on the same number while that names an item; else it
      // starts a new one ("1" then "1" is item 11 when there are 11, item 1 again otherwise).
      const int digit = static_cast<int>(key.code - L'0');
      const bool soon = now - lastDigit < std::chrono::milliseconds(kDigitPauseMs);
      typed = soon && typed > 0 && typed * 10 + digit <= count ? typed * 10 + digit : digit;
      lastDigit = now;
      if (typed >= 1 && typed <= count) selected = typed - 1;
    } else {
      typed = 0;
    }
  }
}

}  // namespace actifix::platform
