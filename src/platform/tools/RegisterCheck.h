// The check of a company's register (actifix check) and its repair.
//
// The check reads every record and key straight from the store, once each, and finds:
// - records longer than their file's record length;
// - asset fields that cannot be decoded or carried: amounts that are not finite or below 0
//   (VALACQ, CUMAMO, DOTAMO, MTCESS), packed dates that are no
//   date (an empty acquisition date included), a mode outside L/D/E, a rate outside 0-100 (0
//   only in mode E), an order number that is not five digits;
// - key entries that differ from what the records give (a key missing, a key too many, a key
//   on a record that does not exist, two records with one "P" key), in the three asset key
//   files and in those of the natures, parameters, accounts and analytic codes;
// - natures and analytic codes an asset names that do not exist ("?" and blank elements name
//   none);
// - natures whose running number is below the highest order number of their assets;
// - our own fiscal plans, where file "Immof" was made (whatever the company's option now):
//   keys against CODNATF & NUMNATF as above, a mode outside L/D/E, a rate or an amount
//   (CUMFIS, SLDDER, DOTFIS) unreadable or below 0, a plan whose asset does not exist, and
//   what the card's fiscal page refuses against its asset (a plan that cannot be computed, a
//   fiscal cumulative past the value, a balance past the value less the economic cumulative).
// Its cost grows with the register as a few sorts of its keys do; nothing is looked up per
// asset in a table.
//
// The repair never deletes an asset or a reference record: it takes back an acquisition date the
// record lost from the asset's own "Immon" or "Immoa" keys, rebuilds each key file that differs
// from its records (equal keys in record-number order, as they were written), makes again a missing
// nature or analytic code (to be completed by its entry screen), and raises running numbers. Of the
// fiscal plans it removes only those no card reaches: a plan whose asset does not exist, and
// a plan under the same key as a plan of a lower record number.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace actifix {
class HostComponent;
}

namespace actifix::platform {

class Store;

struct RegisterFindings {
  // One French line each (UTF-8), starting with the asset's key ("MAT 00012 : ...") or the
  // record it is about.
  std::vector<std::string> lines;
  int64_t assets = 0;
};

RegisterFindings CheckRegister(Store& store);

// Mends what can be mended and returns one French line per change. Its writes are left in
// the open write transaction. REQUIRES: the module's files open (Session::RunWith); the
// caller took a backup first. `component` opens file "Immof" when the option is off.
std::vector<std::string> RepairRegister(Store& store, HostComponent& component);

}  // namespace actifix::platform
