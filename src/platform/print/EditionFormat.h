// Small formatting rules of the printed editions: French amounts, fixed-width cells, and the
// names of the files an edition is written to.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/print/EditionDescriptor.h"

namespace actifix::platform {

// French amount text: rounded half away from zero to `decimals`, blank as thousands separator,
// comma as decimal point: 1234.5 -> "1 234,50", -1234.5 -> "-1 234,50", -0.001 -> "0,00".
std::string FormatFrenchAmount(double value, int decimals);

// The amount as it goes in a column of `width`: FormatFrenchAmount, or without the thousands
// separators when that does not fit. A number wider than that still comes back whole.
std::string FitAmount(double value, int decimals, int width);

// `text` (one byte per character) placed in exactly `width` characters: cut on the right when
// longer, padded on the side(s) that `align` leaves free when shorter.
std::string FitCell(std::string_view text, int width, Alignment align);
// FitCell's text appended to `out`, without a string of its own.
void AppendFitted(std::string& out, std::string_view text, int width, Alignment align);

// The title of an edition made safe for a file name, from its Windows-1252 text: letters and
// digits kept (accents folded: "é" -> "e", "Œ" -> "OE"), every other run of characters one
// "-", none at either end, at most 100 characters; "EDITION" when nothing is left.
std::string SafeFileTitle(std::string_view titleCp1252);

// The next free edition number in `dir`: one more than the greatest NNN of the files named
// "NNN-..." there, 1 when there is none (or no such directory).
int NextEditionNumber(const std::filesystem::path& dir);

// The drafts of an edition are named ".open-<pid>-…" in its directory. Removes from `dir` those
// a program stopped before it wrote its edition left behind (Ctrl-C, a kill): of a process that
// no longer runs, untouched for an hour (a directory may be shared with another machine).
void RemoveAbandonedDrafts(const std::filesystem::path& dir);

// "NNN-<title>" for number `number` (at least three digits) and the safe title.
std::string EditionFileStem(int number, std::string_view titleCp1252);

}  // namespace actifix::platform
