// Start-up of the host services, called first by AppImmo.
#pragma once

namespace actifix {

class HostStartup {
 public:
  virtual ~HostStartup() = default;
  virtual void Start() = 0;
};

}  // namespace actifix
