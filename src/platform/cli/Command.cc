#include "platform/cli/Command.h"

#include <CLI/CLI.hpp>
#include <utility>

namespace actifix::platform {

void WhenChosen(CLI::App& command, CommandAction& action, CommandAction run) {
  command.callback([&action, run = std::move(run)] { action = run; });
}

}  // namespace actifix::platform
