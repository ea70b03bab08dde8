// Small helpers of the editions: page breaks, beside the texts of their work tables and the
// module state. Internal to src/editions.
#pragma once

#include <cstdint>

#include "state/Amounts.h"
#include "state/EditionText.h"
#include "state/MImmo.h"

namespace actifix::edt {

// A new page when fewer than `lines` lines are left on the page.
inline void PageRoom(int lines) {
  int16_t line = 0, length = 0;
  Toolkit().PageLine(line);
  Toolkit().PageLength(length);
  if (line + lines > length) Edition().NewPage();
}

}  // namespace actifix::edt
