// The lines of the fixed-asset tables of the French tax return (forms 2054, gross values, and
// 2055, depreciation) and the general-ledger account prefixes that send a nature to each of
// them, after the French chart of accounts. The table and its sources: docs/tables2054.md.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace actifix::tables {

enum class Block { kIncorporelles, kCorporelles, kFinancieres, kNonClasse };

struct Line {
  const char* label;  // UTF-8, as printed
  Block block;
  bool on2055;  // the line is one of form 2055 (the depreciable assets)
  // The form's box codes of the line, in the order of the edition's columns, "" where the form
  // has none: 2054 début, acquisitions, cessions, fin; 2055 début, dotations, diminutions, fin.
  const char* boxes2054;
  const char* boxes2055;
};

// The box codes of a block's total line ("" where the form has no total of its own), and of
// the general total, in the same order.
const char* BlockTotalBoxes(Block block, bool form2055);
const char* GrandTotalBoxes(bool form2055);

// The lines in printing order; the last one is "Non classé", for the accounts of no line.
const std::vector<Line>& Lines();
std::size_t NonClasse();

// The line of an asset account (`NCIMAT`, blanks ignored): the line of the longest prefix of
// the table that starts it, "Non classé" when none does.
std::size_t LineOfAccount(const std::string& account);

}  // namespace actifix::tables
