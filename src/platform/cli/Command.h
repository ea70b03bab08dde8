// Sub-commands of the actifix program. Each Add...Command registers its sub-command on the
// root CLI11 app; when that sub-command is the one parsed, main() runs `action` and exits with
// the status it returns.
#pragma once

#include <functional>

#include "platform/base/UserError.h"

namespace CLI {
class App;
}

namespace actifix::platform {

using CommandAction = std::function<int()>;

// Once `command` is the one parsed, `action` is `run`.
void WhenChosen(CLI::App& command, CommandAction& action, CommandAction run);

}  // namespace actifix::platform
