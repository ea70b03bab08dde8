// Sub-commands of the actifix program. Each Add...Command registers its sub-command on the
// root CLI11 app; when that sub-command is the one parsed, main() runs `action` and exits with
// the status it returns.
#pragma once

#include <functional>

namespace CLI {
class App;
}

namespace actifix::platform {

using CommandAction = std::function<int()>;

// Exit statuses of the program.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailure = 1,  // an operation failed, or the data was refused
  kExitUsage = 2,    // bad arguments or values on the command line
  kExitScript = 3,   // a script did not match what the screen asked
};

}  // namespace actifix::platform
