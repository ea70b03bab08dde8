#include "platform/screen/TerminalScreen.h"

#include <algorithm>

#include "host/Cp1252.h"
#include "host/HostBracketList.h"
#include "host/HostDates.h"
#include "host/HostError.h"
#include "host/Text.h"
#include "platform/screen/FieldFormat.h"
#include "platform/screen/Keys.h"
#include "platform/screen/TerminalDraw.h"

namespace actifix::platform {
namespace {

constexpr std::size_t kScrollKept = 500;

// The host key code of a key that ends an entry, or 0 for any other key.
int16_t EndingKey(const KeyPress& key) {
  if (!key.function) {
    if (IsEnter(false, key.code) || key.code == L'\t') return kKeyValidate;
    if (key.code == kEscape) return kKeyPageUp;
    return 0;
  }
  switch (key.code) {
    case KEY_ENTER:
    case KEY_DOWN:
      return kKeyValidate;
    case KEY_UP:
      return kKeyUp;
    case KEY_PPAGE:
      return kKeyPageUp;
    default:
      break;
  }
  if (key.code == static_cast<uint32_t>(KEY_F(1))) return kKeyF1;
  if (key.code == static_cast<uint32_t>(KEY_F(2))) return kKeyF2;
  if (key.code == static_cast<uint32_t>(KEY_F(6))) return kKeyF6;
  if (key.code == static_cast<uint32_t>(KEY_F(8))) return kKeyF8;
  if (key.code == static_cast<uint32_t>(KEY_F(12))) return kKeyF12;
  return 0;
}

// The Windows-1252 byte of a typed character, or nothing for a control character (C0, DEL,
// C1) or a character the code page has not.
std::optional<char> ByteOfTyped(uint32_t code) {
  if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return std::nullopt;
  const int byte = Cp1252ByteOf(code);
  if (byte < 0) return std::nullopt;
  return static_cast<char>(byte);
}

// --- pick lists ---------------------------------------------------------------------------

struct Column {
  char align = 'G';
  int width = 10;
  std::wstring heading;
};

std::vector<Column> ColumnsOf(const std::string& columns) {
  std::vector<Column> out;
  if (!columns.empty() && columns.front() == '[') {
    for (const std::string& element : SplitList(columns)) {
      const std::vector<std::string> parts = element.empty() || element.front() != '['
                                                 ? std::vector<std::string>{}
                                                 : SplitList(element);
      if (parts.size() < 3) continue;
      Column column;
      column.align = parts[0].empty() ? 'G' : parts[0][0];
      column.heading = WideOfCp1252(parts[2]);
      // Wide enough for its heading too: a list of short codes keeps "Critere" whole.
      column.width = std::clamp(
          std::max(std::atoi(parts[1].c_str()), static_cast<int>(column.heading.size())), 1, 200);
      out.push_back(column);
    }
  }
  if (out.empty()) out.push_back({'G', 40, L""});
  return out;
}

std::vector<std::vector<std::wstring>> RowsOf(const std::string& rows) {
  std::vector<std::vector<std::wstring>> out;
  if (rows.empty() || rows.front() != '[') return out;
  for (const std::string& row : SplitList(rows)) {
    std::vector<std::wstring> cells;
    if (!row.empty() && row.front() == '[') {
      for (const std::string& cell : SplitList(row)) cells.push_back(WideOfCp1252(cell));
    } else {
      cells.push_back(WideOfCp1252(row));
    }
    out.push_back(std::move(cells));
  }
  return out;
}

std::wstring Aligned(std::wstring text, int width, char align) {
  if (static_cast<int>(text.size()) >= width) return text.substr(0, width);
  const int room = width - static_cast<int>(text.size());
  if (align == 'D') return std::wstring(room, L' ') + text;
  if (align == 'C')
    return std::wstring(room / 2, L' ') + text + std::wstring(room - room / 2, L' ');
  return text + std::wstring(room, L' ');
}

// Runs a pick list; returns the row chosen (from 0), or -1 when the user leaves. With
// `marks`, the space bar marks rows.
int RunList(Terminal& terminal, const std::string& title, const std::string& columnList,
            const std::string& rowList, int selected, std::vector<bool>* marks) {
  const std::vector<Column> columns = ColumnsOf(columnList);
  const std::vector<std::vector<std::wstring>> rows = RowsOf(rowList);
  const int count = static_cast<int>(rows.size());
  const int markWidth = marks ? 2 : 0;
  if (marks) marks->assign(rows.size(), false);
  int width = markWidth;
  for (const Column& c : columns) width += c.width + 1;
  const std::wstring help = marks ? L" Espace Marquer  Entrée Valider  Échap Quitter "
                                  : L" Entrée Choisir  Échap Quitter ";
  width = std::min(std::max({width + 3, static_cast<int>(help.size()) + 4,
                             static_cast<int>(WideOfCp1252(title).size()) + 6}),
                   COLS);
  const int visible = std::max(1, std::min(std::max(count, 1), LINES - 6));
  WindowPtr window(NewCentredBox(visible + 3, width, WideOfCp1252(title)));
  WINDOW* w = window.get();
  const int inner = getmaxx(w) - 2;
  selected = count == 0 ? 0 : std::clamp(selected, 0, count - 1);
  int first = 0;
  curs_set(0);
  for (;;) {
    first = std::clamp(first, std::max(0, selected - visible + 1), selected);
    std::wstring heading(markWidth, L' ');
    for (const Column& c : columns) heading += Aligned(c.heading, c.width, c.align) + L" ";
    Put(w, 1, 1, inner, heading, A_UNDERLINE | A_BOLD);
    for (int k = 0; k < visible; ++k) {
      const int i = first + k;
      std::wstring line;
      if (i < count) {
        if (marks) line += (*marks)[i] ? L"* " : L"  ";
        for (std::size_t c = 0; c < columns.size(); ++c)
          line +=
              Aligned(c < rows[i].size() ? rows[i][c] : L"", columns[c].width, columns[c].align) +
              L" ";
      } else if (count == 0) {
        line = L"(liste vide)";
      }
      Put(w, 2 + k, 1, inner, line, i == selected && i < count ? A_REVERSE : A_NORMAL);
    }
    box(w, 0, 0);
    const std::wstring framed = WideOfCp1252(title);
    if (!framed.empty())
      Put(w, 0, std::max(1, (getmaxx(w) - static_cast<int>(framed.size()) - 2) / 2),
          std::min<int>(inner, static_cast<int>(framed.size()) + 2), L" " + framed + L" ", A_BOLD);
    Put(w, getmaxy(w) - 1, 2, std::min<int>(inner - 2, static_cast<int>(help.size())), help);
    wrefresh(w);
    const KeyPress key = terminal.ReadKey(w);
    if (!key.function) {
      if (IsEnter(false, key.code)) return count == 0 ? -1 : selected;
      if (key.code == kEscape) return -1;
      if (key.code == L' ' && marks && count > 0) {
        (*marks)[selected] = !(*marks)[selected];
        selected = std::min(selected + 1, count - 1);
      }
      continue;
    }
    if (key.code == KEY_ENTER) return count == 0 ? -1 : selected;
    MoveSelection(key.code, count, visible, false, selected);
  }
}

// --- message boxes ------------------------------------------------------------------------

struct StyledChar {
  wchar_t c;
  attr_t attribute;
};

// The message's characters with "@" and "~" turned into bold and underline, wrapped to width.
std::vector<std::vector<StyledChar>> Wrapped(const std::wstring& text, int width) {
  std::vector<StyledChar> chars;
  attr_t attribute = A_NORMAL;
  for (wchar_t c : text) {
    if (c == L'@') {
      attribute ^= A_BOLD;
    } else if (c == L'~') {
      attribute ^= A_UNDERLINE;
    } else {
      chars.push_back({c == L'\n' ? L'\n' : c, attribute});
    }
  }
  std::vector<std::vector<StyledChar>> lines(1);
  std::size_t i = 0;
  while (i < chars.size()) {
    if (chars[i].c == L'\n') {
      lines.emplace_back();
      ++i;
      continue;
    }
    std::size_t end = i;  // one word and the blanks after it
    while (end < chars.size() && chars[end].c != L' ' && chars[end].c != L'\n') ++end;
    const std::size_t wordLength = end - i;
    if (!lines.back().empty() && static_cast<int>(lines.back().size() + wordLength) > width)
      lines.emplace_back();
    for (; i < end; ++i) {
      if (static_cast<int>(lines.back().size()) >= width) lines.emplace_back();
      lines.back().push_back(chars[i]);
    }
    while (i < chars.size() && chars[i].c == L' ') {
      if (!lines.back().empty() && static_cast<int>(lines.back().size()) < width)
        lines.back().push_back(chars[i]);
      ++i;
    }
  }
  return lines;
}

}  // namespace

int TerminalScreen::IndexOf(const std::string& field) const {
  const std::vector<PageField>& fields = terminal_.page().fields;
  for (std::size_t i = 0; i < fields.size(); ++i)
    if (Trim(fields[i].def.name) == Trim(field)) return static_cast<int>(i);
  return -1;
}

void TerminalScreen::Clear(int16_t& status) {
  status = 0;
  Page& page = terminal_.page();
  const bool scrollOpen = page.scrollOpen;
  page = Page{};
  page.scrollOpen = scrollOpen;
  moduleRefusal_.clear();
  terminal_.DrawPage();
}

void TerminalScreen::SetTitle(std::string title) {
  terminal_.page().title = std::move(title);
  terminal_.DrawPage();
}

void TerminalScreen::DefineFields(const std::string& fieldList) {
  std::vector<PageField> fields;
  for (const FieldListItem& item : ParseFieldList(fieldList))
    if (!item.IsMarker()) fields.push_back(PageField{item.field, "", "", "", "", ""});
  terminal_.page().fields = std::move(fields);
  terminal_.page().current = -1;
  backFrom_ = -1;
  terminal_.DrawPage();
}

void TerminalScreen::Edit(int index, FieldType type, std::string& stored, int16_t& key) {
  Page& page = terminal_.page();
  FieldDef def = page.fields[index].def;
  def.type = type;
  const std::string name = ToUtf8(Trim(def.name));
  const auto shownOf = [&](const std::string& value) {
    try {
      return ShownForm(value, type);
    } catch (const FormatError& e) {
      throw HostError(ErrorKind::kInvalidInput, "HostScreen.AskField", name, e.what());
    }
  };
  const std::string original = stored;
  std::string text(TrimRight(shownOf(stored)));
  page.fields[index].shown = text;
  page.current = index;
  page.refusal = moduleRefusal_;
  // Going back from a field that has none before it asks it again: tell how to leave instead.
  if (page.refusal.empty() && index == backFrom_)
    page.refusal = "Pas de champ avant celui-ci : pour quitter, videz-le et validez par Entrée";
  backFrom_ = -1;
  std::size_t cursor = text.size();
  const std::size_t maxTyped = MaxTyped(def);
  // The first character typed replaces the whole value, as in a selected field; moving the
  // cursor or erasing first keeps the value for editing.
  bool fresh = true;
  for (;;) {
    terminal_.DrawPage();
    const int row = terminal_.currentRow();
    const int column = terminal_.valueColumn();
    // One column more than the field's width, for the cursor after the last character.
    const int width = std::max(1, std::min(DisplayWidth(def) + 1, COLS - column - 1));
    const std::size_t offset = cursor >= static_cast<std::size_t>(width) ? cursor - width + 1 : 0;
    Put(stdscr, row, column, width, WideOfCp1252(text).substr(offset), A_REVERSE);
    move(row, column + static_cast<int>(cursor - offset));
    curs_set(1);
    refresh();
    const KeyPress press = terminal_.ReadKey(stdscr);
    curs_set(0);
    if (const int16_t ending = EndingKey(press)) {
      const TypedValue typed = ParseTyped(text, def);
      if (typed.ok()) {
        stored = typed.stored;
      } else if (ending == kKeyUp || ending == kKeyPageUp) {
        stored = original;
      } else {
        page.refusal = typed.refusal;
        beep();
        continue;
      }
      key = ending;
      if (ending == kKeyUp || ending == kKeyPageUp) backFrom_ = index;
      page.fields[index].shown = shownOf(stored);
      page.current = -1;
      page.refusal.clear();
      moduleRefusal_.clear();
      terminal_.DrawPage();
      return;
    }
    page.refusal = moduleRefusal_;
    const std::optional<char> typedByte = press.function ? std::nullopt : ByteOfTyped(press.code);
    if (fresh && typedByte) {
      text.clear();
      cursor = 0;
    }
    fresh = false;
    if (press.function) {
      switch (press.code) {
        case KEY_LEFT:
          cursor = cursor > 0 ? cursor - 1 : 0;
          break;
        case KEY_RIGHT:
          cursor = std::min(text.size(), cursor + 1);
          break;
        case KEY_HOME:
          cursor = 0;
          break;
        case KEY_END:
          cursor = text.size();
          break;
        case KEY_DC:
          if (cursor < text.size()) text.erase(cursor, 1);
          break;
        case KEY_BACKSPACE:
          if (cursor > 0) text.erase(--cursor, 1);
          break;
        default:
          break;
      }
    } else if (IsBackspace(false, press.code)) {
      if (cursor > 0) text.erase(--cursor, 1);
    } else if (press.code == 21) {  // Ctrl-U empties the field
      text.clear();
      cursor = 0;
    } else if (typedByte) {
      if (text.size() < maxTyped) {
        text.insert(cursor++, 1, *typedByte);
      } else {
        beep();
      }
    }
  }
}

// A list of allowed values ("[L,D,E]") is shown under the field; the module checks them.
void TerminalScreen::AskField(const std::string& field, std::string& value, int16_t& key,
                              const std::string& choices, const std::string& /*attribute*/) {
  const int index = IndexOf(field);
  if (index < 0)
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.AskField", ToUtf8(field),
                    "champ non défini sur cet écran");
  std::string& shownChoices = terminal_.page().choices;
  shownChoices.clear();
  if (!choices.empty() && choices.front() == '[') {
    for (const std::string& choice : SplitList(choices))
      shownChoices += (shownChoices.empty() ? "" : ", ") + choice;
  }
  Edit(index, terminal_.page().fields[index].def.type, value, key);
  shownChoices.clear();
}

void TerminalScreen::AskDate(const std::string& field, std::string& dateText, int16_t& key,
                             int32_t& day, const std::string& /*attribute*/) {
  const int index = IndexOf(field);
  if (index < 0)
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.AskDate", ToUtf8(field),
                    "champ non défini sur cet écran");
  Edit(index, FieldType::kDate, dateText, key);
  HostDates().DayNumber(dateText, day);
}

void TerminalScreen::AskConfirm(int16_t& answer, int16_t& key, const std::string& /*attribute*/) {
  Page& page = terminal_.page();
  bool yes = answer != 0;
  for (;;) {
    page.prompt = std::string("Confirmez-vous ?  ") +
                  (yes ? "[ OUI ]   non  " : "  oui   [ NON ]") + "     (O / N, puis Entrée)";
    terminal_.DrawPage();
    const KeyPress press = terminal_.ReadKey(stdscr);
    if (const int16_t ending = EndingKey(press);
        ending != 0 && !(press.function && press.code == KEY_DOWN)) {
      key = ending;
      break;
    }
    if (press.function && (press.code == KEY_LEFT || press.code == KEY_RIGHT)) yes = !yes;
    if (!press.function) {
      if (press.code == L'o' || press.code == L'O' || press.code == L'y' || press.code == L'Y')
        yes = true;
      if (press.code == L'n' || press.code == L'N') yes = false;
      if (press.code == L' ') yes = !yes;
    }
  }
  answer = yes ? -1 : 0;
  page.prompt.clear();
  terminal_.DrawPage();
}

void TerminalScreen::ShowField(const std::string& field, const std::string& value) {
  const int index = IndexOf(field);
  if (index < 0)
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.ShowField", ToUtf8(field),
                    "champ non défini sur cet écran");
  PageField& f = terminal_.page().fields[index];
  try {
    f.shown = ShownForm(value, f.def.type);
  } catch (const FormatError& e) {
    throw HostError(ErrorKind::kInvalidInput, "HostScreen.ShowField", ToUtf8(field), e.what());
  }
  terminal_.DrawPage();
}

void TerminalScreen::SetFieldNote(const std::string& field, const std::string& attribute,
                                  const std::string& note) {
  const int index = IndexOf(field);
  if (index < 0) return;
  terminal_.page().fields[index].note = TrimRight(note);
  terminal_.page().fields[index].noteAttribute = attribute;
  terminal_.DrawPage();
}

void TerminalScreen::SetFieldHint(const std::string& field, const std::string& /*attribute*/,
                                  const std::string& text) {
  const int index = IndexOf(field);
  if (index >= 0) terminal_.page().fields[index].hint = TrimRight(text);
}

void TerminalScreen::SetFieldHelp(const std::string& field, const std::string& /*attribute*/,
                                  const std::string& text) {
  const int index = IndexOf(field);
  if (index >= 0) terminal_.page().fields[index].help = TrimRight(text);
}

void TerminalScreen::ShowMessage(const std::string& attribute, const std::string& text) {
  terminal_.page().message = TrimRight(text);
  terminal_.page().messageAttribute = attribute;
  terminal_.DrawPage();
}

void TerminalScreen::RefuseField(const std::string& /*field*/, const std::string& reason) {
  moduleRefusal_ = ToUtf8(TrimRight(reason));
  beep();
}

void TerminalScreen::ShowLine(int16_t line, const std::string& attribute, std::string text) {
  terminal_.page().lines[line] = {attribute, std::string(TrimRight(text))};
  const auto now = std::chrono::steady_clock::now();
  if (now - lastLineDraw_ < std::chrono::milliseconds(200)) return;
  lastLineDraw_ = now;
  terminal_.DrawPage();
}

void TerminalScreen::ShowExplanation(const std::string& /*attribute*/, const std::string& lines,
                                     const std::string& /*letter*/) {
  std::vector<std::string>& box = terminal_.page().explanation;
  box.clear();
  if (!lines.empty() && lines.front() == '[') {
    box = SplitList(lines);
  } else if (!lines.empty()) {
    box.push_back(lines);
  }
  terminal_.DrawPage();
}

void TerminalScreen::FormatValue(std::string& value, const std::string& type) {
  FormatValueAs(value, type);
}

void TerminalScreen::SetOption(int16_t /*option*/) {}

void TerminalScreen::OpenScroll(int16_t /*height*/, int16_t /*width*/) {
  terminal_.page().scrollOpen = true;
  terminal_.page().scroll.clear();
  terminal_.DrawPage();
}

void TerminalScreen::ScrollLine(const std::string& line) {
  std::deque<std::string>& scroll = terminal_.page().scroll;
  scroll.push_back(line);
  while (scroll.size() > kScrollKept) scroll.pop_front();
  // A long export scrolls a line per asset: drawn a few times a second, the rest when the
  // operation ends.
  const auto now = std::chrono::steady_clock::now();
  if (now - scrollDrawn_ < std::chrono::milliseconds(200)) return;
  scrollDrawn_ = now;
  terminal_.DrawPage();
}

void TerminalChoiceList::Choose(const std::string& title, const std::string& columns,
                                const std::string& rows, int32_t& chosen) {
  const int row = RunList(terminal_, title, columns, rows, chosen - 1, nullptr);
  chosen = row + 1;
  terminal_.DrawPage();
}

void TerminalChoiceList::ChooseSeveral(const std::string& rows, const std::string& columns,
                                       const std::string& title, std::string& marks) {
  std::vector<bool> marked;
  const int row = RunList(terminal_, title, columns, rows, 0, &marked);
  marks = "[";
  if (row >= 0) {
    for (std::size_t i = 0; i < marked.size(); ++i)
      if (marked[i]) marks += (marks.size() > 1 ? "," : "") + std::to_string(i + 1);
  }
  marks += "]";
  terminal_.DrawPage();
}

void TerminalMessageBox::Show(const std::string& caption, const std::string& title,
                              const std::string& message, int16_t& result) {
  result = 0;
  const int width = std::max(20, std::min(COLS - 6, 66));
  const std::vector<std::vector<StyledChar>> lines = Wrapped(WideOfCp1252(message), width);
  const int rows = std::min(static_cast<int>(lines.size()), std::max(1, LINES - 6));
  const std::string& heading = TrimRight(title).empty() ? caption : title;
  WindowPtr window(NewCentredBox(rows + 4, width + 4, WideOfCp1252(heading)));
  WINDOW* w = window.get();
  for (int k = 0; k < rows; ++k) {
    int column = 2;
    for (const StyledChar& c : lines[k]) {
      const wchar_t one[2] = {c.c, L'\0'};
      wattron(w, c.attribute);
      mvwaddnwstr(w, 1 + k + 1, column++, one, 1);
      wattroff(w, c.attribute);
    }
  }
  const std::wstring help = L" Entrée pour continuer ";
  Put(w, getmaxy(w) - 1, (getmaxx(w) - static_cast<int>(help.size())) / 2,
      static_cast<int>(help.size()), help, A_REVERSE);
  wrefresh(w);
  curs_set(0);
  terminal_.ReadKey(w);
  window.reset();
  terminal_.DrawPage();
}

}  // namespace actifix::platform
