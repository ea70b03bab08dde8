// A page of the typeset PDF as the renderer records it: its lines with the text of each cell,
// the column sets they stand under, the picture drawn under them, and the compact form each
// page takes in the spool between the edition's end and the drawing.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "platform/print/EditionRenderer.h"

namespace actifix::platform::typeset {

// What the running head of every page says. UTF-8.
struct RunningHead {
  std::string company, title, yearStart, yearEnd, date;
};

// One column of a table as it is typeset.
struct Column {
  ColumnKind kind = ColumnKind::kText;
  int width = 0;  // characters, as printed in the text
  int decimals = 0;
  int group = -1;
  std::string heading;   // UTF-8
  double em = 0;         // width in em of the face, heading included
  double printedEm = 0;  // the widest amount printed in it, in em
};

struct Table {
  std::vector<Column> columns;
  std::vector<ColumnGroup> groups;  // headings in UTF-8
  double em = 0;                    // natural width in em, gaps included
};

struct Row {
  PageLine::Kind kind = PageLine::Kind::kBody;
  bool band = false;  // a title set apart on a grey band
  int table = -1;     // index of the column set it is under, -1 for none
  std::string text;
  std::vector<std::string> cells;
};

// A picture: one or two series of bars and, on a scale of its own, a line, over labels.
struct Chart {
  std::string title;
  std::vector<std::string> names;  // of the series: bars, second bars, line ("" when none)
  std::vector<std::string> labels;
  std::vector<double> bars, bars2, line;  // bars2 and line empty when not drawn
};

struct Page {
  std::string criteria;
  std::vector<Row> lines;
  Chart chart;  // no labels: none
};

// Appends `page` to the spool; the stream's state tells whether it was written.
void SpoolPage(std::ostream& out, const Page& page);
// Reads back the next page SpoolPage wrote. Returns false when the spool is short.
bool UnspoolPage(std::istream& in, Page& page);

}  // namespace actifix::platform::typeset
