// actifix run OPERATION: one operation of the module, in the terminal UI or from a script.
#pragma once

#include <string>

#include "platform/cli/Command.h"
#include "platform/cli/GlobalOptions.h"

namespace actifix::platform {

// The --pdf option of the commands that print: "compose" (the typeset PDF, the default) or
// "grille" (the text drawn on its grid), into `style`.
void AddPdfStyleOption(CLI::App& command, std::string& style);

void AddRunCommand(CLI::App& root, const GlobalOptions& global, CommandAction& action);

}  // namespace actifix::platform
