// The fiscal-year opening: every asset of the register rolled into the new year (the year's
// depreciation added to the cumulative, the new year's charge put in its place), the assets
// disposed of before the new year removed with their keys, and the exceptional assets listed
// for their new charge to be written in by hand.
#pragma once

namespace actifix {

// Shows the warning and the company's new fiscal-year dates, and on confirmation walks the
// asset file in key order, rewriting or removing each asset and printing the list
// "LISTE DES AMORTISSEMENTS EXCEPTIONNELS A RENSEIGNER". Keeps no mark of the opening: a
// second run adds the depreciation to the cumulative again. A failing host call ends it, the
// assets already walked staying rolled.
void OuvImo();

}  // namespace actifix
