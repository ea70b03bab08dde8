// actifix run OPERATION: one operation of the module, in the terminal UI or from a script.
#pragma once

#include "platform/app/Command.h"
#include "platform/app/GlobalOptions.h"

namespace actifix::platform {

void AddRunCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
