#include "platform/session/LocalTime.h"

#include <chrono>
#include <ctime>

namespace actifix::platform {

std::string LocalTimeText(const char* format) {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  char text[64];
  const std::size_t size = std::strftime(text, sizeof text, format, &local);
  return std::string(text, size);
}

}  // namespace actifix::platform
