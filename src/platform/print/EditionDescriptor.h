// Reading the texts the module hands to the edition engine: edition descriptors (the columns
// of an edition and which of them keep totals), total-line descriptors and column-name lists.
// All three are bracket lists of Windows-1252 atoms:
//
//   edition      [style,copies,[column...],[totalled name...]]
//   column       [name,heading,A,width,align(,flags)]            text
//                [name,heading,M,width,decimals,align(,flags)]   amount
//                [name,heading,N,width,decimals,align(,flags)]   number
//                [name,heading,D,align(,flags)]                  date
//                [@heading,column,column...]                     group of columns under one heading
//   total line   [[[column,label]...],[[column,level]...]]
//   names        [column...]
//
// align is G (left), D (right) or C (centre); flags a list of letters, kept but not interpreted.
// Atoms are taken as written (blanks included), except that numbers and names are trimmed.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace actifix::platform {

// A descriptor that does not follow its grammar. The message says what is wrong, in French,
// as Windows-1252 text (it quotes the faulty atoms as they were given).
class DescriptorError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One node of a bracket list: an atom or a list of nodes.
struct BracketNode {
  bool isList = false;
  std::string atom;
  std::vector<BracketNode> items;
};

// The whole text as one list. Throws DescriptorError unless the text is exactly one
// well-formed list.
BracketNode ParseBracketList(const std::string& text);

enum class ColumnKind { kText, kAmount, kNumber, kDate };
enum class Alignment { kLeft, kRight, kCenter };

struct ColumnSpec {
  std::string name;     // the key the module sets cells by
  std::string heading;  // as written, Windows-1252
  ColumnKind kind = ColumnKind::kText;
  int width = 0;     // characters; date columns have 10
  int decimals = 0;  // amount and number columns
  Alignment align = Alignment::kLeft;
  std::string flags;  // the letters of the flag list, in order ("AE")
  int group = -1;     // index in EditionLayout::groups, -1 when outside any group
  bool totalled = false;
};

// A group heading printed over the consecutive columns first .. first + count - 1.
struct ColumnGroup {
  std::string heading;
  int first = 0;
  int count = 0;
};

struct EditionLayout {
  std::string style;
  std::string copies;
  std::vector<ColumnSpec> columns;  // groups flattened, in print order
  std::vector<ColumnGroup> groups;

  // Index of the column named `name` (blanks around it ignored), or -1.
  int Find(const std::string& name) const;
};

// REQUIRES nothing; throws DescriptorError. A totalled name that is not a column, a column
// name given twice, a zero width or an unknown kind or alignment are errors.
EditionLayout ParseEditionDescriptor(const std::string& descriptor);

struct TotalLineSpec {
  struct Label {
    std::string column;
    std::string text;  // as written: " TOTAL GENERAL" keeps its leading blank
  };
  struct Total {
    std::string column;
    int level = 1;  // 1 or 2
  };
  std::vector<Label> labels;
  std::vector<Total> totals;
};

TotalLineSpec ParseTotalLineDescriptor(const std::string& descriptor);

// The names of a column-name list, trimmed; "[]" gives none.
std::vector<std::string> ParseColumnNames(const std::string& list);

}  // namespace actifix::platform
