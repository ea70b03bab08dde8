// Trimming texts.
#include "host/Text.h"

namespace actifix {

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
  if (blanks.size() == 1) {  // the usual blank alone: no search through a set per character
    std::size_t end = text.size();
    while (end > 0 && text[end - 1] == blanks[0]) --end;
    return text.substr(0, end);
  }
  const std::size_t last = text.find_last_not_of(blanks);
  return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
  if (blanks.size() == 1) {
    std::size_t begin = 0;
    while (begin < text.size() && text[begin] == blanks[0]) ++begin;
    return text.substr(begin);
  }
  const std::size_t first = text.find_first_not_of(blanks);
  return text.substr(first == std::string_view::npos ? text.size() : first);
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
  return TrimLeft(TrimRight(text, blanks), blanks);
}

std::string Trimmed(std::string_view text) { return std::string(Trim(text)); }

}  // namespace actifix
