// The import of a register file (the layout of the export "<CODE>Immo.csv") into the open
// company: every line is checked against the company before anything is written, then every
// asset is stored as the card screen stores it (keys, running numbers of the natures), or
// nothing is when one line is faulty.
//
// A line is refused, with the first fault found, when it does not have 16 fields, its nature
// does not exist, its order number is not 1 to 5 digits or its key is already in the
// register or on an earlier line, a date is not a date of the calendar (or the acquisition is
// after the end of the fiscal year, or the disposal before the acquisition), a text is too
// long for its field or holds "," "[" "]", a control character or a character Windows-1252
// does not have, an analytic code is neither "?" nor a code of its heading, or the card
// screen refuses a figure: its amount and rate fields (ReadTypedNumber) and the checks of
// its save (assets/CardRules.h), in the same words.
// An empty Cumul Début or Dotation Exercice is computed as the card screen computes it.
//
// Our own addition: after the 16 columns a file may carry the fiscal plan's columns of the
// export (export/FiscalColumns.h), from the first four on. A line with a fiscal mode is refused
// while the company's fiscal option is off (naming the command that turns it on); with it on,
// its plan is stored in "Immof" with its card, checked as the card's fiscal page checks it. The
// current year's computed columns are passed over. A file of 16 columns imports as before.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace actifix::platform {

struct ImportOptions {
  std::filesystem::path file;
  bool dryRun = false;  // check only
  // Called now and then while checking ("Vérification") and storing ("Import").
  std::function<void(const char* phase, int64_t done, int64_t total)> progress;
};

struct ImportResult {
  int64_t assets = 0;  // lines checked, or assets stored
  // One line per faulty line of the file, "ligne N, colonne NOM : raison", UTF-8. Nothing
  // was written when there is one.
  std::vector<std::string> faults;
};

// Checks the file, then stores its assets unless `dryRun` or a line is faulty.
// REQUIRES: the module attached with its files open and the company parameters loaded
// (Session::RunWith, then LectParamImmo). Writes through the open write transaction and never
// commits: the caller commits the whole, or rolls it back when this throws.
// A file that does not start with the export's header gets the one fault of its line 1.
// Throws UserError when the file cannot be read.
ImportResult ImportRegister(const ImportOptions& options);

}  // namespace actifix::platform
