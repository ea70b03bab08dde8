// Run-time services: brackets around entry screens, and the anomaly report.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostRuntime {
 public:
  virtual ~HostRuntime() = default;
  virtual void Enter() = 0;
  virtual void Leave() = 0;
  // Records an anomaly met by `routine` ("FINAM", "EDTPA"...); the run goes on.
  virtual void Report(const std::string& message, const std::string& routine,
                      const int16_t& trueValue) = 0;
};

}  // namespace actifix
