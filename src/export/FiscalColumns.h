// Our own addition to the register export: with the company's fiscal option on, the columns
// of each asset's fiscal plan follow the 16 of the module's export, in the CSV and the typed
// spreadsheet alike (docs/formats.md). The first five are what file "Immof" stores and what
// the import brings back; the last three are the current fiscal year's figures computed from
// them, given to read and passed over by the import.
#pragma once

#include <array>
#include <string>

#include "export/ExportColumns.h"

namespace actifix {

// Column numbers among the fiscal columns, from 0 (the file's column kExportColumnCount + id).
enum FiscalColumnId : int {
  kColFiscalMode,
  kColFiscalRate,
  kColFiscalCumulative,
  kColBalance,
  kColFiscalTyped,
  kColFiscalCharge,
  kColAllowance,
  kColWriteBack,
  kFiscalColumnCount
};

// The fiscal columns the import reads: the plan as "Immof" stores it.
inline constexpr int kFiscalStoredColumns = kColFiscalCharge;
// The fewest fiscal columns an imported file may carry: mode, rate, cumulative and balance
// (a file without the typed charge imports it as 0).
inline constexpr int kFiscalLeastColumns = kColFiscalTyped;

inline constexpr std::array<ExportColumn, kFiscalColumnCount> kFiscalColumns{{
    {"Mode Fiscal", ColumnKind::kMode, 1},
    {"Taux Fiscal", ColumnKind::kRate, 4},
    {"Cumul Fiscal Début"_w, ColumnKind::kAmount, 8},
    {"Solde Dérogatoire Début"_w, ColumnKind::kAmount, 8},
    {"Dotation Fiscale Saisie", ColumnKind::kAmount, 8},
    {"Dotation Fiscale Exercice", ColumnKind::kAmount, 8},
    {"Dotation Dérogatoire"_w, ColumnKind::kAmount, 8},
    {"Reprise Dérogatoire"_w, ColumnKind::kAmount, 8},
}};

// The header of file column `column` (from 0, the fiscal ones after the 16). Windows-1252.
std::string_view ColumnHeader(int column);

// ";" and the fiscal headers joined by ";", to follow the 16 headers. Windows-1252.
std::string FiscalHeader();

// The fiscal columns of the asset in the asset record buffer. Empty when it has no plan.
struct FiscalValues {
  bool planned = false;
  char mode = ' ';
  float rate = 0;
  // Indexed by FiscalColumnId from kColFiscalCumulative; the rate and mode slots unused.
  std::array<double, kFiscalColumnCount> amounts{};
};

// Reads the plan of the asset in the asset record buffer (one keyed Find in "Immof") and
// computes its current year from the record's economic charge DOTAMO. REQUIRES: the company's
// fiscal option on. Throws HostError (kDamaged) naming the card when the plan cannot be
// computed.
FiscalValues ReadFiscalValues();

}  // namespace actifix
