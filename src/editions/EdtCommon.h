// Small helpers the editions and the ledger share: rounding and zero tests at 2 decimals
// through the host, and the module's amount texts. Internal to src/editions and
// src/ledger.
#pragma once

#include <cstdlib>
#include <string>

#include "front/Amounts.h"
#include "front/MImmo.h"

namespace actifix::edt {

// The amount with 2 decimals and a decimal point, as the work tables keep amounts.
inline std::string Amount2(double x) {
  std::string text;
  Convert().FormatNumber(x, 2, text);
  return text;
}

// An amount text of the work tables read back as a number ("" reads as 0).
inline double ReadAmount(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

inline bool Interrupted() {
  int16_t flag = 0;
  Toolkit().Interrupted(flag);
  return flag != 0;
}

// A new page when fewer than `lines` lines are left on the page.
inline void PageRoom(int lines) {
  int16_t line = 0, length = 0;
  Toolkit().PageLine(line);
  Toolkit().PageLength(length);
  if (line + lines > length) Edition().NewPage();
}

}  // namespace actifix::edt
