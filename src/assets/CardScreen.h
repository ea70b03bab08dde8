// What the asset card screen and the partial disposal share: the keys they react to, packed
// amounts, and the description part of a card. Internal to src/assets.
#pragma once

#include <cstdint>
#include <string>

#include "assets/MImmoImmo.h"
#include "refdata/EntryCycle.h"
#include "state/Amounts.h"

namespace actifix::card {

// The host's codes of the keys the card screen reacts to, asked once per run: those of every
// entry screen, and the card's own.
struct Keys : EntryKeys {
  int16_t f2 = 0, f8 = 0, f12 = 0;
};
Keys AskKeys();

// The value written with `decimals` decimals (HostConvert.FormatNumber).
std::string Format(double value, int16_t decimals);
// A mode computed by the depreciation routine ("L" or "D") with a rate it accepts.
bool Computable(const AssetCard& c);

// The supplier, description and remark of the card, asked from `first` on; returns the key
// that ended the part: Up or Page Up (or F2) on the supplier, Page Up or F2 on the
// description, any key but Up on the remark.
enum class Description { kSupplier, kDescription, kRemark };
int16_t DescriptionPart(const Keys& keys, Description first);

// What the screen does after the disposed value: no split (on to the second page), back to
// the disposal amount, back to the nature code, or a new card after a confirmed split.
enum class SplitOutcome { kNoSplit, kUp, kPageUp, kSplit };
// Asks VACEDEE and, when confirmed, splits the card and saves both parts.
// REQUIRES: the card exists and its VALACQ is not zero at 2 decimals.
SplitOutcome PartialDisposal(const Keys& keys);

}  // namespace actifix::card
