// The loop of a full-screen menu: the program's menu of operations and the closed years' menu
// of editions.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace actifix::platform {

class Terminal;

// Shows the menu of `labels` under `title()` (asked again at each turn) until the user leaves
// it, and calls `run` with the index of each item chosen. Whatever `run` throws, the user
// reads why in the pager and the menu comes back; only a terminal that can no longer be read
// ends the loop (HostError).
void RunMenuLoop(Terminal& terminal, const std::function<std::string()>& title,
                 const std::vector<std::string>& labels, const std::function<void(int)>& run);

}  // namespace actifix::platform
