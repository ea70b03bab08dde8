#include "platform/web/Html.h"

#include <algorithm>
#include <cctype>

#include "host/Cp1252.h"
#include "platform/print/EditionFormat.h"

namespace actifix::platform::web {

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t begin = at;
    const int32_t cp = NextCodePoint(text, at);
    if (cp < 0) {
      out += "\xEF\xBF\xBD";  // U+FFFD for a malformed sequence
      continue;
    }
    switch (cp) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if ((cp < 0x20 && cp != '\t' && cp != '\n') || cp == 0x7F || (cp >= 0x80 && cp < 0xA0))
          break;
        out.append(text.substr(begin, at - begin));
    }
  }
  return out;
}

std::string Utf8(std::string_view cp1252) {
  while (!cp1252.empty() && (cp1252.back() == ' ' || cp1252.back() == '\0'))
    cp1252.remove_suffix(1);
  return ToUtf8(cp1252);
}

std::string UrlPart(std::string_view text) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (std::isalnum(b) != 0 || c == '-' || c == '_' || c == '.' || c == '~') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

std::string Money(double value) { return FormatFrenchAmount(value, 2); }

std::string Page(const std::string& title, const std::string& body, int refreshSeconds) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"fr\"><head><meta charset=\"utf-8\">"
      "<meta name=\"viewport\" content=\"width=device-width\">";
  if (refreshSeconds > 0)
    html += "<meta http-equiv=\"refresh\" content=\"" + std::to_string(refreshSeconds) + "\">";
  html += "<title>" + Escape(title) +
          " - Actifix</title><link rel=\"stylesheet\" href=\"/style.css\">"
          "<script src=\"/app.js\" defer></script></head><body>"
          "<nav><a href=\"/\">Sociétés</a> <span>Actifix, consultation</span></nav><main><h1>" +
          Escape(title) + "</h1>\n" + body + "</main></body></html>\n";
  return html;
}

std::string Row(const std::vector<std::string>& cells, bool header) {
  const char* tag = header ? "th" : "td";
  std::string html = "<tr>";
  for (const std::string& cell : cells) {
    if (cell.rfind("<td class=\"n\">", 0) == 0 && !header) {
      html += cell;
      continue;
    }
    html += std::string("<") + tag + ">" + cell + "</" + tag + ">";
  }
  return html + "</tr>\n";
}

std::string Num(const std::string& html) { return "<td class=\"n\">" + html + "</td>"; }

std::string Link(const std::string& href, std::string_view text) {
  return "<a href=\"" + Escape(href) + "\">" + Escape(text) + "</a>";
}

}  // namespace actifix::platform::web
