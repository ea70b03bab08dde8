// Any bytes made safe to echo in a one-line message, for every part of the platform that names
// a file, a value or a line the user gave.
#pragma once

#include <string>
#include <string_view>

namespace actifix::platform {

// `bytes` as one printable line of UTF-8: control characters and malformed bytes are written
// "\xNN" (C1 controls "\u0085"), everything else as given.
std::string Printable(std::string_view bytes);

}  // namespace actifix::platform
