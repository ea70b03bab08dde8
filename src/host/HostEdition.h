// Printed editions: one at a time. Columns come from an edition descriptor, total lines from
// total-line descriptors; the engine keeps level-1 and level-2 running totals per column.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

class HostEdition {
 public:
  virtual ~HostEdition() = default;

  // A new edition titled `title`. `option` is the 0 or -1 the callers pass.
  virtual void Open(const int16_t& falseValue, const int16_t& zero1, const int16_t& zero2,
                    const std::string& title, const int16_t& option) = 0;
  virtual void AddTitle(const std::string& title, const std::string& style) = 0;
  // A title line in style "PD" or "MS", in `font`.
  virtual void AddStyledTitle(const std::string& text, const std::string& style,
                              const std::string& font) = 0;
  virtual void DefineColumns(const std::string& descriptor) = 0;
  virtual void SetCell(const std::string& column, const std::string& text,
                       const std::string& format) = 0;
  virtual void SetAmount(const std::string& column, double value, const std::string& format) = 0;
  virtual void PrintLine() = 0;
  // End of one record (an asset, a group of entries).
  virtual void Step(const int16_t& count) = 0;
  virtual void SectionTotals(const std::string& columns, const int16_t& flag) = 0;
  // Section total line; `sign` "+" adds its level-1 totals to level 2, "-" takes them off.
  virtual void PrintSectionTotalLine(const std::string& descriptor, const std::string& sign) = 0;
  virtual void CarryTotal(const std::string& column, const int16_t& level,
                          const std::string& sign) = 0;
  // Closes the level-1 totals of the listed columns before the final total line.
  virtual void PrintTotals(const std::string& columns) = 0;
  virtual void PrintTotalLine(const std::string& descriptor, const std::string& sign) = 0;
  virtual void ResetTotals(const std::string& columns) = 0;
  virtual void Feed(const int16_t& lines) = 0;
  virtual void NewPage() = 0;
  // The edition ended and handed to the user.
  virtual void Close(const int16_t& flag) = 0;
};

}  // namespace actifix
