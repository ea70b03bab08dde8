// Pick lists: one row chosen, or several rows marked. Columns and rows are bracket lists.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostChoiceList {
 public:
  virtual ~HostChoiceList() = default;
  // chosen (in: row offered first) := the 1-based row chosen, 0 when the user leaves.
  virtual void Choose(const std::string& title, const std::string& columns,
                      const std::string& rows, int32_t& chosen) = 0;
  // marks := bracket list of the 1-based numbers of the rows marked ("[]" for none).
  virtual void ChooseSeveral(const std::string& rows, const std::string& columns,
                             const std::string& title, std::string& marks) = 0;
};

}  // namespace actifix
