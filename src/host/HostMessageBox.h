// Message boxes. Words set between two "@" or two "~" marks are emphasised by the host.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostMessageBox {
 public:
  virtual ~HostMessageBox() = default;
  // `caption` is "Information" or the style "Simple"; the result is not used by the module.
  virtual void Show(const std::string& caption, const std::string& title,
                    const std::string& message, int16_t& result) = 0;
};

}  // namespace actifix
