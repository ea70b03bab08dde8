#include "platform/session/ExportProgress.h"

#include <algorithm>

namespace actifix::platform {

void ExportScreen::OpenScroll(int16_t /*height*/, int16_t /*width*/) { written_ = 0; }

void ExportScreen::ScrollLine(const std::string& /*line*/) {
  ++written_;
  const auto now = std::chrono::steady_clock::now();
  // The first line, then five times a second at most, and the last.
  if (written_ > 1 && written_ < assets_ && now - shown_ < std::chrono::milliseconds(200)) return;
  shown_ = now;
  progress_("Exportation : " + std::to_string(written_) + " / " +
            std::to_string(std::max(assets_, written_)) + " immobilisations");
}

}  // namespace actifix::platform
