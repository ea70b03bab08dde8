// The texts of the editions' work tables, shared by the editions, the ledger entries and the
// FEC extract's lines: amounts with 2 decimals, through the host's
// conversions.
#pragma once

#include <cstdlib>
#include <string>

#include "state/MImmo.h"

namespace actifix::edt {

// The amount with 2 decimals and a decimal point, as the work tables keep amounts.
inline std::string Amount2(double x) {
  std::string text;
  Convert().FormatNumber(x, 2, text);
  return text;
}

// Opens the edition under `title` (the host may complete it, e.g. with the company) and prints
// `title` as its first title line, as every printed edition starts.
inline void OpenTitledEdition(const std::string& title) {
  Toolkit().SetEditionTitle(title);
  std::string openTitle;
  Toolkit().GetEditionTitle(openTitle);
  Edition().Open(FalseValue(), ZeroValue(), ZeroValue(), openTitle, -1);
  Edition().AddTitle(title, "G");
}

// An amount text of the work tables read back as a number ("" reads as 0).
inline double ReadAmount(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace actifix::edt
