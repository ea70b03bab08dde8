// The natures entry screen: natures with their label, running order number and the five
// general-ledger accounts (checked against the module's chart of accounts), and their edition.
#pragma once

namespace actifix {

// Runs the natures screen, then prints the natures edition.
void EntNat();

}  // namespace actifix
