// The FEC extract of an EditImo run: the ledger entries that "TampCg.dat" receives, written
// once more to <CODE>EcrituresFEC.txt through HostFecFile, each with its group number
// (EcritureNum), the asset or nature it is for (PieceRef) and its label on one line. An entry
// whose account does not start with three digits stops the extract (not "TampCg.dat"): a
// message box names each such entry and the account to correct.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "host/HostFecFile.h"
#include "host/HostLedgerFile.h"
#include "state/FecOrigin.h"

namespace actifix {

// Notes that the entries made since the last note are for the disposal of the asset in the
// buffer, on the account taken from `account`.
void FecNoteDisposal(FecAccount account);
// Notes that the entries made since the last note are for the dotation of nature `code`, or,
// with a fiscal account, for its derogatory allowance or write-back.
void FecNoteDotation(const std::string& code, FecAccount account);

// The extract, written line by line to a draft as the ledger edition writes its entries.
class FecExtract {
 public:
  // Opens the draft through the host's HostFecFile.
  FecExtract();
  // The entry at `index` of the ledger-entry table, as written to the interface file;
  // `closesGroup` when the running balance is back to zero after it.
  void Add(std::size_t index, const LedgerEntry& entry, bool closesGroup);
  // Puts the extract in place, or, when an entry's account does not start with three digits,
  // shows a message box for each such entry and removes the draft and the file of an earlier
  // run.
  void Finish();

 private:
  std::unique_ptr<HostFecFile> file_;
  std::vector<std::string> faults_;
  int64_t number_ = 1;
};

// Whether the account starts with three digits, as the chart of accounts' classes do.
bool FecAccountValid(const std::string& account);

}  // namespace actifix
