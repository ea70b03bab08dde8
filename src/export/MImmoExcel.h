// The spreadsheet export: the whole asset register written, one line per asset in the order
// of the asset key, to "<CODE>Immo.csv" in the host's data directory (layout in
// docs/formats.md).
#pragma once

#include <string>

namespace actifix {

// Writes the header line, tells the user the file's name, then writes and shows one line per
// asset. The text file is left to the host to complete; a failing host call ends the export,
// the lines written so far staying in the file.
void ImmoExcel();

// The export line of the asset in the asset record buffer: its 16 values joined by ";", the
// texts as stored (blanks kept, nothing quoted or escaped), dates as date texts, the amounts
// and the rate with 2 decimals in the host's amount format; with the company's fiscal option
// on, the fiscal columns after them (FiscalColumns.h), empty for an asset without a plan.
// Windows-1252.
std::string ExportLine();

}  // namespace actifix
