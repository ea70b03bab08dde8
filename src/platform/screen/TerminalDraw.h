// Drawing helpers shared by the terminal pieces; includes curses.h, so it stays inside
// src/platform/screen.
#pragma once

#include <curses.h>

#include <string>
#include <string_view>

namespace actifix::platform {

// Writes `text` at row, column, cut or blank-padded to `width` columns (one per character).
void Put(WINDOW* window, int row, int column, int width, std::wstring_view text,
         attr_t attribute = A_NORMAL);
// Writes `text` at row, column, cut to the window's right edge.
void PutClipped(WINDOW* window, int row, int column, std::wstring_view text,
                attr_t attribute = A_NORMAL);
// The module's display letter as an ncurses attribute: "B" bold, "I" reverse, others normal.
attr_t AttributeOf(std::string_view letter);

// A window of `rows` x `columns` centred on the screen (cut to the screen), with a border and
// `title` set in its top edge.
WINDOW* NewCentredBox(int rows, int columns, std::wstring_view title);

// Keys with a meaning of their own.
constexpr wint_t kEscape = 27;
bool IsEnter(bool function, wint_t code);
bool IsBackspace(bool function, wint_t code);

// Moves `selected` among `count` rows for the function key `code`: Up, Down, Home, End, and
// Page Up / Page Down by `page` rows (0: they move nothing). Up and Down go round from one
// end to the other when `wrap`, else stop there. Any other key leaves it.
void MoveSelection(wint_t code, int count, int page, bool wrap, int& selected);

}  // namespace actifix::platform
