// The key codes our host gives the module for the keys it asks about (HostToolkit.KeyF1...).
#pragma once

#include <cstdint>

namespace actifix::platform {

enum Key : int16_t {
  kKeyValidate = 13,  // Enter
  kKeyF1 = 101,
  kKeyF2 = 102,
  kKeyF6 = 106,
  kKeyF8 = 108,
  kKeyF12 = 112,
  kKeyUp = 120,
  kKeyPageUp = 121,  // Page Up, and Esc in the terminal
};

}  // namespace actifix::platform
