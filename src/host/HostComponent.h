// What the host sees of the component: the record operations it calls back by name.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostComponent {
 public:
  virtual ~HostComponent() = default;
  // Runs the record operation `name` ("LireImmo", "EcrireNature", ...) on record number E.
  // Throws HostError for a name the component does not have.
  virtual void CallRecordOperation(const std::string& name, int32_t& E) = 0;
};

// The two objects the host hands to AppImmo; the module only passes them on.
class HostAppObject;

}  // namespace actifix
