// The general-ledger entries of an EditImo run (part of MImmoEdt): AdjEcr forms one entry;
// the depreciation edition adds each asset's dotation to its nature's row and records the
// disposal entries; EdtEcritures makes the dotation entries, prints all entries and writes
// them to the interface file through HostLedgerFile.
//
// The work tables grow as needed (no limit of 1000 entries or 200 natures), keep the order in
// which rows and entries were made, and find a nature's row by its code without a scan.
#pragma once

#include <string>

namespace actifix {

// Adds one entry to the ledger-entry table, unless its amount is zero at 2 decimals. Reports
// an empty account and an account missing from the chart (when `defaultLabel` is empty).
void AdjEcr(const std::string& account, std::string& label, const std::string& side,
            const double& amount, const std::string& defaultLabel);

// Adds `dotation` to the row of the nature of the asset in the buffer (the nature buffer holds
// its accounts), creating the row at the end of the table when the code is new.
void AjoutDotationNature(double dotation);

// Our own addition: adds the derogatory allowance and write-back of the current fiscal year of
// the asset in the buffer to its nature's row, as AjoutDotationNature does; the entries are
// made by EdtEcritures when the company's fiscal option is on.
void AjoutDerogatoireNature(double allowance, double writeBack);

// The disposal entries of the asset in the buffer (nature accounts in the nature buffer).
void EcrituresCession(std::string& label, double cumulFin, double vnc, double price);

// When COMPTA is "O": the dotation entries (with, per nature, the derogatory ones), the ledger
// edition in the edition already open, the interface file, and the closing message.
void EdtEcritures();

}  // namespace actifix
