// actifix serve: the read-only web view of the companies of --data (platform/web), until
// stopped by Ctrl-C or SIGTERM.
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddServeCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
