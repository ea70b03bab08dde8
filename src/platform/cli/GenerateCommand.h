// actifix generate: a reproducible register of N assets for a company (benchmarks, trials on
// a register of realistic size).
#pragma once

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

void AddGenerateCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
