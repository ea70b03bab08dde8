// Where the typeset PDF puts things, in points, from the widths the faces gave in em: the paper
// and face size of a page, the slot of each line, the place of each column of a table, the room
// of a text cell and the start of an amount set on its decimal comma. No drawing here.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/Text.h"
#include "platform/print/PdfPaper.h"
#include "platform/print/TypesetPage.h"

namespace actifix::platform::typeset {

constexpr double kTextEm = 0.6;     // room for one character of a text column, in em
constexpr double kDigitEm = 0.636;  // advance of a digit of DejaVu Sans
constexpr double kGapEm = 1.0;      // between two columns, at the least
constexpr int kChartLines = 20;     // the height of a picture, in lines of the page

bool IsNumeric(ColumnKind kind);
// The gap before column `i`: wider where a right-aligned amount meets a left-aligned text.
double GapEm(const std::vector<Column>& columns, std::size_t i);
// Each column as wide as the widest amount it printed, and the table's width after them.
void WidenToPrinted(Table& table);

bool IsGrandTotal(const Row& line);
// A body line of one capitalised text after a blank, alone on its line: " A NOUVEAU".
bool IsSectionHeading(const Row& line);
// An amount the text printed without its thousands blanks, for want of room ("82010581,33"),
// given them back: the typeset columns have the room.
void Regroup(std::string& amount);

// The paper, face size and line slots of a page whose widest table or title is `widestEm`.
struct PageFormat {
  PdfPaper paper;
  double usable = 0;    // the width inside the margins
  double right = 0;     // the right margin's x
  double pitch = 0;     // from one line's slot to the next
  double size = 0;      // the face of the body
  double headSize = 0;  // the face of the running head
  double baseline = 0;  // from the top of a line's slot
  double Top(std::size_t line) const { return kMargin + static_cast<double>(line) * pitch; }
};
PageFormat FormatPage(double widestEm, int linesPerPage);

// Where the columns of a table go on a page: the left edge and width of each, the right edge.
struct Place {
  std::vector<double> x, w;
  double right = 0;
};

// The places of the tables of one page, each worked out once.
class PagePlaces {
 public:
  PagePlaces(const std::vector<Table>& tables, const PageFormat& format)
      : tables_(tables), format_(format) {}
  const Place& Of(int table);

 private:
  const std::vector<Table>& tables_;
  const PageFormat& format_;
  std::unordered_map<int, Place> places_;
};

// The room a text in cell `c` of `line` may take: its column, the empty cells after it, and up
// to the right margin for the last one.
double CellRoom(const Row& line, const Place& place, std::size_t c, double right);

// The row of a heading line in its block (0: group headings, 1: column headings, 2: the rule
// under them), from the heading lines before line `i`.
int HeadingRow(const std::vector<Row>& lines, std::size_t i, bool grouped);

// Where an amount starts in a column ending at `right`: `whole` and `tail` are the widths of
// its text before the comma and from it, `decimals` that of the comma and the column's
// decimals (0 when it has none). `onComma` false (no comma, no decimals): right-aligned.
double AmountStart(double right, double whole, double tail, double decimals, bool onComma);

}  // namespace actifix::platform::typeset
