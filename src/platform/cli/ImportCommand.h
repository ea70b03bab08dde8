// actifix import FILE: brings a register file in the layout of the export into a company, all
// of it in one transaction or nothing; --dry-run checks only.
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddImportCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
