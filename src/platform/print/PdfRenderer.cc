// The PDF renderer: each physical page drawn line by line on a fixed grid with pango.
#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <memory>

#include "host/HostError.h"
#include "platform/print/EditionRenderer.h"
#include "platform/print/PdfPaper.h"
#include "platform/store/WritePath.h"

namespace actifix::platform {
namespace {

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

struct PdfRenderer::Drawing {
  std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface;
  std::unique_ptr<cairo_t, CairoDeleter> cr;
  std::unique_ptr<PangoLayout, ObjectDeleter> layout;
  std::unique_ptr<PangoFontDescription, FontDeleter> font;
};

PdfRenderer::PdfRenderer(std::string title, int linesPerPage, std::filesystem::path draft)
    : title_(std::move(title)),
      linesPerPage_(std::max(linesPerPage, 1)),
      draft_(std::move(draft)) {}

PdfRenderer::~PdfRenderer() {
  if (!drawing_) return;
  drawing_.reset();
  std::error_code ignored;
  std::filesystem::remove(draft_, ignored);
}

void PdfRenderer::StartPage(int /*number*/) {
  DrawPage();
  pageStarted_ = true;
}

void PdfRenderer::Put(const PageLine& line) {
  pageStarted_ = true;
  page_.push_back(line);
}

void PdfRenderer::DrawPage() {
  if (!pageStarted_) return;
  if (!drawing_) {
    RefuseLink(draft_, "HostEdition");
    auto drawing = std::make_unique<Drawing>();
    drawing->surface.reset(cairo_pdf_surface_create(draft_.c_str(), kA4Short, kA4Long));
    if (cairo_surface_status(drawing->surface.get()) != CAIRO_STATUS_SUCCESS)
      throw HostError(ErrorKind::kIo, "HostEdition", draft_.string(),
                      "impossible de créer le fichier PDF");
    cairo_pdf_surface_set_metadata(drawing->surface.get(), CAIRO_PDF_METADATA_TITLE,
                                   title_.c_str());
    cairo_pdf_surface_set_metadata(drawing->surface.get(), CAIRO_PDF_METADATA_CREATOR, "Actifix");
    drawing->cr.reset(cairo_create(drawing->surface.get()));
    drawing->layout.reset(pango_cairo_create_layout(drawing->cr.get()));
    drawing->font.reset(pango_font_description_new());
    pango_font_description_set_family(drawing->font.get(), "DejaVu Sans Mono");
    drawing_ = std::move(drawing);
  }
  cairo_t* cr = drawing_->cr.get();
  PangoFontDescription* font = drawing_->font.get();
  std::size_t widest = 1;
  for (const auto& line : page_) widest = std::max(widest, CharCount(line.text));
  const PdfPaper paper = PaperFor(static_cast<double>(widest) * kMonoAdvance, kMinPortraitFont);
  const double width = paper.width, height = paper.height;
  cairo_pdf_surface_set_size(drawing_->surface.get(), width, height);

  const double pitch = (height - 2 * kMargin) / linesPerPage_;
  const double size = std::min(
      {kMaxFaceSize, pitch / kLineSpread, (width - 2 * kMargin) / (widest * kMonoAdvance)});
  pango_font_description_set_absolute_size(font, size * PANGO_SCALE);

  cairo_set_source_rgb(cr, 0, 0, 0);
  double y = kMargin;
  for (const auto& line : page_) {
    if (!line.text.empty()) {
      pango_font_description_set_weight(
          font, IsBold(line.kind) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
      pango_layout_set_font_description(drawing_->layout.get(), font);
      pango_layout_set_text(drawing_->layout.get(), line.text.c_str(),
                            static_cast<int>(line.text.size()));
      cairo_move_to(cr, kMargin, y);
      pango_cairo_show_layout(cr, drawing_->layout.get());
    }
    y += pitch;
  }
  cairo_show_page(cr);
  page_.clear();
  pageStarted_ = false;
}

void PdfRenderer::Write(const std::filesystem::path& file) {
  pageStarted_ = pageStarted_ || !drawing_;  // a document of no page still gets one
  DrawPage();
  drawing_->layout.reset();
  drawing_->cr.reset();
  cairo_surface_finish(drawing_->surface.get());
  const bool written = cairo_surface_status(drawing_->surface.get()) == CAIRO_STATUS_SUCCESS;
  drawing_.reset();
  PublishDraft(written, draft_, file);
}

}  // namespace actifix::platform

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig, under pango, keeps its font caches for the life of the process; LeakSanitizer
// reports them at exit in every program that drew a PDF. They are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
