// The typed spreadsheet of the register, "<CODE>Immo.xlsx", written beside "<CODE>Immo.csv"
// each time the export runs: the same 16 columns in the same order (ExportColumns.h), and
// with the company's fiscal option on the fiscal columns after them (FiscalColumns.h), one
// row per asset in the order of the asset key, but typed: amounts and rates are numbers shown
// with two decimals, dates are dates shown "dd/mm/yyyy" (an empty disposal date is an empty
// cell), texts are trimmed (an empty text is an empty cell). The header row is frozen and each
// column is wide enough for its header and its field.
//
// Written with libxlsxwriter in its constant-memory mode, row after row, so that a register
// of a million assets needs no more memory than one of ten.
#pragma once

#include <filesystem>

namespace actifix::platform {

// Writes the register of the open company to `path`, through `path`.tmp renamed over it at
// the end, so that a failure leaves an earlier file whole. Temporary files go beside it.
// REQUIRES: the module attached with its files open. Throws HostError when it cannot write.
void WriteRegisterSpreadsheet(const std::filesystem::path& path);

}  // namespace actifix::platform
