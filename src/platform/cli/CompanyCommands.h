// actifix company create|year|fiscal|list: the companies of a data directory, their fiscal
// year and working date, their fiscal plan option (the host's own company files).
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddCompanyCommands(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
