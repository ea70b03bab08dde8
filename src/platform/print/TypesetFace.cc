// The faces of the typeset PDF and the fitting of a text in its room.
#include "platform/print/TypesetFace.h"

#include "host/Cp1252.h"

namespace actifix::platform::typeset {

char32_t NextChar(std::string_view utf8, std::size_t& at) {
  const int32_t c = NextCodePoint(utf8, at);
  return c < 0 ? U'\uFFFD' : static_cast<char32_t>(c);
}

Face::Face(cairo_font_weight_t weight)
    : face_(cairo_toy_font_face_create("DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, weight)) {
  cairo_matrix_t size, identity;
  cairo_matrix_init_scale(&size, kUnit, kUnit);
  cairo_matrix_init_identity(&identity);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  unit_ = cairo_scaled_font_create(face_, &size, &identity, options);
  cairo_font_options_destroy(options);
}

Face::~Face() {
  cairo_scaled_font_destroy(unit_);
  cairo_font_face_destroy(face_);
}

const Face::Glyph& Face::Of(char32_t c) {
  Glyph& glyph = c < latin_.size() ? latin_[c] : others_[c];
  if (glyph.advance >= 0) return glyph;
  std::string utf8;
  if (c < 0x80) {
    utf8 = static_cast<char>(c);
  } else if (c < 0x800) {
    utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  }
  cairo_glyph_t* glyphs = nullptr;
  int count = 0;
  glyph.advance = 0;
  if (cairo_scaled_font_text_to_glyphs(unit_, 0, 0, utf8.data(), static_cast<int>(utf8.size()),
                                       &glyphs, &count, nullptr, nullptr,
                                       nullptr) == CAIRO_STATUS_SUCCESS &&
      count > 0) {
    cairo_text_extents_t extents;
    cairo_scaled_font_glyph_extents(unit_, glyphs, 1, &extents);
    glyph = {glyphs[0].index, extents.x_advance / kUnit};
  }
  cairo_glyph_free(glyphs);
  return glyph;
}

double Face::Em(std::string_view utf8) {
  double em = 0;
  for (std::size_t at = 0; at < utf8.size();) em += Of(NextChar(utf8, at)).advance;
  return em;
}

namespace {

// `head` without the blanks and separators it ends with: they go with the cut.
std::string_view WithoutSeparators(std::string_view head) {
  for (bool more = true; more && !head.empty();) {
    more = false;
    if (head.ends_with("—")) {
      head.remove_suffix(std::string_view("—").size());
      more = true;
    } else if (std::string_view(" ,;:-").find(head.back()) != std::string_view::npos) {
      head.remove_suffix(1);
      more = true;
    }
  }
  return head;
}

}  // namespace

std::string FitAtWord(Face& face, const std::string& utf8, double size, double room) {
  if (face.Em(utf8) * size <= room) return utf8;
  const double ellipsis = face.Em("…");
  const auto fits = [&](std::string_view head) {
    return (face.Em(head) + ellipsis) * size <= room;
  };
  // A word ends before a blank.
  for (std::size_t blank = utf8.rfind(' '); blank != std::string::npos && blank > 0;
       blank = utf8.rfind(' ', blank - 1)) {
    const std::string_view head = WithoutSeparators(std::string_view(utf8).substr(0, blank));
    if (!head.empty() && fits(head)) return std::string(head) + "…";
  }
  std::string head = utf8.substr(0, utf8.find(' '));
  while (!head.empty() && !fits(head)) {
    while (!head.empty() && (head.back() & 0xC0) == 0x80) head.pop_back();
    if (!head.empty()) head.pop_back();
  }
  return head + "…";
}

}  // namespace actifix::platform::typeset
