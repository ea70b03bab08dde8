// Writer of the FEC extract <CODE>EcrituresFEC.txt: the ledger entries of an EditImo run in
// the columns of the French "fichier des écritures comptables", for import into the
// company's accounting package. The module hands over the lines; the host owns the format
// (columns, character set, dates, amounts) and the file.
#pragma once

#include <cstdint>
#include <string>

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
  // Starts a draft of the extract; the file of an earlier run stays as it is until Commit.
  // Throws HostError when the draft cannot be made.
  virtual void Open() = 0;
  // Throws HostError when the draft cannot be written.
  virtual void WriteLine(const FecLine& line) = 0;
  // Puts the complete draft in place of the file of an earlier run.
  virtual void Commit() = 0;
  // Drops the draft and removes the file of an earlier run, so that no extract is older than
  // "TampCg.dat".
  virtual void Discard() = 0;
};

}  // namespace actifix
