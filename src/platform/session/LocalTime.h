// The machine's local date and time as text.
#pragma once

#include <string>

namespace actifix::platform {

// Now, formatted with strftime's `format` ("%d/%m/%Y" gives the date text of today).
std::string LocalTimeText(const char* format);

}  // namespace actifix::platform
