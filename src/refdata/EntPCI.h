// The chart-of-accounts entry screen, the simplest screen built on the record entry cycle.
#pragma once

namespace actifix {

// The chart-of-accounts entry screen, then its edition.
void EntPCI();

}  // namespace actifix
