// What a call that must fail says: the cause of its HostError, or its kind.
#pragma once

#include <functional>
#include <optional>
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

// The kind of the HostError `call` throws; nullopt when it returns.
inline std::optional<ErrorKind> KindOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const HostError& error) {
    return error.kind();
  }
  return std::nullopt;
}

}  // namespace actifix::testing
