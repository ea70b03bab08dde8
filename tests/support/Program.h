// The actifix program run as users and other programs run it, for the tests that need a process
// of their own. Header-only: ACTIFIX_PROGRAM is defined for the test programs.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/TempDir.h"

namespace actifix::testing {

struct ProgramRun {
  int status = -1;  // the exit status, -1 when killed
  std::string out, err;
};

// Runs `actifix ARGS` through the shell (ARGS quoted by the caller) and waits for it; its two
// streams go through the files `scratch`.out and `scratch`.err.
inline ProgramRun RunProgram(const std::string& args, const std::string& scratch) {
  const int raw = std::system(
      ("'" ACTIFIX_PROGRAM "' " + args + " >'" + scratch + ".out' 2>'" + scratch + ".err'")
          .c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, FileBytes(scratch + ".out"),
          FileBytes(scratch + ".err")};
}

}  // namespace actifix::testing
