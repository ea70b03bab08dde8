#include "platform/cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>

namespace actifix::platform {

ProgressLine::ProgressLine() : terminal_(isatty(STDERR_FILENO) != 0) {}

void ProgressLine::Show(const std::string& label, int64_t done, int64_t total, const char* unit) {
  const auto now = std::chrono::steady_clock::now();
  if (!terminal_ || (now - shown_ < std::chrono::milliseconds(200) && done < total)) return;
  shown_ = now;
  std::fprintf(stderr, "\r%s %lld / %lld %s (%d %%)", label.c_str(), static_cast<long long>(done),
               static_cast<long long>(total), unit,
               total > 0 ? static_cast<int>(done * 100 / total) : 100);
  if (done >= total) std::fputs("\n", stderr);
}

}  // namespace actifix::platform
