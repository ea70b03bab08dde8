// actifix check [--repair]: verifies a company's register (see RegisterCheck.h), and mends it
// after a backup when asked.
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddCheckCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
