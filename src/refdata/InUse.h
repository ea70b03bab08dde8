// What still uses a reference record: the asset cards of a nature or of an analytic code, the
// natures that name an account. A record in use is not deleted, since the editions and the
// ledger entries would otherwise book its cards on another nature's accounts or lose them.
// Each look-up gives "" when nothing uses the record, else the refusal to show, naming the
// first few users and how many there are; each stays fast on a register of a million cards.
#pragma once

#include <cstdint>
#include <string>

namespace actifix {

// The cards of nature `code` (CODNAT as stored, 6 characters), through the "Immo" keys.
// The asset buffer is overwritten.
std::string NatureInUse(const std::string& code);
// The cards whose analytic element of heading `heading` (from 1) is `code` (CODEANA as stored,
// 6 characters). The asset buffer is overwritten.
std::string AnalyticCodeInUse(int32_t heading, const std::string& code);
// The natures naming account `account` (NOCPTCG as stored, 10 characters) in any of their five
// accounts. The nature buffer is overwritten.
std::string AccountInUse(const std::string& account);

// Tells the user why a confirmed deletion is refused; false (nothing to tell) when `refusal`
// is empty, so that `if (DeletionRefused(...))` reads as the check.
bool DeletionRefused(const std::string& refusal);

}  // namespace actifix
