// The screen of the register export (ImmoExcel). The module scrolls each line it writes to the
// file; over a register of many assets those lines fly past unread, cut to the screen's width.
// The host shows instead how far the export has got, "Exportation : n / N immobilisations",
// through `progress` (the user interface's), a few times a second. Everything else passes
// through.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/screen/ForwardingScreen.h"

namespace actifix::platform {

class ExportScreen : public ForwardingScreen {
 public:
  // `assets`: the size of the register the export walks.
  ExportScreen(std::unique_ptr<HostScreen> inner, std::function<void(const std::string&)> progress,
               int64_t assets)
      : ForwardingScreen(std::move(inner)), progress_(std::move(progress)), assets_(assets) {}

  // The export's scrolled lines are counted, not shown.
  void OpenScroll(int16_t height, int16_t width) override;
  void ScrollLine(const std::string& line) override;

 private:
  std::function<void(const std::string&)> progress_;
  int64_t assets_;
  int64_t written_ = 0;
  std::chrono::steady_clock::time_point shown_;
};

}  // namespace actifix::platform
