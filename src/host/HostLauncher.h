// Registration of the module with the host, and preparation of the parameters screen.
#pragma once

#include <string>

#include "host/HostComponent.h"

namespace actifix {

class HostLauncher {
 public:
  virtual ~HostLauncher() = default;
  // The host later calls `loadOperation` ("LectParamImmo") on the component.
  virtual void Register(HostComponent& component, const std::string& moduleName,
                        const std::string& loadOperation, HostAppObject* appExe,
                        HostAppObject* fApp, const std::string& empty,
                        const std::string& emptyList) = 0;
  // Called just before the parameters screen runs for a company without parameters.
  virtual void Prepare() = 0;
};

}  // namespace actifix
