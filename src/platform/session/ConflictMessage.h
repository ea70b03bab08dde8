// What a save refused for another user's change tells the user: what happened and what to do,
// in the words of the screen whose record it was.
#pragma once

#include <string>

#include "platform/store/StoreConflict.h"

namespace actifix::platform {

std::string ConflictMessage(const StoreConflict& conflict);

}  // namespace actifix::platform
