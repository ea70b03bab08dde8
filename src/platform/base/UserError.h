// What every part of the program may throw or return when it stops: the program's exit
// statuses and the error of the user's making. Kept at the bottom of the platform so that the
// store, the import and the screen reach them without the program's own folder.
#pragma once

#include <stdexcept>
#include <string>

namespace actifix::platform {

// Exit statuses of the program.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailure = 1,  // an operation failed, or the data was refused
  kExitUsage = 2,    // bad arguments or values on the command line
  kExitScript = 3,   // a script did not match what the screen asked
};

// An error of the user's making, told in French; the program exits with `status`.
class UserError : public std::runtime_error {
 public:
  explicit UserError(const std::string& message, int status = 1)
      : std::runtime_error(message), status_(status) {}
  int status() const { return status_; }

 private:
  int status_;
};

}  // namespace actifix::platform
