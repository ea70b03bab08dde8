// The painting of the typeset PDF with cairo: the document drawn into its draft, and each
// spooled page on it: the running head, then each line by its kind (titles, heading blocks,
// rules, cells), then its picture. Where things go comes from TypesetLayout.h.
#pragma once

#include <cairo.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/print/TypesetFace.h"
#include "platform/print/TypesetPage.h"

namespace actifix::platform::typeset {

constexpr double kThin = 0.4, kMedium = 0.8, kHeavy = 1.3;  // rules, in points

class Painter {
 public:
  Painter() = default;
  ~Painter();
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  // Starts the document in `draft`. Returns false when cairo cannot create it.
  bool Open(const std::filesystem::path& draft, const std::string& title);
  // Draws `page`, number `number` of `count`, whose lines stand under `tables`.
  // REQUIRES: Open succeeded.
  void DrawPage(const Page& page, int number, int count, const RunningHead& head,
                const std::vector<Table>& tables, int linesPerPage);
  // Finishes the document. Returns false when cairo could not write all of it.
  bool Close();

  // Draws `utf8` from x on the baseline y, squeezed to `fit` points when it is wider.
  // Returns its width. Texts of one face and size are gathered and drawn by one cairo call
  // (each call costs cairo more than its glyphs) before anything else is drawn.
  double Show(Face& face, double size, double x, double y, std::string_view utf8, double fit = 1e9);
  void Rule(double x1, double x2, double y, double width);
  // The drawing context, the texts gathered so far drawn first.
  cairo_t* cr() {
    DrawTexts();
    return cr_;
  }

  Face regular{CAIRO_FONT_WEIGHT_NORMAL};
  Face bold{CAIRO_FONT_WEIGHT_BOLD};

 private:
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  Face* current_ = nullptr;
  double currentSize_ = 0;
  // The texts gathered, of face `pending_` at `pendingSize_`, not drawn yet.
  void DrawTexts();
  Face* pending_ = nullptr;
  double pendingSize_ = 0;
  std::string texts_;
  std::vector<cairo_glyph_t> glyphs_;
  std::vector<cairo_text_cluster_t> clusters_;
};

}  // namespace actifix::platform::typeset
