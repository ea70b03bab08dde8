// Writer of the FEC extract <CODE>EcrituresFEC.txt: the ledger entries of an EditImo run in
// the columns of the French "fichier des écritures comptables", for import into the
// company's accounting package. The module hands over the lines; the host owns the format
// (columns, character set, dates, amounts) and the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace actifix {

// One entry line of the extract. Texts are Windows-1252, as inside the module.
struct FecLine {
  int64_t number = 0;        // EcritureNum: 1, 2, ... one per balanced group of entries
  std::string date;          // dd/mm/yyyy: EcritureDate, PieceDate and ValidDate
  std::string account;       // CompteNum, trimmed
  std::string accountLabel;  // CompteLib
  std::string pieceRef;      // PieceRef: which asset or which nature's dotation
  std::string label;         // EcritureLib: the entry label's lines on one line
  std::string side;          // "D" or "C"
  double amount = 0;
};

class HostFecFile {
 public:
  virtual ~HostFecFile() = default;
  // Writes the extract whole, replacing the file of an earlier run only once it is complete.
  // Throws HostError when the file cannot be written.
  virtual void Write(const std::vector<FecLine>& lines) = 0;
  // Removes the file an earlier run left, so that no extract is older than "TampCg.dat".
  virtual void Remove() = 0;
};

}  // namespace actifix
