// The faces of the typeset PDF: DejaVu Sans regular and bold, each with the glyph and advance
// of every character met, looked up once (no shaping or kerning, which these Latin texts do
// not need: that is what keeps the drawing fast). Widths are in em; a width in points is that
// times the face size.
#pragma once

#include <cairo.h>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace actifix::platform::typeset {

// The next character of `utf8` from `at`, which it moves past it; U+FFFD for a malformed one.
char32_t NextChar(std::string_view utf8, std::size_t& at);

class Face {
 public:
  explicit Face(cairo_font_weight_t weight);
  ~Face();
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  struct Glyph {
    unsigned long index = 0;
    double advance = -1;  // em; negative until looked up
  };

  const Glyph& Of(char32_t c);
  double Em(std::string_view utf8);
  cairo_font_face_t* face() const { return face_; }

 private:
  static constexpr double kUnit = 1000;
  cairo_font_face_t* face_;
  cairo_scaled_font_t* unit_;
  std::array<Glyph, 256> latin_{};
  std::unordered_map<char32_t, Glyph> others_;
};

// `utf8` as it fits in `room` points at `size` in `face`: whole, else cut after its last
// word that leaves room for "…" (its first word cut short only when no word fits).
std::string FitAtWord(Face& face, const std::string& utf8, double size, double room);

}  // namespace actifix::platform::typeset
