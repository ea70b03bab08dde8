// actifix menu: the full-screen menu of the ten operations of the module.
#pragma once

#include "platform/app/Command.h"
#include "platform/app/GlobalOptions.h"

namespace actifix::platform {

void AddMenuCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
