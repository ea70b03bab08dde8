// The paper both PDFs of an edition are drawn on: A4 inside a 1 cm margin, turned to
// landscape for a page whose widest line would not fit across it at the smallest face a
// portrait page allows; and how both publish the file they drew.
#pragma once

#include <filesystem>
#include <system_error>

#include "host/HostError.h"

namespace actifix::platform {

constexpr double kA4Short = 595.276;  // points
constexpr double kA4Long = 841.890;
constexpr double kMargin = 28.35;     // 1 cm
constexpr double kMaxFaceSize = 8.5;  // points

struct PdfPaper {
  bool landscape = false;
  double width = kA4Short, height = kA4Long;  // points
};

// The paper of a page whose widest line is `widestEm` em of its face, which a portrait page
// may not set below `minPortraitSize` points.
constexpr PdfPaper PaperFor(double widestEm, double minPortraitSize) {
  const bool landscape = widestEm * minPortraitSize > kA4Short - 2 * kMargin;
  return {landscape, landscape ? kA4Long : kA4Short, landscape ? kA4Short : kA4Long};
}

// The PDF drawn to `draft` takes its name `file` when it was `written` whole; else the draft
// goes and the edition fails.
inline void PublishDraft(bool written, const std::filesystem::path& draft,
                         const std::filesystem::path& file) {
  std::error_code ec;
  if (written) std::filesystem::rename(draft, file, ec);
  if (!written || ec) {
    std::filesystem::remove(draft, ec);
    throw HostError(ErrorKind::kIo, "HostEdition.Close", file.string(),
                    "impossible d'écrire le fichier PDF");
  }
}

}  // namespace actifix::platform
