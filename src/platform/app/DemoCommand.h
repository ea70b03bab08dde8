// actifix demo: a demonstration company entered through the module's own screens, from
// built-in scripts, with its editions printed.
#pragma once

#include "platform/app/Command.h"
#include "platform/app/GlobalOptions.h"

namespace actifix::platform {

void AddDemoCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
