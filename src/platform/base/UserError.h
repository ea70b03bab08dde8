// What every part of the program may throw or return when it stops: the program's exit
// statuses, chosen from an error's kind in one place, and the error of the user's making.
// Kept at the bottom of the platform so that the store, the import and the screen reach them
// without the program's own folder.
#pragma once

#include <stdexcept>
#include <string>

#include "host/HostError.h"

namespace actifix::platform {

// Exit statuses of the program.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailure = 1,  // an operation failed, or the data was refused
  kExitUsage = 2,    // bad arguments or values on the command line
  kExitScript = 3,   // a script did not match what the screen asked
};

// The exit status of a run stopped by an error of kind `kind`: the one place it is chosen.
constexpr int ExitStatusOf(ErrorKind kind) {
  switch (kind) {
    case ErrorKind::kBadArgument:
      return kExitUsage;
    case ErrorKind::kScriptMismatch:
      return kExitScript;
    default:
      return kExitFailure;
  }
}

// An error of the user's making, told in French, of kind `kind`.
class UserError : public std::runtime_error {
 public:
  UserError(const std::string& message, ErrorKind kind)
      : std::runtime_error(message), kind_(kind) {}
  ErrorKind kind() const { return kind_; }
  bool Is(ErrorKind kind) const { return kind_ == kind; }

 private:
  ErrorKind kind_;
};

}  // namespace actifix::platform
