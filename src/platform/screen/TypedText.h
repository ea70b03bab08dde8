// Text as the host takes it from people and scripts. What a user types in a field, a script
// line and a value given on the command line must be well-formed UTF-8 without control
// characters; a value that goes into a record must also fit Windows-1252, the character set of
// every record. The checks give a short French reason, and Printable makes any bytes safe to
// echo in a one-line message.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/Printable.h"

namespace actifix::platform {

struct TextRule {
  bool tabAllowed = false;     // a script line: tabs are blanks
  bool cp1252Required = true;  // a value for a record: every character in Windows-1252
};

// Why the UTF-8 text breaks `rule`: "" when it does not, else a short French reason naming the
// first faulty character, such as "caractère de contrôle U+0007 refusé".
std::string Utf8Refusal(std::string_view utf8, TextRule rule = {});

// Why the Windows-1252 text cannot be typed into a field: "" or the control character refused.
std::string Cp1252Refusal(std::string_view cp1252);

}  // namespace actifix::platform
