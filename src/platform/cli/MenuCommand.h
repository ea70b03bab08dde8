// actifix menu: the full-screen menu of the operations of the module.
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddMenuCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
