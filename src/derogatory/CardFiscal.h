// The fiscal plan on the asset card's print, under the economic plan: the stored fiscal
// cumulative and derogatory balance, then the current fiscal year's fiscal charge, economic
// charge, allowance or write-back, balance and fiscal net value. Our own addition.
#pragma once

namespace actifix::derog {

// Prints the fiscal plan of the asset in the asset record buffer into the open edition;
// nothing when the company's option is off or the asset has no plan. The fiscal record buffer
// and the current exercise index are the same on return.
void PrintCardFiscal();

}  // namespace actifix::derog
