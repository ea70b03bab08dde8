// Trimming texts: the one set of trims of the module and the platform, over Windows-1252 texts
// (records, fields) and UTF-8 texts (scripts, transcripts) alike. What counts as a blank is a
// set of bytes, the space alone unless told; the encodings themselves live in host/Cp1252.h.
#pragma once

#include <string>
#include <string_view>

namespace actifix {

// The space that pads fixed-width fields: what the trims strip unless told otherwise.
inline constexpr std::string_view kSpace = " ";
// A space or a no-break space (0xA0), as typed between groups of digits. Windows-1252 only: in
// UTF-8 the byte 0xA0 is part of another character.
inline constexpr std::string_view kSpaceOrNoBreak = " \xA0";

// `text` without the bytes of `blanks` at its end, at its start, or at both. The result views
// `text`: it must not outlive it.
std::string_view TrimRight(std::string_view text, std::string_view blanks = kSpace);
std::string_view TrimLeft(std::string_view text, std::string_view blanks = kSpace);
std::string_view Trim(std::string_view text, std::string_view blanks = kSpace);

// Trim's result as a text of its own, for code that keeps it or joins it to others.
std::string Trimmed(std::string_view text);

}  // namespace actifix
