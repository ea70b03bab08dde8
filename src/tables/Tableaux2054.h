// Tableaux2054: the fixed-asset tables of the tax return for a fiscal year chosen in the year
// list, "TABLEAU DES IMMOBILISATIONS ET DES AMORTISSEMENTS". Each asset's figures are those of
// the depreciation edition over the whole year (EdtImoFigures), summed on the line of its
// nature's asset account (Lines2054.h): gross values at the start, acquisitions, disposals
// and at the end on the lines of form 2054; depreciation at the start, dotations, reductions
// for disposals and at the end on those of form 2055, with the year's dotations split by
// depreciation mode beside them; with the company's fiscal option on, the derogatory
// movements of the current year by cause on the lines of 2055 (section B) and the line
// "Amortissements dérogatoires" of 2056 with the 2053 figures it feeds; then which line each
// nature went to.
#pragma once

namespace actifix {

void Tableaux2054();

}  // namespace actifix
