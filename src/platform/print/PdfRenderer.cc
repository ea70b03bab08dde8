// The PDF renderer: each physical page drawn line by line on a fixed grid with pango.
#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

#include "host/HostError.h"
#include "platform/print/EditionRenderer.h"

namespace actifix::platform {
namespace {

constexpr double kA4Short = 595.276;  // points
constexpr double kA4Long = 841.890;
constexpr double kMargin = 28.35;         // 1 cm
constexpr double kMaxFontSize = 8.5;      // points
constexpr double kMinPortraitFont = 7.5;  // below this a page turns to landscape
constexpr double kMonoAdvance = 0.6021;   // advance of DejaVu Sans Mono, in em
constexpr double kLineSpread = 1.15;      // line pitch / font size, at the least

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct FontDeleter {
  void operator()(PangoFontDescription* f) const { pango_font_description_free(f); }
};
struct ObjectDeleter {
  void operator()(void* o) const { g_object_unref(o); }
};

std::size_t CharCount(const std::string& utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

bool IsBold(PageLine::Kind kind) {
  return kind == PageLine::Kind::kTitle || kind == PageLine::Kind::kHeading ||
         kind == PageLine::Kind::kTotal || kind == PageLine::Kind::kHeader;
}

}  // namespace

PdfRenderer::PdfRenderer(std::string title, int linesPerPage)
    : title_(std::move(title)), linesPerPage_(std::max(linesPerPage, 1)) {}

void PdfRenderer::StartPage(int /*number*/) { pages_.emplace_back(); }

void PdfRenderer::Put(const PageLine& line) {
  if (pages_.empty()) pages_.emplace_back();
  pages_.back().push_back(line);
}

void PdfRenderer::Write(const std::filesystem::path& file) const {
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
      cairo_pdf_surface_create(file.c_str(), kA4Short, kA4Long));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw HostError("HostEdition.Close", file.string(), "impossible de créer le fichier PDF");
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title_.c_str());
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "Actifix");

  std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
  std::unique_ptr<PangoLayout, ObjectDeleter> layout(pango_cairo_create_layout(cr.get()));
  std::unique_ptr<PangoFontDescription, FontDeleter> font(pango_font_description_new());
  pango_font_description_set_family(font.get(), "DejaVu Sans Mono");

  for (const auto& page : pages_) {
    std::size_t widest = 1;
    for (const auto& line : page) widest = std::max(widest, CharCount(line.text));
    const double portraitWidth = kA4Short - 2 * kMargin;
    const bool landscape = widest * kMonoAdvance * kMinPortraitFont > portraitWidth;
    const double width = landscape ? kA4Long : kA4Short;
    const double height = landscape ? kA4Short : kA4Long;
    cairo_pdf_surface_set_size(surface.get(), width, height);

    const double pitch = (height - 2 * kMargin) / linesPerPage_;
    const double size = std::min(
        {kMaxFontSize, pitch / kLineSpread, (width - 2 * kMargin) / (widest * kMonoAdvance)});
    pango_font_description_set_absolute_size(font.get(), size * PANGO_SCALE);

    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    double y = kMargin;
    for (const auto& line : page) {
      if (!line.text.empty()) {
        pango_font_description_set_weight(
            font.get(), IsBold(line.kind) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_layout_set_font_description(layout.get(), font.get());
        pango_layout_set_text(layout.get(), line.text.c_str(), static_cast<int>(line.text.size()));
        cairo_move_to(cr.get(), kMargin, y);
        pango_cairo_show_layout(cr.get(), layout.get());
      }
      y += pitch;
    }
    cairo_show_page(cr.get());
  }
  cr.reset();
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw HostError("HostEdition.Close", file.string(), "impossible d'écrire le fichier PDF");
}

}  // namespace actifix::platform

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig, under pango, keeps its font caches for the life of the process; LeakSanitizer
// reports them at exit in every program that drew a PDF. They are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
