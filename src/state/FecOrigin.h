// What a ledger entry is for, noted as the entry is made: the nature whose dotation it is, or
// the disposed asset, and the account field that gave it its account. The FEC extract reads
// it to name the entry (PieceRef) and to say which account to correct.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

// The field of the nature (NCI...) or of the asset card (NCTRES) that gave an entry its account;
// our own addition, the derogatory entries' accounts of the company's fiscal option.
enum class FecAccount : uint8_t {
  kNCIDOT,
  kNCIAMO,
  kNCIMAT,
  kNCIVNC,
  kNCIPROD,
  kNCTRES,
  kFiscalProvision,
  kFiscalAllowance,
  kFiscalWriteBack,
};

// Whether the entry is one of the derogatory entries.
inline bool IsDerogatory(FecAccount account) { return account >= FecAccount::kFiscalProvision; }

struct FecOrigin {
  std::string nature;  // trimmed nature code
  std::string order;   // trimmed order number of the disposed asset; "" for a dotation
  FecAccount account = FecAccount::kNCIDOT;
};

}  // namespace actifix
