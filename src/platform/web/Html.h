// The HTML of the web view, written by small functions over one escaping helper: every text
// that reaches a page (from the register, the request or the program) goes through Escape.
// Pages are UTF-8; the register's texts are Windows-1252 and are converted first (Utf8).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace actifix::platform::web {

// `text` (UTF-8) made safe inside an element or a quoted attribute: & < > " ' escaped, control
// characters but tab and newline dropped, malformed UTF-8 replaced.
std::string Escape(std::string_view text);
// A Windows-1252 text of the register, trimmed on the right, as UTF-8 for Escape.
std::string Utf8(std::string_view cp1252);
// A query-string component: letters, digits and "-_.~" kept, everything else %XX.
std::string UrlPart(std::string_view text);
// An amount as the editions print it ("1 234,56"), a rate with its 2 decimals.
std::string Money(double value);

// A whole page: title, the links of the site, `body` (already HTML), and a refresh every
// `refreshSeconds` when above 0 (progress without script).
std::string Page(const std::string& title, const std::string& body, int refreshSeconds = 0);

// A table row of cells already made HTML; `header` makes them <th>.
std::string Row(const std::vector<std::string>& cells, bool header = false);
// A cell aligned right (amounts).
std::string Num(const std::string& html);
// <a href="href">text</a>, `href` built by the caller from UrlPart pieces, `text` escaped here.
std::string Link(const std::string& href, std::string_view text);

}  // namespace actifix::platform::web
