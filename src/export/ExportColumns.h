// The 16 columns of the register export "<CODE>Immo.csv", described once: the CSV export
// writes them, the typed spreadsheet gives each its cell type, and the import reads and
// checks them back. Each column is a header, a kind and the width of its stored field.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "host/Cp1252.h"
#include "state/Records.h"

namespace actifix {

enum class ColumnKind {
  kText,    // the stored text, blanks kept
  kDate,    // packed date, "dd/mm/yyyy"; empty for the empty date
  kAmount,  // packed amount, 2 decimals
  kRate,    // packed rate widened to a double, 2 decimals
  kMode,    // one letter: "L", "D" or "E"
};

struct ExportColumn {
  std::string_view header;  // Windows-1252
  ColumnKind kind;
  int width;  // bytes of the field in the asset record
};

// Column numbers in file order, from 0.
enum ExportColumnId : int {
  kColNature,
  kColNumber,
  kColAcquired,
  kColSupplier,
  kColDescription,
  kColRemark,
  kColValue,
  kColMode,
  kColRate,
  kColCumulative,
  kColDisposed,
  kColCustomer,
  kColCharge,
  kColAnalytic,
  kColProceeds,
  kColTreasury,
  kExportColumnCount
};

inline constexpr std::array<ExportColumn, kExportColumnCount> kExportColumns{{
    {"Code Nature", ColumnKind::kText, 6},
    {"No d'Ordre", ColumnKind::kText, 5},
    {"Date d'Acquisition", ColumnKind::kDate, 3},
    {"Fournisseur", ColumnKind::kText, 30},
    {"Description", ColumnKind::kText, 30},
    {"Remarque", ColumnKind::kText, 30},
    {"Valeur d'Acquisition", ColumnKind::kAmount, 8},
    {"Mode", ColumnKind::kMode, 1},
    {"Taux", ColumnKind::kRate, 4},
    {"Cumul Début"_w, ColumnKind::kAmount, 8},
    {"Date Cession", ColumnKind::kDate, 3},
    {"Client Cession", ColumnKind::kText, 30},
    {"Dotation Exercice", ColumnKind::kAmount, 8},
    {"Codes Ana", ColumnKind::kText, 40},
    {"Mt Cession", ColumnKind::kAmount, 8},
    {"Cpt Tresorerie", ColumnKind::kText, 10},
}};

// The stored bytes of column `id` in `record`: the text as stored, or the packed form.
std::string_view StoredField(const AssetRecord& record, int id);

// The header line: the 16 headers joined by ";". Windows-1252.
std::string ExportHeader();

// A text a spreadsheet would take for a formula, one that starts with "=", "+", "-", "@", a
// tab or a carriage return, maybe after apostrophes, gets one more apostrophe in front, which
// makes a spreadsheet keep it as text. A blank at its end is given up for it, so that a
// fixed-width field keeps its width unless it was full. Windows-1252 or UTF-8 alike.
std::string NeutralisedText(std::string_view text);

// The text as it was before NeutralisedText: one leading apostrophe fewer when it has one.
std::string_view UnneutralisedText(std::string_view text);

}  // namespace actifix
