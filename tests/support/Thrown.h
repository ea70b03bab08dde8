// What a call that must fail says: the cause of its HostError.
#pragma once

#include <functional>
#include <string>

#include "host/HostError.h"

namespace actifix::testing {

// The cause of the HostError `call` throws; "(aucune erreur)" when it returns.
inline std::string CauseOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const HostError& error) {
    return error.cause();
  }
  return "(aucune erreur)";
}

}  // namespace actifix::testing
