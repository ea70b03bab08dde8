// actifix demo: a demonstration company entered through the module's own screens, from
// built-in scripts, with its editions printed.
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddDemoCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
