// The progress of a long batch command, drawn on one line of the terminal's error output:
// nothing when the error output is not a terminal, at most five redraws a second.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace actifix::platform {

class ProgressLine {
 public:
  ProgressLine();
  // "<label> <done> / <total> <unit> (n %)"; the line ends when `done` reaches `total`.
  void Show(const std::string& label, int64_t done, int64_t total, const char* unit);

 private:
  bool terminal_;
  std::chrono::steady_clock::time_point shown_;
};

}  // namespace actifix::platform
