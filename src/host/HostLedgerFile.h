// Writer of the accounting interface file "TampCg.dat" (prefixed with the company code, in
// the company's data directory), imported by the accounting package into its journal "OD".
#pragma once

#include <string>

namespace actifix {

// The sixteen values of one entry, in the order the writer is given them.
struct LedgerEntry {
  std::string journal;    // "OD"
  std::string fixedCode;  // " 1"
  std::string entryDate;  // dd/mm/yyyy
  std::string account;
  std::string accountLabel;
  std::string empty6, empty7, empty8;
  std::string entryLabel;  // bracket list of lines
  std::string side;        // "D" or "C"
  double amount = 0;
  std::string empty12, empty13, empty14, empty15;
  std::string filler;  // " "
};

class HostLedgerFile {
 public:
  virtual ~HostLedgerFile() = default;
  virtual void Open() = 0;
  virtual void WriteEntry(const LedgerEntry& entry) = 0;
  virtual void Close() = 0;
  // Whether the entries of this run reach the accounting package: false when the run prints
  // a closed year from its archive, whose entries were posted when that year was current.
  virtual bool Posts() const { return true; }
};

}  // namespace actifix
